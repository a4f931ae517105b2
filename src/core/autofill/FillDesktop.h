// What auto-fill needs of the desktop: the window that has the user's attention, bringing
// a window to the front, and typing into the window that has the focus. The program's back
// end works on X11 (X11FillDesktop); tests put a recording one in its place.
#pragma once

#include <cstdint>
#include <string>

namespace kyq {

// Said when the window to fill did not get the focus back: nothing was typed.
inline constexpr char16_t TargetNotActiveText[] =
    u"要填充的窗口没有回到前台，为安全起见没有输入任何内容。请切换到该窗口后再按快捷键。";

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
    // The fill dialog accepts Enter on its release, not its press: where the typing cannot
    // wait for the physical key to come up, its release would land in the typed text.
    virtual bool AcceptOnKeyRelease() const { return false; }
};

}  // namespace kyq
