// The program's start on the offscreen platform: first and second starts in one process
// (the second one's blocking send on a thread of its own), the command-line cases, the
// installed-version cases, and the hand-over through the real channel with the save prompt
// and the password prompt of the running instance.
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <sstream>

#include "platform/FillDesktop.h"
#include "core/document/DocumentFormat.h"
#include "core/settings/AppSettings.h"
#include "core/settings/Registry.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/StartUpRules.h"
#include "gui/GuiFixture.h"
#include "gui/autofill/HotKeyWatcherFilter.h"
#include "gui/credentials/Asking.h"
#include "gui/main/frmMain.h"
#include "gui/shell/DesktopPlatform.h"
#include "gui/shell/Splash.h"
#include "app/StartUp.h"
#include "platform/HandOverFiles.h"
#include "platform/qt/HandOverChannel.h"
#include "support/ScriptedMessageService.h"

namespace kyq::test {
namespace {

class StillDesktop final : public FillDesktop {
public:
    FillWindow Foreground() override { return FillWindow{0x5a00011}; }
    bool Activate(const FillWindow&) override { return true; }
    bool HasFocus(const FillWindow&) override { return true; }
    size_t FirstUntypeable(std::u16string_view) override { return AllTypeable; }
    bool TypePiece(std::u16string_view, const std::function<bool()>&) override { return true; }
};

struct Launch {
    std::string Program;
    std::vector<std::string> Arguments;
};

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        instance_ = Folder() + "/run/";
        ASSERT_EQ(mkdir(instance_.c_str(), 0700), 0);
    }

    void TearDown() override
    {
        for (auto& start : starts_) {
            if (start->MainWindow())
                start->MainWindow()->UnloadForms();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        starts_.clear();
    }

    // Ends every start so far as a user would, which lets the next one be a first start.
    void EndStarts()
    {
        for (auto& start : starts_) {
            if (start->MainWindow()) {
                start->MainWindow()->UnloadForms();
                EXPECT_TRUE(start->MainWindow()->Form_Unload());
            }
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        starts_.clear();
    }

    std::string Folder() const { return dir_.path().toStdString(); }

    // A start with its own scripted boxes; `messages` receives them.
    StartUp& Make(ScriptedMessageService** messages = nullptr)
    {
        auto service = std::make_unique<ScriptedMessageService>();
        if (messages)
            *messages = service.get();
        StartUpOptions options;
        options.ProgramFolder = Folder() + "/program/";
        options.RegistryFolder = Folder() + "/registry";
        options.InstanceFolder = instance_;
        options.MakePlatform = [](KyqApp& app, frmMain& main, const std::string& folder) {
            auto platform =
                std::make_unique<DesktopPlatform>(app, main, std::make_unique<StillDesktop>());
            platform->SetInstanceFolder(folder);
            return platform;
        };
        options.RegisterForms = [this](frmMain&, MainWindowRules&) { ++registered_; };
        options.StartProgram = [this](const std::string& program,
                                      const std::vector<std::string>& arguments) {
            launches_.push_back({program, arguments});
            return startSucceeds_;
        };
        options.SendHandOver = [](const std::string& folder, uint64_t window,
                                  const std::string& text) {
            return SendHandOverMessage(folder, window, HandOverOpenKind, 0, 0,
                                       QByteArray::fromStdString(text));
        };
        options.SendFillRequest = [](const std::string& folder, uint64_t window) {
            return SendHandOverMessage(folder, window, HandOverFillKind, 0, 0);
        };
        options.PauseBeforeRetry = [this] { return pause_ ? pause_() : false; };
        starts_.push_back(std::make_unique<StartUp>(std::move(options), std::move(service)));
        return *starts_.back();
    }

    // Settings of the current user and the installation record ("" = none), as a test
    // starts with.
    void SetInstalledVersion(const std::string& version, const std::string& path)
    {
        KyqApp app(Folder() + "/program/", Folder() + "/registry",
                   std::make_unique<ScriptedMessageService>());
        if (!version.empty()) {
            EXPECT_TRUE(WriteTextValue(app.Registry, Hive::LocalMachine, "Software\\Tarnwick\\KYQ",
                           "Version", version));
            EXPECT_TRUE(WriteTextValue(app.Registry, Hive::LocalMachine, "Software\\Tarnwick\\KYQ", "Path",
                           path));
        }
        // A value of the older layout: taken over only by a migration.
        EXPECT_TRUE(WriteTextValue(app.Registry, Hive::CurrentUser, "Software\\Tarnwick\\KYQ", "CloseMin",
                       "No"));
    }

    std::string ReadRecord(const std::string& name)
    {
        KyqApp app(Folder() + "/program/", Folder() + "/registry",
                   std::make_unique<ScriptedMessageService>());
        return ReadTextValue(app.Registry, Hive::LocalMachine, "Software\\Tarnwick\\KYQ", name);
    }

    std::string MakeDocument(const std::string& name, const std::u16string& password = u"pw")
    {
        PasswordDocument doc;
        doc.OwnerName() = u"主人";
        doc.DocumentPassword() = password;
        doc.AppendEntry(RecordChangedToday(u"邮箱", u"me", u"secret"));
        const std::string path = Folder() + "/" + name;
        EXPECT_TRUE(WriteDocument(doc, path));
        return path;
    }

    static Asking* PromptOf(StartUp& start)
    {
        return qobject_cast<Asking*>(start.MainWindow()->FindForm(QStringLiteral("Asking")));
    }

    static void Answer(Asking* prompt, const std::u16string& password)
    {
        Type(prompt, "txtPass", password);
        Press(prompt, "Command1");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A first start whose splash has closed; with a document open when one is given.
    StartUp& RunningInstance(ScriptedMessageService** messages, const std::string& document = {})
    {
        StartUp& first = Make(messages);
        EXPECT_EQ(first.Run(document), StartOutcome::Running);
        first.SplashWindow()->CloseSplash();
        if (!document.empty()) {
            Asking* prompt = PromptOf(first);
            EXPECT_NE(prompt, nullptr);
            if (prompt)
                Answer(prompt, u"pw");
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return first;
    }

    QTemporaryDir dir_;
    std::string instance_;
    std::vector<std::unique_ptr<StartUp>> starts_;
    std::vector<Launch> launches_;
    bool startSucceeds_ = true;
    int registered_ = 0;
    // What a second start does between two tries to reach the running instance.
    std::function<bool()> pause_;
};

TEST_F(StartUpTest, FirstStartBringsUpSplashHiddenWindowAndItsFiles)
{
    ScriptedMessageService* boxes = nullptr;
    StartUp& start = Make(&boxes);
    ASSERT_EQ(start.Run(""), StartOutcome::Running);
    EXPECT_FALSE(start.IsSecondInstance());
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_EQ(registered_, 1);

    ASSERT_NE(start.SplashWindow(), nullptr);
    EXPECT_TRUE(start.SplashWindow()->isVisible());
    EXPECT_TRUE(In<QTimer>(start.SplashWindow(), "Timer1")->isActive());
    EXPECT_TRUE(In<QTimer>(start.SplashWindow(), "Timer2")->isActive());
    ASSERT_NE(start.MainWindow(), nullptr);
    EXPECT_FALSE(start.MainWindow()->isVisible());

    // Handle.dat names the main window, which answers on the hand-over channel.
    const auto window = static_cast<uint64_t>(start.MainWindow()->winId());
    EXPECT_EQ(ReadHandleFile(instance_), window);
    EXPECT_TRUE(QFile::exists(HandOverChannelPath(instance_, window)));

    // The splash's end shows the main window; nothing was pending.
    Expire(start.SplashWindow(), "Timer1");
    EXPECT_TRUE(start.MainWindow()->isVisible());
    EXPECT_EQ(PromptOf(start), nullptr);
    EXPECT_EQ(start.App().Document.Path, "");

    // Unload: Handle.dat goes, the channel closes.
    ASSERT_TRUE(start.MainWindow()->Form_Unload());
    EXPECT_FALSE(Exists(instance_ + "Handle.dat"));
    EXPECT_FALSE(SendHandOverMessage(instance_, window, HandOverOpenKind, 0, 0).has_value());
}

// The installed-version record decides between asking, migrating and carrying on; which
// version counts as newer is InstalledMajorVersion's rule (StartUpRulesTest).
TEST_F(StartUpTest, InstalledVersionRecordAsksMigratesOrCarriesOn)
{
    const std::string doc = MakeDocument("a.kyq");
    struct Case {
        const char* name;
        std::string version;  // "" = no record
        std::optional<MsgAnswer> answer;
        bool startSucceeds;
        StartOutcome outcome;
        size_t launches;
        bool migrated;
    };
    const Case cases[] = {
        {"this version", "2.01.0026", {}, true, StartOutcome::Running, 0, false},
        {"no record", "", {}, true, StartOutcome::Running, 0, true},
        {"newer, yes", "3.00.0001", MsgAnswer::Yes, true, StartOutcome::Ended, 1, false},
        {"newer, no", "3.00.0001", MsgAnswer::No, true, StartOutcome::Running, 0, false},
        // The newer program cannot be started: this one runs instead of leaving nothing.
        {"newer, start fails", "3.00.0001", MsgAnswer::Yes, false, StartOutcome::Running, 1,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EndStarts();
        std::filesystem::remove_all(Folder() + "/registry");
        launches_.clear();
        startSucceeds_ = c.startSucceeds;
        SetInstalledVersion(c.version, "/opt/kyq3/");

        ScriptedMessageService* boxes = nullptr;
        StartUp& start = Make(&boxes);
        if (c.answer)
            boxes->Answers.push_back(*c.answer);
        EXPECT_EQ(start.Run(doc), c.outcome);
        ASSERT_EQ(boxes->Boxes.size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(boxes->Boxes[0].Text, NewerVersionQuestion);
            EXPECT_EQ(boxes->Boxes[0].Buttons, MsgButtons::YesNo);
        }
        ASSERT_EQ(launches_.size(), c.launches);
        if (c.launches) {
            EXPECT_EQ(launches_[0].Program, "/opt/kyq3/KYQ");
            EXPECT_EQ(launches_[0].Arguments, std::vector<std::string>{doc});
        }
        EXPECT_EQ(start.MainWindow() != nullptr, c.outcome == StartOutcome::Running);
        EXPECT_EQ(start.SplashWindow() != nullptr, c.outcome == StartOutcome::Running);
        if (c.outcome == StartOutcome::Running) {
            // The old layout's "No" is taken only by a migration.
            EXPECT_EQ(start.App().Settings.CloseMin, !c.migrated);
        }
        // Migrated once: the record names this version and the old value is gone, so the
        // next start finds the current layout.
        const std::string oldValue = [&] {
            KyqApp check(Folder() + "/program/", Folder() + "/registry",
                         std::make_unique<ScriptedMessageService>());
            return ReadTextValue(check.Registry, Hive::CurrentUser, "Software\\Tarnwick\\KYQ",
                                 "CloseMin");
        }();
        EXPECT_EQ(oldValue, c.migrated ? "" : "No");
        if (c.migrated) {
            EXPECT_EQ(ReadRecord("Version"), "2.01.0026");
            EXPECT_EQ(ReadRecord("Path"), Folder() + "/program/");
        }
    }
}

// "/?" anywhere shows the usage, and a name that is no file the usage after it (the texts:
// StartUpRulesTest), for a first start over the splash and the hidden window, and for a
// second start without disturbing the running one.
TEST_F(StartUpTest, HelpSwitchOrMissingFileShowsItsBoxAndEnds)
{
    const std::string missing = Folder() + "/无此文件.kyq";
    struct Case {
        const char* name;
        bool second;
        std::string commandLine;
        std::u16string text;
        MsgIcon icon;
    };
    const Case cases[] = {
        {"help", false, "/?", UsageText(), MsgIcon::Information},
        {"help after a name", false, "x /?", UsageText(), MsgIcon::Information},
        {"missing file", false, missing, InvalidCommandText(missing), MsgIcon::Warning},
        {"second start, help", true, "/?", UsageText(), MsgIcon::Information},
        {"second start, missing file", true, missing, InvalidCommandText(missing),
         MsgIcon::Warning},
    };
    ScriptedMessageService* firstBoxes = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.second && !firstBoxes)
            RunningInstance(&firstBoxes);
        ScriptedMessageService* boxes = nullptr;
        StartUp& start = Make(&boxes);
        bool splashUp = false;
        bool windowHidden = false;
        boxes->WhileShown = [&](const RecordedBox&) {
            splashUp = start.SplashWindow() && start.SplashWindow()->isVisible();
            windowHidden = start.MainWindow() && !start.MainWindow()->isVisible();
        };
        EXPECT_EQ(start.Run(c.commandLine), StartOutcome::Ended);
        EXPECT_EQ(start.IsSecondInstance(), c.second);
        ASSERT_EQ(boxes->Boxes.size(), 1u);
        EXPECT_EQ(boxes->Boxes[0].Text, c.text);
        EXPECT_EQ(boxes->Boxes[0].Icon, c.icon);
        if (!c.second) {
            EXPECT_TRUE(splashUp);
            EXPECT_TRUE(windowHidden);
            EndStarts();
        }
    }
    ASSERT_NE(firstBoxes, nullptr);
    EXPECT_TRUE(firstBoxes->Boxes.empty());
}

TEST_F(StartUpTest, CommandLineFileOpensWhenTheSplashCloses)
{
    const std::string doc = MakeDocument("文档 一.kyq");
    ScriptedMessageService* boxes = nullptr;
    StartUp& start = Make(&boxes);
    ASSERT_EQ(start.Run(doc), StartOutcome::Running);
    EXPECT_EQ(start.App().Settings.InitDir, Folder());
    EXPECT_EQ(start.SplashWindow()->PendingDocument, doc);
    // Nothing is open until the splash closes.
    EXPECT_EQ(PromptOf(start), nullptr);
    EXPECT_EQ(start.App().Document.Path, "");

    Expire(start.SplashWindow(), "Timer2");
    EXPECT_TRUE(start.MainWindow()->isVisible());
    EXPECT_EQ(PromptOf(start), nullptr);
    Expire(start.SplashWindow(), "Timer1");
    Asking* prompt = PromptOf(start);
    ASSERT_NE(prompt, nullptr);
    Answer(prompt, u"pw");
    EXPECT_EQ(start.App().Document.Path, doc);
    EXPECT_EQ(start.App().Document.EntryCount(), 1);
}

TEST_F(StartUpTest, AutoLoadOpensTheLastFileOnlyWhenItExists)
{
    const std::string doc = MakeDocument("last.kyq");
    auto setLastFile = [&](const std::string& path) {
        KyqApp app(Folder() + "/program/", Folder() + "/registry",
                   std::make_unique<ScriptedMessageService>());
        app.LoadSettings();
        app.Settings.AutoLoad = true;
        app.Settings.LastFile = path;
        app.SaveSettings();
    };
    setLastFile(doc);
    ScriptedMessageService* boxes = nullptr;
    StartUp& start = Make(&boxes);
    ASSERT_EQ(start.Run(""), StartOutcome::Running);
    EXPECT_EQ(start.SplashWindow()->PendingDocument, doc);
    start.MainWindow()->UnloadForms();
    ASSERT_TRUE(start.MainWindow()->Form_Unload());
    starts_.clear();

    std::filesystem::remove(doc);
    StartUp& again = Make(&boxes);
    ASSERT_EQ(again.Run(""), StartOutcome::Running);
    EXPECT_EQ(again.SplashWindow()->PendingDocument, "");
    again.SplashWindow()->CloseSplash();
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_EQ(PromptOf(again), nullptr);
}

// The second start runs on a thread of its own: its send waits for the running instance,
// whose handler needs this thread's event loop.
struct SecondStart {
    std::shared_ptr<std::atomic<pid_t>> thread = std::make_shared<std::atomic<pid_t>>(0);
    std::future<StartOutcome> outcome;
    bool Done() const
    {
        return outcome.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
    // Asleep in the kernel, which is where a sender waiting for its reply is; one whose
    // reply has arrived is woken and runs to its end.
    bool Asleep() const
    {
        const pid_t tid = thread->load();
        if (tid == 0)
            return false;
        std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
        const std::string stat((std::istreambuf_iterator<char>(in)), {});
        const size_t name = stat.rfind(')');
        return name != std::string::npos && name + 2 < stat.size() && stat[name + 2] == 'S';
    }
};

SecondStart RunAside(StartUp& start, const std::string& commandLine)
{
    SecondStart aside;
    aside.outcome = std::async(std::launch::async, [&start, commandLine, tid = aside.thread] {
        tid->store(static_cast<pid_t>(syscall(SYS_gettid)));
        return start.Run(commandLine);
    });
    return aside;
}

// "--fill" is the hot key of a desktop that lets the program watch no keys: it reaches the
// running instance, which opens the fill dialog, and the start ends at once; without an
// instance the user is told, and no window comes up.
TEST_F(StartUpTest, FillSwitchOpensTheRunningInstancesFillDialogOrSaysThereIsNone)
{
    ScriptedMessageService* lonelyBoxes = nullptr;
    StartUp& lonely = Make(&lonelyBoxes);
    EXPECT_EQ(lonely.Run("--fill"), StartOutcome::Ended);
    EXPECT_EQ(lonely.MainWindow(), nullptr);
    EXPECT_EQ(lonelyBoxes->Texts(), std::vector<std::u16string>{NoInstanceForFillText});
    EndStarts();

    ScriptedMessageService* boxes = nullptr;
    StartUp& first = RunningInstance(&boxes, MakeDocument("current.kyq"));
    auto& platform = static_cast<DesktopPlatform&>(first.App().Platform());
    ASSERT_EQ(platform.HotKeyFilter().FillDialog(), nullptr);
    ScriptedMessageService* secondBoxes = nullptr;
    SecondStart aside = RunAside(Make(&secondBoxes), "--fill");
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform.HotKeyFilter().FillDialog() != nullptr; },
                                10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return aside.Done(); }, 10000));
    EXPECT_EQ(aside.outcome.get(), StartOutcome::Ended);
    EXPECT_TRUE(secondBoxes->Texts().empty());
    EXPECT_EQ(first.App().Session.FillTarget.id, 0x5a00011u);
}

// A "--fill" start hands over before the GUI exists; only a window that takes it ends it.
TEST_F(StartUpTest, EarlyFillRequestEndsTheStartOnlyWhenTaken)
{
    struct Case { uint64_t handle; std::optional<int64_t> reply; bool taken; };
    for (const Case& c : {Case{0, 1, false}, Case{7, std::nullopt, false}, Case{7, 0, true}}) {
        SCOPED_TRACE(c.handle);
        ASSERT_TRUE(c.handle ? WriteHandleFile(instance_, c.handle).has_value()
                             : RemoveHandleFile(instance_).has_value());
        std::vector<uint64_t> windows;
        EXPECT_EQ(HandFillRequestOver(instance_, [&](const std::string& folder, uint64_t window) {
                      EXPECT_EQ(folder, instance_);
                      windows.push_back(window);
                      return c.reply;
                  }), c.taken);
        EXPECT_EQ(windows, c.handle ? std::vector<uint64_t>{c.handle} : std::vector<uint64_t>{});
    }
}

class HandOverTest : public StartUpTest,
                     public ::testing::WithParamInterface<MsgAnswer> {};

TEST_P(HandOverTest, ModifiedDocumentIsOfferedForSavingFirst)
{
    const MsgAnswer answer = GetParam();
    const std::string current = MakeDocument("current.kyq");
    const std::string next = MakeDocument("next,one.kyq", u"other");
    ScriptedMessageService* boxes = nullptr;
    StartUp& first = RunningInstance(&boxes, current);
    ASSERT_EQ(first.App().Document.Path, current);
    first.App().Document.Modified = true;
    first.MainWindow()->TrayShow_Click();  // hidden in the tray
    const std::string before = ReadBytes(current);
    boxes->Answers.push_back(answer);
    boxes->Boxes.clear();

    ScriptedMessageService* secondBoxes = nullptr;
    StartUp& second = Make(&secondBoxes);
    SecondStart aside = RunAside(second, next);

    if (answer == MsgAnswer::Cancel) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return aside.Done(); }, 10000));
        EXPECT_EQ(first.App().Document.Path, current);
        EXPECT_TRUE(first.App().Document.Modified);
        EXPECT_EQ(PromptOf(first), nullptr);
    } else {
        ASSERT_TRUE(QTest::qWaitFor([&] { return PromptOf(first) != nullptr; }, 10000));
        EXPECT_EQ(first.App().Document.Path, next);
        // The sender waits while the password prompt is up: a reply would have been
        // written before the prompt showed, and would have woken it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return aside.Done() || aside.Asleep(); }, 10000));
        EXPECT_FALSE(aside.Done());
        Answer(PromptOf(first), u"other");
        ASSERT_TRUE(QTest::qWaitFor([&] { return aside.Done(); }, 10000));
        EXPECT_EQ(first.App().Document.Path, next);
        EXPECT_EQ(first.App().Document.EntryCount(), 1);
        EXPECT_EQ(ReadBytes(current) != before, answer == MsgAnswer::Yes);
    }
    EXPECT_EQ(aside.outcome.get(), StartOutcome::Ended);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].Text, u"将改动保存到current.kyq吗？");
    // Shown from the tray in every case.
    EXPECT_TRUE(first.MainWindow()->isVisible());
    EXPECT_TRUE(secondBoxes->Boxes.empty());
}

// A start without a file brings the running instance's window back from the tray: ending
// without a word would leave a user whose tray has gone no way to the program.
TEST_F(StartUpTest, SecondStartWithoutArgumentsShowsTheRunningWindow)
{
    ScriptedMessageService* firstBoxes = nullptr;
    StartUp& first = RunningInstance(&firstBoxes);
    first.MainWindow()->TrayShow_Click();  // hidden in the tray
    ASSERT_FALSE(first.MainWindow()->isVisible());

    ScriptedMessageService* boxes = nullptr;
    StartUp& second = Make(&boxes);
    SecondStart aside = RunAside(second, "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return aside.Done(); }, 10000));
    EXPECT_EQ(aside.outcome.get(), StartOutcome::Ended);
    EXPECT_TRUE(second.IsSecondInstance());
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_EQ(second.MainWindow(), nullptr);
    EXPECT_TRUE(first.MainWindow()->isVisible());
    EXPECT_FALSE(first.MainWindow()->IsHiddenInTray());
    EXPECT_TRUE(firstBoxes->Boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, HandOverTest,
                         ::testing::Values(MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel));

// During the splash: a file named when the program was started is asked for first and
// the handed-over one after it; the last file, which start-up only meant to reopen, gives
// way to the handed-over one.
TEST_F(StartUpTest, HandOverDuringTheSplashWaitsForTheNamedFileOnly)
{
    const std::string pending = MakeDocument("pending.kyq");
    const std::string handed = MakeDocument("handed.kyq");
    struct Case {
        const char* what;
        bool autoLoad;
        std::vector<std::string> prompts;
    };
    const Case cases[] = {
        {"named on the command line", false, {pending, handed}},
        {"the last file", true, {handed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EndStarts();
        ScriptedMessageService* boxes = nullptr;
        StartUp& first = Make(&boxes);
        if (c.autoLoad) {
            KyqApp app(Folder() + "/program/", Folder() + "/registry",
                       std::make_unique<ScriptedMessageService>());
            app.LoadSettings();
            app.Settings.AutoLoad = true;
            app.Settings.LastFile = pending;
            app.SaveSettings();
        }
        ASSERT_EQ(first.Run(c.autoLoad ? "" : pending), StartOutcome::Running);
        ASSERT_EQ(first.SplashWindow()->PendingDocument, pending);
        QPointer<Splash> splash = first.SplashWindow();

        first.App().HandleEventNow(HandOverEvent{HandOverCommandText(handed), "", {}});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(splash.isNull() || splash->IsUnloaded());
        for (const std::string& expected : c.prompts) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return PromptOf(first) != nullptr; }, 10000));
            EXPECT_EQ(first.App().Document.Path, expected);
            Answer(PromptOf(first), u"pw");
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(first.App().Document.Path, handed);
        EXPECT_EQ(PromptOf(first), nullptr);
        EXPECT_TRUE(boxes->Boxes.empty());
    }
}

TEST_F(StartUpTest, HandedOverTextItemRules)
{
    ScriptedMessageService* boxes = nullptr;
    StartUp& first = RunningInstance(&boxes);
    const std::string comma = MakeDocument("a,b.kyq");
    MakeDocument("a");  // what the unquoted name is cut to
    // The text is read with the item rule (CommandLineItemTest); the prompt asks for the
    // document named, and is cancelled here.
    auto handOver = [&](const std::string& text) {
        first.App().HandleEventNow(HandOverEvent{text, "", {}});
        Asking* prompt = PromptOf(first);
        const std::string asked = prompt ? first.App().Document.Path : std::string();
        if (prompt)
            Press(prompt, "Command2");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return asked;
    };
    EXPECT_EQ(handOver("  \"" + comma + "\"\r\n"), comma);
    EXPECT_EQ(handOver(comma + "\r\n"), Folder() + "/a");
    // No file named: the window comes back from the tray, nothing opens.
    first.MainWindow()->TrayShow_Click();
    EXPECT_EQ(handOver("   \r\n"), "");
    EXPECT_TRUE(first.MainWindow()->isVisible());
    EXPECT_EQ(handOver(""), "");
    EXPECT_TRUE(boxes->Boxes.empty());
}

TEST_F(StartUpTest, EndOfSessionWithModifiedDocument)
{
    const std::string doc = MakeDocument("doc.kyq");
    ScriptedMessageService* boxes = nullptr;
    StartUp& first = RunningInstance(&boxes, doc);
    first.App().Document.Modified = true;
    const auto window = static_cast<uint64_t>(first.MainWindow()->winId());

    // Cancel keeps the program running as it was.
    boxes->Answers.push_back(MsgAnswer::Cancel);
    first.App().HandleEventNow(EndSessionEvent{});
    EXPECT_FALSE(first.MainWindow()->IsUnloaded());
    EXPECT_TRUE(Exists(instance_ + "Handle.dat"));
    EXPECT_TRUE(QFile::exists(HandOverChannelPath(instance_, window)));
    EXPECT_EQ(first.App().Document.Path, doc);

    // No: the program unloads without saving.
    const std::string before = ReadBytes(doc);
    boxes->Answers.push_back(MsgAnswer::No);
    first.App().HandleEventNow(EndSessionEvent{});
    EXPECT_TRUE(first.MainWindow()->IsUnloaded());
    EXPECT_FALSE(Exists(instance_ + "Handle.dat"));
    EXPECT_EQ(ReadBytes(doc), before);
    EXPECT_EQ(boxes->Boxes.size(), 2u);
}

TEST_F(StartUpTest, StaleFilesNeverBlockAStart)
{
    // What a crashed instance leaves: Handle.dat naming a window nobody answers for. The
    // lock went with the process.
    ASSERT_TRUE(WriteHandleFile(instance_, 0x3c00007));
    ScriptedMessageService* boxes = nullptr;
    StartUp& start = Make(&boxes);
    ASSERT_EQ(start.Run(""), StartOutcome::Running);
    EXPECT_FALSE(start.IsSecondInstance());
    EXPECT_EQ(ReadHandleFile(instance_), static_cast<uint64_t>(start.MainWindow()->winId()));
}

// The running instance has no window yet (Handle.dat is not written) and then ends
// without ever answering: the second start does not end, it waits and then becomes the
// program itself, with its own file.
TEST_F(StartUpTest, ASecondStartWhoseInstanceEndsUnheardOpensItsFileItself)
{
    auto lock = std::make_unique<InstanceLock>(instance_);
    ASSERT_EQ(lock->TryAcquire(), InstanceLock::State::Acquired);
    const std::string doc = MakeDocument("early.kyq");
    int pauses = 0;
    pause_ = [&] {
        if (++pauses == 3)
            lock.reset();  // the other instance ends
        return true;
    };
    ScriptedMessageService* boxes = nullptr;
    StartUp& second = Make(&boxes);
    EXPECT_EQ(second.Run(doc), StartOutcome::Running);
    EXPECT_EQ(pauses, 3);
    EXPECT_FALSE(second.IsSecondInstance());
    ASSERT_NE(second.SplashWindow(), nullptr);
    EXPECT_EQ(second.SplashWindow()->PendingDocument, doc);
    EXPECT_TRUE(boxes->Boxes.empty());
}

// One that never answers at all: after the wait the user is told that the file was not
// opened, instead of the start ending without a word.
TEST_F(StartUpTest, ASecondStartThatIsNeverAnsweredSaysSo)
{
    InstanceLock lock(instance_);
    ASSERT_EQ(lock.TryAcquire(), InstanceLock::State::Acquired);
    const std::string doc = MakeDocument("unheard.kyq");
    ScriptedMessageService* boxes = nullptr;
    StartUp& second = Make(&boxes);
    EXPECT_EQ(second.Run(doc), StartOutcome::Ended);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_NE(boxes->Boxes[0].Text.find(u"unheard.kyq"), std::u16string::npos);
}

}  // namespace
}  // namespace kyq::test
