// One key event the keyboard hook saw anywhere on the desktop, as the hot-key watcher reads
// it: which key (a Windows virtual-key code: Shift, Ctrl and Alt of either side as 16, 17,
// 18), whether it went up, and whether a press only repeats a key already down.
#pragma once

#include <cstdint>

namespace kyq {

struct HookKeyEvent {
    int32_t Key = 0;
    bool Released = false;
    bool Repeat = false;
};

}  // namespace kyq
