#include "gui/autofill/WaylandFillDesktop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "platform/KeystrokeSenderPlan.h"
#include "platform/Log.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/VirtualKeyboardTyper.h"
#include "platform/wayland/WaylandConnection.h"

namespace kyq {

WaylandFillDesktop::WaylandFillDesktop() : connection_(WaylandConnection::Connect())
{
    if (!connection_)
        return;
    if (connection_->ToplevelManager())
        toplevels_ = std::make_unique<ForeignToplevels>(*connection_);
    if (connection_->KeyboardManager())
        typer_ = std::make_unique<VirtualKeyboardTyper>(*connection_);
    if (!Available()) {
        LogWarning(LogArea::Keyboard,
                   "the Wayland compositor offers no foreign-toplevel or virtual-keyboard "
                   "protocol: auto-fill cannot type here");
    }
    // Window changes arrive all the time; read them as they come, so the compositor never
    // has to hold a backlog for this connection.
    events_ = std::make_unique<QSocketNotifier>(connection_->Fd(), QSocketNotifier::Read);
    QObject::connect(events_.get(), &QSocketNotifier::activated, events_.get(), [this] {
        if (!connection_->Dispatch()) {
            LogWarning(LogArea::Keyboard, "the Wayland connection for auto-fill failed");
            events_->setEnabled(false);
        }
    });
}

WaylandFillDesktop::~WaylandFillDesktop()
{
    events_.reset();
    typer_.reset();
    toplevels_.reset();
    connection_.reset();
}

bool WaylandFillDesktop::Available() const
{
    return toplevels_ && typer_;
}

uint64_t WaylandFillDesktop::Foreground()
{
    return toplevels_ ? toplevels_->Activated() : 0;
}

bool WaylandFillDesktop::IsFullscreen(uint64_t window)
{
    if (!toplevels_)
        return false;
    for (const ForeignToplevels::Window& candidate : toplevels_->Windows()) {
        if (candidate.id == window)
            return candidate.fullscreen;
    }
    return false;
}

bool WaylandFillDesktop::Activate(uint64_t window)
{
    if (!toplevels_ || window == 0)
        return false;
    // The toolkit's own requests (a dialog's unmapping) reach the compositor first.
    QCoreApplication::processEvents();
    if (const QWidget* own = QWidget::find(static_cast<WId>(window))) {
        // The compositor names windows by title; the toolkit may append the program's name.
        const std::string title = own->windowTitle().toStdString();
        uint64_t found = 0;
        for (const ForeignToplevels::Window& candidate : toplevels_->Windows()) {
            if (!title.empty() && candidate.title.rfind(title, 0) == 0)
                found = candidate.id;  // the newest such window is the one just shown
        }
        return found != 0 && toplevels_->Activate(found, ActivationWait);
    }
    return toplevels_->Activate(window, ActivationWait);
}

bool WaylandFillDesktop::HasFocus(uint64_t window)
{
    if (!toplevels_)
        return false;
    // The answer to everything sent so far, not a state read before.
    connection_->Roundtrip();
    return toplevels_->IsActivated(window);
}

size_t WaylandFillDesktop::FirstUntypeable(std::u16string_view text)
{
    if (!typer_)
        return text.empty() ? AllTypeable : 0;
    // Every character has a key symbol of its own; only those without one (code 0, the
    // C1 controls, unpaired surrogates) cannot arrive as themselves.
    for (size_t i = 0; i < text.size(); ++i) {
        const std::vector<unsigned long> keysyms = KeysymsForText(text.substr(i, 1));
        const char16_t c = text[i];
        if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.size() && text[i + 1] >= 0xdc00 &&
            text[i + 1] <= 0xdfff) {
            ++i;  // a pair is one character
            continue;
        }
        if (keysyms.empty() || keysyms[0] == kNoKeysym)
            return i;
    }
    return AllTypeable;
}

void WaylandFillDesktop::BeginTyping()
{
    if (typer_)
        typer_->ForgetKeymap();
}

bool WaylandFillDesktop::TypePiece(std::u16string_view piece,
                                   const std::function<bool()>& mayGoOn)
{
    return typer_ && typer_->Type(std::u16string(piece), 0, mayGoOn);
}

}  // namespace kyq
