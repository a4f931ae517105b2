#include "platform/x11/KeyReleaseWait.h"

#include <thread>

namespace kyq {

namespace {

constexpr unsigned MinKeycode = 8;  // X never sends a smaller one
constexpr unsigned KeycodeCount = 256;

}  // namespace

bool KeyIsDown(const KeyboardState& keys, unsigned keycode)
{
    return keycode < KeycodeCount && (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
}

KeyboardState WaitForKeysUp(Display* display, const std::function<bool(unsigned keycode)>& counts,
                            std::chrono::milliseconds timeout, std::chrono::milliseconds poll)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    KeyboardState keys {};
    for (;;) {
        XQueryKeymap(display, keys.data());
        bool held = false;
        for (unsigned keycode = MinKeycode; keycode < KeycodeCount && !held; ++keycode)
            held = KeyIsDown(keys, keycode) && counts(keycode);
        if (!held || std::chrono::steady_clock::now() >= deadline)
            return keys;
        std::this_thread::sleep_for(poll);
    }
}

}  // namespace kyq
