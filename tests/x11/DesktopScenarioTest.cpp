// What a user lives through in a desktop with a window manager and a tray, with the real
// program: quitting through the save prompt, minimising to the tray and back, a document
// handed over by the file manager while a dialog is open, undo after a save, and a file
// that a sync client replaced while it was open.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "x11/DesktopDriver.h"
#include "x11/DesktopSession.h"
#include "x11/ProgramProcess.h"
#include "x11/XvfbServer.h"

namespace kyq::test {
namespace {

using namespace std::chrono_literals;

[[maybe_unused]] auto* const g_desktop =
    ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

constexpr char SavePrompt[] = "^Keyquill$";  // the save prompt's caption; the window's is longer

class DesktopScenario : public ::testing::Test {
protected:
    // Starts the program, waits for its main window and closes the splash with a click,
    // as an impatient user does.
    std::unique_ptr<ProgramProcess> Start(const std::vector<std::string>& arguments)
    {
        auto program = std::make_unique<ProgramProcess>(KYQ_PROGRAM, arguments, home_.LogFile());
        // Splash and main window both carry the plain caption until a document is open.
        EXPECT_TRUE(WaitFor([&] { return VisibleWindows("^Keyquill$").size() >= 2; }, 30s))
            << home_.Log();
        // The splash sits in the middle of the screen, above everything.
        RunCommand("xdotool mousemove 640 512 click 1");
        return program;
    }

    // Starts the program with `document` and answers its password prompt.
    std::unique_ptr<ProgramProcess> Open(const std::string& document, const std::string& name)
    {
        auto program = Start({document});
        std::string prompt;
        EXPECT_TRUE(WaitFor([&] { return !(prompt = VisibleWindow("检查文档“" + name)).empty(); },
                            30s))
            << home_.Log();
        EXPECT_TRUE(SendTo(prompt, "type --delay 20 pw"));
        EXPECT_TRUE(RunCommand("xdotool key Return"));
        EXPECT_TRUE(WaitFor([&] { return !MainWindow(name).empty(); }, 30s)) << home_.Log();
        return program;
    }

    std::string MainWindow(const std::string& name) const
    {
        return VisibleWindow("^Keyquill - " + name + "$");
    }

    // Deletes the record on the tree's first record row, answering 是.
    void DeleteFirstRecord(const std::string& main)
    {
        // The tree starts at (8, 83) inside the window; the root row comes first.
        ASSERT_TRUE(SendTo(main, "mousemove --window " + main + " 40 111 click 1"));
        ASSERT_TRUE(RunCommand("xdotool key Delete"));
        std::string confirm;
        ASSERT_TRUE(WaitFor([&] { return !(confirm = VisibleWindow("^确定删除$")).empty(); }, 10s));
        ASSERT_TRUE(SendTo(confirm, "key Return"));
        ASSERT_TRUE(WaitFor([&] { return VisibleWindow("^确定删除$").empty(); }, 10s));
    }

    ProgramHome home_{"kyq-desktop"};
};

// Every way of quitting with unsaved changes asks first, and whatever the answer, the
// process ends and the next start comes up.
TEST_F(DesktopScenario, QuitThroughTheSavePromptEndsTheProgram)
{
    struct Case {
        const char* how;     // "menu": Ctrl+Q; "signal": SIGTERM
        const char* answer;  // the key pressed at the save prompt
        bool saved;
    };
    for (const Case c : {Case{"menu", "alt+y", true}, Case{"signal", "alt+n", false}}) {
        SCOPED_TRACE(std::string(c.how) + " " + c.answer);
        const std::string document = home_.MakeDocument("quit.kyq", u"pw");
        const std::string before = ReadText(document);
        auto program = Open(document, "quit.kyq");
        const std::string main = MainWindow("quit.kyq");
        DeleteFirstRecord(main);

        if (std::string(c.how) == "menu")
            ASSERT_TRUE(SendTo(main, "key ctrl+q"));
        else
            program->Signal(SIGTERM);
        std::string prompt;
        ASSERT_TRUE(WaitFor([&] { return !(prompt = VisibleWindow(SavePrompt)).empty(); }, 10s))
            << home_.Log();
        ASSERT_TRUE(SendTo(prompt, std::string("key ") + c.answer));
        EXPECT_TRUE(program->EndsCleanly(15s)) << home_.Log();
        EXPECT_FALSE(std::filesystem::exists(home_.InstanceFolder() / "Handle.dat"));
        EXPECT_EQ(ReadText(document) != before, c.saved);

        // The next start is a first start again: it shows its window.
        auto next = Start({});
        EXPECT_TRUE(WaitFor([&] { return !VisibleWindow("^Keyquill$").empty(); }, 10s));
        next->Signal(SIGTERM);
        EXPECT_TRUE(next->EndsCleanly(15s)) << home_.Log();
    }
}

TEST_F(DesktopScenario, MinimisingHidesInTheTrayAndTheTrayBringsTheWindowBack)
{
    auto program = Start({});
    std::string main;
    ASSERT_TRUE(WaitFor([&] { return VisibleWindows("^Keyquill$").size() == 1; }, 10s));
    main = VisibleWindow("^Keyquill$");
    const std::string size = WindowSize(main);

    ASSERT_TRUE(RunCommand("xdotool windowminimize " + main));
    // Unmapped, not a frame left on the screen.
    EXPECT_TRUE(WaitFor([&] { return !IsViewable(main); }, 10s));

    // The tray icon is the program's 22x22 window inside the notification area.
    const std::string icon = Capture(
        "xwininfo -root -tree | awk '/\"Keyquill\": \\(\"KYQ\" \"Keyquill\"\\)  22x22/ {print $1; exit}'");
    ASSERT_FALSE(icon.empty());
    ASSERT_TRUE(RunCommand("xdotool mousemove --window " + icon.substr(0, icon.size() - 1) +
                           " 11 11 click --repeat 2 --delay 80 1"));
    EXPECT_TRUE(WaitFor([&] { return IsViewable(main); }, 10s));
    EXPECT_EQ(WindowSize(main), size);
}

// A file manager opens a second document while 添加密码 is open: nothing is written, the
// password prompt waits for the dialog, and the second start waits for the prompt.
TEST_F(DesktopScenario, HandOverWaitsUntilTheOpenDialogHasClosed)
{
    const std::string first = home_.MakeDocument("first.kyq", u"pw");
    const std::string second = home_.MakeDocument("second.kyq", u"pw");
    const std::string firstBytes = ReadText(first), secondBytes = ReadText(second);
    auto program = Open(first, "first.kyq");
    ASSERT_TRUE(SendTo(MainWindow("first.kyq"), "key ctrl+a"));
    std::string add;
    ASSERT_TRUE(WaitFor([&] { return !(add = VisibleWindow("^添加密码$")).empty(); }, 10s));

    ProgramProcess handOver(KYQ_PROGRAM, {second}, home_.LogFile());
    ASSERT_TRUE(WaitFor([&] { return home_.Log().find("waits for the open dialog") != std::string::npos; },
                        30s))
        << home_.Log();
    EXPECT_TRUE(VisibleWindow("检查文档").empty());
    EXPECT_TRUE(handOver.Running());

    ASSERT_TRUE(SendTo(add, "key Escape"));
    std::string prompt;
    ASSERT_TRUE(WaitFor([&] { return !(prompt = VisibleWindow("检查文档“second.kyq")).empty(); }, 10s))
        << home_.Log();
    EXPECT_TRUE(handOver.Running());
    ASSERT_TRUE(SendTo(prompt, "type --delay 20 pw"));
    ASSERT_TRUE(RunCommand("xdotool key Return"));
    EXPECT_TRUE(handOver.EndsCleanly(15s)) << home_.Log();
    EXPECT_TRUE(WaitFor([&] { return !MainWindow("second.kyq").empty(); }, 10s));
    EXPECT_EQ(ReadText(first), firstBytes);
    EXPECT_EQ(ReadText(second), secondBytes);
}

TEST_F(DesktopScenario, UndoAfterASaveStillAsksToSaveOnClose)
{
    const std::string document = home_.MakeDocument("undo.kyq", u"pw");
    auto program = Open(document, "undo.kyq");
    const std::string main = MainWindow("undo.kyq");
    const std::string original = ReadText(document);
    DeleteFirstRecord(main);
    ASSERT_TRUE(SendTo(main, "key ctrl+s"));
    ASSERT_TRUE(WaitFor([&] { return ReadText(document) != original; }, 10s));
    const std::string saved = ReadText(document);
    ASSERT_TRUE(SendTo(main, "key ctrl+z"));
    ASSERT_TRUE(SendTo(main, "key ctrl+l"));
    std::string prompt;
    ASSERT_TRUE(WaitFor([&] { return !(prompt = VisibleWindow(SavePrompt)).empty(); }, 10s))
        << home_.Log();
    ASSERT_TRUE(SendTo(prompt, "key alt+y"));
    // The record is back in the file.
    EXPECT_TRUE(WaitFor([&] { return ReadText(document) != saved; }, 10s));
}

// A sync client puts another machine's version in place of the open document: Ctrl+S asks
// before writing over it; cancel writes nothing, and "另存为" keeps both versions.
TEST_F(DesktopScenario, ASaveOverAFileReplacedSinceItWasOpenedAsksFirst)
{
    const std::string document = home_.MakeDocument("sync.kyq", u"pw");
    auto program = Open(document, "sync.kyq");
    const std::string main = MainWindow("sync.kyq");
    DeleteFirstRecord(main);
    // The sync client writes its copy beside the file and renames it over, as they do.
    const std::string theirs = home_.MakeDocument("incoming.kyq", u"pw");
    std::filesystem::rename(theirs, document);
    const std::string theirBytes = ReadText(document);

    std::string question;
    auto asked = [&] {
        question.clear();
        return SendTo(main, "key ctrl+s") &&
               WaitFor([&] { return !(question = VisibleWindow(SavePrompt)).empty(); }, 10s);
    };
    ASSERT_TRUE(asked()) << home_.Log();
    ASSERT_TRUE(SendTo(question, "key Escape"));
    ASSERT_TRUE(WaitFor([&] { return VisibleWindow(SavePrompt).empty(); }, 10s));
    EXPECT_EQ(ReadText(document), theirBytes);
    // Nothing was written, so the next save finds the other version still there and asks again.
    ASSERT_TRUE(asked()) << home_.Log();
    EXPECT_EQ(ReadText(document), theirBytes);

    ASSERT_TRUE(SendTo(question, "key alt+a"));
    std::string dialog;
    ASSERT_TRUE(WaitFor([&] { return !(dialog = VisibleWindow("^另存为")).empty(); }, 10s)) << home_.Log();
    const std::string mine = (home_.Path() / "sync-mine.kyq").string();
    ASSERT_TRUE(SendTo(dialog, "key ctrl+a"));
    ASSERT_TRUE(SendTo(dialog, "type --delay 20 '" + mine + "'"));
    ASSERT_TRUE(SendTo(dialog, "key Return"));
    EXPECT_TRUE(WaitFor([&] { return !MainWindow("sync-mine.kyq").empty(); }, 10s)) << home_.Log();
    EXPECT_EQ(ReadText(document), theirBytes);
    EXPECT_TRUE(std::filesystem::exists(mine));
    EXPECT_NE(ReadText(mine), theirBytes);
}

}  // namespace
}  // namespace kyq::test
