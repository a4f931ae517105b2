// Turns the desktop's end-of-session requests into the program's end-of-session event: SIGTERM
// (through a pipe, since a signal handler may do no more than write to one) and the session
// manager's commit-data request, whose logout is cancelled when the user cancels the save
// prompt.
#pragma once

#include <QObject>
#include <functional>

class QSessionManager;
class QSocketNotifier;

namespace kyq {

class KyqApp;

class SignalBridge : public QObject {
    Q_OBJECT
public:
    // unloaded: whether the main window has been unloaded (the program may end).
    SignalBridge(KyqApp& app, std::function<bool()> unloaded, QObject* parent = nullptr);
    // Puts back what SIGTERM did before.
    ~SignalBridge() override;

    // Catches SIGTERM and listens to the session manager. One bridge at a time; false when
    // another is installed or the pipe could not be made.
    bool Install();

    // Runs the end of the session through the main window's rules now; true when the main window
    // was unloaded, false when the user cancelled at the save prompt.
    bool QueryEndSession();

    // While `starting` says so, the program's own loop does not run yet and the start shows
    // a box of its own that ends it: SIGTERM then closes the boxes on screen, as their
    // answer would, instead of asking the main window.
    void SetStarting(std::function<bool()> starting);
    // Whether SIGTERM came while starting: the start is to end after the box it closed.
    bool TerminatedWhileStarting() const { return terminatedWhileStarting_; }

private:
    void OnTerminate();
    void OnCommitDataRequest(QSessionManager& manager);

    KyqApp& app_;
    std::function<bool()> unloaded_;
    std::function<bool()> starting_;
    bool terminatedWhileStarting_ = false;
    QSocketNotifier* notifier_ = nullptr;
    bool installed_ = false;
};

}  // namespace kyq
