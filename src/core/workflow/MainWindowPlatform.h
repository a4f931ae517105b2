// The platform steps of the main window's load and shutdown (Handle.dat, the keyboard hook
// with its watcher, the tray icon, the shell message filter, close-to-tray). Handle.dat and
// the hook name the window by its native handle; the rest work on the one main window the
// back end was given. This base class is the back end for a desktop without them: every step does nothing. The
// program puts a fuller back end in its place where the platform offers the features.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kyq {

class MessageChain;

class MainWindowPlatform {
public:
    virtual ~MainWindowPlatform() = default;

    // Load: Handle.dat, then the hook and its watcher in front of the window's handling,
    // then the tray icon.
    virtual void WriteHandleFile(uint64_t /*window*/) {}
    virtual void InstallHotKeyWatcher(MessageChain& /*chain*/, uint64_t /*window*/) {}
    virtual void AddTrayIcon() {}

    // Start-up, once the main window exists; shutdown takes it out first.
    virtual void InstallShellMessageFilter(MessageChain& /*chain*/) {}
    virtual void RemoveShellMessageFilter(MessageChain& /*chain*/) {}

    // Shutdown, after the other forms are gone.
    virtual void DeleteHandleFile() {}
    virtual void DeleteTrayIcon() {}
    // Releases the keyboard hook, then restores the handler the watcher replaced.
    virtual void RemoveHotKeyWatcher(MessageChain& /*chain*/) {}

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
