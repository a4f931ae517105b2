// The real program twice on a private Xvfb: a second start with a document hands it over to
// the running instance, which asks for its password while the second start waits; the
// second start ends once the prompt is answered. A second start without arguments ends at
// once, and SIGTERM ends the running instance through its shutdown. Two X displays of one
// user are two sessions, each with its own instance.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/document/DocumentFormat.h"
#include "core/document/PasswordDocument.h"
#include "x11/DesktopDriver.h"
#include "x11/DesktopSession.h"
#include "x11/ProgramProcess.h"
#include "x11/XvfbServer.h"

namespace kyq::test {
namespace {

using namespace std::chrono_literals;

[[maybe_unused]] auto* const g_xvfb = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

class SingleInstanceEndToEnd : public ::testing::Test {
protected:
    ProgramHome home_{"kyq-single"};
    const std::filesystem::path instance_ = home_.InstanceFolder();
    std::string Log() const { return home_.Log(); }
};

TEST_F(SingleInstanceEndToEnd, SecondStartHandsItsDocumentOverAndWaitsForThePrompt)
{
    const std::string document = home_.MakeDocument("handed.kyq", u"pw");
    ProgramProcess first(KYQ_PROGRAM, {}, home_.LogFile());
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(instance_ / "Handle.dat"); }, 30s))
        << Log();
    ASSERT_TRUE(first.Running());

    // Without arguments: ends at once, nothing shown.
    ProgramProcess empty(KYQ_PROGRAM, {}, home_.LogFile());
    EXPECT_TRUE(empty.EndsCleanly(15s)) << Log();

    // With the document: the running instance asks for its password, the sender waits.
    ProgramProcess second(KYQ_PROGRAM, {document}, home_.LogFile());
    std::string prompt;
    ASSERT_TRUE(WaitFor([&] { return !(prompt = VisibleWindow("检查文档“handed.kyq”的密码")).empty(); },
                        30s))
        << Log();
    EXPECT_TRUE(second.Running());

    ASSERT_TRUE(SendTo(prompt, "type --delay 30 pw"));
    ASSERT_TRUE(RunCommand("xdotool key Return"));
    EXPECT_TRUE(second.EndsCleanly(15s)) << Log();
    EXPECT_TRUE(WaitFor([&] { return !VisibleWindow("Keyquill - handed.kyq").empty(); }, 10s))
        << Log();

    // SIGTERM: the unchanged document closes without a question and the program ends.
    first.Signal(SIGTERM);
    EXPECT_TRUE(first.EndsCleanly(15s)) << Log();
    EXPECT_FALSE(std::filesystem::exists(instance_ / "Handle.dat"));
}

// A box that ends the start (usage, a bad command line) ends at SIGTERM as the program does,
// in a first start and in a second one.
TEST_F(SingleInstanceEndToEnd, BoxOfTheStartEndsOnSigterm)
{
    std::unique_ptr<ProgramProcess> running;
    for (const char* argument : {"--help", "--no-such-switch"}) {
        SCOPED_TRACE(argument);
        const size_t before = VisibleWindows("^Keyquill$").size();
        ProgramProcess start(KYQ_PROGRAM, {argument}, home_.LogFile());
        ASSERT_TRUE(WaitFor([&] { return VisibleWindows("^Keyquill$").size() > before; }, 30s))
            << Log();
        start.Signal(SIGTERM);
        EXPECT_TRUE(start.EndsCleanly(15s)) << Log();
        // The second round meets a running instance.
        if (!running) {
            running = std::make_unique<ProgramProcess>(KYQ_PROGRAM, std::vector<std::string>{},
                                                       home_.LogFile());
            ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(instance_ / "Handle.dat"); },
                                30s))
                << Log();
            ASSERT_TRUE(WaitFor([&] { return !VisibleWindows("^Keyquill$").empty(); }, 30s));
        }
    }
}

// Runs `look` with DISPLAY set to `display`, as a user of that display would look.
template <typename F>
auto OnDisplay(const std::string& display, F look)
{
    const std::string own = std::getenv("DISPLAY");
    setenv("DISPLAY", display.c_str(), 1);
    auto result = look();
    setenv("DISPLAY", own.c_str(), 1);
    return result;
}

TEST_F(SingleInstanceEndToEnd, TwoDisplaysOfOneUserEachRunTheirOwnInstance)
{
    XvfbServer other;
    ASSERT_TRUE(other.Running());
    const std::string mine = std::getenv("DISPLAY");
    const std::string theirs = other.DisplayName();
    const std::string documentA = home_.MakeDocument("north.kyq", u"pw");
    const std::string documentB = home_.MakeDocument("south.kyq", u"pw");
    const std::filesystem::path folderB = OnDisplay(theirs, [&] { return home_.InstanceFolder(); });
    ASSERT_NE(folderB, instance_);

    ProgramProcess first(KYQ_PROGRAM, {}, home_.LogFile());
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(instance_ / "Handle.dat"); }, 30s))
        << Log();
    ProgramProcess firstThere(KYQ_PROGRAM, {}, home_.LogFile(), theirs);
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(folderB / "Handle.dat"); }, 30s))
        << Log();
    EXPECT_TRUE(firstThere.Running());

    // Each start's document goes to the instance of its own display, and only there.
    ProgramProcess secondThere(KYQ_PROGRAM, {documentB}, home_.LogFile(), theirs);
    ASSERT_TRUE(WaitFor([&] {
        return OnDisplay(theirs, [] { return !VisibleWindow("检查文档“south.kyq”的密码").empty(); });
    }, 30s)) << Log();
    ProgramProcess second(KYQ_PROGRAM, {documentA}, home_.LogFile());
    std::string prompt;
    ASSERT_TRUE(WaitFor([&] { return !(prompt = VisibleWindow("检查文档“north.kyq”的密码")).empty(); },
                        30s))
        << Log();
    EXPECT_TRUE(VisibleWindow("south.kyq").empty());
    EXPECT_TRUE(OnDisplay(theirs, [] { return VisibleWindow("north.kyq").empty(); }));

    ASSERT_TRUE(SendTo(prompt, "type --delay 30 pw"));
    ASSERT_TRUE(RunCommand("xdotool key Return"));
    EXPECT_TRUE(second.EndsCleanly(15s)) << Log();
    EXPECT_TRUE(secondThere.Running());
    // The other display has no window manager to answer its prompt through: it just goes.
    secondThere.Signal(SIGKILL);
    firstThere.Signal(SIGKILL);
}

}  // namespace
}  // namespace kyq::test
