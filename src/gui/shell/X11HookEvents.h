// Turns the keyboard hook library's X11 client messages to the main window into key events
// on the program's event queue.
#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/autofill/HookKeyEvent.h"

namespace kyq {

class KyqApp;

class X11HookEvents : public QAbstractNativeEventFilter {
public:
    // window: the main window's X window id, asked at each event (0 while it has none).
    // atom: the message type that marks our messages; 0 leaves the filter inactive.
    X11HookEvents(KyqApp& app, std::function<uint32_t()> window, uint32_t atom);

    // The atom of the hook's client messages on the application's X connection; 0 when
    // the program does not run on X11.
    static uint32_t InternMessageAtom();

    // An xcb event that is a key event of the hook, addressed to the main window, decoded.
    std::optional<HookKeyEvent> Decode(const void* xcbEvent) const;

    // Posts each key event to the queue (the X event itself is consumed).
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    KyqApp& app_;
    std::function<uint32_t()> window_;
    uint32_t atom_;
};

}  // namespace kyq
