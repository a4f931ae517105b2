// Auto-fill's desktop where the compositor lets programs neither see other windows nor
// type (GNOME, KDE): keys go through the desktop's remote-desktop portal. The program
// cannot name the target there, so the target is "the window that had the focus before the
// fill dialog": it is active again when none of the program's windows has the focus, as
// the compositor's focus events to the program tell. Every character is first checked
// against the compositor's keyboard layout, since the desktop drops what no key carries.
#pragma once

#include <QDBusConnection>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/FillDesktop.h"

namespace kyq {

class CompositorKeymap;
class RemoteDesktopPortal;
class WaylandConnection;

class PortalDesktop final : public FillDesktop {
public:
    // The target as Foreground() names it when another program has the focus.
    static constexpr uint64_t FocusElsewhere = 1;
    // How long the program's windows may keep the focus after the dialog closed.
    static constexpr std::chrono::milliseconds ActivationWait{2000};
    // How long the desktop's consent dialog may wait for its user.
    static constexpr std::chrono::milliseconds ConsentWait{120000};

    // restoreToken: what the last session left for the next start (may be empty);
    // keepToken stores a new one where only the user can read it.
    PortalDesktop(const QDBusConnection& bus, std::string restoreToken,
                      std::function<void(const std::string&)> keepToken);
    ~PortalDesktop() override;

    // The program's own when one of its windows has the keyboard focus, else the window
    // elsewhere that has it. A refusal before is forgotten: this fill may ask again.
    FillWindow Foreground() override;
    // Starts the portal session unless it is live (the desktop may ask its user, once per
    // session, only when a fill is really wanted), then waits, on events, for it
    // (ConsentWait) and for the program to lose the focus (ActivationWait).
    bool Activate(const FillWindow& window) override;
    void ActivateOwn(uint64_t nativeWindow) override;
    bool HasFocus(const FillWindow& window) override;
    // Also every key symbol on a key of the compositor's layout; where that layout cannot
    // be read, only printable ASCII, Tab and Enter count as typeable.
    size_t FirstUntypeable(std::u16string_view text) override;
    bool TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn) override;
    // The release of the dialog's Enter would otherwise land in the target.
    bool AcceptOnKeyRelease() const override { return true; }
    // False once the desktop refused or failed the session, until the next hot key.
    bool CanType() const override;

private:
    void StartSession();
    bool SendKey(unsigned long keysym);

    std::unique_ptr<RemoteDesktopPortal> portal_;
    std::string restoreToken_;
    std::function<void(const std::string&)> keepToken_;
    std::unique_ptr<WaylandConnection> connection_;
    std::unique_ptr<CompositorKeymap> layout_;
};

}  // namespace kyq
