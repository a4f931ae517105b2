#include "gui/shell/StartUp.h"

#include "gui/credentials/CredentialForms.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <system_error>

#include "core/document/PathText.h"
#include "core/settings/FillHistory.h"
#include "core/workflow/DamagedSettings.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/MainWindowPlatform.h"
#include "core/workflow/MessageService.h"
#include "core/workflow/StartUpRules.h"
#include "gui/main/frmMain.h"
#include "gui/shell/SignalBridge.h"
#include "gui/shell/Splash.h"
#include "gui/shell/X11MessageFilter.h"
#include "platform/HandOverFiles.h"
#include "platform/Log.h"
#include "platform/RuntimeFolder.h"

namespace kyq {

namespace {

bool IsRegularFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

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
    x11Messages_.reset();
    if (main_)
        main_->removeEventFilter(this);
    main_.reset();
}

StartOutcome StartUp::Run(const std::string& commandLine)
{
    KyqApp& app = *app_;
    app.Document.PreviousPath.clear();

    // Another instance holds the lock in the per-user folder. Without a usable folder or
    // lock this start runs as the only one: a stale lock never keeps the program from
    // starting (the kernel drops it with its process).
    if (!options_.InstanceFolder.empty()) {
        instanceFolder_ = options_.InstanceFolder;
    } else if (auto folder = PerUserRuntimeFolder()) {
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
    // There is no window to fill from without a running instance with its document.
    if (IsFillSwitch(commandLine)) {
        app.MsgBox(NoInstanceForFillText, MsgButtons::OkOnly, MsgIcon::Warning);
        return StartOutcome::Ended;
    }
    if (options_.MakePlatform) {
        if (std::unique_ptr<MainWindowPlatform> platform =
                options_.MakePlatform(app, instanceFolder_))
            app.SetPlatform(std::move(platform));
    }
    // The help pages are found beside the program when they are opened: nothing to set.

    // Said before the first write, which replaces a damaged file, and before the splash,
    // which would cover the message.
    ReportDamagedSettings(app, app.Registry.DamagedHives());
    if (!CheckInstalledVersion(commandLine))
        return StartOutcome::Ended;

    app.Session.OptionsWindow = 0;
    app.Session.OptionsClosed = true;

    if (!main_)
        main_ = std::make_unique<frmMain>(app);
    splash_ = new Splash(app, *main_);
    splash_->Form_Load();

    app.Document.PasswordPromptOpen = false;
    app.Session.GeneratorPath.clear();
    app.Document.Path.clear();
    app.Session.SelectedIndex = 0;

    app.LoadSettings();
    LoadMainWindow();
    app.SaveSettings();
    LoadFillHistory(app.History, app.Registry);
    SaveFillHistory(app.History, app.Registry);
    app.Platform().InstallShellMessageFilter(app.WindowMessages);
    if (options_.DesktopMessages) {
        signals_ = std::make_unique<SignalBridge>(
            app, [this] { return main_ && main_->IsUnloaded(); });
        signals_->Install();
    }

    std::string pending;
    if (!commandLine.empty()) {
        const std::string file = ExistingFileOf(commandLine);
        if (file.empty()) {
            if (HasHelpSwitch(commandLine))
                app.MsgBox(UsageText(), MsgButtons::OkOnly, MsgIcon::Information);
            else
                app.MsgBox(InvalidCommandText(commandLine), MsgButtons::OkOnly, MsgIcon::Warning);
            return StartOutcome::Ended;
        }
        app.Settings.InitDir = FolderOfPath(file);
        main_->Workflow.CloseDocument();
        pending = file;
    } else if (app.Settings.AutoLoad && IsRegularFile(app.Settings.LastFile)) {
        main_->Workflow.CloseDocument();
        pending = app.Settings.LastFile;
    }
    splash_->PendingDocument = pending;
    splash_->StartTimers();
    return StartOutcome::Running;
}

StartOutcome StartUp::RunSecondInstance(const std::string& commandLine)
{
    if (commandLine.empty())
        return StartOutcome::Ended;
    if (IsFillSwitch(commandLine)) {
        // A handle of 0: the running instance is still starting and has no document yet.
        const uint64_t window = ReadHandleFile(instanceFolder_);
        if (window == 0 || !options_.SendFillRequest || !options_.SendFillRequest(window))
            app_->MsgBox(NoInstanceForFillText, MsgButtons::OkOnly, MsgIcon::Warning);
        return StartOutcome::Ended;
    }
    const std::string file = ExistingFileOf(commandLine);
    if (!file.empty()) {
        // A handle of 0 (the running instance is still starting) reaches nobody; the file
        // then waits for the next hand-over, which replaces it.
        const uint64_t window = ReadHandleFile(instanceFolder_);
        (void)WriteCommandFile(instanceFolder_, HandOverCommandText(file));  // a failure is logged
        if (window != 0 && options_.SendHandOver)
            options_.SendHandOver(window);
        return StartOutcome::Ended;
    }
    if (HasHelpSwitch(commandLine))
        app_->MsgBox(UsageText(), MsgButtons::OkOnly, MsgIcon::Information);
    else
        app_->MsgBox(InvalidCommandText(commandLine), MsgButtons::OkOnly, MsgIcon::Warning);
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
        MigrateOldSettings(app.Settings, app.History, app.Registry, app.ProgramFolder);
        // As the old settings' folder goes to the main window's file dialog, the window
        // comes up (hidden) here already.
        LoadMainWindow();
    }
    return true;
}

void StartUp::LoadMainWindow()
{
    if (mainLoaded_)
        return;
    mainLoaded_ = true;
    KyqApp& app = *app_;
    if (!main_)
        main_ = std::make_unique<frmMain>(app);
    RegisterCredentialForms(*main_);
    if (options_.RegisterForms)
        options_.RegisterForms(*main_);
    if (options_.DesktopMessages && !x11Messages_) {
        frmMain* main = main_.get();
        x11Messages_ = std::make_unique<X11MessageFilter>(
            app, [main] { return static_cast<uint32_t>(main->winId()); },
            X11MessageFilter::InternMessageAtom());
        QCoreApplication::instance()->installNativeEventFilter(x11Messages_.get());
    }
    // Queued: the unload may run inside the save prompt's or a dialog's own event loop,
    // and only the main loop's end ends the program.
    if (options_.QuitOnUnload)
        connect(main_.get(), &frmMain::Unloaded, QCoreApplication::instance(),
                &QCoreApplication::quit, Qt::QueuedConnection);
    main_->Form_Load();
}

}  // namespace kyq
