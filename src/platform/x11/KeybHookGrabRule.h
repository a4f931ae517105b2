// What becomes of the hot key's passive grab when the keyboard map changes. The chord must
// never reach the focused window after a layout change: under a map without a key for the
// chord's letter (a single Cyrillic layout, say) the grabs of the last map that had one stay
// in place, and the chord is taken on its new keys as soon as a map has it again.
#pragma once

#include <utility>
#include <vector>

namespace kyq {

// Keycode and modifier mask of one passive grab.
using KeyGrab = std::pair<unsigned, unsigned>;

enum class GrabChange {
    Keep,         // the new map puts the chord where it was grabbed
    KeepMissing,  // no key gives the chord's letter now: keep the old grabs, say it is missing
    Move,         // release the old grabs and take `wanted`
};

// held: the grabs in place; wanted: those the chord needs under the new map.
GrabChange GrabAfterMapChange(const std::vector<KeyGrab>& held, const std::vector<KeyGrab>& wanted);

}  // namespace kyq
