// Auto-fill's desktop on a wlroots Wayland compositor (sway, Hyprland, river, labwc,
// Wayfire): a Wayland connection of its own for the foreground window (foreign toplevels)
// and for typing (a virtual keyboard). The program's own windows are the toplevels that
// carry its app_id. Where the compositor offers neither protocol, Available() says so.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/FillDesktop.h"

class QSocketNotifier;

namespace kyq {

class ForeignToplevels;
class VirtualKeyboardTyper;
class WaylandConnection;

class WlrootsDesktop final : public FillDesktop {
public:
    // How long a window may take to become active before nothing is typed into it.
    static constexpr std::chrono::milliseconds ActivationWait{2000};

    // ownAppId: the app_id the toolkit gives the program's windows.
    explicit WlrootsDesktop(std::string ownAppId);
    ~WlrootsDesktop() override;

    // The compositor tells the focused window and lets a program type.
    bool Available() const;

    // The compositor's activated toplevel after a round trip.
    FillWindow Foreground() override;
    // Asks for the window to be activated and waits until the compositor's state says it
    // is, up to ActivationWait.
    bool Activate(const FillWindow& window) override;
    // One of the program's dialogs: found among its own toplevels by title.
    void ActivateOwn(uint64_t nativeWindow) override;
    // The compositor's answer to everything sent so far: the window is activated.
    bool HasFocus(const FillWindow& window) override;
    bool StillThere(const FillWindow& window) override;
    size_t FirstUntypeable(std::u16string_view text) override;
    void BeginTyping(std::u16string_view text) override;
    bool TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn) override;
    bool AcceptOnKeyRelease() const override { return true; }
    bool CanType() const override { return Available(); }

private:
    std::string ownAppId_;
    std::unique_ptr<WaylandConnection> connection_;
    std::unique_ptr<ForeignToplevels> toplevels_;
    std::unique_ptr<VirtualKeyboardTyper> typer_;
    std::unique_ptr<QSocketNotifier> events_;
};

}  // namespace kyq
