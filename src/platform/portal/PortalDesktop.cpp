#include "platform/portal/PortalDesktop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include "platform/KeystrokeSenderPlan.h"
#include "platform/Log.h"
#include "platform/portal/RemoteDesktopPortal.h"
#include "platform/wayland/CompositorKeymap.h"
#include "platform/wayland/WaylandConnection.h"

namespace kyq {

namespace {

constexpr unsigned long ControlKeysym = 0xffe3;  // Control_L
// A round trip to the compositor, with room for a loaded machine.
constexpr std::chrono::milliseconds FocusSettleWait{300};

bool ProgramHasFocus()
{
    return QGuiApplication::focusWindow() != nullptr;
}

bool PlainTypeable(unsigned long keysym)
{
    return (keysym >= 0x20 && keysym <= 0x7e) || keysym == 0xff09 || keysym == 0xff0d;
}

}  // namespace

PortalDesktop::PortalDesktop(const QDBusConnection& bus, std::string restoreToken,
                                     std::function<void(const std::string&)> keepToken)
    : portal_(std::make_unique<RemoteDesktopPortal>(bus)),
      restoreToken_(std::move(restoreToken)),
      keepToken_(std::move(keepToken)),
      connection_(WaylandConnection::Connect())
{
    if (connection_)
        layout_ = std::make_unique<CompositorKeymap>(*connection_);
    if (!layout_ || !layout_->Known())
        LogWarning(LogArea::Keyboard,
                   "the compositor's keyboard layout cannot be read: auto-fill types only "
                   "printable ASCII, Tab and Enter");
    QObject::connect(portal_.get(), &RemoteDesktopPortal::restoreTokenChanged, portal_.get(),
                     [this](const QString& token) {
                         restoreToken_ = token.toStdString();
                         if (keepToken_)
                             keepToken_(restoreToken_);
                     });
}

PortalDesktop::~PortalDesktop() = default;

void PortalDesktop::StartSession()
{
    portal_->Start(QString::fromStdString(restoreToken_));
}

bool PortalDesktop::CanType() const
{
    const RemoteDesktopPortal::State state = portal_->CurrentState();
    return state != RemoteDesktopPortal::State::Refused &&
           state != RemoteDesktopPortal::State::Failed;
}

FillWindow PortalDesktop::Foreground()
{
    // A new hot key: a consent declined before is asked for again at this fill.
    portal_->ForgetRefusal();
    FillWindow window;
    window.id = FocusElsewhere;
    QCoreApplication::processEvents();
    // QtWayland applies the loss of the keyboard focus only when a round trip it starts at
    // the compositor's leave comes back, so a hot key handled in between finds one of our
    // windows still focused: such a focus is given a moment to go.
    if (ProgramHasFocus()) {
        QEventLoop loop;
        QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &loop, [&] {
            if (!ProgramHasFocus())
                loop.quit();
        });
        QTimer::singleShot(FocusSettleWait, &loop, &QEventLoop::quit);
        loop.exec();
    }
    window.own = ProgramHasFocus();
    return window;
}

void PortalDesktop::ActivateOwn(uint64_t nativeWindow)
{
    for (QWindow* own : QGuiApplication::topLevelWindows()) {
        if (static_cast<uint64_t>(own->winId()) == nativeWindow)
            own->requestActivate();
    }
}

bool PortalDesktop::Activate(const FillWindow& window)
{
    if (window.id != FocusElsewhere || window.own)
        return false;
    StartSession();
    using State = RemoteDesktopPortal::State;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    // First the consent (the desktop's dialog waits for its user), then the focus.
    bool waitingForConsent = portal_->CurrentState() == State::Starting;
    auto check = [&] {
        const State state = portal_->CurrentState();
        if (waitingForConsent ? state != State::Starting
                              : state != State::Live || !ProgramHasFocus())
            loop.quit();
    };
    QObject::connect(portal_.get(), &RemoteDesktopPortal::stateChanged, &loop, check);
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &loop, check);
    if (waitingForConsent) {
        deadline.start(ConsentWait);
        loop.exec();
        waitingForConsent = false;
    }
    if (!timedOut && portal_->CurrentState() == State::Live && ProgramHasFocus()) {
        deadline.start(ActivationWait);
        loop.exec();
    }
    if (portal_->CurrentState() != State::Live) {
        LogWarning(LogArea::Keyboard, timedOut ? "the desktop did not answer the request to type"
                                               : "no remote-desktop session to type through");
        return false;
    }
    if (ProgramHasFocus()) {
        LogWarning(LogArea::Keyboard,
                   "the program's window kept the focus after the fill dialog closed");
        return false;
    }
    return true;
}

bool PortalDesktop::HasFocus(const FillWindow& window)
{
    return window.id == FocusElsewhere && !window.own &&
           portal_->CurrentState() == RemoteDesktopPortal::State::Live && !ProgramHasFocus();
}

size_t PortalDesktop::FirstUntypeable(std::u16string_view text)
{
    std::vector<size_t> positions;
    const std::vector<unsigned long> keysyms = KeysymsForText(text, &positions);
    const bool layoutKnown = layout_ && layout_->Refresh() && layout_->Known();
    for (size_t i = 0; i < keysyms.size(); ++i) {
        if (keysyms[i] == kNoKeysym)
            return positions[i];
        const unsigned long base = BaseKeysym(keysyms[i]);
        const bool control = (keysyms[i] & kWithControl) != 0;
        const bool typeable = layoutKnown ? layout_->Carries(base) &&
                                                (!control || layout_->Carries(ControlKeysym))
                                          : PlainTypeable(base);
        if (!typeable)
            return positions[i];
    }
    return AllTypeable;
}

bool PortalDesktop::SendKey(unsigned long keysym)
{
    const bool control = (keysym & kWithControl) != 0;
    const auto base = static_cast<quint32>(BaseKeysym(keysym));
    if (control && !portal_->SendKeysym(ControlKeysym, true))
        return false;
    bool sent = portal_->SendKeysym(base, true) && portal_->SendKeysym(base, false);
    // Ctrl never stays down, whatever went wrong in between.
    if (control)
        sent = portal_->SendKeysym(ControlKeysym, false) && sent;
    return sent;
}

bool PortalDesktop::TypePiece(std::u16string_view piece,
                                  const std::function<bool()>& mayGoOn)
{
    const std::vector<unsigned long> keysyms = KeysymsForText(piece);
    for (size_t i = 0; i < keysyms.size(); ++i) {
        if (i > 0 && mayGoOn && !mayGoOn())
            return false;
        if (keysyms[i] == kNoKeysym || !SendKey(keysyms[i]))
            return false;
    }
    return true;
}

}  // namespace kyq
