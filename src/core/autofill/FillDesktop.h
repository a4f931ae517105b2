// What auto-fill needs of the desktop: the window that has the user's attention, bringing
// a window to the front, and typing into the window that has the focus. The program's back
// end works on X11 (X11FillDesktop); tests put a recording one in its place.
#pragma once

#include <cstdint>
#include <string>

namespace kyq {

class FillDesktop {
public:
    virtual ~FillDesktop() = default;

    // The window in the foreground now; 0 when none can be told.
    virtual uint64_t Foreground() = 0;
    // Makes `window` the active, focused window. True only once that is confirmed.
    virtual bool Activate(uint64_t window) = 0;
    // Types `text` into the window that has the focus ("\t" Tab, "\r\n" Enter), after the
    // user has let go of the modifiers still held from the hot key.
    virtual void Type(const std::u16string& text) = 0;
};

}  // namespace kyq
