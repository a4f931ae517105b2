// What the main window's own rules (load, shutdown, closing, the toolbar, the find box,
// drops, held-back messages, the tray's show/hide item) need of the window beyond what the
// document workflow drives. The Qt main window implements it; tests record it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/workflow/MessageChain.h"
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

    // Queues a message for the window again (handled later, from the event loop).
    virtual void Repost(const WindowMessage& message) = 0;
    // Queues it again once no dialog of the program is open any more, and says so in the log.
    virtual void RepostWhenNoDialogOpen(const WindowMessage& message) = 0;
    // Runs `work` from the event loop.
    virtual void RunLater(std::function<void()> work) = 0;
    // Runs `action` once no dialog of the program is open any more.
    virtual void WhenNoDialogOpen(std::function<void()> action) = 0;
    // Brings the window forward for what was just dropped on it.
    virtual void ActivateForDrop() = 0;
    virtual void ShowHelp() = 0;

    virtual void HideWindow() = 0;
    virtual void ShowWindowNormal() = 0;
    virtual void SetTrayItemText(const std::u16string& text) = 0;
};

}  // namespace kyq
