#include "gui/autofill/X11FillDesktop.h"

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

X11FillDesktop::X11FillDesktop(const char* displayName)
    : display_(displayName), foreground_(display_), sender_(display_)
{
}

uint64_t X11FillDesktop::Foreground()
{
    return display_.IsOpen() ? foreground_.Current() : 0;
}

bool X11FillDesktop::Activate(uint64_t window)
{
    return display_.IsOpen() && window != 0 && foreground_.Activate(window);
}

bool X11FillDesktop::HasFocus(uint64_t window)
{
    return display_.IsOpen() && foreground_.HoldsFocus(window) && !KeyboardGrabbedByOther(display_);
}

size_t X11FillDesktop::FirstUntypeable(std::u16string_view text)
{
    if (!display_.IsOpen())
        return text.empty() ? AllTypeable : 0;
    const size_t position = sender_.FirstUntypeable(text);
    return position == KeystrokeSender::AllTypeable ? AllTypeable : position;
}

void X11FillDesktop::BeginTyping()
{
    if (!display_.IsOpen())
        return;
    // Held modifiers are the typing's own business (it waits for them, then lets go).
    WaitForNonModifiersUp(display_.get());
    sender_.Begin();
}

void X11FillDesktop::EndTyping()
{
    sender_.End();
}

bool X11FillDesktop::TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn)
{
    return display_.IsOpen() && sender_.TypePiece(piece, mayGoOn);
}

}  // namespace kyq
