// Types a text through a virtual keyboard of the wlroots protocol: every character as its
// own key symbol (Chinese included), Tab and Return as those keys, control codes as Ctrl
// plus their letter. The keyboard is made once and kept: a keyboard that comes and goes
// makes the compositor move the focus out and back in, and a client may drop the first key
// after that.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/wayland/VirtualKeymap.h"

struct zwp_virtual_keyboard_v1;

namespace kyq {

class WaylandConnection;

class VirtualKeyboardTyper {
public:
    // X11 programs under Xwayland read every key with the last keymap they were sent: a
    // keymap must wait until they have read the keys before it, the user's own included
    // (without the wait an X11 terminal sometimes received nothing of a fill).
    static constexpr std::chrono::milliseconds KeymapSwitchPause{100};

    // `connection` must offer the virtual keyboard manager and a seat, and outlive this.
    explicit VirtualKeyboardTyper(WaylandConnection& connection);
    ~VirtualKeyboardTyper();
    VirtualKeyboardTyper(const VirtualKeyboardTyper&) = delete;
    VirtualKeyboardTyper& operator=(const VirtualKeyboardTyper&) = delete;

    enum Modifier : unsigned { Control = 1, Alt = 2 };

    // Types into whatever has the keyboard focus now. False when not everything was sent:
    // no keyboard, a refused keymap, a connection that failed (said on standard error), or
    // `mayGoOn` said no. Characters nothing can type (code 0, unpaired surrogates) are
    // skipped and the rest still arrives in order.
    // `held`: modifiers held down around every key (a chord such as Ctrl+Alt+P).
    // `mayGoOn` is asked right before each chunk's keys, after its keymap and pause.
    bool Type(const std::u16string& text, unsigned held = 0,
              const std::function<bool()>& mayGoOn = {});
    // The next text uploads its keymap whatever the last one held (a new fill: another
    // keyboard may have been used since).
    void ForgetKeymap();
    // One keymap for a whole fill where its distinct symbols (Tab and Return included) fit,
    // so that its pieces need no further keymap and pause. False where they do not fit or
    // the keymap could not be sent (then each piece uploads its own).
    bool Prepare(const std::u16string& text);

private:
    // Sends a keymap of exactly `keysyms`, after the pause that lets X11 programs finish
    // reading keys under the one before. False when it could not.
    bool Upload(const std::vector<unsigned long>& keysyms);

    WaylandConnection& connection_;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    // The symbols of the keymap uploaded last: a text they cover needs no new one.
    std::vector<unsigned long> uploaded_;
    VirtualKeymap uploadedKeymap_;
};

}  // namespace kyq
