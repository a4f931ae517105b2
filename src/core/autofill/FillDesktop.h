// What auto-fill needs of the desktop: the window that has the user's attention, bringing
// a window to the front, whether a window still has the keyboard focus, what can be typed,
// and typing into the window that has the focus. The X11 back end is X11FillDesktop; a
// Wayland one stands beside it; tests put a recording one in their place. The rules that
// decide what is typed and when typing stops are TypeIntoTarget's (GuardedFill.h), the
// same for every back end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kyq {


class FillDesktop {
public:
    virtual ~FillDesktop() = default;

    static constexpr size_t AllTypeable = std::u16string_view::npos;

    // Whether this desktop lets the program type at all. Where it does not (a Wayland
    // compositor with neither a virtual keyboard nor the remote-desktop portal), the fill
    // dialog offers the clipboard instead.
    virtual bool CanType() const { return true; }

    // The window in the foreground now; 0 when none can be told.
    virtual uint64_t Foreground() = 0;
    // Whether `window` is in the desktop's fullscreen state, where a new dialog may open
    // behind it. False where that cannot be told (there the dialog comes on top).
    virtual bool IsFullscreen(uint64_t /*window*/) { return false; }
    // Makes `window` the active, focused window. True only once that is confirmed.
    virtual bool Activate(uint64_t window) = 0;
    // True while `window` (or a window inside it) has the keyboard focus and no other
    // program holds the keyboard, so that keys sent now reach it. Asked before every piece
    // that is typed.
    virtual bool HasFocus(uint64_t window) = 0;
    // The position in `text` of the first character this desktop cannot make arrive as
    // itself now ("\t" is Tab, "\r\n" Enter); AllTypeable when every one can.
    virtual size_t FirstUntypeable(std::u16string_view text) = 0;

    // Once before the first piece of a fill: the user gets to let go of the keys still held
    // from the hot key and the dialog's Enter. EndTyping undoes what typing changed.
    virtual void BeginTyping() {}
    virtual void EndTyping() {}
    // Types one piece (a Tab, an Enter, or a run of other characters) into the window that
    // has the focus. A back end that sends the run in several parts asks `mayGoOn` before
    // each part after the first and stops when it says no. False when it stopped so.
    virtual bool TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn) = 0;
    // The fill dialog accepts Enter on its release, not its press: where the typing cannot
    // wait for the physical key to come up, its release would land in the typed text.
    virtual bool AcceptOnKeyRelease() const { return false; }
};

}  // namespace kyq
