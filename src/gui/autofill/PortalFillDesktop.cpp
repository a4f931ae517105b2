#include "gui/autofill/PortalFillDesktop.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "platform/KeystrokeSenderPlan.h"
#include "platform/Log.h"
#include "platform/qt/RemoteDesktopPortal.h"

namespace kyq {

namespace {

constexpr unsigned long ControlKeysym = 0xffe3;  // Control_L

bool ProgramHasFocus()
{
    return QGuiApplication::focusWindow() != nullptr;
}

}  // namespace

PortalFillDesktop::PortalFillDesktop(const QDBusConnection& bus, std::string restoreToken,
                                     std::function<void(const std::string&)> keepToken)
    : portal_(std::make_unique<RemoteDesktopPortal>(bus)),
      restoreToken_(std::move(restoreToken)),
      keepToken_(std::move(keepToken))
{
    QObject::connect(portal_.get(), &RemoteDesktopPortal::restoreTokenChanged, portal_.get(),
                     [this](const QString& token) {
                         restoreToken_ = token.toStdString();
                         if (keepToken_)
                             keepToken_(restoreToken_);
                     });
}

PortalFillDesktop::~PortalFillDesktop() = default;

void PortalFillDesktop::StartSession()
{
    portal_->Start(QString::fromStdString(restoreToken_));
}

bool PortalFillDesktop::CanType() const
{
    const RemoteDesktopPortal::State state = portal_->CurrentState();
    return state != RemoteDesktopPortal::State::Refused &&
           state != RemoteDesktopPortal::State::Failed;
}

uint64_t PortalFillDesktop::Foreground()
{
    // A new hot key: a consent declined before is asked for again at this fill.
    portal_->ForgetRefusal();
    if (const QWidget* own = QApplication::activeWindow())
        return static_cast<uint64_t>(own->winId());
    return FocusElsewhere;
}

bool PortalFillDesktop::Activate(uint64_t window)
{
    if (window != FocusElsewhere) {
        QWidget* own = QWidget::find(static_cast<WId>(window));
        if (!own)
            return false;
        own->raise();
        own->activateWindow();
        return true;
    }
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

bool PortalFillDesktop::HasFocus(uint64_t window)
{
    return window == FocusElsewhere &&
           portal_->CurrentState() == RemoteDesktopPortal::State::Live && !ProgramHasFocus();
}

size_t PortalFillDesktop::FirstUntypeable(std::u16string_view text)
{
    std::vector<size_t> positions;
    const std::vector<unsigned long> keysyms = KeysymsForText(text, &positions);
    for (size_t i = 0; i < keysyms.size(); ++i) {
        if (keysyms[i] == kNoKeysym)
            return positions[i];
    }
    return AllTypeable;
}

bool PortalFillDesktop::SendKey(unsigned long keysym)
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

bool PortalFillDesktop::TypePiece(std::u16string_view piece,
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
