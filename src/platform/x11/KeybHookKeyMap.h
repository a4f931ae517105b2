// Which Windows virtual-key code the keyboard hook library reports for an X key.
#pragma once

#include <cstdint>
#include <span>

namespace kyq {

// The code for the key whose first (unshifted) keysym is `keysym`; 0 when the key has no
// code worth reporting. Both sides of Shift, Ctrl and Alt give the generic 16, 17, 18.
uint32_t VirtualKeyFromKeysym(unsigned long keysym);

// The code for a key given its first two keysyms. A keypad key whose second keysym is a
// keypad digit or the decimal point reports that (96-105, 110) while Num Lock is on and
// its navigation meaning (Home, End, arrows...) while it is off, as the keyboard does.
uint32_t VirtualKeyForKey(unsigned long unshifted, unsigned long shifted, bool numLock);

// The same for a key of a keyboard map with several layout groups (`ru,us`): the first
// group's symbols decide; a key that gives no code there reports the code of the first
// symbol of the other groups (`otherGroups`, in group order) that has one, so that the key
// that is P in the Latin group is P in every group, as the keyboard's letters stay put.
uint32_t VirtualKeyForKey(unsigned long unshifted, unsigned long shifted, bool numLock,
                          std::span<const unsigned long> otherGroups);

}  // namespace kyq
