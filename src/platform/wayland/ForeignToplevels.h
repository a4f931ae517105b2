// Every toplevel window on a wlroots compositor, as its foreign-toplevel protocol reports
// them: which one is activated (has the seat's focus), and a request to activate one. A
// window is named by a number of our own, never 0 and never reused while the program runs;
// bit 62 is set in every one, so that none equals a toolkit's small native window ids.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct zwlr_foreign_toplevel_handle_v1;

namespace kyq {

class WaylandConnection;

class ForeignToplevels {
public:
    struct Window {
        uint64_t id = 0;
        std::string title;
        std::string appId;
        bool activated = false;
        bool fullscreen = false;
    };

    // Follows the toplevels of `connection`, which must offer the protocol and outlive this.
    explicit ForeignToplevels(WaylandConnection& connection);
    ~ForeignToplevels();
    ForeignToplevels(const ForeignToplevels&) = delete;
    ForeignToplevels& operator=(const ForeignToplevels&) = delete;

    // The windows as of the last events read, in the order they appeared.
    std::vector<Window> Windows() const;
    // The activated window after a round trip, so that it is the compositor's current
    // answer; 0 when none is (an empty workspace, a layer surface has the keyboard).
    uint64_t Activated();
    bool IsActivated(uint64_t id) const;
    // Asks the compositor to give `id` the focus and waits up to `timeout` for its state to
    // say activated. False when it did not, or the window is gone.
    bool Activate(uint64_t id, std::chrono::milliseconds timeout);
    // Activates the window with this app_id and title (the program's own, which it cannot
    // name otherwise), as Activate does; false when there is none.
    bool ActivateNamed(const std::string& appId, const std::string& title,
                       std::chrono::milliseconds timeout);
    // Waits up to `timeout` for `id` to be activated without asking for it.
    bool WaitActivated(uint64_t id, std::chrono::milliseconds timeout);

    struct Handle;

private:
    Handle* Find(uint64_t id) const;

    WaylandConnection& connection_;
    std::vector<std::unique_ptr<Handle>> handles_;
    uint64_t nextId_ = (uint64_t{1} << 62) + 1;

    friend struct ForeignToplevelsListeners;
};

}  // namespace kyq
