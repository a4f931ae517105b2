#include "gui/autofill/X11FillDesktop.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/x11/KeystrokeSenderKeymap.h"

namespace kyq {

namespace {

constexpr auto KeyReleaseWait = std::chrono::milliseconds(1000);
constexpr auto KeyReleasePoll = std::chrono::milliseconds(10);

// Waits until no key but a modifier is down, for at most `timeout`. The Enter that
// confirmed the fill dialog is usually still held when typing would start, and a Return
// typed while it is down is taken as its auto-repeat or lost.
void WaitForKeysUp(Display* display, std::chrono::milliseconds timeout)
{
    const ModifierKeys modifiers = ReadModifierKeys(display);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        char keys[32] = {};
        XQueryKeymap(display, keys);
        bool held = false;
        for (unsigned keycode = 8; keycode < 256 && !held; ++keycode) {
            held = (keys[keycode / 8] & (1 << (keycode % 8))) != 0 &&
                   std::find(modifiers.all.begin(), modifiers.all.end(), keycode) ==
                       modifiers.all.end();
        }
        if (!held || std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(KeyReleasePoll);
    }
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
    return display_.IsOpen() && foreground_.HoldsFocus(window);
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
    WaitForKeysUp(display_.get(), KeyReleaseWait);
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
