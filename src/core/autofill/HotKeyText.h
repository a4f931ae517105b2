// The text forms of a hot key: as the options dialog shows it, and as a desktop's
// shortcut service takes it (modifier names and an xkb key symbol name joined by "+").
#pragma once

#include <cstdint>
#include <string>

#include "core/autofill/HotKey.h"

namespace kyq {

// "Space", "Left".."Down", "0".."9", "A".."Z", "F1".."F12"; "" for any other code.
std::string HotKeyKeyName(int32_t virtualKey);
// "Shift+" "Ctrl+" "Alt+" (in that order, as set) followed by HotKeyKeyName(Main).
std::string HotKeyText(const HotKey& hotKey);
// "SHIFT+" "CTRL+" "ALT+" followed by the key's symbol name ("p", "5", "F7", "space",
// "Left"); "" for a main key without one, so that nothing wrong is proposed.
std::string ShortcutTriggerText(const HotKey& hotKey);

}  // namespace kyq
