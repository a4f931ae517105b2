#include "platform/wayland/WaylandConnection.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>

#include "platform/Log.h"
#include "virtual-keyboard-unstable-v1-client.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace kyq {

std::unique_ptr<WaylandConnection> WaylandConnection::Connect(const char* name)
{
    wl_display* display = wl_display_connect(name);
    if (!display) {
        LogWarning(LogArea::Keyboard, std::string("no Wayland compositor to connect to: ") +
                                          std::strerror(errno));
        return nullptr;
    }
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    static const wl_registry_listener listener = {&WaylandConnection::OnGlobal,
                                                  &WaylandConnection::OnGlobalRemove};
    connection->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(connection->registry_, &listener, connection.get());
    if (wl_display_roundtrip(display) < 0) {
        LogWarning(LogArea::Keyboard, "the Wayland compositor closed the connection at once");
        return nullptr;
    }
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display) {}

WaylandConnection::~WaylandConnection()
{
    if (keyboards_)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(keyboards_));
    if (toplevels_) {
        zwlr_foreign_toplevel_manager_v1_stop(toplevels_);
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(toplevels_));
    }
    if (seat_)
        wl_seat_destroy(seat_);
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

void WaylandConnection::OnGlobal(void* data, wl_registry* registry, uint32_t name,
                                 const char* interface, uint32_t version)
{
    auto* self = static_cast<WaylandConnection*>(data);
    const std::string_view kind = interface;
    // The first seat is the user's; a headless or single-seat desktop has only one.
    if (kind == wl_seat_interface.name && !self->seat_) {
        self->seat_ = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 1u)));
    } else if (kind == zwlr_foreign_toplevel_manager_v1_interface.name && !self->toplevels_) {
        self->toplevels_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, 3u)));
    } else if (kind == zwp_virtual_keyboard_manager_v1_interface.name && !self->keyboards_) {
        self->keyboards_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
}

void WaylandConnection::OnGlobalRemove(void*, wl_registry*, uint32_t) {}

int WaylandConnection::Fd() const
{
    return wl_display_get_fd(display_);
}

bool WaylandConnection::Failed() const
{
    return wl_display_get_error(display_) != 0;
}

bool WaylandConnection::Dispatch()
{
    WaitUntil([] { return true; }, std::chrono::milliseconds(0));
    return !Failed();
}

bool WaylandConnection::Roundtrip()
{
    return wl_display_roundtrip(display_) >= 0;
}

bool WaylandConnection::WaitUntil(const std::function<bool()>& done,
                                  std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0)
                return false;
        }
        wl_display_flush(display_);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watch{Fd(), POLLIN, 0};
        const int ready = poll(&watch, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
        if (ready > 0) {
            if (wl_display_read_events(display_) < 0)
                return false;
        } else {
            wl_display_cancel_read(display_);
        }
        if (wl_display_dispatch_pending(display_) < 0)
            return false;
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    }
}

}  // namespace kyq
