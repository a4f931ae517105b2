// Which hot-key chords the program takes from the other programs (a passive grab, so the
// chord never types into the focused window): only those nobody types as text, with Ctrl
// or Alt, or an F key. The keyboard hook grabs by it, and Options tells the user by it.
#pragma once

#include <cstdint>

namespace kyq {

inline constexpr uint32_t FirstFunctionKey = 112;  // F1, as a Windows virtual-key code
inline constexpr uint32_t LastFunctionKey = 123;   // F12

constexpr bool ChordTakenFromOthers(uint32_t virtualKey, bool ctrl, bool alt)
{
    return virtualKey != 0 &&
           (ctrl || alt || (virtualKey >= FirstFunctionKey && virtualKey <= LastFunctionKey));
}

}  // namespace kyq
