// The main window's platform steps on an X11 desktop. Each feature keeps to its own group
// of methods and members below.
#pragma once

#include <memory>

#include "app/MainWindowPlatform.h"

namespace kyq {

class FillDesktop;
class HotKeyWatcherFilter;
class KeyboardHookLoader;
class KyqApp;

class DesktopPlatform : public MainWindowPlatform {
public:
    // fillDesktop: what auto-fill types through (X11FillDesktop in the program).
    DesktopPlatform(KyqApp& app, std::unique_ptr<FillDesktop> fillDesktop);
    ~DesktopPlatform() override;

    // --- Hot key and auto-fill ---
    // Clears the watcher's modifiers, starts the keyboard hook for `window` with message
    // 1024, then puts the watcher in front of the window's handling. Without the hook
    // library, an X display or the RECORD extension no key messages come: no hot key.
    void InstallHotKeyWatcher(MessageChain& chain, uint64_t window) override;
    // Stops the hook, then takes the watcher out again.
    void RemoveHotKeyWatcher(MessageChain& chain) override;
    HotKeyWatcherFilter& HotKeyFilter() const { return *hotKeyFilter_; }
    // Whether the hook library was found and started.
    bool HotKeyHookActive() const { return hookActive_; }

private:
    KyqApp& app_;

    // Hot key and auto-fill.
    std::unique_ptr<FillDesktop> fillDesktop_;
    std::unique_ptr<HotKeyWatcherFilter> hotKeyFilter_;
    std::unique_ptr<KeyboardHookLoader> hookLoader_;
    bool hookActive_ = false;
};

}  // namespace kyq
