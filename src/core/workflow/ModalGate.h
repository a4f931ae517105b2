// Counts the program's modal windows (owned dialogs over a disabled owner, message boxes,
// file dialogs) so that what arrives from outside while one is open (a hand-over, a drop,
// the hot key's fill dialog) waits until the last has closed instead of stacking a second
// conversation over the first.
#pragma once

#include <functional>
#include <vector>

namespace kyq {

class ModalGate {
public:
    void Enter() { ++open_; }
    // The last one closing runs what waited, in arrival order.
    void Leave();
    bool Busy() const { return open_ > 0; }

    // Runs `action` now when nothing modal is open, else once the last modal window has
    // closed.
    void WhenFree(std::function<void()> action);

private:
    int open_ = 0;
    std::vector<std::function<void()>> waiting_;
};

}  // namespace kyq
