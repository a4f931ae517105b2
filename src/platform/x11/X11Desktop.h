// Auto-fill's desktop on X11: an Xlib connection of its own for the foreground window and
// for typing through XTest. The program's own windows are told by their X ids, which the
// toolkit reports in the same space. Without a display every step does nothing.
#pragma once

#include <functional>
#include <vector>

#include "platform/FillDesktop.h"
#include "platform/x11/ForegroundWindow.h"
#include "platform/x11/KeystrokeSender.h"
#include "platform/x11/X11Display.h"

namespace kyq {

class X11Desktop final : public FillDesktop {
public:
    // The X ids of the program's top-level windows now (main window, dialogs, menus).
    using OwnWindows = std::function<std::vector<uint64_t>()>;

    // displayName: null for $DISPLAY.
    explicit X11Desktop(OwnWindows ownWindows, const char* displayName = nullptr);

    FillWindow Foreground() override;
    bool Activate(const FillWindow& window) override;
    void ActivateOwn(uint64_t nativeWindow) override;
    bool HasFocus(const FillWindow& window) override;
    bool StillThere(const FillWindow& window) override;
    size_t FirstUntypeable(std::u16string_view text) override;
    void BeginTyping(std::u16string_view text) override;
    void EndTyping() override;
    bool TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn) override;

private:
    OwnWindows ownWindows_;
    X11Display display_;
    ForegroundWindow foreground_;
    KeystrokeSender sender_;
};

}  // namespace kyq
