// The text form of a hot key, as the options dialog shows it.
#pragma once

#include <cstdint>
#include <string>

#include "core/autofill/HotKey.h"

namespace kyq {

// "Space", "Left".."Down", "0".."9", "A".."Z", "F1".."F12"; "" for any other code.
std::string HotKeyKeyName(int32_t virtualKey);
// "Shift+" "Ctrl+" "Alt+" (in that order, as set) followed by HotKeyKeyName(Main).
std::string HotKeyText(const HotKey& hotKey);

}  // namespace kyq
