// The hot-key watcher: follows the keyboard hook's key events, and when the hot key fires
// (or a fill request comes) records the fill target and shows the fill dialog.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

#include "core/autofill/HotKeyWatcher.h"
#include "gui/autofill/ClipboardKeeper.h"

namespace kyq {

class FillDesktop;
class KyqApp;
class frmFill;

class HotKeyWatcherFilter final {
public:
    HotKeyWatcherFilter(KyqApp& app, FillDesktop& desktop);
    // Takes an open fill dialog with it: the dialog types through this filter's desktop.
    ~HotKeyWatcherFilter();
    HotKeyWatcherFilter(const HotKeyWatcherFilter&) = delete;
    HotKeyWatcherFilter& operator=(const HotKeyWatcherFilter&) = delete;

    // Load step, before the hook starts: every modifier counts as up.
    void ClearModifiers() { watcher_.Install(); }
    // A key event of the hook. The hot key is read at every event, so a new one from the
    // options counts at once.
    void HookKey(const HookKeyEvent& event);

    // The show step: nothing without a document or while the user is typing a hot key into
    // the options dialog; else the fill dialog is created and shown, or, when it is open,
    // brought forward unchanged.
    void ShowFillDialog();
    // The open fill dialog, or null.
    frmFill* FillDialog() const;
    // How the user is told something while a window of another program covers the screen:
    // the tray's message. False when it could not be shown (then a message box says it).
    using TrayMessage = std::function<bool(const std::u16string& text)>;
    void SetTrayMessage(TrayMessage message) { trayMessage_ = std::move(message); }
    // What the fill dialogs put on the clipboard where nothing can be typed.
    ClipboardKeeper& Clipboard() { return clipboard_; }
    // The hot key fired: the window with the focus becomes the fill target and the show
    // step runs (once the open dialog of ours has closed, while the options dialog is busy).
    void HotKeyFired();
    // The fill dialog is open, or waits for a dialog of ours to close: a hot key now only
    // brings it forward, and its target stays.
    bool FillPending() const;

private:
    void SayOwnWindowIsNoTarget();
    // A box now when the program is in front, else once it is next.
    void SayWhenInFront(const std::u16string& text);
    void SayTargetIsFullscreen();

    KyqApp& app_;
    FillDesktop& desktop_;
    HotKeyWatcher watcher_;
    // Outlives each fill dialog: the copy is taken back after the dialog has gone.
    ClipboardKeeper clipboard_;
    QPointer<frmFill> dialog_;
    // A hot key pressed while a dialog of ours was open waits for it, once.
    bool fillWaiting_ = false;
    bool ownWindowNoteShown_ = false;
    bool fullscreenNoteShown_ = false;
    TrayMessage trayMessage_;
    QObject lifetime_;
};

}  // namespace kyq
