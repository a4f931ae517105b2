// What the user did with the program's icon in the notification area. Every activation is
// preceded by Hover: no desktop reports the pointer passing over the icon on its own.
#pragma once

namespace kyq {

enum class TrayActivation {
    Hover,        // the pointer is on the icon: the window in front may become the fill target
    Click,        // a single left click (once no double click followed)
    DoubleClick,
    MenuClick,    // the right button, or the desktop's own "context" gesture
    MiddleClick,
};

}  // namespace kyq
