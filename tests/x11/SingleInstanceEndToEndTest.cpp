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

#include "core/document/DocumentFormat.h"
#include "core/document/PasswordDocument.h"
#include "x11/DesktopDriver.h"
#include "x11/DesktopSession.h"
#include "x11/ProgramProcess.h"

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

}  // namespace
}  // namespace kyq::test
