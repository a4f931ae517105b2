// A round trip through the typing target's event queue: the window is pinged (the
// window-manager ping) after the keys, and its answer proves it has handled all of them.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <memory>

namespace kyq {

class KeystrokeSenderPing {
public:
    // Null when neither the focus window nor a parent of it answers pings; the caller
    // then falls back to fixed waits.
    static std::unique_ptr<KeystrokeSenderPing> For(Display* display, Window focus);
    ~KeystrokeSenderPing();
    KeystrokeSenderPing(const KeystrokeSenderPing&) = delete;
    KeystrokeSenderPing& operator=(const KeystrokeSenderPing&) = delete;

    // Pings after everything sent so far and waits for the answer. False on timeout.
    bool RoundTrip(std::chrono::milliseconds timeout);

private:
    KeystrokeSenderPing(Display* display, Window client);

    Display* display_;
    Window client_;
    Atom protocols_ = None;
    Atom ping_ = None;
    unsigned long stamp_ = 0;
};

}  // namespace kyq
