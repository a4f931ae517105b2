// Whether another X client holds the keyboard: a pop-up asking for a password, a screen
// locker or the window manager's menu grabs it without moving the input focus or the
// active window, and keys sent then go to the grabber, not to the window being filled.
#pragma once

#include "platform/x11/X11Display.h"

namespace kyq {

// Tries a grab of our own on the root window and lets go of it at once: the server refuses
// it while another client holds the keyboard (or has frozen it). A probe that could not be
// made (no connection, an X error) counts as held: typing on blind is what it guards against.
bool KeyboardGrabbedByOther(X11Display& display);

}  // namespace kyq
