// The program's start on the offscreen platform: first and second starts in one process
// (the second one's blocking send on a thread of its own), the command-line cases, the
// installed-version cases, and the hand-over through the real channel with the save prompt
// and the password prompt of the running instance.
#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "core/autofill/FillDesktop.h"
#include "core/document/DocumentFormat.h"
#include "core/settings/AppSettings.h"
#include "core/settings/Registry.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/StartUpRules.h"
#include "gui/GuiFixture.h"
#include "gui/credentials/Asking.h"
#include "gui/main/frmMain.h"
#include "gui/shell/DesktopPlatform.h"
#include "gui/shell/ShellMessageFilter.h"
#include "gui/shell/Splash.h"
#include "gui/shell/StartUp.h"
#include "platform/HandOverFiles.h"
#include "platform/qt/HandOverChannel.h"
#include "support/ScriptedMessageService.h"

namespace kyq::test {
namespace {

class StillDesktop final : public FillDesktop {
public:
    uint64_t Foreground() override { return 0x5a00011; }
    bool Activate(uint64_t) override { return true; }
    void Type(const std::u16string&) override {}
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
        options.MakePlatform = [](KyqApp& app, const std::string& folder) {
            auto platform =
                std::make_unique<DesktopPlatform>(app, std::make_unique<StillDesktop>());
            platform->SetInstanceFolder(folder);
            return platform;
        };
        options.RegisterForms = [this](frmMain&) { ++registered_; };
        options.StartProgram = [this](const std::string& program,
                                      const std::vector<std::string>& arguments) {
            launches_.push_back({program, arguments});
            return startSucceeds_;
        };
        options.SendHandOver = [](uint64_t window) {
            return SendHandOverMessage(window, WM_HANDOVER, 0, 0);
        };
        starts_.push_back(std::make_unique<StartUp>(std::move(options), std::move(service)));
        return *starts_.back();
    }

    // Settings of the current user and the installation record, as a test starts with.
    void SetInstalledVersion(const std::string& version, const std::string& path = "/opt/kyq/")
    {
        KyqApp app(Folder() + "/program/", Folder() + "/registry",
                   std::make_unique<ScriptedMessageService>());
        WriteTextValue(app.Registry, Hive::LocalMachine, "Software\\Tarnwick\\KYQ", "Version",
                       version);
        WriteTextValue(app.Registry, Hive::LocalMachine, "Software\\Tarnwick\\KYQ", "Path", path);
        // A value of the older layout: taken over only by a migration.
        WriteTextValue(app.Registry, Hive::CurrentUser, "Software\\Tarnwick\\KYQ", "CloseMin",
                       "No");
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
        // Changed today: no expiry reminder joins the boxes.
        const std::chrono::year_month_day today{
            std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())};
        doc.AppendEntry(Entry(u"邮箱", u"me", u"secret", static_cast<int16_t>(int(today.year())),
                              static_cast<uint8_t>(unsigned(today.month())),
                              static_cast<uint8_t>(unsigned(today.day()))));
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
        prompt->txtPass->setText(QString::fromStdU16String(password));
        prompt->Command1_Click();
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
    EXPECT_TRUE(start.SplashWindow()->Timer1->isActive());
    EXPECT_TRUE(start.SplashWindow()->Timer2->isActive());
    ASSERT_NE(start.MainWindow(), nullptr);
    EXPECT_FALSE(start.MainWindow()->isVisible());

    // Handle.dat names the main window, which answers on the hand-over channel.
    EXPECT_EQ(ReadHandleFile(instance_), static_cast<uint64_t>(start.MainWindow()->winId()));
    auto& platform = static_cast<DesktopPlatform&>(start.App().Platform());
    EXPECT_TRUE(platform.TakingHandOvers());
    ASSERT_NE(platform.ShellFilter(), nullptr);
    EXPECT_TRUE(platform.ShellFilter()->Installed());

    // The splash's end shows the main window; nothing was pending.
    start.SplashWindow()->Timer1_Timer();
    EXPECT_TRUE(start.MainWindow()->isVisible());
    EXPECT_EQ(PromptOf(start), nullptr);
    EXPECT_EQ(start.App().Document.Path, "");

    // Unload: Handle.dat goes, the channel closes.
    ASSERT_TRUE(start.MainWindow()->Form_Unload());
    EXPECT_FALSE(Exists(instance_ + "Handle.dat"));
    EXPECT_FALSE(platform.TakingHandOvers());
    EXPECT_FALSE(platform.ShellFilter()->Installed());
}

TEST_F(StartUpTest, VersionOfThisProgramNeitherAsksNorMigrates)
{
    SetInstalledVersion("2.01.0026");
    ScriptedMessageService* boxes = nullptr;
    StartUp& start = Make(&boxes);
    ASSERT_EQ(start.Run(""), StartOutcome::Running);
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_TRUE(start.App().Settings.CloseMin);  // the old layout's "No" was not taken
    EXPECT_TRUE(launches_.empty());
}

TEST_F(StartUpTest, NoVersionMigratesAndWritesThisVersion)
{
    ScriptedMessageService* boxes = nullptr;
    {
        KyqApp app(Folder() + "/program/", Folder() + "/registry",
                   std::make_unique<ScriptedMessageService>());
        WriteTextValue(app.Registry, Hive::CurrentUser, "Software\\Tarnwick\\KYQ", "CloseMin",
                       "No");
    }
    StartUp& start = Make(&boxes);
    ASSERT_EQ(start.Run(""), StartOutcome::Running);
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_FALSE(start.App().Settings.CloseMin);
    EXPECT_EQ(ReadRecord("Version"), "2.01.0026");
    EXPECT_EQ(ReadRecord("Path"), Folder() + "/program/");
    // Migrated once: the old value is gone, so the next start finds the current layout.
    KyqApp check(Folder() + "/program/", Folder() + "/registry",
                 std::make_unique<ScriptedMessageService>());
    EXPECT_EQ(ReadTextValue(check.Registry, Hive::CurrentUser, "Software\\Tarnwick\\KYQ",
                            "CloseMin"),
              "");
}

TEST_F(StartUpTest, NewerVersionAsksAndYesStartsItWithTheCommandLine)
{
    SetInstalledVersion("3.00.0001", "/opt/kyq3/");
    const std::string doc = MakeDocument("a.kyq");
    ScriptedMessageService* boxes = nullptr;
    StartUp& start = Make(&boxes);
    boxes->Answers.push_back(MsgAnswer::Yes);
    EXPECT_EQ(start.Run(doc), StartOutcome::Ended);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].Text, NewerVersionQuestion);
    EXPECT_EQ(boxes->Boxes[0].Buttons, MsgButtons::YesNo);
    EXPECT_EQ(boxes->Boxes[0].Title, u"Keyquill");
    ASSERT_EQ(launches_.size(), 1u);
    EXPECT_EQ(launches_[0].Program, "/opt/kyq3/KYQ");
    EXPECT_EQ(launches_[0].Arguments, std::vector<std::string>{doc});
    EXPECT_EQ(start.MainWindow(), nullptr);
    EXPECT_EQ(start.SplashWindow(), nullptr);
}

TEST_F(StartUpTest, NewerVersionNoOrAFailedStartCarriesOn)
{
    SetInstalledVersion("3.00.0001", "/opt/kyq3/");
    ScriptedMessageService* boxes = nullptr;
    StartUp& no = Make(&boxes);
    boxes->Answers.push_back(MsgAnswer::No);
    EXPECT_EQ(no.Run(""), StartOutcome::Running);
    EXPECT_TRUE(launches_.empty());
    EXPECT_TRUE(no.App().Settings.CloseMin);  // no migration for a newer record
    ASSERT_TRUE(no.MainWindow()->Form_Unload());
    starts_.clear();

    // The newer program cannot be started: this one runs instead of leaving nothing.
    SetInstalledVersion("3.00.0001", "/nowhere/");
    startSucceeds_ = false;
    StartUp& failed = Make(&boxes);
    boxes->Answers.push_back(MsgAnswer::Yes);
    EXPECT_EQ(failed.Run(""), StartOutcome::Running);
    EXPECT_EQ(launches_.size(), 1u);
    EXPECT_NE(failed.MainWindow(), nullptr);
}

TEST_F(StartUpTest, HelpSwitchShowsUsageOverSplashAndHiddenWindowThenEnds)
{
    ScriptedMessageService* boxes = nullptr;
    StartUp& start = Make(&boxes);
    bool splashUp = false;
    bool windowHidden = false;
    boxes->WhileShown = [&](const RecordedBox&) {
        splashUp = start.SplashWindow() && start.SplashWindow()->isVisible();
        windowHidden = start.MainWindow() && !start.MainWindow()->isVisible();
    };
    EXPECT_EQ(start.Run("/?"), StartOutcome::Ended);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].Text, UsageText());
    EXPECT_EQ(boxes->Boxes[0].Icon, MsgIcon::Information);
    EXPECT_TRUE(splashUp);
    EXPECT_TRUE(windowHidden);
}

TEST_F(StartUpTest, MissingFileWarnsUnlessTheHelpSwitchOccurs)
{
    ScriptedMessageService* boxes = nullptr;
    StartUp& help = Make(&boxes);
    EXPECT_EQ(help.Run("x /?"), StartOutcome::Ended);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].Text, UsageText());
    starts_.clear();

    StartUp& missing = Make(&boxes);
    const std::string name = Folder() + "/无此文件.kyq";
    EXPECT_EQ(missing.Run(name), StartOutcome::Ended);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].Text, u"无效的命令或找不到此文件：" +
                                        QString::fromStdString(name).toStdU16String() +
                                        u"\r\n\r\n" + UsageText());
    EXPECT_EQ(boxes->Boxes[0].Icon, MsgIcon::Warning);
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

    start.SplashWindow()->Timer2_Timer();
    EXPECT_TRUE(start.MainWindow()->isVisible());
    EXPECT_EQ(PromptOf(start), nullptr);
    start.SplashWindow()->Timer1_Timer();
    Asking* prompt = PromptOf(start);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->windowTitle(), QStringLiteral("检查文档“文档 一.kyq”的密码"));
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

TEST_F(StartUpTest, SecondStartWithoutArgumentsEndsSilently)
{
    ScriptedMessageService* firstBoxes = nullptr;
    StartUp& first = RunningInstance(&firstBoxes);
    first.MainWindow()->TrayShow_Click();  // hidden in the tray
    ASSERT_FALSE(first.MainWindow()->isVisible());

    ScriptedMessageService* boxes = nullptr;
    StartUp& second = Make(&boxes);
    EXPECT_EQ(second.Run(""), StartOutcome::Ended);
    EXPECT_TRUE(second.IsSecondInstance());
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_EQ(second.MainWindow(), nullptr);
    EXPECT_FALSE(Exists(instance_ + "Command.dat"));
    QTest::qWait(50);
    EXPECT_FALSE(first.MainWindow()->isVisible());
}

TEST_F(StartUpTest, SecondStartWithHelpOrMissingFileOnlyShowsItsBox)
{
    ScriptedMessageService* firstBoxes = nullptr;
    RunningInstance(&firstBoxes);
    ScriptedMessageService* boxes = nullptr;
    StartUp& help = Make(&boxes);
    EXPECT_EQ(help.Run("/?"), StartOutcome::Ended);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].Text, UsageText());

    StartUp& missing = Make(&boxes);
    EXPECT_EQ(missing.Run(Folder() + "/gone.kyq"), StartOutcome::Ended);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].Icon, MsgIcon::Warning);
    EXPECT_FALSE(Exists(instance_ + "Command.dat"));
    EXPECT_TRUE(firstBoxes->Boxes.empty());
}

// The second start runs on a thread of its own: its send waits for the running instance,
// whose handler needs this thread's event loop.
struct SecondStart {
    std::future<StartOutcome> outcome;
    bool Done() const
    {
        return outcome.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
};

SecondStart RunAside(StartUp& start, const std::string& commandLine)
{
    return SecondStart{std::async(std::launch::async, [&start, commandLine] {
        return start.Run(commandLine);
    })};
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
        // The sender waits while the password prompt is up.
        QTest::qWait(100);
        EXPECT_FALSE(aside.Done());
        Asking* prompt = PromptOf(first);
        EXPECT_EQ(prompt->windowTitle(), QStringLiteral("检查文档“next,one.kyq”的密码"));
        Answer(prompt, u"other");
        ASSERT_TRUE(QTest::qWaitFor([&] { return aside.Done(); }, 10000));
        EXPECT_EQ(first.App().Document.Path, next);
        EXPECT_EQ(first.App().Document.EntryCount(), 1);
        EXPECT_EQ(ReadBytes(current) != before, answer == MsgAnswer::Yes);
    }
    EXPECT_EQ(aside.outcome.get(), StartOutcome::Ended);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].Text, u"将改动保存到current.kyq吗？");
    // Shown from the tray in every case; Command.dat taken in every case.
    EXPECT_TRUE(first.MainWindow()->isVisible());
    EXPECT_EQ(first.MainWindow()->Menus.TrayShow->text(), QStringLiteral("隐藏窗口"));
    EXPECT_FALSE(Exists(instance_ + "Command.dat"));
    EXPECT_TRUE(secondBoxes->Boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, HandOverTest,
                         ::testing::Values(MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel));

TEST_F(StartUpTest, HandOverDuringTheSplashReplacesItsPendingDocument)
{
    const std::string pending = MakeDocument("pending.kyq");
    const std::string handed = MakeDocument("handed.kyq");
    ScriptedMessageService* boxes = nullptr;
    StartUp& first = Make(&boxes);
    ASSERT_EQ(first.Run(pending), StartOutcome::Running);
    QPointer<Splash> splash = first.SplashWindow();

    ASSERT_TRUE(WriteCommandFile(instance_, HandOverCommandText(handed)));
    first.App().SendMessage(WindowMessage{WM_HANDOVER, 0, 0});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull() || splash->IsUnloaded());
    Asking* prompt = PromptOf(first);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->windowTitle(), QStringLiteral("检查文档“handed.kyq”的密码"));
    Answer(prompt, u"pw");
    EXPECT_EQ(first.App().Document.Path, handed);
    // The splash's timer is gone with it: nothing else opens.
    QTest::qWait(50);
    EXPECT_EQ(PromptOf(first), nullptr);
}

TEST_F(StartUpTest, CommandFileItemRules)
{
    ScriptedMessageService* boxes = nullptr;
    StartUp& first = RunningInstance(&boxes);
    const std::string comma = MakeDocument("a,b.kyq");
    MakeDocument("a");  // what the unquoted name is cut to
    auto handOver = [&](const std::string& text) {
        std::ofstream(instance_ + "Command.dat", std::ios::binary) << text;
        first.App().SendMessage(WindowMessage{WM_HANDOVER, 0, 0});
        EXPECT_FALSE(Exists(instance_ + "Command.dat"));
        Asking* prompt = PromptOf(first);
        const QString title = prompt ? prompt->windowTitle() : QString();
        if (prompt)
            prompt->Command2_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return title;
    };
    // Quoted: opened without its quotes, comma kept.
    EXPECT_EQ(handOver("  \"" + comma + "\"\r\n"), QStringLiteral("检查文档“a,b.kyq”的密码"));
    // Unquoted: cut at the comma.
    EXPECT_EQ(handOver(comma + "\r\n"), QStringLiteral("检查文档“a”的密码"));
    // Empty: nothing happens; the window stays hidden.
    first.MainWindow()->TrayShow_Click();
    EXPECT_EQ(handOver("   \r\n"), QString());
    EXPECT_FALSE(first.MainWindow()->isVisible());
    EXPECT_EQ(handOver(""), QString());
    EXPECT_TRUE(boxes->Boxes.empty());
}

TEST_F(StartUpTest, EndOfSessionWithModifiedDocument)
{
    const std::string doc = MakeDocument("doc.kyq");
    ScriptedMessageService* boxes = nullptr;
    StartUp& first = RunningInstance(&boxes, doc);
    first.App().Document.Modified = true;
    auto& platform = static_cast<DesktopPlatform&>(first.App().Platform());

    // Cancel keeps the program running as it was.
    boxes->Answers.push_back(MsgAnswer::Cancel);
    first.App().SendMessage(WindowMessage{WM_QUERYENDSESSION, 0, 0});
    EXPECT_FALSE(first.MainWindow()->IsUnloaded());
    EXPECT_TRUE(Exists(instance_ + "Handle.dat"));
    EXPECT_TRUE(platform.ShellFilter()->Installed());
    EXPECT_TRUE(platform.TakingHandOvers());
    EXPECT_EQ(first.App().Document.Path, doc);

    // No: the program unloads without saving.
    const std::string before = ReadBytes(doc);
    boxes->Answers.push_back(MsgAnswer::No);
    first.App().SendMessage(WindowMessage{WM_QUERYENDSESSION, 0, 0});
    EXPECT_TRUE(first.MainWindow()->IsUnloaded());
    EXPECT_FALSE(Exists(instance_ + "Handle.dat"));
    EXPECT_EQ(ReadBytes(doc), before);
    EXPECT_EQ(boxes->Boxes.size(), 2u);
}

TEST_F(StartUpTest, StaleFilesNeverBlockAStart)
{
    // What a crashed instance leaves: Handle.dat naming a window nobody answers for, an
    // old Command.dat. The lock went with the process.
    ASSERT_TRUE(WriteHandleFile(instance_, 0x3c00007));
    ASSERT_TRUE(WriteCommandFile(instance_, "\"/old/file.kyq\""));
    ScriptedMessageService* boxes = nullptr;
    StartUp& start = Make(&boxes);
    ASSERT_EQ(start.Run(""), StartOutcome::Running);
    EXPECT_FALSE(start.IsSecondInstance());
    EXPECT_EQ(ReadHandleFile(instance_), static_cast<uint64_t>(start.MainWindow()->winId()));
}

TEST_F(StartUpTest, SecondStartWhileTheFirstHasNoWindowLeavesCommandFile)
{
    // The lock is held but Handle.dat is not written yet.
    InstanceLock lock(instance_);
    ASSERT_EQ(lock.TryAcquire(), InstanceLock::State::Acquired);
    const std::string doc = MakeDocument("early.kyq");
    ScriptedMessageService* boxes = nullptr;
    StartUp& second = Make(&boxes);
    EXPECT_EQ(second.Run(doc), StartOutcome::Ended);
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_EQ(TakeCommandFile(instance_), "\"" + doc + "\"\r\n");
}

}  // namespace
}  // namespace kyq::test
