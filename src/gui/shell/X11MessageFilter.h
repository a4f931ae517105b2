// Turns the X11 client messages that carry window messages (from the keyboard hook library
// or another process) into messages of the main window.
#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/workflow/MessageChain.h"

namespace kyq {

class KyqApp;

class X11MessageFilter : public QAbstractNativeEventFilter {
public:
    // window: the main window's X window id, asked at each event (0 while it has none).
    // atom: the message type that marks our messages; 0 leaves the filter inactive.
    X11MessageFilter(KyqApp& app, std::function<uint32_t()> window, uint32_t atom);

    // The atom of the hook's client messages on the application's X connection; 0 when
    // the program does not run on X11.
    static uint32_t InternMessageAtom();

    // An xcb event that is one of our messages, addressed to the main window, decoded.
    std::optional<WindowMessage> Decode(const void* xcbEvent) const;

    // Posts each message to the main window (the X event itself is consumed).
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    KyqApp& app_;
    std::function<uint32_t()> window_;
    uint32_t atom_;
};

}  // namespace kyq
