// Waiting for the user to let go of keys before typing: a modifier still held turns the
// typed keys into shortcuts, and a Return typed while the Enter that accepted the fill
// dialog is down is taken as its auto-repeat or lost.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <chrono>
#include <functional>

namespace kyq {

// XQueryKeymap's answer: one bit per keycode.
using KeyboardState = std::array<char, 32>;

bool KeyIsDown(const KeyboardState& keys, unsigned keycode);

// Polls the keyboard until none of the keys `counts` picks is down, or `timeout` has
// passed; returns the state read last, so that the caller can let go of what is still held.
KeyboardState WaitForKeysUp(Display* display, const std::function<bool(unsigned keycode)>& counts,
                            std::chrono::milliseconds timeout, std::chrono::milliseconds poll);

}  // namespace kyq
