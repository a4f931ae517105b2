// The program in a Wayland session (headless sway as a user has it, WaylandSession.h): the
// real program on Qt's wayland platform with a document the test wrote, driven through a
// virtual keyboard that stays (kyq_wayland_keys) and swaymsg. The second start hands its file over, the tray
// item is registered, and a sway binding running "KYQ --fill" opens the fill dialog whose
// Enter types the record exactly into a terminal, a Qt window and an X11 terminal under
// Xwayland; a target that does not get the focus back gets nothing, and a fullscreen one
// gets no dialog (it would open behind) while the user is told in the desktop's notification.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/document/DocumentFormat.h"
#include "core/document/PasswordDocument.h"
#include "platform/Utf.h"
#include "support/DocumentTestSupport.h"
#include "wayland/WaylandSession.h"

namespace kyq {
namespace {

using namespace std::chrono_literals;
using test::RecordChangedToday;
using test::WaitUntil;
using test::WaylandSession;

constexpr char DocumentPassword[] = "Doc-pass1";
constexpr char16_t User[] = u"张三_{user}";
constexpr char16_t Password[] = u"密码x^py{}+%~()[]€ü中文";
constexpr char Chord[] = "Ctrl+Alt+p";
// A record whose fill takes long: more different characters than one keymap holds, so its
// password is typed in three chunks, each after a keymap of its own and its pause. Listed
// after "login"; a "z" in the fill dialog's list picks it.
constexpr char16_t LongUser[] = u"李四_long";

std::u16string LongPassword()
{
    std::u16string password = u"Pw";
    for (char16_t i = 0; i < 600; ++i)
        password.push_back(static_cast<char16_t>(0x5000 + i));
    return password;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A process of the session's user that ends with the test.
class SessionProcess {
public:
    SessionProcess(const WaylandSession& session, const std::vector<std::string>& args,
                   const std::filesystem::path& log, const std::vector<std::string>& extra = {})
        : pid_(session.Start(args, log, extra))
    {
    }
    ~SessionProcess()
    {
        if (!ended_)
            WaylandSession::Stop(pid_);
    }
    // True when the process ended within `timeout` with exit status 0.
    bool EndsCleanly(std::chrono::milliseconds timeout)
    {
        if (!ended_)
            ended_ = WaitUntil([&] { return waitpid(pid_, &status_, WNOHANG) == pid_; }, timeout);
        return ended_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
    }
    bool Running() { return !ended_ && waitpid(pid_, &status_, WNOHANG) == 0; }

private:
    pid_t pid_;
    int status_ = 0;
    bool ended_ = false;
};

// One session and one program with its document for the whole suite.
class WaylandEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        session_ = std::make_unique<WaylandSession>();
        if (!session_->Ready())
            return;
        programPath_ = session_->Reachable(KYQ_PROGRAM);
        targetPath_ = session_->Reachable(KYQ_TARGET);
        keysPath_ = session_->Reachable(KYQ_KEYS);
        PasswordDocument doc;
        doc.OwnerName() = u"测试者";
        doc.DocumentPassword() = Utf8ToUtf16(DocumentPassword);
        doc.AppendEntry(RecordChangedToday(u"login", User, Password));
        doc.AppendEntry(RecordChangedToday(u"zlong", LongUser, LongPassword()));
        document_ = session_->Home() / "login.kyq";
        ASSERT_TRUE(WriteDocument(doc, document_.string()));
        std::filesystem::permissions(document_, std::filesystem::perms::all);

        const std::filesystem::path fifo = session_->Home() / "keys.fifo";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
        chmod(fifo.c_str(), 0666);
        acks_ = session_->Home() / "keys.ack";
        keyboard_ = std::make_unique<SessionProcess>(
            *session_, std::vector<std::string>{keysPath_, fifo.string(), acks_.string()},
            session_->Home() / "keys.log");
        keys_ = std::make_unique<std::ofstream>(fifo);  // waits for the reader
    }
    static void TearDownTestSuite()
    {
        program_.reset();
        keys_.reset();
        keyboard_.reset();
        session_.reset();
    }

    // Presses keys on the test's keyboard ("type TEXT" or "chord TEXT", kyq_wayland_keys)
    // and waits until the compositor has them.
    static bool Keys(const std::string& command)
    {
        *keys_ << command << '\n' << std::flush;
        ++sent_;
        return WaitUntil(
            [] {
                const std::string acks = ReadFile(acks_);
                return static_cast<int>(std::count(acks.begin(), acks.end(), '\n')) >= sent_;
            },
            10s) &&
               ReadFile(acks_).find("failed") == std::string::npos;
    }

    void SetUp() override
    {
        ASSERT_TRUE(session_->Ready()) << session_->Problem();
    }

    static std::vector<std::string> ProgramEnvironment()
    {
        return {"KYQ_REGISTRY_DIR=" + (session_->Home() / "registry").string()};
    }
    static std::filesystem::path Log() { return session_->Home() / "kyq.log"; }
    // What the program logged after the log had `offset` bytes.
    static std::string LogSince(size_t offset) { return ReadFile(Log()).substr(offset); }
    static bool MainWindowFocused()
    {
        const std::string focused = session_->Focused();
        return focused.rfind("KYQ|", 0) == 0 && focused.find("login.kyq") != std::string::npos &&
               focused.find("的密码") == std::string::npos;
    }
    static bool FillDialogFocused()
    {
        return session_->Focused().find("选择填写的密码") != std::string::npos;
    }
    // A message box of the program's has the focus: a window of its own that is neither the
    // main window, the fill dialog nor the options.
    static bool BoxFocused()
    {
        const std::string focused = session_->Focused();
        return focused.rfind("KYQ|", 0) == 0 && focused.find("login.kyq") == std::string::npos &&
               focused.find("选择填写的密码") == std::string::npos &&
               focused.find("选项") == std::string::npos;
    }
    static std::string ProgramLog() { return "\n--- the program's log ---\n" + ReadFile(Log()); }

    // The password prompt of the document has the focus: the password and Enter open it.
    static ::testing::AssertionResult EnterDocumentPassword()
    {
        if (!WaitUntil([] { return session_->Focused().find("的密码") != std::string::npos; }, 30s))
            return ::testing::AssertionFailure() << "no password prompt with the focus; focused: "
                                                 << session_->Focused() << ProgramLog();
        if (!Keys(std::string("type ") + DocumentPassword + "\r"))
            return ::testing::AssertionFailure() << "the keyboard failed";
        if (!WaitUntil([] { return session_->Focused().find("login.kyq") != std::string::npos &&
                                   session_->Focused().find("的密码") == std::string::npos; },
                       15s))
            return ::testing::AssertionFailure() << "the document did not open; focused: "
                                                 << session_->Focused() << ProgramLog();
        return ::testing::AssertionSuccess();
    }

    // The program runs with the document open; the fill binding is in place.
    static void StartProgramWithDocument()
    {
        if (program_)
            return;
        program_ = std::make_unique<SessionProcess>(
            *session_, std::vector<std::string>{programPath_, document_.string()}, Log(),
            ProgramEnvironment());
        ASSERT_TRUE(EnterDocumentPassword());
        fillCommand_ = "env";
        for (const std::string& variable : ProgramEnvironment())
            fillCommand_ += " " + variable;
        fillCommand_ += " " + programPath_ + " --fill";
        ASSERT_TRUE(session_->Sway(std::string("bindsym ") + Chord + " exec " + fillCommand_));
    }

    static inline std::unique_ptr<WaylandSession> session_;
    // The programs of the build tree, as the session's user can start them.
    static inline std::string programPath_, targetPath_, keysPath_;
    static inline std::unique_ptr<SessionProcess> program_;
    static inline std::string fillCommand_;  // what the chord's binding runs
    static inline std::filesystem::path document_;
    static inline std::unique_ptr<SessionProcess> keyboard_;
    static inline std::unique_ptr<std::ofstream> keys_;
    static inline std::filesystem::path acks_;
    static inline int sent_ = 0;
};

TEST_F(WaylandEndToEnd, TheTrayItemIsRegisteredAndASecondStartHandsItsFileOver)
{
    StartProgramWithDocument();
    ASSERT_FALSE(HasFatalFailure());
    const auto items = session_->Run(
        "dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher "
        "/StatusNotifierWatcher org.freedesktop.DBus.Properties.Get "
        "string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems");
    ASSERT_TRUE(items.has_value());
    EXPECT_NE(items->find("StatusNotifierItem"), std::string::npos) << *items;

    // The second start's file comes up in the running instance, and the second start waits
    // until its password prompt has been answered.
    SessionProcess second(*session_, {programPath_, document_.string()}, Log(),
                          ProgramEnvironment());
    ASSERT_TRUE(EnterDocumentPassword());
    EXPECT_TRUE(second.EndsCleanly(20s)) << ProgramLog();
    EXPECT_TRUE(program_->Running());
}

// The tray host draws the menu itself, from what the item exports on the session bus.
TEST_F(WaylandEndToEnd, TheTrayMenuIsExportedForTheHostToDraw)
{
    StartProgramWithDocument();
    ASSERT_FALSE(HasFatalFailure());
    const std::string get = "dbus-send --session --print-reply=literal --dest=";
    const auto layout = session_->Run(
        "item=$(" + get + "org.kde.StatusNotifierWatcher /StatusNotifierWatcher "
        "org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "
        "string:RegisteredStatusNotifierItems | grep -o '[^ ]*/StatusNotifierItem') && "
        "menu=$(" + get + "${item%%/*} /${item#*/} org.freedesktop.DBus.Properties.Get "
        "string:org.kde.StatusNotifierItem string:Menu | grep -o '/[^ ]*') && " + get +
        "${item%%/*} $menu com.canonical.dbusmenu.GetLayout int32:0 int32:-1 array:string:");
    ASSERT_TRUE(layout.has_value());
    EXPECT_NE(layout->find("退出"), std::string::npos) << *layout;
}

// "KYQ" without a file brings the running window forward, also from another workspace.
TEST_F(WaylandEndToEnd, ASecondStartWithoutAFileBringsTheWindowForward)
{
    StartProgramWithDocument();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(session_->Sway("workspace 7"));
    ASSERT_TRUE(WaitUntil([] { return session_->Focused().empty(); }, 10s)) << session_->Focused();
    SessionProcess second(*session_, {programPath_}, Log(), ProgramEnvironment());
    EXPECT_TRUE(second.EndsCleanly(20s)) << ProgramLog();
    EXPECT_TRUE(WaitUntil([] { return session_->Focused().find("login.kyq") != std::string::npos; },
                          15s))
        << session_->Focused() << ProgramLog();
}

TEST_F(WaylandEndToEnd, FillRequestWithoutARunningInstanceIsToldAndEnds)
{
    // A runtime folder of its own, so that no running instance is found there.
    const std::filesystem::path runtime = session_->Home() / "no-instance";
    ASSERT_TRUE(session_->Run("mkdir -m 700 -p " + runtime.string()));
    std::vector<std::string> environment = ProgramEnvironment();
    environment.push_back("XDG_RUNTIME_DIR=" + runtime.string());
    environment.push_back("WAYLAND_DISPLAY=" + session_->WaylandSocket().string());
    const std::string before = session_->Focused();
    SessionProcess lonely(*session_, {programPath_, "--fill"}, Log(), environment);
    // The message box takes the focus; Enter dismisses it and the start ends.
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::string now = session_->Focused();
            return now != before && now.rfind("KYQ|", 0) == 0;
        },
        30s))
        << session_->Focused() << ProgramLog();
    EXPECT_FALSE(lonely.EndsCleanly(0ms));
    ASSERT_TRUE(Keys("type \r"));
    EXPECT_TRUE(lonely.EndsCleanly(10s)) << ProgramLog();
}

struct Target {
    const char* name;
    const char* appId;  // as sway reports it
    // Started with OUT replaced by the file that receives what the target gets.
    std::vector<std::string> command;
    std::vector<std::string> environment;
    const char* macro;   // typed into the fill dialog over the last one used
    std::string expected;
};

std::string Raw(const std::string& output)
{
    return "stty raw -echo; cat > " + output;
}

TEST_F(WaylandEndToEnd, BoundHotKeyOpensTheFillDialogAndEnterTypesTheRecordExactly)
{
    StartProgramWithDocument();
    ASSERT_FALSE(HasFatalFailure());
    const std::string user = Utf16ToUtf8(User);
    const std::string password = Utf16ToUtf8(Password);
    // More different characters than one keymap holds (keycodes 9-255): typed with two.
    std::u16string many;
    for (char16_t c = 0; c < 300; ++c)
        many.push_back(static_cast<char16_t>(0x4e00 + c * 7));
    const std::string manyMacro = "^n" + Utf16ToUtf8(many) + "^r";
    const Target targets[] = {
        {"terminal", "kyq-foot", {"foot", "--app-id=kyq-foot", "sh", "-c", "RAW"}, {},
         "^n^t^p^h01^r", user + "\t" + password + "\x01\r"},
        {"X11 terminal, two keymaps (then the next hot key)", "KyqXterm",
         {"xterm", "-class", "KyqXterm", "-e", "sh", "-c", "RAW"}, {}, manyMacro.c_str(),
         user + Utf16ToUtf8(many) + "\r"},
        {"Qt window", "kyq_x11_target", {targetPath_, "OUT"}, {"QT_QPA_PLATFORM=wayland"},
         "^n^t^p^r",
         user + "\n" + password + "\n"},
        {"X11 terminal under Xwayland", "KyqXterm",
         {"xterm", "-class", "KyqXterm", "-e", "sh", "-c", "RAW"}, {},
         "^n^t^p^h01^r", user + "\t" + password + "\x01\r"},
    };
    int round = 0;
    for (const Target& target : targets) {
        SCOPED_TRACE(target.name);
        const std::filesystem::path output =
            session_->Home() / ("target-" + std::to_string(++round) + ".txt");
        std::vector<std::string> command = target.command;
        for (std::string& part : command) {
            if (part == "RAW")
                part = Raw(output.string());
            else if (part == "OUT")
                part = output.string();
        }
        SessionProcess window(*session_, command, session_->Home() / "targets.log",
                              target.environment);
        ASSERT_TRUE(WaitUntil(
            [&] { return session_->Focused().rfind(std::string(target.appId) + "|", 0) == 0; },
            30s))
            << session_->Focused();
        // A terminal's shell makes the file once its line discipline is raw.
        if (command.back().rfind("stty", 0) == 0) {
            ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(output); }, 30s));
        }

        ASSERT_TRUE(Keys("chord p"));
        ASSERT_TRUE(WaitUntil([] { return session_->Focused().rfind("KYQ|", 0) == 0; }, 10s))
            << "the fill dialog has no focus: " << session_->Focused() << ProgramLog();
        // Tab to the fill method, Ctrl+A, the method; Enter.
        ASSERT_TRUE(Keys(std::string("type \t\x01") + target.macro));
        ASSERT_TRUE(Keys("type \r"));
        EXPECT_TRUE(WaitUntil([&] { return ReadFile(output) == target.expected; }, 10s))
            << "received: " << ReadFile(output) << "; focused: " << session_->Focused()
            << ProgramLog();
    }
}

TEST_F(WaylandEndToEnd, ATargetThatDoesNotGetTheFocusBackGetsNothingAndTheUserIsTold)
{
    StartProgramWithDocument();
    ASSERT_FALSE(HasFatalFailure());
    const std::filesystem::path output = session_->Home() / "closed-target.txt";
    SessionProcess window(*session_, {"foot", "--app-id=kyq-gone", "sh", "-c", Raw(output.string())},
                          session_->Home() / "targets.log");
    ASSERT_TRUE(WaitUntil([&] {
        return session_->Focused().rfind("kyq-gone|", 0) == 0 && std::filesystem::exists(output);
    }, 30s));
    ASSERT_TRUE(Keys("chord p"));
    ASSERT_TRUE(WaitUntil([] { return session_->Focused().rfind("KYQ|", 0) == 0; }, 10s))
        << session_->Focused() << ProgramLog();
    const std::string dialog = session_->Focused();
    // The target is closed while the dialog is open: it cannot become active again.
    ASSERT_TRUE(session_->Sway("[app_id=kyq-gone] kill"));
    ASSERT_TRUE(Keys("type \r"));
    // The user is told in a new window of the program's (neither the main window nor the
    // fill dialog); nothing was typed.
    std::string box;
    ASSERT_TRUE(WaitUntil(
        [&] {
            std::istringstream lines(session_->Windows());
            for (std::string line; std::getline(lines, line);) {
                const size_t bar = line.find('|');
                const std::string window = line.substr(bar + 1);
                if (window.rfind("KYQ|", 0) == 0 && window != dialog &&
                    window.find("login.kyq") == std::string::npos) {
                    box = line.substr(0, bar);
                    return true;
                }
            }
            return false;
        },
        10s))
        << session_->Windows() << ProgramLog();
    EXPECT_EQ(ReadFile(output), "");
    ASSERT_TRUE(session_->Sway("[con_id=" + box + "] focus"));
    ASSERT_TRUE(WaitUntil([&] { return session_->Focused() != dialog; }, 10s));
    ASSERT_TRUE(Keys("type \r"));
}

TEST_F(WaylandEndToEnd, AFullscreenTargetGetsNoDialogAndNothingTypedAndTheUserIsTold)
{
    StartProgramWithDocument();
    ASSERT_FALSE(HasFatalFailure());
    // The desktop's notification service: a stand-in that records what it is asked to show.
    SessionProcess notifications(
        *session_, {"python3", "-m", "dbusmock", "--template", "notification_daemon"},
        session_->Home() / "notifications.log");
    const auto shown = [] {
        return session_
            ->Run("dbus-send --session --print-reply --dest=org.freedesktop.Notifications "
                  "/org/freedesktop/Notifications org.freedesktop.DBus.Mock.GetCalls")
            .value_or("");
    };
    ASSERT_TRUE(WaitUntil([&] { return shown().find("array") != std::string::npos; }, 30s))
        << ReadFile(session_->Home() / "notifications.log");

    const std::filesystem::path output = session_->Home() / "fullscreen-target.txt";
    SessionProcess window(*session_, {"foot", "--app-id=kyq-full", "sh", "-c", Raw(output.string())},
                          session_->Home() / "targets.log");
    ASSERT_TRUE(WaitUntil([&] {
        return session_->Focused().rfind("kyq-full|", 0) == 0 && std::filesystem::exists(output);
    }, 30s));
    ASSERT_TRUE(session_->Sway("[app_id=kyq-full] fullscreen enable"));
    ASSERT_TRUE(Keys("chord p"));
    EXPECT_TRUE(WaitUntil([&] { return shown().find("全屏") != std::string::npos; }, 10s))
        << shown() << ProgramLog();
    EXPECT_NE(ReadFile(Log()).find("fullscreen"), std::string::npos) << ProgramLog();

    // No dialog of the program's came up, behind or in front: the Enter the user meant for
    // it reaches the window that has the focus, and the program typed nothing there.
    std::istringstream lines(session_->Windows());
    for (std::string line; std::getline(lines, line);) {
        const std::string shownWindow = line.substr(line.find('|') + 1);
        EXPECT_TRUE(shownWindow.rfind("KYQ|", 0) != 0 ||
                    shownWindow.find("login.kyq") != std::string::npos)
            << line;
    }
    EXPECT_EQ(session_->Focused().rfind("kyq-full|", 0), 0u) << session_->Focused();
    ASSERT_TRUE(Keys("type \r"));
    EXPECT_TRUE(WaitUntil([&] { return !ReadFile(output).empty(); }, 10s));
    EXPECT_EQ(ReadFile(output), "\r");
    EXPECT_TRUE(session_->Sway("[app_id=kyq-full] fullscreen disable"));
}

// The program's own windows are never a fill target. Over the main window the hot key says
// so and opens no fill dialog, so nothing lands in the find box; over the options it does
// nothing at all (the user may be typing a chord there), so no fill's Enter presses its OK.
TEST_F(WaylandEndToEnd, TheProgramsOwnWindowsAreNeverAFillTarget)
{
    StartProgramWithDocument();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(session_->Sway("[app_id=KYQ title=\"login\\.kyq\"] focus"));
    ASSERT_TRUE(WaitUntil(MainWindowFocused, 10s)) << session_->Focused();
    const size_t before = ReadFile(Log()).size();
    ASSERT_TRUE(Keys("chord p"));
    EXPECT_TRUE(WaitUntil(
        [&] {
            return LogSince(before).find("message box: 本程序自己的窗口不能作为填写目标") !=
                   std::string::npos;
        },
        10s))
        << ProgramLog();
    ASSERT_TRUE(WaitUntil(BoxFocused, 10s)) << session_->Focused() << ProgramLog();
    EXPECT_EQ(session_->Windows().find("选择填写的密码"), std::string::npos) << session_->Windows();
    ASSERT_TRUE(Keys("type \r"));
    ASSERT_TRUE(WaitUntil(MainWindowFocused, 10s)) << session_->Focused();
    // Nothing of the record was typed or searched for.
    EXPECT_EQ(LogSince(before).find(Utf16ToUtf8(User)), std::string::npos) << ProgramLog();

    ASSERT_TRUE(Keys("type \x10"));  // Ctrl+P: the options
    ASSERT_TRUE(WaitUntil([] { return session_->Focused().find("选项") != std::string::npos; },
                          10s))
        << session_->Focused();
    // As the binding runs it; it ends once the running instance has the request.
    ASSERT_TRUE(session_->Run(fillCommand_));
    // Esc closes the options when they still have the focus; a fill dialog in front would
    // take it instead and leave the options open.
    ASSERT_TRUE(Keys("type \x1b"));
    EXPECT_TRUE(WaitUntil(MainWindowFocused, 10s)) << session_->Focused() << ProgramLog();
    EXPECT_EQ(session_->Windows().find("选择填写的密码"), std::string::npos) << session_->Windows();
    EXPECT_EQ(session_->Windows().find("选项"), std::string::npos) << session_->Windows();
}

// A fill that loses its target part-way, at several moments of it: the focus is moved to
// another window, a new window opens and takes it, or the target is closed. Not a character
// and no Enter reaches any other window, and whenever the fill stopped the user is told
// why, never sent to check a window that is gone.
TEST_F(WaylandEndToEnd, AFillThatLosesItsTargetStopsAndNothingReachesAnotherWindow)
{
    StartProgramWithDocument();
    ASSERT_FALSE(HasFatalFailure());
    const std::string user = Utf16ToUtf8(LongUser);
    const std::string password = Utf16ToUtf8(LongPassword());
    const std::string whole = user + "\t" + password + "\r";
    // Bytes of the fill in the target when the focus changes: the user name begun, the
    // password begun, half the password, all but the Enter.
    const size_t moments[] = {1, user.size() + 2, user.size() + 1 + password.size() / 2,
                              user.size() + 1 + password.size()};
    enum class Loss { FocusElsewhere, NewWindow, TargetClosed };
    const std::pair<Loss, const char*> losses[] = {
        {Loss::FocusElsewhere, "message box: 填写已停止：目标窗口失去了焦点"},
        {Loss::NewWindow, "message box: 填写已停止：目标窗口失去了焦点"},
        {Loss::TargetClosed, "message box: 填写已停止：目标窗口已关闭"},
    };
    constexpr int Repeats = 2;

    // A workspace of its own: the witness beside the target inherits the focus.
    ASSERT_TRUE(session_->Sway("workspace 8"));
    const std::filesystem::path witnessed = session_->Home() / "witness.txt";
    SessionProcess witness(*session_,
                           {"foot", "--app-id=kyq-witness", "sh", "-c", Raw(witnessed.string())},
                           session_->Home() / "targets.log");
    ASSERT_TRUE(WaitUntil([&] {
        return session_->Focused().rfind("kyq-witness|", 0) == 0 && std::filesystem::exists(witnessed);
    }, 30s));

    int trial = 0, stopped = 0;
    for (int repeat = 0; repeat < Repeats; ++repeat) {
        for (const auto& [loss, told] : losses) {
            for (const size_t moment : moments) {
                ++trial;
                SCOPED_TRACE("trial " + std::to_string(trial) + ", loss " +
                             std::to_string(static_cast<int>(loss)) + ", after byte " +
                             std::to_string(moment));
                const std::string appId = "kyq-target-" + std::to_string(trial);
                const std::filesystem::path output = session_->Home() / (appId + ".txt");
                auto target = std::make_unique<SessionProcess>(
                    *session_,
                    std::vector<std::string>{"foot", "--app-id=" + appId, "sh", "-c",
                                             Raw(output.string())},
                    session_->Home() / "targets.log");
                ASSERT_TRUE(WaitUntil([&] {
                    return session_->Focused().rfind(appId + "|", 0) == 0 &&
                           std::filesystem::exists(output);
                }, 30s)) << session_->Focused();
                const size_t before = ReadFile(Log()).size();
                ASSERT_TRUE(Keys("chord p"));
                ASSERT_TRUE(WaitUntil(FillDialogFocused, 10s)) << session_->Focused() << ProgramLog();
                // "z" picks the long record; Tab to the fill method, Ctrl+A, the method.
                ASSERT_TRUE(Keys("type z\t\x01^n^t^p^r"));
                ASSERT_TRUE(Keys("type \r"));
                ASSERT_TRUE(WaitUntil([&] { return ReadFile(output).size() >= moment; }, 15s))
                    << "received: " << ReadFile(output).size() << " bytes" << ProgramLog();

                std::unique_ptr<SessionProcess> newcomer;
                const std::filesystem::path newcomerOutput =
                    session_->Home() / ("newcomer-" + std::to_string(trial) + ".txt");
                if (loss == Loss::FocusElsewhere) {
                    ASSERT_TRUE(session_->Sway("[app_id=kyq-witness] focus"));
                } else if (loss == Loss::NewWindow) {
                    newcomer = std::make_unique<SessionProcess>(
                        *session_,
                        std::vector<std::string>{"foot", "--app-id=kyq-newcomer", "sh", "-c",
                                                 Raw(newcomerOutput.string())},
                        session_->Home() / "targets.log");
                } else {
                    ASSERT_TRUE(session_->Sway("[app_id=" + appId + "] kill"));
                }
                // Either the fill stopped and the user is told, or it ended before the
                // focus moved and all of it is in the target.
                bool wasTold = false;
                ASSERT_TRUE(WaitUntil([&] {
                    wasTold = LogSince(before).find("message box: 填写已停止") != std::string::npos;
                    return wasTold || ReadFile(output) == whole;
                }, 15s)) << "received: " << ReadFile(output).size() << " bytes" << ProgramLog();
                if (newcomer) {
                    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(newcomerOutput); },
                                          30s));
                }
                if (wasTold) {
                    ++stopped;
                    EXPECT_NE(LogSince(before).find(told), std::string::npos) << ProgramLog();
                    ASSERT_TRUE(WaitUntil(BoxFocused, 10s)) << session_->Focused();
                    ASSERT_TRUE(Keys("type \r"));
                    ASSERT_TRUE(WaitUntil([] { return !BoxFocused(); }, 10s));
                }
                const std::string received = ReadFile(output);
                EXPECT_EQ(whole.rfind(received, 0), 0u) << "received: " << received;
                EXPECT_EQ(ReadFile(witnessed), "");
                if (newcomer) {
                    EXPECT_EQ(ReadFile(newcomerOutput), "");
                }
                newcomer.reset();
                target.reset();
            }
        }
    }
    std::printf("fills stopped part-way: %d of %d\n", stopped, trial);
    EXPECT_GT(stopped, 0);
}

}  // namespace
}  // namespace kyq
