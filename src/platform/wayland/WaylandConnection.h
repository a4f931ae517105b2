// A Wayland connection of the program's own, beside the toolkit's: the seat and the two
// wlroots globals auto-fill needs. Events are read only when the owner asks (Dispatch from
// its event loop, Roundtrip, WaitUntil), so nothing here runs on another thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_foreign_toplevel_manager_v1;
struct zwp_virtual_keyboard_manager_v1;

namespace kyq {

class WaylandConnection {
public:
    // Connects to $WAYLAND_DISPLAY and learns the globals; null without a compositor.
    static std::unique_ptr<WaylandConnection> Connect(const char* name = nullptr);
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* Display() const { return display_; }
    wl_seat* Seat() const { return seat_; }
    // Null where the compositor does not offer the protocol (GNOME, KDE).
    zwlr_foreign_toplevel_manager_v1* ToplevelManager() const { return toplevels_; }
    zwp_virtual_keyboard_manager_v1* KeyboardManager() const { return keyboards_; }

    // The socket to watch for readable events.
    int Fd() const;
    // Reads what has arrived without blocking and runs its handlers; false once the
    // connection has failed.
    bool Dispatch();
    // Sends what is queued and waits until the compositor has answered all of it.
    bool Roundtrip();
    // Reads events until `done` holds or `timeout` has passed; true when it held.
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    bool Failed() const;

private:
    explicit WaylandConnection(wl_display* display);
    static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version);
    static void OnGlobalRemove(void* data, wl_registry* registry, uint32_t name);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwlr_foreign_toplevel_manager_v1* toplevels_ = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboards_ = nullptr;
};

}  // namespace kyq
