// The program's start: tells a first start from a second one, hands a second start's file
// over to the running instance, and brings the first one up (version check, splash, hidden
// main window, settings, fill history, the document to open). It
// owns what the running program is made of and ends it once the main window has unloaded.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/shell/Splash.h"
#include "platform/InstanceLock.h"

namespace kyq {

class KyqApp;
class MainWindowPlatform;
class MessageService;
class SignalBridge;
class X11HookEvents;
class frmMain;
struct MainWindowRules;

// What differs between the program and a test of its start.
struct StartUpOptions {
    std::string ProgramFolder;  // the executable's folder with its trailing "/"
    std::filesystem::path RegistryFolder;
    // The session's folder of the lock, Handle.dat and the hand-over socket (trailing "/");
    // empty: SessionRuntimeFolder().
    std::string InstanceFolder;

    // The platform back end of the main window (made, hidden, just before); null or empty:
    // one without desktop features.
    std::function<std::unique_ptr<MainWindowPlatform>(KyqApp&, frmMain&,
                                                      const std::string& instanceFolder)>
        MakePlatform;
    // Makes the forms of the other parts known to the main window, before its load.
    std::function<void(frmMain&, MainWindowRules&)> RegisterForms;
    // Starts a program detached; false when it could not be started.
    std::function<bool(const std::string& program, const std::vector<std::string>& arguments)>
        StartProgram;
    // A second start's hand-over with its command text ("" = just show the window) to
    // the running instance's window in the session's folder, waiting for the reply; nullopt
    // when nobody answered.
    std::function<std::optional<int64_t>(const std::string& folder, uint64_t window,
                                         const std::string& text)>
        SendHandOver;
    // A second start waits here between two tries to reach the running instance; false
    // once it has waited long enough. Empty: a short sleep, for about a minute in all.
    std::function<bool()> PauseBeforeRetry;
    // A "--fill" start's request to the running instance's window; nullopt when nobody
    // took it.
    std::function<std::optional<int64_t>(const std::string& folder, uint64_t window)>
        SendFillRequest;
    // The program: the keyboard hook's X11 key events, SIGTERM and the session manager.
    bool DesktopMessages = false;
    // The program: the application quits once the main window has unloaded (also when it
    // was hidden in the tray, where closing it closes no visible window).
    bool QuitOnUnload = false;
};

// A "--fill" start's request to the running instance whose window Handle.dat in
// `instanceFolder` names; false when there is none (a handle of 0: it is still starting
// and has no document yet) or nobody took the request. Safe before any QApplication.
bool HandFillRequestOver(
    const std::string& instanceFolder,
    const std::function<std::optional<int64_t>(const std::string& folder, uint64_t window)>& send);

enum class StartOutcome {
    Running,  // the main window runs the program from here on
    Ended,    // the process ends now
};

class StartUp : public QObject {
    Q_OBJECT
public:
    StartUp(StartUpOptions options, std::unique_ptr<MessageService> messages);
    ~StartUp() override;

    // The start-up sequence for this command line (the whole argument text, one file name).
    StartOutcome Run(const std::string& commandLine);

    KyqApp& App() const { return *app_; }
    // Null before the first start created it.
    frmMain* MainWindow() const { return main_.get(); }
    Splash* SplashWindow() const { return splash_; }
    const std::string& InstanceFolder() const { return instanceFolder_; }
    bool IsSecondInstance() const { return secondInstance_; }

private:
    StartOutcome RunFirstInstance(const std::string& commandLine);
    StartOutcome RunSecondInstance(const std::string& commandLine);
    // False when this process is to end (the newer version was started).
    bool CheckInstalledVersion(const std::string& commandLine);
    // Creates the main window (hidden), the rules behind it and its platform back end, once.
    void CreateMainWindow();
    // Creates the main window (hidden) and runs its load, once.
    void LoadMainWindow();
    // SIGTERM ends the program from here on: through the main window once the program
    // runs, before that by closing the start's own box.
    void EndOnTerminate();
    bool Terminated() const;

    StartUpOptions options_;
    std::unique_ptr<KyqApp> app_;
    std::string instanceFolder_;
    std::unique_ptr<InstanceLock> lock_;
    // The rules outlive the window that shows them (declared first, destroyed last).
    std::unique_ptr<MainWindowRules> rules_;
    std::unique_ptr<frmMain> main_;
    std::unique_ptr<X11HookEvents> x11HookEvents_;
    std::unique_ptr<SignalBridge> signals_;
    QPointer<Splash> splash_;
    bool mainLoaded_ = false;
    bool secondInstance_ = false;
    bool running_ = false;
};

}  // namespace kyq
