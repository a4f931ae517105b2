// Types a text into the window that has the input focus with XTest, so that every
// character arrives as itself whatever the keyboard layout (the program's TypeCharacter).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
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
class CapsLockOff;

class KeystrokeSender {
public:
    explicit KeystrokeSender(X11Display& display, KeystrokeTiming timing = {});
    ~KeystrokeSender();

    static constexpr size_t AllTypeable = std::u16string_view::npos;

    // Types `text` ("\t" as Tab, "\r\n" or a lone "\r" or "\n" as one Return). Returns how
    // many characters were skipped because they cannot be typed; the rest still is.
    // Modifiers held when typing starts are released, Caps Lock is off while typing and
    // restored afterwards, and the keyboard map is always left as it was found.
    size_t Type(std::u16string_view text);

    // The position of the first character of `text` that the current keyboard map cannot
    // type (no key, and no spare keycode to lend it one, or no symbol types it at all);
    // AllTypeable when there is none.
    size_t FirstUntypeable(std::u16string_view text);

    // Type in steps: Begin releases the held modifiers and turns Caps Lock off, TypePiece
    // types one text, asking `mayGoOn` before each chunk after its first (a chunk is what
    // fits the spare keycodes at once) and stopping when it says no (false then, as when a
    // character could not be typed after all), and End restores Caps Lock.
    void Begin();
    bool TypePiece(std::u16string_view text, const std::function<bool()>& mayGoOn);
    void End();

private:
    void ReleaseHeldModifiers();
    // Returns the characters skipped; `stopped` tells whether mayGoOn ended it early.
    size_t TypeWith(const KeystrokeSenderKeymap& keymap, const std::vector<unsigned long>& keysyms,
                    const std::function<bool()>& mayGoOn, bool& stopped);

    X11Display& display_;
    KeystrokeTiming timing_;
    std::unique_ptr<CapsLockOff> capsLock_;
};

}  // namespace kyq
