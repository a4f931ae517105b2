// The platform steps of the main window's load and shutdown (Handle.dat, the keyboard hook,
// the tray icon, close-to-tray) and what the desktop's events need of it. Handle.dat and
// the hook name the window by its native handle; the rest work on the one main window the
// back end was given. This base class is the back end for a desktop without them: every step does nothing. The
// program puts a fuller back end in its place where the platform offers the features.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/autofill/HookKeyEvent.h"
#include "platform/FillDesktop.h"

namespace kyq {

class MainWindowPlatform {
public:
    virtual ~MainWindowPlatform() = default;

    // Load: Handle.dat (and the hand-overs), then the hot key's source, then the tray icon.
    virtual void WriteHandleFile(uint64_t /*window*/) {}
    virtual void InstallHotKeyWatcher(uint64_t /*window*/) {}
    virtual void AddTrayIcon() {}

    // Shutdown, after the other forms are gone.
    virtual void DeleteHandleFile() {}
    virtual void DeleteTrayIcon() {}
    // Stops the hot key's source.
    virtual void RemoveHotKeyWatcher() {}

    // A key event of the keyboard hook: the hot-key watcher follows the chord.
    virtual void HookKey(const HookKeyEvent& /*event*/) {}
    // The hot key by other means ("KYQ --fill", the desktop's shortcut): the window in
    // front becomes the target and the fill dialog comes up.
    virtual void FillRequested() {}
    // A hand-over's activation token arrived: where the desktop needs it, the window comes
    // forward with it once the hand-over has shown it.
    virtual void RaiseAfterHandOver(const std::string& /*activationToken*/) {}
    // The window in front now, where the desktop tells it.
    virtual std::optional<FillWindow> Foreground() { return std::nullopt; }
    // The fill dialog is open or waits for a dialog of ours: its target stays.
    virtual bool FillPending() const { return false; }
    // The tray host draws no menu of its own over the icon, so the program's menu needs a
    // window of the program shown to open over.
    virtual bool TrayMenuNeedsWindow() const { return false; }

    // The hot key in the settings has changed: take the new chord from the other programs.
    virtual void HotKeyChanged() {}
    // While the options dialog has the focus the chord is left to it, so that its key box
    // can take the hot key itself; true gives the chord up, false takes it again.
    virtual void SetHotKeyGrabPaused(bool /*paused*/) {}
    // Another program holds the hot key's chord, so it also reaches the focused window.
    virtual bool HotKeyHeldElsewhere() const { return false; }
    // The desktop lets no program watch the keys (Wayland): the user binds the chord to
    // "KYQ --fill" in the desktop's own settings.
    virtual bool HotKeyNeedsDesktopBinding() const { return false; }
    // Where the desktop's global-shortcuts service binds the hot key for the program: what
    // the desktop assigned, as it describes it ("" while it has assigned nothing). Nothing
    // where no such service is used.
    struct DesktopShortcutState {
        bool answered = false;  // the desktop has answered the last bind
        std::string assigned;
    };
    virtual std::optional<DesktopShortcutState> DesktopShortcut() const { return std::nullopt; }
    // `changed` runs whenever DesktopShortcut() may say something new; an empty function
    // stops that.
    virtual void WatchDesktopShortcut(std::function<void()> /*changed*/) {}
    // The current keyboard map has no key for the hot key's main key (a layout without
    // Latin letters): the chord is still kept from the focused window, but cannot be pressed.
    virtual bool HotKeyKeyMissing() const { return false; }
    // A notification area shows the program's icon, so a hidden window can come back.
    virtual bool TrayUsable() const { return false; }

    // The user closed the main window from its title bar: true when the window went to the
    // tray instead of closing.
    virtual bool CloseToTray() { return false; }
    // The window was minimised: true when it went to the tray.
    virtual bool MinimizeToTray() { return false; }
    // The window now hides in the tray (by any of the ways there): should the tray go
    // away meanwhile, the back end brings the window back.
    virtual void HiddenInTray() {}
};

}  // namespace kyq
