// The keymap a virtual keyboard uploads to type one stretch of text: one key per distinct
// key symbol, from keycode 9 up. X11 programs under Xwayland read no keycode past 255, so a
// keymap holds at most 247 symbols; longer texts are typed with one keymap per stretch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kyq {

inline constexpr uint32_t kFirstVirtualKeycode = 9;
inline constexpr size_t kMaxVirtualKeys = 256 - kFirstVirtualKeycode;

struct VirtualKeymap {
    // The keymap in the text form the protocol uploads (without its terminating zero).
    std::string text;
    // The modifier masks that hold Ctrl and Alt down in this keymap.
    uint32_t controlMask = 0;
    uint32_t altMask = 0;

    // The evdev code that types `keysyms[index]` of the list the keymap was built for.
    static uint32_t KeyOf(size_t index) { return kFirstVirtualKeycode + index - 8; }
};

// Builds and checks (with xkbcommon) the keymap for up to kMaxVirtualKeys distinct key
// symbols; nullopt for more, or when xkbcommon refuses it.
std::optional<VirtualKeymap> BuildVirtualKeymap(const std::vector<unsigned long>& keysyms);

}  // namespace kyq
