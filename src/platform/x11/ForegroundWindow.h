// Which X window has the user's attention, and bringing a window back to the front: the
// fill target is recorded when the hot key fires and activated before typing.
#pragma once

#include <chrono>

#include "platform/x11/X11Display.h"

namespace kyq {

class ForegroundWindow {
public:
    explicit ForegroundWindow(X11Display& display) : display_(display) {}

    // The window manager's active window while a live manager keeps one; else the focus
    // window, or the top-level window under the pointer when the focus follows it.
    // None when nothing qualifies.
    unsigned long Current();

    // Asks for `window` to become the active, focused window and waits (up to
    // `confirmWithin`) until it is. False for a window that is gone or not viewable, or
    // when the change was not confirmed in time: do not type into it then.
    bool Activate(unsigned long window,
                  std::chrono::milliseconds confirmWithin = std::chrono::milliseconds(1000));

    // True while the keyboard focus is in `window` (the window or one inside it) and, under
    // a window manager, the manager also holds it active: keys sent now reach it.
    bool HoldsFocus(unsigned long window);

    // The window manager's check window when one is running and answers for itself.
    unsigned long WindowManagerCheck();
    // False for a window that is gone or no longer shown.
    bool IsMappedAndVisible(unsigned long window);

private:
    unsigned long WindowProperty(unsigned long window, const char* property);
    bool HasFocus(unsigned long window, bool windowManager);
    bool IsInside(unsigned long inner, unsigned long outer);
    // The child of `parent` that the pointer is over; None when there is none (or the
    // query failed).
    unsigned long ChildUnderPointer(unsigned long parent);

    X11Display& display_;
};

}  // namespace kyq
