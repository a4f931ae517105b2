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
    // A box that ends the start ends at SIGTERM as the program does.
    ProgramProcess help(KYQ_PROGRAM, {"/?"}, home_.LogFile());
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow("^Keyquill$").empty(); }, 30s)) << Log();
    help.Signal(SIGTERM);
    EXPECT_TRUE(help.EndsCleanly(15s)) << Log();

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

TEST_F(SingleInstanceEndToEnd, TwoDisplaysOfOneUserEachRunTheirOwnInstance)
{
    XvfbServer other;
    ASSERT_TRUE(other.Running());
    const std::string mine = std::getenv("DISPLAY"), theirs = other.DisplayName();
    const auto onTheirs = [&](const std::string& title) {
        return Capture("DISPLAY=" + theirs + " xdotool search --onlyvisible --name '" + title + "'");
    };
    ProgramProcess first(KYQ_PROGRAM, {}, home_.LogFile());
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(instance_ / "Handle.dat"); }, 30s));
    // Each start's document opens on its own display, and only there.
    setenv("DISPLAY", theirs.c_str(), 1);
    ProgramProcess there(KYQ_PROGRAM, {home_.MakeDocument("south.kyq", u"pw")}, home_.LogFile());
    setenv("DISPLAY", mine.c_str(), 1);
    ProgramProcess here(KYQ_PROGRAM, {home_.MakeDocument("north.kyq", u"pw")}, home_.LogFile());
    EXPECT_TRUE(WaitFor([&] { return !onTheirs("south.kyq").empty(); }, 30s)) << Log();
    EXPECT_TRUE(WaitFor([&] { return !VisibleWindow("north.kyq").empty(); }, 30s)) << Log();
    EXPECT_TRUE(VisibleWindow("south.kyq").empty());
    EXPECT_TRUE(onTheirs("north.kyq").empty());
    there.Signal(SIGKILL);  // no window manager there to answer its prompt through
}

}  // namespace
}  // namespace kyq::test
