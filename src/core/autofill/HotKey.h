// The global hot key: the Alt, Ctrl and Shift flags and a main key (a Windows virtual-key
// code), stored with the settings, shown as text by the options and matched by the
// watcher. Default Ctrl+Alt+P.
#pragma once

#include <cstdint>

namespace kyq {

struct HotKey {
    bool Alt = true;
    bool Ctrl = true;
    bool Shift = false;
    int32_t Main = 80;
    bool operator==(const HotKey&) const = default;
};

}  // namespace kyq
