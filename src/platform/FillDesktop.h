// What auto-fill needs of the desktop: the window that has the user's attention, bringing
// a window to the front, whether a window still has the keyboard focus, what can be typed,
// and typing into the window that has the focus. Each desktop (X11, wlroots, the portal
// desktops, one that can only copy) is one back end in its own folder under platform/;
// tests put a recording one in their place. The rules that decide what is typed and when
// typing stops are TypeIntoTarget's (GuardedFill.h), the same for every back end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kyq {

// A window as a back end names it. Only the back end that made it reads its number; everyone
// else goes by what it says of the window.
struct FillWindow {
    uint64_t id = 0;          // the back end's own name for it; 0: none could be told
    bool own = false;         // one of the program's own windows
    bool fullscreen = false;  // in the desktop's fullscreen state, where a dialog may open behind

    bool Known() const { return id != 0; }
    bool operator==(const FillWindow&) const = default;
};

class FillDesktop {
public:
    virtual ~FillDesktop() = default;

    static constexpr size_t AllTypeable = std::u16string_view::npos;

    // Whether this desktop lets the program type at all. Where it does not (a Wayland
    // compositor with neither a virtual keyboard nor the remote-desktop portal), the fill
    // dialog offers the clipboard instead.
    virtual bool CanType() const { return true; }

    // The window in the foreground now, as the desktop itself tells it (never a window the
    // toolkit believes active); not Known() when none can be told.
    virtual FillWindow Foreground() = 0;
    // Makes `window` the active, focused window. True only once that is confirmed.
    virtual bool Activate(const FillWindow& window) = 0;
    // Brings one of the program's own dialogs (the toolkit's native id of it) to the front
    // with the focus, where the desktop needs asking for that.
    virtual void ActivateOwn(uint64_t /*nativeWindow*/) {}
    // True while `window` (or a window inside it) has the keyboard focus and no other
    // program holds the keyboard, so that keys sent now reach it. Asked right before every
    // chunk of keys.
    virtual bool HasFocus(const FillWindow& window) = 0;
    // Whether `window` still exists; asked after a fill stopped, so the user is never sent
    // to check a window that is gone. True where that cannot be told.
    virtual bool StillThere(const FillWindow& /*window*/) { return true; }
    // The position in `text` of the first character this desktop cannot make arrive as
    // itself now ("\t" is Tab, "\r\n" Enter); AllTypeable when every one can.
    virtual size_t FirstUntypeable(std::u16string_view text) = 0;

    // Once before the first piece of a fill, with the whole text: the user gets to let go of
    // the keys still held from the hot key and the dialog's Enter, and a back end that maps
    // keys for the fill does so once. EndTyping undoes what typing changed.
    virtual void BeginTyping(std::u16string_view /*text*/) {}
    virtual void EndTyping() {}
    // Types one piece (a Tab, an Enter, or a run of other characters) into the window that
    // has the focus. A back end asks `mayGoOn` right before each chunk of keys it sends
    // (after any keymap change and pause, immediately before the keys) and stops when it
    // says no. False when it stopped so, or when the keys could not all be sent.
    virtual bool TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn) = 0;
    // The fill dialog accepts Enter on its release, not its press: where the typing cannot
    // wait for the physical key to come up, its release would land in the typed text.
    virtual bool AcceptOnKeyRelease() const { return false; }
};

}  // namespace kyq
