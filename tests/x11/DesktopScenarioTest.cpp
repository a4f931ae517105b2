// What a user lives through in a desktop with a window manager and a tray, with the real
// program: quitting through the save prompt, minimising to the tray and back, a document
// handed over by the file manager while a dialog (the fill dialog too) is open, undo after
// a save, a cancelled open that must not hide unsaved changes, several starts at once, a
// tray that goes away while the window hides in it, and a file that a sync client replaced
// while it was open.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <sstream>
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

    // Answers the password prompt of `name` with "pw"; false when none came.
    bool AnswerPrompt(const std::string& name)
    {
        std::string prompt;
        if (!WaitFor([&] { return !(prompt = VisibleWindow("检查文档“" + name)).empty(); }, 30s))
            return false;
        return SendTo(prompt, "type --delay 20 pw") && RunCommand("xdotool key Return") &&
               WaitFor([&] { return VisibleWindow("检查文档“" + name).empty(); }, 10s);
    }

    // The file named by the password prompt that is up, "" when none came.
    std::string PromptedFile()
    {
        std::string prompt;
        if (!WaitFor([&] { return !(prompt = VisibleWindow("^检查文档“")).empty(); }, 30s))
            return {};
        const std::string title = Capture("xdotool getwindowname " + prompt);
        const size_t open = title.find("“"), close = title.find("”");
        if (open == std::string::npos || close == std::string::npos)
            return {};
        return title.substr(open + std::string("“").size(),
                            close - open - std::string("“").size());
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

    // The tray icon is the program's other window named like it, inside the notification
    // area, whatever size the area gives it: a double click at its centre.
    std::ostringstream mainHex;
    mainHex << "0x" << std::hex << std::stoul(main);
    const std::string icon = Capture(
        "xwininfo -root -tree | awk '/\"Keyquill\": \\(\"KYQ\" \"Keyquill\"\\)/ && $1 != \"" +
        mainHex.str() + "\" { split($5, s, /[x+]/); print $1, int(s[1] / 2), int(s[2] / 2); exit }'");
    std::istringstream fields(icon);
    std::string id;
    int x = 0, y = 0;
    ASSERT_TRUE(fields >> id >> x >> y) << icon;
    ASSERT_TRUE(RunCommand("xdotool mousemove --window " + id + " " + std::to_string(x) + " " +
                           std::to_string(y) + " click --repeat 2 --delay 80 1"));
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

// 否 at the save prompt means "not now": an open that does not happen (here the file dialog
// cancelled) brings the document back with its change still unsaved, so closing asks again
// and 是 then writes it.
TEST_F(DesktopScenario, ACancelledOpenKeepsTheChangesUnsaved)
{
    const std::string document = home_.MakeDocument("keep.kyq", u"pw");
    const std::string original = ReadText(document);
    auto program = Open(document, "keep.kyq");
    const std::string main = MainWindow("keep.kyq");
    DeleteFirstRecord(main);

    ASSERT_TRUE(SendTo(main, "key ctrl+o"));
    std::string prompt;
    ASSERT_TRUE(WaitFor([&] { return !(prompt = VisibleWindow(SavePrompt)).empty(); }, 10s));
    ASSERT_TRUE(SendTo(prompt, "key alt+n"));
    std::string files;
    ASSERT_TRUE(WaitFor([&] { return !(files = VisibleWindow("^打开文件")).empty(); }, 10s));
    ASSERT_TRUE(SendTo(files, "key Escape"));
    ASSERT_TRUE(WaitFor([&] { return !MainWindow("keep.kyq").empty(); }, 10s));

    ASSERT_TRUE(SendTo(MainWindow("keep.kyq"), "key ctrl+l"));
    ASSERT_TRUE(WaitFor([&] { return !(prompt = VisibleWindow(SavePrompt)).empty(); }, 10s))
        << "closing did not ask: the change was marked as saved";
    ASSERT_TRUE(SendTo(prompt, "key alt+y"));
    EXPECT_TRUE(WaitFor([&] { return ReadText(document) != original; }, 10s));
}

// The fill dialog is up over a terminal when the file manager opens another document: the
// document under the dialog stays open until the dialog has closed.
TEST_F(DesktopScenario, HandOverWaitsForTheFillDialog)
{
    const std::string first = home_.MakeDocument("listed.kyq", u"pw");
    const std::string second = home_.MakeDocument("other.kyq", u"pw");
    auto program = Open(first, "listed.kyq");
    const std::filesystem::path typed = home_.Path() / "typed.txt";
    ProgramProcess terminal("/usr/bin/xterm", {"-T", "fill-target", "-e", "sh", "-c",
                                      "stty raw -echo; exec cat > " + typed.string()},
                            home_.LogFile());
    std::string target;
    ASSERT_TRUE(WaitFor([&] { return !(target = VisibleWindow("^fill-target$")).empty(); }, 20s));
    ASSERT_TRUE(SendTo(target, "keydown ctrl keydown alt keydown p keyup p keyup alt keyup ctrl"));
    std::string fill;
    ASSERT_TRUE(WaitFor([&] { return !(fill = VisibleWindow("^选择填写的密码$")).empty(); }, 10s))
        << home_.Log();

    ProgramProcess handOver(KYQ_PROGRAM, {second}, home_.LogFile());
    ASSERT_TRUE(WaitFor([&] { return home_.Log().find("waits for the open dialog") != std::string::npos; },
                        30s))
        << home_.Log();
    EXPECT_FALSE(MainWindow("listed.kyq").empty());
    EXPECT_TRUE(VisibleWindow("检查文档").empty());
    EXPECT_TRUE(handOver.Running());

    ASSERT_TRUE(SendTo(fill, "key Escape"));
    EXPECT_TRUE(AnswerPrompt("other.kyq")) << home_.Log();
    EXPECT_TRUE(handOver.EndsCleanly(15s)) << home_.Log();
    EXPECT_EQ(ReadText(typed), "");
}

// Two starts at the same moment with no instance running (a file manager opening two
// files), then five quick ones to the instance: every file is asked for, one prompt after
// another, and every start ends once its file was asked for.
TEST_F(DesktopScenario, EveryStartAtOnceGetsItsPrompt)
{
    std::vector<std::string> names;
    for (int i = 0; i < 7; ++i) {
        names.push_back("s" + std::to_string(i) + ".kyq");
        home_.MakeDocument(names.back(), u"pw");
    }
    std::vector<std::unique_ptr<ProgramProcess>> starts;
    for (int i = 0; i < 2; ++i)
        starts.push_back(std::make_unique<ProgramProcess>(
            KYQ_PROGRAM, std::vector<std::string>{(home_.Path() / names[i]).string()},
            home_.LogFile()));
    std::vector<std::string> asked;
    for (int i = 0; i < 2; ++i) {
        asked.push_back(PromptedFile());
        ASSERT_TRUE(AnswerPrompt(asked.back())) << home_.Log();
    }
    for (int i = 2; i < 7; ++i)
        starts.push_back(std::make_unique<ProgramProcess>(
            KYQ_PROGRAM, std::vector<std::string>{(home_.Path() / names[i]).string()},
            home_.LogFile()));
    for (int i = 2; i < 7; ++i) {
        asked.push_back(PromptedFile());
        ASSERT_TRUE(AnswerPrompt(asked.back())) << home_.Log();
    }
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, names) << home_.Log();
    // One of the first two is the running instance; all the others have ended cleanly.
    int running = 0;
    for (auto& start : starts) {
        if (WaitFor([&] { return !start->Running(); }, 10s))
            continue;
        ++running;
    }
    EXPECT_EQ(running, 1);
}

// The window hides in the tray (its close box, with 关闭主窗口时退到后台运行 on), then the
// panel with the tray quits: the window comes back by itself, and a start without a file
// brings it to the front as well.
TEST_F(DesktopScenario, ATrayThatGoesAwayGivesTheWindowBack)
{
    auto program = Start({});
    ASSERT_TRUE(WaitFor([&] { return VisibleWindows("^Keyquill$").size() == 1; }, 10s));
    const std::string main = VisibleWindow("^Keyquill$");
    ASSERT_TRUE(SendTo(main, "key alt+F4"));
    ASSERT_TRUE(WaitFor([&] { return !IsViewable(main); }, 10s));

    auto& desktop = static_cast<DesktopEnvironment*>(g_desktop)->Desktop();
    desktop.StopTray();
    EXPECT_TRUE(WaitFor([&] { return IsViewable(main); }, 15s)) << home_.Log();
    ASSERT_TRUE(desktop.StartTray());

    // Hidden in the (new) tray again, a start without a file shows it.
    ASSERT_TRUE(WaitFor([&] { return Capture("xwininfo -root -tree").find("\"Keyquill\": (\"KYQ\"") !=
                                      std::string::npos; },
                        15s));
    ASSERT_TRUE(SendTo(main, "key alt+F4"));
    ASSERT_TRUE(WaitFor([&] { return !IsViewable(main); }, 10s));
    ProgramProcess again(KYQ_PROGRAM, {}, home_.LogFile());
    EXPECT_TRUE(again.EndsCleanly(15s)) << home_.Log();
    EXPECT_TRUE(WaitFor([&] { return IsViewable(main); }, 10s));
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
