#include "platform/wlroots/WlrootsDesktop.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWindow>

#include "platform/KeystrokeSenderPlan.h"
#include "platform/Log.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/VirtualKeyboardTyper.h"
#include "platform/wayland/WaylandConnection.h"

namespace kyq {

WlrootsDesktop::WlrootsDesktop(std::string ownAppId)
    : ownAppId_(std::move(ownAppId)), connection_(WaylandConnection::Connect())
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

WlrootsDesktop::~WlrootsDesktop()
{
    events_.reset();
    typer_.reset();
    toplevels_.reset();
    connection_.reset();
}

bool WlrootsDesktop::Available() const
{
    return toplevels_ && typer_;
}

FillWindow WlrootsDesktop::Foreground()
{
    FillWindow window;
    if (!toplevels_)
        return window;
    window.id = toplevels_->Activated();
    for (const ForeignToplevels::Window& candidate : toplevels_->Windows()) {
        if (candidate.id == window.id) {
            window.own = candidate.appId == ownAppId_;
            window.fullscreen = candidate.fullscreen;
        }
    }
    return window;
}

bool WlrootsDesktop::Activate(const FillWindow& window)
{
    if (!toplevels_ || !window.Known())
        return false;
    // The toolkit's own requests (a dialog's unmapping) reach the compositor first.
    QCoreApplication::processEvents();
    return toplevels_->Activate(window.id, ActivationWait);
}

void WlrootsDesktop::ActivateOwn(uint64_t nativeWindow)
{
    if (!toplevels_)
        return;
    QCoreApplication::processEvents();
    std::string title;
    for (const QWindow* own : QGuiApplication::topLevelWindows()) {
        if (static_cast<uint64_t>(own->winId()) == nativeWindow)
            title = own->title().toStdString();
    }
    if (title.empty())
        return;
    // The toolkit may append the program's name to a title; the newest such window of the
    // program's own is the one just shown.
    uint64_t found = 0;
    for (const ForeignToplevels::Window& candidate : toplevels_->Windows()) {
        if (candidate.appId == ownAppId_ && candidate.title.rfind(title, 0) == 0)
            found = candidate.id;
    }
    if (found != 0)
        (void)toplevels_->Activate(found, ActivationWait);
}

bool WlrootsDesktop::HasFocus(const FillWindow& window)
{
    // The answer to everything sent so far, not a state read before; a connection that
    // failed answers nothing, and then nothing more is typed.
    return toplevels_ && connection_->Roundtrip() && toplevels_->IsActivated(window.id);
}

bool WlrootsDesktop::StillThere(const FillWindow& window)
{
    if (!toplevels_ || !connection_->Roundtrip())
        return false;
    for (const ForeignToplevels::Window& candidate : toplevels_->Windows()) {
        if (candidate.id == window.id)
            return true;
    }
    return false;
}

size_t WlrootsDesktop::FirstUntypeable(std::u16string_view text)
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

void WlrootsDesktop::BeginTyping(std::u16string_view text)
{
    if (!typer_)
        return;
    typer_->ForgetKeymap();
    // One keymap and one pause for the whole fill where it fits, so that a Tab or an Enter
    // costs no pause of its own.
    (void)typer_->Prepare(std::u16string(text));
}

bool WlrootsDesktop::TypePiece(std::u16string_view piece,
                                   const std::function<bool()>& mayGoOn)
{
    return typer_ && typer_->Type(std::u16string(piece), 0, mayGoOn);
}

}  // namespace kyq
