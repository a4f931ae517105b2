// The main window's platform steps on an X11 desktop. Each feature keeps to its own group
// of methods and members below.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/workflow/MainWindowPlatform.h"

class QByteArray;
class QTimer;

namespace kyq {

class FillDesktop;
class GlobalShortcutsPortal;
class HandOverServer;
class HotKeyWatcherFilter;
class KeyboardHookLoader;
class KyqApp;
class ShellMessageFilter;
class TrayIcon;
class frmMain;
struct MainWindowRules;

class DesktopPlatform : public MainWindowPlatform {
public:
    // How the hot key reaches the program: the X11 keyboard hook library, or only requests
    // handed over by "KYQ --fill" (a Wayland desktop lets no program watch its keys).
    enum class HotKeySource { KeyboardHook, FillRequests };

    // main: the window the tray, the shell messages and closing to the tray serve; rules:
    // the rules behind it. fillDesktop: what auto-fill types through (X11Desktop in the
    // program).
    DesktopPlatform(KyqApp& app, frmMain& main, MainWindowRules& rules, std::unique_ptr<FillDesktop> fillDesktop,
                    HotKeySource hotKeySource = HotKeySource::KeyboardHook);
    ~DesktopPlatform() override;

    // --- Hot key and auto-fill ---
    // Clears the watcher's modifiers, starts the keyboard hook for `window` with message
    // 1024, then puts the watcher in front of the window's handling. Without the hook
    // library, an X display or the RECORD extension no key messages come: no hot key.
    void InstallHotKeyWatcher(MessageChain& chain, uint64_t window) override;
    // Stops the hook, then takes the watcher out again.
    void RemoveHotKeyWatcher(MessageChain& chain) override;
    // Takes the chord of the hot key in the settings from the other programs (a passive
    // grab), in place of the previous one; said once on standard error when it is taken.
    void HotKeyChanged() override;
    void SetHotKeyGrabPaused(bool paused) override;
    bool HotKeyHeldElsewhere() const override { return hotKeyBusy_; }
    bool HotKeyNeedsDesktopBinding() const override
    {
        return hotKeySource_ == HotKeySource::FillRequests;
    }
    bool HotKeyKeyMissing() const override;
    // Where the desktop offers global shortcuts through its portal: the hot key is bound
    // there (at load, and again when it changes) and its activation opens the fill dialog
    // as a "KYQ --fill" request does. Before InstallHotKeyWatcher.
    void UseShortcutPortal(std::unique_ptr<GlobalShortcutsPortal> portal);
    std::optional<DesktopShortcutState> DesktopShortcut() const override;
    void WatchDesktopShortcut(std::function<void()> changed) override;
    HotKeyWatcherFilter& HotKeyFilter() const { return *hotKeyFilter_; }
    // Whether the hook library was found and started.
    bool HotKeyHookActive() const { return hookActive_; }

    // --- Single instance: Handle.dat and the hand-over channel ---
    // The per-user folder of Handle.dat, with its trailing "/". Without one (the default)
    // the program neither writes Handle.dat nor takes hand-overs.
    void SetInstanceFolder(std::string folder);
    const std::string& InstanceFolder() const { return instanceFolder_; }
    // Starts taking hand-overs for `window`, then writes its number to Handle.dat.
    void WriteHandleFile(uint64_t window) override;
    // Deletes Handle.dat and stops taking hand-overs; a second start still waiting is let go.
    void DeleteHandleFile() override;
    bool TakingHandOvers() const;
    // Keeps a hand-over's command text for its message (lParam = token) until the message
    // is handled; several can wait at once, each with its own text.
    void KeepHandOverText(int32_t token, std::string text);
    // On Wayland a program may not take the focus by itself: the window comes forward with
    // the activation token the start handed over, else (wlroots) through the
    // foreign-toplevel list; where neither is to be had, standard error says so.
    void RaiseAfterHandOver(const QByteArray& activationToken);

    // --- Tray icon, shell message filter, closing and minimising to the tray ---
    void AddTrayIcon() override;
    void DeleteTrayIcon() override;
    void InstallShellMessageFilter(MessageChain& chain) override;
    void RemoveShellMessageFilter(MessageChain& chain) override;
    // To the tray only where the user can get the window back from there: the icon is up
    // and the desktop has a tray. Elsewhere closing quits and minimising just minimises.
    bool CloseToTray() override;
    bool MinimizeToTray() override;
    bool TrayUsable() const override;
    void HiddenInTray() override { WatchTrayWhileHidden(); }
    TrayIcon* Tray() const { return tray_.get(); }
    ShellMessageFilter* ShellFilter() const { return shellFilter_.get(); }

private:
    void BindPortalShortcut(bool userAsked);
    void HideToTray();
    // While the window hides in the tray: a tray that goes away (its panel crashed or was
    // quit) would leave the user no way back, so the window then comes back by itself.
    void WatchTrayWhileHidden();

    KyqApp& app_;

    // Hot key and auto-fill.
    std::unique_ptr<FillDesktop> fillDesktop_;
    HotKeySource hotKeySource_;
    std::unique_ptr<HotKeyWatcherFilter> hotKeyFilter_;
    std::unique_ptr<KeyboardHookLoader> hookLoader_;
    bool hookActive_ = false;
    bool hotKeyBusy_ = false;
    bool grabPaused_ = false;
    bool keyMissing_ = false;
    // While another program holds the chord it is asked for again now and then, so that
    // it is ours as soon as that program lets go (no X event says so).
    std::unique_ptr<QTimer> grabRetry_;
    std::unique_ptr<GlobalShortcutsPortal> shortcutPortal_;
    bool portalBound_ = false;
    std::function<void()> shortcutChanged_;

    // Single instance.
    std::string instanceFolder_;
    std::unique_ptr<HandOverServer> handOverServer_;
    std::map<int32_t, std::string> handOverTexts_;

    // Tray and shell messages.
    frmMain& main_;
    MainWindowRules& rules_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<ShellMessageFilter> shellFilter_;
    std::unique_ptr<QTimer> trayWatch_;
};

}  // namespace kyq
