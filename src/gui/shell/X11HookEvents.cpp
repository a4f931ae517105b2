#include "gui/shell/X11HookEvents.h"

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <xcb/xcb.h>

#include "core/workflow/KyqApp.h"
#include "platform/HookMessage.h"

namespace kyq {

X11HookEvents::X11HookEvents(KyqApp& app, std::function<uint32_t()> window, uint32_t atom)
    : app_(app), window_(std::move(window)), atom_(atom)
{
}

uint32_t X11HookEvents::InternMessageAtom()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return 0;
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(HookMessageAtomName)),
                        HookMessageAtomName);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return 0;
    const uint32_t atom = reply->atom;
    std::free(reply);
    return atom;
}

std::optional<HookKeyEvent> X11HookEvents::Decode(const void* xcbEvent) const
{
    if (!xcbEvent || atom_ == 0)
        return std::nullopt;
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
        return std::nullopt;
    const auto* client = static_cast<const xcb_client_message_event_t*>(xcbEvent);
    if (client->type != atom_ || client->format != HookMessageFormat)
        return std::nullopt;
    const uint32_t window = window_ ? window_() : 0;
    if (window == 0 || client->window != window)
        return std::nullopt;
    const HookMessage hook =
        DecodeHookMessage(client->data.data32[HookSlotMessage], client->data.data32[HookSlotWParam],
                          client->data.data32[HookSlotLParam]);
    if (hook.message != KeyboardHookMessage)
        return std::nullopt;
    HookKeyEvent key;
    key.Key = static_cast<int32_t>(hook.wParam);
    key.Released = HookKeyReleased(hook.lParam);
    // Press and auto-repeat have the release bit clear.
    key.Repeat = !key.Released && (hook.lParam & HookFlagWasDown) != 0;
    return key;
}

bool X11HookEvents::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const std::optional<HookKeyEvent> decoded = Decode(message);
    if (!decoded)
        return false;
    // Posted, not handled here: a handler may open dialogs, and native event filtering is
    // no place for nested event loops.
    app_.PostEvent(*decoded);
    return true;
}

}  // namespace kyq
