#include "platform/wayland/ForeignToplevels.h"

#include <wayland-client.h>

#include <algorithm>

#include "platform/wayland/WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace kyq {

// The protocol sends a window's details one by one and "done" when they form a whole; the
// pending copy collects them so that nobody sees half a change (a focus moving between two
// windows arrives as two such changes, never as two activated windows at once).
struct ForeignToplevels::Handle {
    zwlr_foreign_toplevel_handle_v1* proxy = nullptr;
    ForeignToplevels* owner = nullptr;
    Window current;
    Window pending;
    bool closed = false;
};

struct ForeignToplevelsListeners {
    static void Title(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title)
    {
        static_cast<ForeignToplevels::Handle*>(data)->pending.title = title ? title : "";
    }
    static void AppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId)
    {
        static_cast<ForeignToplevels::Handle*>(data)->pending.appId = appId ? appId : "";
    }
    static void OutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void State(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states)
    {
        auto* handle = static_cast<ForeignToplevels::Handle*>(data);
        handle->pending.activated = false;
        handle->pending.fullscreen = false;
        // The array's size is in bytes; a partial trailing entry is ignored.
        const size_t count = states->size / sizeof(uint32_t);
        const auto* values = static_cast<const uint32_t*>(states->data);
        for (size_t i = 0; i < count; ++i) {
            if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)
                handle->pending.activated = true;
            else if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN)
                handle->pending.fullscreen = true;
        }
    }
    static void Done(void* data, zwlr_foreign_toplevel_handle_v1*)
    {
        auto* handle = static_cast<ForeignToplevels::Handle*>(data);
        handle->current = handle->pending;
    }
    static void Closed(void* data, zwlr_foreign_toplevel_handle_v1*)
    {
        auto* handle = static_cast<ForeignToplevels::Handle*>(data);
        handle->closed = true;
        handle->current.activated = false;
    }
    static void Parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*)
    {
    }

    static constexpr zwlr_foreign_toplevel_handle_v1_listener HandleListener = {
        Title, AppId, OutputEnter, OutputLeave, State, Done, Closed, Parent};

    static void Toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* proxy)
    {
        auto* owner = static_cast<ForeignToplevels*>(data);
        // Closed windows are let go here, so the list never grows past the open ones.
        auto& handles = owner->handles_;
        handles.erase(std::remove_if(handles.begin(), handles.end(),
                                     [](const std::unique_ptr<ForeignToplevels::Handle>& h) {
                                         if (!h->closed)
                                             return false;
                                         zwlr_foreign_toplevel_handle_v1_destroy(h->proxy);
                                         return true;
                                     }),
                      handles.end());
        auto handle = std::make_unique<ForeignToplevels::Handle>();
        handle->proxy = proxy;
        handle->owner = owner;
        handle->pending.id = handle->current.id = owner->nextId_++;
        zwlr_foreign_toplevel_handle_v1_add_listener(proxy, &HandleListener, handle.get());
        handles.push_back(std::move(handle));
    }
    static void Finished(void*, zwlr_foreign_toplevel_manager_v1*) {}

    static constexpr zwlr_foreign_toplevel_manager_v1_listener ManagerListener = {Toplevel,
                                                                                  Finished};
};

ForeignToplevels::ForeignToplevels(WaylandConnection& connection) : connection_(connection)
{
    zwlr_foreign_toplevel_manager_v1_add_listener(connection_.ToplevelManager(),
                                                  &ForeignToplevelsListeners::ManagerListener,
                                                  this);
    // The existing windows and their details arrive in answer to the bind.
    connection_.Roundtrip();
    connection_.Roundtrip();
}

ForeignToplevels::~ForeignToplevels()
{
    for (const auto& handle : handles_)
        zwlr_foreign_toplevel_handle_v1_destroy(handle->proxy);
}

std::vector<ForeignToplevels::Window> ForeignToplevels::Windows() const
{
    std::vector<Window> windows;
    for (const auto& handle : handles_) {
        if (!handle->closed)
            windows.push_back(handle->current);
    }
    return windows;
}

uint64_t ForeignToplevels::Activated()
{
    connection_.Roundtrip();
    for (const auto& handle : handles_) {
        if (!handle->closed && handle->current.activated)
            return handle->current.id;
    }
    return 0;
}

ForeignToplevels::Handle* ForeignToplevels::Find(uint64_t id) const
{
    for (const auto& handle : handles_) {
        if (handle->current.id == id && !handle->closed)
            return handle.get();
    }
    return nullptr;
}

bool ForeignToplevels::IsActivated(uint64_t id) const
{
    const Handle* handle = Find(id);
    return handle && handle->current.activated;
}

bool ForeignToplevels::Activate(uint64_t id, std::chrono::milliseconds timeout)
{
    // Asking again for a window that has the focus makes sway send the keyboard focus out
    // and back in, and a toolkit may lose the keys in between.
    connection_.Roundtrip();
    Handle* handle = Find(id);
    if (!handle || !connection_.Seat())
        return false;
    if (handle->current.activated)
        return true;
    zwlr_foreign_toplevel_handle_v1_activate(handle->proxy, connection_.Seat());
    return WaitActivated(id, timeout);
}

bool ForeignToplevels::ActivateNamed(const std::string& appId, const std::string& title,
                                     std::chrono::milliseconds timeout)
{
    connection_.Roundtrip();
    for (const auto& handle : handles_) {
        if (!handle->closed && handle->current.appId == appId && handle->current.title == title)
            return Activate(handle->current.id, timeout);
    }
    return false;
}

bool ForeignToplevels::WaitActivated(uint64_t id, std::chrono::milliseconds timeout)
{
    // The state already read may be stale: the compositor's answer to everything sent so
    // far comes first.
    connection_.Roundtrip();
    if (IsActivated(id))
        return true;
    connection_.WaitUntil([this, id] { return IsActivated(id) || !Find(id); }, timeout);
    return IsActivated(id);
}

}  // namespace kyq
