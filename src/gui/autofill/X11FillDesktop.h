// Auto-fill's desktop on X11: an Xlib connection of its own for the foreground window and
// for typing through XTest. Without a display every step does nothing.
#pragma once

#include <memory>

#include "core/autofill/FillDesktop.h"
#include "platform/x11/ForegroundWindow.h"
#include "platform/x11/KeystrokeSender.h"
#include "platform/x11/X11Display.h"

namespace kyq {

class X11FillDesktop final : public FillDesktop {
public:
    // displayName: null for $DISPLAY.
    explicit X11FillDesktop(const char* displayName = nullptr);

    uint64_t Foreground() override;
    bool Activate(uint64_t window) override;
    bool HasFocus(uint64_t window) override;
    size_t FirstUntypeable(std::u16string_view text) override;
    void BeginTyping() override;
    void EndTyping() override;
    bool TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn) override;

private:
    X11Display display_;
    ForegroundWindow foreground_;
    KeystrokeSender sender_;
};

}  // namespace kyq
