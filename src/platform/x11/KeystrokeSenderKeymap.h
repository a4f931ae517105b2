// The keyboard as the typing side needs it: for each key symbol of the current group the
// keycode and modifier keys that produce it, the spare keycodes, the modifier keys.
#pragma once

#include <X11/Xlib.h>

#include <unordered_map>
#include <vector>

namespace kyq {

struct KeyStroke {
    unsigned keycode = 0;
    std::vector<unsigned> modifierKeycodes;  // held down around the key, in this order
};

class KeystrokeSenderKeymap {
public:
    // Reads the map, the effective group and the locked modifiers (Caps Lock should be
    // off already). False when the server gave no keyboard description.
    bool Load(Display* display);

    // Null when no key of the current group gives `keysym` with pressable modifiers.
    const KeyStroke* Find(unsigned long keysym) const;
    // Keycodes without any symbol, those in the longest consecutive runs first (a run is
    // remapped with one request).
    const std::vector<unsigned>& SpareKeycodes() const { return spare_; }
    // A key that holds Shift (second level of a spare keycode), one that holds Ctrl
    // (control codes); 0 when the map has none.
    unsigned ShiftKeycode() const { return shift_; }
    unsigned ControlKeycode() const { return control_; }

private:
    std::unordered_map<unsigned long, KeyStroke> strokes_;
    std::vector<unsigned> spare_;
    unsigned shift_ = 0;
    unsigned control_ = 0;
};

// Every keycode of the modifier map, and the ones of Shift, Ctrl and Alt among them
// (what the user may still be holding from the hot key).
struct ModifierKeys {
    std::vector<unsigned> all;
    std::vector<unsigned> shiftControlAlt;
};
ModifierKeys ReadModifierKeys(Display* display);

}  // namespace kyq
