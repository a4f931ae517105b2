// Types a text into the window that has the input focus with XTest, so that every
// character arrives as itself whatever the keyboard layout (the program's TypeCharacter).
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/x11/X11Display.h"

namespace kyq {

struct KeystrokeTiming {
    // How long the user gets to let go of Shift, Ctrl and Alt (still held from the hot
    // key) before they are released for him.
    std::chrono::milliseconds modifierWait{1000};
    std::chrono::milliseconds modifierPoll{10};
    // Characters without a key go through spare keycodes given their symbols for a
    // moment. A target that answers pings says when it has handled the keys typed with
    // them; this long it gets to answer.
    std::chrono::milliseconds answerTimeout{3000};
    // For a target that does not answer: the fixed time it gets to reread the map before
    // those keys, and to handle them before the symbols are taken away again.
    std::chrono::milliseconds remapSettle{100};
};

class KeystrokeSenderKeymap;

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
    size_t TypeWith(const KeystrokeSenderKeymap& keymap, const std::vector<unsigned long>& keysyms);

    X11Display& display_;
    KeystrokeTiming timing_;
};

}  // namespace kyq
