// The real program twice on a private Xvfb: a second start with a document hands it over to
// the running instance, which asks for its password while the second start waits; the
// second start ends once the prompt is answered. A second start without arguments ends at
// once, and SIGTERM ends the running instance through its shutdown.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "document/DocumentFormat.h"
#include "document/PasswordDocument.h"
#include "x11/ProgramProcess.h"
#include "x11/DesktopSession.h"

namespace kyq::test {
namespace {

using namespace std::chrono_literals;

[[maybe_unused]] auto* const g_xvfb = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

// Output of a shell command (DISPLAY is already the test's server).
std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}

// The first window whose name contains `name` (a plain text, no pattern); "" when none.
std::string FindWindowNamed(const std::string& name)
{
    std::stringstream ids(Capture("xdotool search --name '" + name + "' 2>/dev/null"));
    std::string id;
    ids >> id;
    return id;
}

class SingleInstanceEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        home_ = std::filesystem::temp_directory_path() /
                ("kyq-single-" + std::to_string(getpid()));
        std::filesystem::remove_all(home_);
        std::filesystem::create_directories(home_ / "runtime");
        chmod((home_ / "runtime").c_str(), 0700);
        for (const auto& [name, sub] :
             {std::pair{"HOME", ""}, std::pair{"KYQ_REGISTRY_DIR", "registry"},
              std::pair{"XDG_CONFIG_HOME", "config"}, std::pair{"XDG_DATA_HOME", "data"},
              std::pair{"XDG_CACHE_HOME", "cache"}, std::pair{"XDG_RUNTIME_DIR", "runtime"}})
            setenv(name, (home_ / sub).c_str(), 1);
        instance_ = home_ / "runtime" / "Tarnwick-KYQ";
    }
    void TearDown() override { std::filesystem::remove_all(home_); }

    std::string Log() const { return "program output:\n" + ReadText(home_ / "kyq.log"); }

    std::string MakeDocument(const std::string& name, const std::u16string& password)
    {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        PasswordDocument doc;
        doc.OwnerName() = u"测试者";
        doc.DocumentPassword() = password;
        PasswordEntry e;
        e.Title = u"mail";
        e.UserName = u"me";
        e.Password = u"secret";
        e.ChangedYear = static_cast<int16_t>(local.tm_year + 1900);
        e.ChangedMonth = static_cast<uint8_t>(local.tm_mon + 1);
        e.ChangedDay = static_cast<uint8_t>(local.tm_mday);
        doc.AppendEntry(e);
        const std::string path = (home_ / name).string();
        EXPECT_TRUE(WriteDocument(doc, path));
        return path;
    }

    std::filesystem::path home_;
    std::filesystem::path instance_;
};

TEST_F(SingleInstanceEndToEnd, SecondStartHandsItsDocumentOverAndWaitsForThePrompt)
{
    const std::string document = MakeDocument("handed.kyq", u"pw");
    ProgramProcess first(KYQ_PROGRAM, {}, home_ / "kyq.log");
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(instance_ / "Handle.dat"); }, 30s))
        << Log();
    ASSERT_TRUE(first.Running());

    // Without arguments: ends at once, nothing shown.
    ProgramProcess empty(KYQ_PROGRAM, {}, home_ / "kyq.log");
    EXPECT_TRUE(empty.EndsCleanly(15s)) << Log();

    // With the document: the running instance asks for its password, the sender waits.
    ProgramProcess second(KYQ_PROGRAM, {document}, home_ / "kyq.log");
    std::string prompt;
    ASSERT_TRUE(WaitFor([&] { return !(prompt = FindWindowNamed("检查文档“handed.kyq”的密码")).empty(); },
                        30s))
        << Log();
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(second.Running());
    EXPECT_FALSE(std::filesystem::exists(instance_ / "Command.dat"));

    ASSERT_EQ(std::system(("xdotool windowactivate --sync " + prompt + " >/dev/null 2>&1 || "
                           "xdotool windowfocus --sync " + prompt).c_str()),
              0);
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(RunCommand("xdotool type --delay 30 pw"));
    ASSERT_TRUE(RunCommand("xdotool key Return"));
    EXPECT_TRUE(second.EndsCleanly(15s)) << Log();
    EXPECT_TRUE(WaitFor([&] { return !FindWindowNamed("Keyquill - handed.kyq").empty(); }, 10s))
        << Log();

    // SIGTERM: the unchanged document closes without a question and the program ends.
    first.Signal(SIGTERM);
    EXPECT_TRUE(first.EndsCleanly(15s)) << Log();
    EXPECT_FALSE(std::filesystem::exists(instance_ / "Handle.dat"));
}

}  // namespace
}  // namespace kyq::test
