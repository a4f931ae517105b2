#include "app/StartUp.h"

#include "gui/credentials/CredentialForms.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <system_error>
#include <thread>

#include "core/document/PathText.h"
#include "core/settings/FillHistory.h"
#include "core/workflow/DamagedSettings.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/MainWindowPlatform.h"
#include "core/workflow/MessageService.h"
#include "core/workflow/HandOverDelivery.h"
#include "core/workflow/StartUpRules.h"
#include "core/workflow/MainWindowRules.h"
#include "gui/main/frmMain.h"
#include "gui/shell/SignalBridge.h"
#include "gui/shell/Splash.h"
#include "gui/shell/X11HookEvents.h"
#include "platform/HandOverFiles.h"
#include "platform/Log.h"
#include "platform/RuntimeFolder.h"
#include "platform/Utf.h"

namespace kyq {

namespace {

bool IsRegularFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

bool HandFillRequestOver(
    const std::string& instanceFolder,
    const std::function<std::optional<int64_t>(const std::string& folder, uint64_t window)>& send)
{
    const uint64_t window = ReadHandleFile(instanceFolder);
    return window != 0 && send && send(instanceFolder, window).has_value();
}

StartUp::StartUp(StartUpOptions options, std::unique_ptr<MessageService> messages)
    : options_(std::move(options)),
      app_(std::make_unique<KyqApp>(options_.ProgramFolder, options_.RegistryFolder,
                                    std::move(messages)))
{
}

StartUp::~StartUp()
{
    // A splash still up when the process ends early goes before the window it covers.
    delete splash_.data();
    signals_.reset();
    x11HookEvents_.reset();
    if (main_)
        main_->removeEventFilter(this);
    main_.reset();
    rules_.reset();
}

StartOutcome StartUp::Run(const std::string& commandLine)
{
    KyqApp& app = *app_;
    app.DocSession.PreviousPath.clear();

    // Another instance of this desktop session holds the lock in the session's folder. Without a usable folder or
    // lock this start runs as the only one: a stale lock never keeps the program from
    // starting (the kernel drops it with its process).
    if (!options_.InstanceFolder.empty()) {
        instanceFolder_ = options_.InstanceFolder;
    } else if (auto folder = SessionRuntimeFolder()) {
        instanceFolder_ = std::move(*folder);
    } else {
        instanceFolder_.clear();
        LogWarning(LogArea::Files, "starting as the only instance: " + folder.error().Detail);
    }
    if (!instanceFolder_.empty()) {
        lock_ = std::make_unique<InstanceLock>(instanceFolder_);
        if (lock_->TryAcquire() == InstanceLock::State::HeldElsewhere) {
            secondInstance_ = true;
            return RunSecondInstance(commandLine);
        }
    }
    return RunFirstInstance(commandLine);
}

StartOutcome StartUp::RunFirstInstance(const std::string& commandLine)
{
    KyqApp& app = *app_;
    EndOnTerminate();
    // There is no window to fill from without a running instance with its document.
    if (IsFillSwitch(commandLine)) {
        app.MsgBox(NoInstanceForFillText, MsgButtons::OkOnly, MsgIcon::Warning);
        return StartOutcome::Ended;
    }
    // The help pages are found beside the program when they are opened: nothing to set.

    // Said before the first write, which replaces a damaged file, and before the splash,
    // which would cover the message.
    ReportDamagedSettings(app, app.Registry.DamagedHives());
    if (Terminated() || !CheckInstalledVersion(commandLine) || Terminated())
        return StartOutcome::Ended;

    app.Session.OptionsClosed = true;

    CreateMainWindow();
    splash_ = new Splash(app, *main_, rules_->Workflow);
    splash_->Form_Load();
    main_->SetSplash(
        [this] {
            if (!splash_ || splash_->IsUnloaded())
                return MainWindowView::SplashState::None;
            return splash_->PendingFromCommandLine ? MainWindowView::SplashState::OpensNamedFile
                                                   : MainWindowView::SplashState::ReopensLastFile;
        },
        [this](bool openItsDocument) {
            if (!splash_)
                return;
            if (openItsDocument)
                splash_->CloseSplash();
            else
                splash_->Dismiss();
        });

    app.DocSession.PasswordPromptOpen = false;
    app.Session.GeneratorPath.clear();
    app.Document.Path.clear();
    app.Session.SelectedIndex = 0;

    app.LoadSettings();
    LoadMainWindow();
    // The main window listens for later starts from its load on: a start that ends here
    // takes its Handle.dat (and channel) away, so that no later start waits on it.
    const auto endedAfterLoad = [&app] {
        app.Platform().DeleteHandleFile();
        return StartOutcome::Ended;
    };
    if (Terminated())
        return endedAfterLoad();
    app.SaveSettings();
    LoadFillHistory(app.History, app.Registry);
    app.SaveFillHistory();

    std::string pending;
    if (!commandLine.empty()) {
        const std::string file = ExistingFileOf(commandLine);
        if (file.empty()) {
            if (HasHelpSwitch(commandLine))
                app.MsgBox(UsageText(), MsgButtons::OkOnly, MsgIcon::Information);
            else
                app.MsgBox(InvalidCommandText(commandLine), MsgButtons::OkOnly, MsgIcon::Warning);
            return endedAfterLoad();
        }
        app.Settings.InitDir = FolderOfPath(file);
        rules_->Workflow.CloseDocument();
        pending = file;
        splash_->PendingFromCommandLine = true;
    } else if (app.Settings.AutoLoad && IsRegularFile(app.Settings.LastFile)) {
        rules_->Workflow.CloseDocument();
        pending = app.Settings.LastFile;
    }
    splash_->PendingDocument = pending;
    splash_->StartTimers();
    running_ = true;
    return StartOutcome::Running;
}

bool StartUp::Terminated() const
{
    return signals_ && signals_->TerminatedWhileStarting();
}

void StartUp::EndOnTerminate()
{
    if (!options_.DesktopMessages || signals_)
        return;
    signals_ = std::make_unique<SignalBridge>(
        *app_, [this] { return main_ && main_->IsUnloaded(); });
    signals_->SetStarting([this] { return !running_; });
    signals_->Install();
}

StartOutcome StartUp::RunSecondInstance(const std::string& commandLine)
{
    // Each box of a second start ends it; the waits for the running instance, which run no
    // event loop, are left to SIGTERM's own action.
    if (IsFillSwitch(commandLine)) {
        if (!HandFillRequestOver(instanceFolder_, options_.SendFillRequest)) {
            EndOnTerminate();
            app_->MsgBox(NoInstanceForFillText, MsgButtons::OkOnly, MsgIcon::Warning);
        }
        return StartOutcome::Ended;
    }
    // Without a file the running instance is asked to show its window, which may be
    // hidden in the tray: a start that did nothing at all would leave the user stuck.
    std::string text;
    if (!commandLine.empty()) {
        const std::string file = ExistingFileOf(commandLine);
        if (file.empty()) {
            EndOnTerminate();
            if (HasHelpSwitch(commandLine))
                app_->MsgBox(UsageText(), MsgButtons::OkOnly, MsgIcon::Information);
            else
                app_->MsgBox(InvalidCommandText(commandLine), MsgButtons::OkOnly,
                             MsgIcon::Warning);
            return StartOutcome::Ended;
        }
        text = HandOverCommandText(file);
    }

    HandOverSteps steps;
    steps.TakeLock = [this] {
        return lock_->TryAcquire() != InstanceLock::State::HeldElsewhere;
    };
    steps.RunningWindow = [this] { return ReadHandleFile(instanceFolder_); };
    steps.Send = [this, &text](uint64_t window) -> std::optional<int64_t> {
        if (!options_.SendHandOver)
            return std::nullopt;
        return options_.SendHandOver(instanceFolder_, window, text);
    };
    int pauses = 0;
    steps.Pause = options_.PauseBeforeRetry ? options_.PauseBeforeRetry : [&pauses] {
        // About a minute: a running instance that long without a window or an answer is
        // stuck (or waits for its user at a message box before its window exists).
        constexpr int kPauses = 1200;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return ++pauses < kPauses;
    };
    switch (DeliverHandOver(steps)) {
    case HandOverDelivery::Delivered:
        return StartOutcome::Ended;
    case HandOverDelivery::BecameFirst:
        LogInfo(LogArea::Desktop, "the running instance has ended; this start takes its place");
        secondInstance_ = false;
        return RunFirstInstance(commandLine);
    case HandOverDelivery::NoAnswer:
        break;
    }
    LogWarning(LogArea::Files, "the running instance in " + instanceFolder_ +
                                   " did not answer the hand-over");
    EndOnTerminate();
    app_->MsgBox(text.empty() ? std::u16string(u"Keyquill已经在运行，但是没有响应。")
                              : u"Keyquill已经在运行，但是没有响应，所以没有打开文件“" +
                                    Utf8ToUtf16(ExistingFileOf(commandLine)) + u"”。",
                 MsgButtons::OkOnly, MsgIcon::Warning);
    return StartOutcome::Ended;
}

bool StartUp::CheckInstalledVersion(const std::string& commandLine)
{
    KyqApp& app = *app_;
    const int major = InstalledMajorVersion(InstalledVersion(app.Registry));
    if (major > ProgramMajor) {
        if (app.MsgBox(NewerVersionQuestion, MsgButtons::YesNo, MsgIcon::Question) ==
            MsgAnswer::Yes) {
            const ProgramLaunch launch =
                NewerVersionLaunch(InstalledPath(app.Registry), commandLine);
            // Ending without the newer version running would leave the user with nothing:
            // when it cannot be started, this one carries on.
            if (options_.StartProgram && options_.StartProgram(launch.Program, launch.Arguments))
                return false;
        }
    } else if (major < ProgramMajor) {
        app.SettingsWritten(
            MigrateOldSettings(app.Settings, app.History, app.Registry, app.ProgramFolder));
        // As the old settings' folder goes to the main window's file dialog, the window
        // comes up (hidden) here already.
        LoadMainWindow();
    }
    return true;
}

void StartUp::CreateMainWindow()
{
    if (main_)
        return;
    KyqApp& app = *app_;
    main_ = std::make_unique<frmMain>(app);
    rules_ = std::make_unique<MainWindowRules>(app, *main_);
    main_->Attach(*rules_);
    if (options_.MakePlatform) {
        if (std::unique_ptr<MainWindowPlatform> platform =
                options_.MakePlatform(app, *main_, instanceFolder_))
            app.SetPlatform(std::move(platform));
    }
}

void StartUp::LoadMainWindow()
{
    if (mainLoaded_)
        return;
    mainLoaded_ = true;
    KyqApp& app = *app_;
    CreateMainWindow();
    RegisterCredentialForms(*main_, *rules_);
    if (options_.RegisterForms)
        options_.RegisterForms(*main_, *rules_);
    // The hook library's key events come as X client messages: only an X11 session has them.
    if (options_.DesktopMessages && !x11HookEvents_ &&
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        frmMain* main = main_.get();
        x11HookEvents_ = std::make_unique<X11HookEvents>(
            app, [main] { return static_cast<uint32_t>(main->winId()); },
            X11HookEvents::InternMessageAtom());
        QCoreApplication::instance()->installNativeEventFilter(x11HookEvents_.get());
    }
    // Queued: the unload may run inside the save prompt's or a dialog's own event loop,
    // and only the main loop's end ends the program.
    if (options_.QuitOnUnload)
        connect(main_.get(), &frmMain::Unloaded, QCoreApplication::instance(),
                &QCoreApplication::quit, Qt::QueuedConnection);
    main_->Form_Load();
}

}  // namespace kyq
