#include "core/workflow/DesktopEvents.h"

#include <type_traits>
#include <utility>

#include "core/autofill/FillTargetRule.h"
#include "core/workflow/CommandLineItem.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/MainWindowPresenter.h"
#include "core/workflow/MainWindowView.h"
#include "platform/Log.h"

namespace kyq {

void DesktopEvents::Arrived(const AppEvent& event)
{
    const auto* handOver = std::get_if<HandOverEvent>(&event);
    if (presenter_.IsUnloaded()) {
        // Nothing is left to act on; a start still waiting is let go.
        if (handOver)
            handOver->Finish();
        return;
    }
    if (app_.Session.ReaderRunning) {
        // The reader lets events through while it works; what they ask for waits for it.
        held_.push_back(event);
    } else if (handOver && app_.Modal.Busy()) {
        // A hand-over opens a document: it waits for the dialog in front (its sender keeps
        // waiting for the reply meanwhile).
        LogInfo(LogArea::Documents, "a handed-over document waits for the open dialog to close");
        view_.WhenNoDialogOpen([this, event] { app_.PostEvent(event); });
    } else {
        Handle(event);
    }
}

void DesktopEvents::ReleaseHeld()
{
    std::vector<AppEvent> held;
    held.swap(held_);
    for (AppEvent& event : held)
        app_.PostEvent(std::move(event));
}

void DesktopEvents::Handle(const AppEvent& event)
{
    std::visit(
        [this](const auto& e) {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, HandOverEvent>) {
                HandOver(e);
            } else if constexpr (std::is_same_v<E, FillRequestEvent>) {
                app_.Platform().FillRequested();
            } else if constexpr (std::is_same_v<E, EndSessionEvent>) {
                EndSession();
            } else if constexpr (std::is_same_v<E, HookKeyEvent>) {
                app_.Platform().HookKey(e);
            } else {
                Tray(e);
            }
        },
        event);
}

void DesktopEvents::HandOver(const HandOverEvent& handOver)
{
    // Queued by the platform behind what follows, which shows the window.
    app_.Platform().RaiseAfterHandOver(handOver.ActivationToken);
    const MainWindowView::SplashState splash = view_.Splash();
    if (FirstCommandItem(handOver.CommandText).empty()) {
        // A start without a file: the user wants the program, which may be hidden in the
        // tray. While the splash is up the window is on its way anyway.
        if (splash == MainWindowView::SplashState::None)
            ShowFromTray();
        handOver.Finish();
        return;
    }
    if (splash != MainWindowView::SplashState::None) {
        // A file named when this instance was started came first and is asked for first;
        // the last file that start-up only meant to reopen gives way to the one handed over.
        view_.CloseSplash(splash == MainWindowView::SplashState::OpensNamedFile);
        if (app_.Modal.Busy()) {
            view_.WhenNoDialogOpen([this, handOver] { Arrived(handOver); });
            return;
        }
    }
    ShowFromTray();
    // The sender waits until the password prompt has been answered (and the document read).
    if (workflow_.OpenHandedOver(handOver.CommandText) ==
            DocumentWorkflow::HandOverStep::PromptOpen &&
        view_.WhenPasswordPromptCloses([handOver] { handOver.Finish(); }))
        return;
    handOver.Finish();
}

void DesktopEvents::EndSession()
{
    // A second request while the first one's save prompt is up would stack a second
    // prompt over it; the first one decides.
    if (endingSession_)
        return;
    endingSession_ = true;
    presenter_.Exit();
    endingSession_ = false;
}

void DesktopEvents::Tray(TrayActivation activation)
{
    MainWindowPlatform& platform = app_.Platform();
    switch (activation) {
    case TrayActivation::Hover:
        if (const std::optional<FillWindow> foreground = platform.Foreground();
            foreground && MayRecordFillTarget(platform.FillPending(), foreground->own))
            app_.Session.FillTarget = *foreground;
        break;
    case TrayActivation::Click:
    case TrayActivation::MenuClick:
        // Where the tray host draws no menu of its own, a menu with no window of ours to
        // open over would map as a window of its own: the window comes out of the tray
        // first.
        if (presenter_.IsHiddenInTray() && platform.TrayMenuNeedsWindow())
            ShowFromTray();
        view_.ShowTrayMenu();
        break;
    case TrayActivation::DoubleClick:
        ShowFromTray();
        break;
    case TrayActivation::MiddleClick:
        break;
    }
}

void DesktopEvents::ShowFromTray()
{
    presenter_.SetHiddenInTray(false);
    view_.BringWindowForward();
}

}  // namespace kyq
