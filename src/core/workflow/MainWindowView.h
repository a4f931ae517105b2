// What the main window's own rules (load, shutdown, closing, the toolbar, the find box,
// drops, the program's own events, the tray) need of the window beyond what the
// document workflow drives. The Qt main window implements it; tests record it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/workflow/WorkflowView.h"

namespace kyq {

class MainWindowView : public WorkflowView {
public:
    // The handle Handle.dat publishes and the keyboard hook reports to.
    virtual uint64_t NativeWindow() = 0;
    // Shutdown steps of the window itself.
    virtual void UnloadOtherForms() = 0;
    virtual void ClearClipboard() = 0;
    virtual void OnUnloaded() = 0;
    // Asks the window system to close the window; its answer comes back as CloseRequested.
    virtual void CloseWindow() = 0;

    // Runs `action` once no dialog of the program is open any more.
    virtual void WhenNoDialogOpen(std::function<void()> action) = 0;
    // Brings the window forward for what was just dropped on it.
    virtual void ActivateForDrop() = 0;
    virtual void ShowHelp() = 0;

    // The start-up splash: whether it is up, and whether start-up named the file it opens
    // when it closes (rather than reopening the last file by choice).
    enum class SplashState { None, ReopensLastFile, OpensNamedFile };
    virtual SplashState Splash() = 0;
    // Closes the splash, opening its pending document or not (another one is on its way).
    virtual void CloseSplash(bool openItsDocument) = 0;
    // Runs `closed` once the open password prompt has gone; false (nothing runs) when none
    // is open.
    virtual bool WhenPasswordPromptCloses(std::function<void()> closed) = 0;

    // Shows the window, also from the tray or minimised, in front and with the focus.
    virtual void BringWindowForward() = 0;
    // The tray icon's menu at the pointer.
    virtual void ShowTrayMenu() = 0;
    virtual void HideWindow() = 0;
    virtual void ShowWindowNormal() = 0;
    virtual void SetTrayItemText(const std::u16string& text) = 0;
};

}  // namespace kyq
