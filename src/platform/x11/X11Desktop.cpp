#include "platform/x11/X11Desktop.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>

#include "platform/x11/KeyReleaseWait.h"
#include "platform/x11/KeyboardGrabProbe.h"
#include "platform/x11/KeystrokeSenderKeymap.h"

namespace kyq {

namespace {

constexpr auto KeyReleaseWait = std::chrono::milliseconds(1000);
constexpr auto KeyReleasePoll = std::chrono::milliseconds(10);

// Every key but the modifiers: the Enter that confirmed the fill dialog is usually still
// held when typing would start.
void WaitForNonModifiersUp(Display* display)
{
    const ModifierKeys modifiers = ReadModifierKeys(display);
    (void)WaitForKeysUp(
        display,
        [&modifiers](unsigned keycode) {
            return std::find(modifiers.all.begin(), modifiers.all.end(), keycode) ==
                   modifiers.all.end();
        },
        KeyReleaseWait, KeyReleasePoll);
}

}  // namespace

X11Desktop::X11Desktop(OwnWindows ownWindows, const char* displayName)
    : ownWindows_(std::move(ownWindows)), display_(displayName), foreground_(display_),
      sender_(display_)
{
}

FillWindow X11Desktop::Foreground()
{
    FillWindow window;
    window.id = display_.IsOpen() ? foreground_.Current() : 0;
    if (window.id != 0 && ownWindows_) {
        const std::vector<uint64_t> own = ownWindows_();
        window.own = std::find(own.begin(), own.end(), window.id) != own.end();
    }
    return window;
}

bool X11Desktop::Activate(const FillWindow& window)
{
    return display_.IsOpen() && window.Known() && foreground_.Activate(window.id);
}

void X11Desktop::ActivateOwn(uint64_t nativeWindow)
{
    if (display_.IsOpen() && nativeWindow != 0)
        (void)foreground_.Activate(nativeWindow);
}

bool X11Desktop::HasFocus(const FillWindow& window)
{
    // A grab (a pop-up menu, a password dialog of another program) takes the keys without
    // moving the focus.
    return display_.IsOpen() && foreground_.HoldsFocus(window.id) &&
           !KeyboardGrabbedByOther(display_);
}

bool X11Desktop::StillThere(const FillWindow& window)
{
    return display_.IsOpen() && foreground_.IsMappedAndVisible(window.id);
}

size_t X11Desktop::FirstUntypeable(std::u16string_view text)
{
    if (!display_.IsOpen())
        return text.empty() ? AllTypeable : 0;
    const size_t position = sender_.FirstUntypeable(text);
    return position == KeystrokeSender::AllTypeable ? AllTypeable : position;
}

void X11Desktop::BeginTyping(std::u16string_view /*text*/)
{
    if (!display_.IsOpen())
        return;
    // Held modifiers are the typing's own business (it waits for them, then lets go).
    WaitForNonModifiersUp(display_.get());
    sender_.Begin();
}

void X11Desktop::EndTyping()
{
    sender_.End();
}

bool X11Desktop::TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn)
{
    return display_.IsOpen() && sender_.TypePiece(piece, mayGoOn);
}

}  // namespace kyq
