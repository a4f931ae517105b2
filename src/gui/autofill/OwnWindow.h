// Whether a native window is one of the program's own: those are never a fill target.
#pragma once

#include <cstdint>

namespace kyq {

// True for the native window of any of the program's top-level widgets (main window,
// dialogs, message boxes, menus).
bool IsOwnWindow(uint64_t window);

}  // namespace kyq
