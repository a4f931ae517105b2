#include "platform/x11/KeyboardGrabProbe.h"

#include <X11/Xlib.h>

#include <string>

#include "platform/Log.h"

namespace kyq {

bool KeyboardGrabbedByOther(X11Display& display)
{
    if (!display.IsOpen())
        return true;
    Display* dpy = display.get();
    X11ErrorTrap trap(dpy);
    // The grab lives for one round trip: the focused window sees only a focus-out and a
    // focus-in marked as grab and ungrab, which toolkits take for no change of focus.
    const int result = XGrabKeyboard(dpy, display.Root(), False, GrabModeAsync, GrabModeAsync,
                                     CurrentTime);
    if (result == GrabSuccess)
        XUngrabKeyboard(dpy, CurrentTime);
    if (!trap.Succeeded()) {
        LogWarning(LogArea::Keyboard, "keyboard grab probe failed with X error " +
                                          std::to_string(trap.ErrorCode()));
        return true;
    }
    if (result != AlreadyGrabbed && result != GrabFrozen)
        return false;
    LogInfo(LogArea::Keyboard, "another X client holds the keyboard (grab probe answered " +
                                   std::to_string(result) + ")");
    return true;
}

}  // namespace kyq
