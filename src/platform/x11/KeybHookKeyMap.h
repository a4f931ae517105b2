// Which Windows virtual-key code the keyboard hook library reports for an X key.
#pragma once

#include <cstdint>

namespace kyq {

// The code for the key whose first (unshifted) keysym is `keysym`; 0 when the key has no
// code worth reporting. Both sides of Shift, Ctrl and Alt give the generic 16, 17, 18.
uint32_t VirtualKeyFromKeysym(unsigned long keysym);

// The code for a key given its first two keysyms. A keypad key whose second keysym is a
// keypad digit or the decimal point reports that (96-105, 110) while Num Lock is on and
// its navigation meaning (Home, End, arrows...) while it is off, as the keyboard does.
uint32_t VirtualKeyForKey(unsigned long unshifted, unsigned long shifted, bool numLock);

}  // namespace kyq
