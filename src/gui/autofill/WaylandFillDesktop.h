// Auto-fill's desktop on a wlroots Wayland compositor (sway, Hyprland, river, labwc,
// Wayfire): a Wayland connection of its own for the foreground window (foreign toplevels)
// and for typing (a virtual keyboard). Where the compositor offers neither, every step
// does nothing and Available() says so.
#pragma once

#include <chrono>
#include <memory>

#include "core/autofill/FillDesktop.h"

class QSocketNotifier;

namespace kyq {

class ForeignToplevels;
class VirtualKeyboardTyper;
class WaylandConnection;

class WaylandFillDesktop final : public FillDesktop {
public:
    // How long a window may take to become active before nothing is typed into it.
    static constexpr std::chrono::milliseconds ActivationWait{2000};

    WaylandFillDesktop();
    ~WaylandFillDesktop() override;

    // The compositor tells the focused window and lets a program type.
    bool Available() const;

    uint64_t Foreground() override;
    // The window's foreign-toplevel state as last reported.
    bool IsFullscreen(uint64_t window) override;
    // For a window of another program: asks for it to be activated and waits until the
    // compositor's state says it is, up to ActivationWait. For one of the program's own
    // windows (its native id): the same, found by its title.
    bool Activate(uint64_t window) override;
    // The compositor's current state: the window is activated.
    bool HasFocus(uint64_t window) override;
    size_t FirstUntypeable(std::u16string_view text) override;
    bool TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn) override;
    void BeginTyping() override;
    bool AcceptOnKeyRelease() const override { return true; }
    bool CanType() const override { return Available(); }

private:
    std::unique_ptr<WaylandConnection> connection_;
    std::unique_ptr<ForeignToplevels> toplevels_;
    std::unique_ptr<VirtualKeyboardTyper> typer_;
    std::unique_ptr<QSocketNotifier> events_;
};

}  // namespace kyq
