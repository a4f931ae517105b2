#include "gui/shell/SignalBridge.h"

#include <QApplication>
#include <QWidget>
#include <QSocketNotifier>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "core/workflow/KyqApp.h"

namespace kyq {

namespace {

// The handler's only state: the write end, and what SIGTERM did before.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous {};

extern "C" void OnSigterm(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

SignalBridge::SignalBridge(KyqApp& app, std::function<bool()> unloaded, QObject* parent)
    : QObject(parent), app_(app), unloaded_(std::move(unloaded))
{
}

SignalBridge::~SignalBridge()
{
    if (!installed_)
        return;
    ::sigaction(SIGTERM, &g_previous, nullptr);
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool SignalBridge::Install()
{
    if (installed_ || g_pipe[0] >= 0)
        return false;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { OnTerminate(); });

    struct sigaction action {};
    action.sa_handler = OnSigterm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &g_previous);
    installed_ = true;

#if QT_CONFIG(sessionmanager)
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager& manager) { OnCommitDataRequest(manager); },
                Qt::DirectConnection);
    }
#endif
    return true;
}

bool SignalBridge::QueryEndSession()
{
    if (!unloaded_ || !unloaded_())
        app_.HandleEventNow(EndSessionEvent{});
    return unloaded_ && unloaded_();
}

void SignalBridge::OnTerminate()
{
    char buffer[64];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
    if (starting_ && starting_()) {
        // Nothing is open yet that could be lost, and no main loop runs that a quit could
        // end: the box's own loop is the one to end.
        terminatedWhileStarting_ = true;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && top->isModal())
                top->close();
        }
        return;
    }
    // Posted: the save prompt then runs from the event queue like any other event.
    app_.PostEvent(EndSessionEvent{});
}

void SignalBridge::SetStarting(std::function<bool()> starting)
{
    starting_ = std::move(starting);
}

void SignalBridge::OnCommitDataRequest([[maybe_unused]] QSessionManager& manager)
{
#if QT_CONFIG(sessionmanager)
    // Asks the session manager for leave to show the save prompt; without it the prompt
    // still shows, but the logout cannot wait for it.
    const bool mayAsk = manager.allowsInteraction();
    const bool ended = QueryEndSession();
    if (!mayAsk)
        return;
    if (ended)
        manager.release();
    else
        manager.cancel();
#endif
}

}  // namespace kyq
