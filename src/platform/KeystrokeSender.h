// Types a text into the window that has the input focus with XTest, so that every
// character arrives as itself whatever the keyboard layout (the program's TypeCharacter).
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>

#include "platform/X11Display.h"

namespace kyq {

struct KeystrokeTiming {
    // How long the user gets to let go of Shift, Ctrl and Alt (still held from the hot
    // key) before they are released for him.
    std::chrono::milliseconds modifierWait{1000};
    std::chrono::milliseconds modifierPoll{10};
    // Time the target gets to reread the keyboard map after spare keycodes were given
    // symbols, and to handle the keys typed with them before they are taken away again.
    std::chrono::milliseconds remapSettle{80};
};

class KeystrokeSender {
public:
    explicit KeystrokeSender(X11Display& display, KeystrokeTiming timing = {});

    // Types `text` ("\t" as Tab, "\r\n" or a lone "\r" or "\n" as one Return). Returns how
    // many characters were skipped because they cannot be typed; the rest still is.
    // Modifiers held when typing starts are released, Caps Lock is off while typing and
    // restored afterwards, and the keyboard map is always left as it was found.
    size_t Type(std::u16string_view text);

private:
    void ReleaseHeldModifiers();

    X11Display& display_;
    KeystrokeTiming timing_;
};

}  // namespace kyq
