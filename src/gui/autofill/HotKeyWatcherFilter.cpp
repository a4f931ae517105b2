#include "gui/autofill/HotKeyWatcherFilter.h"

#include "core/autofill/FillDesktop.h"
#include "core/workflow/KyqApp.h"
#include "gui/autofill/frmFill.h"
#include "gui/widgets/OwnedDialog.h"

namespace kyq {

HotKeyWatcherFilter::HotKeyWatcherFilter(KyqApp& app, FillDesktop& desktop)
    : app_(app), desktop_(desktop)
{
}

HotKeyWatcherFilter::~HotKeyWatcherFilter()
{
    delete dialog_.data();
}

void HotKeyWatcherFilter::Filter(const WindowMessage& message)
{
    // A desktop binding's "KYQ --fill" is the hot key where no hook watches the keys.
    if (message.Msg == WM_FILL_REQUEST) {
        HotKeyFired();
        return;
    }
    // The hot key is read at every event, so a new one from the options takes effect at once.
    if (!watcher_.OnMessage(message.Msg, message.wParam, message.lParam, app_.Settings.hotKey))
        return;
    HotKeyFired();
}

void HotKeyWatcherFilter::HotKeyFired()
{
    app_.Session.FillTarget = desktop_.Foreground();
    // The options dialog is the exception: there the hot key is being typed, not used. The
    // fill dialog itself holds the gate: a press while it is up brings it forward.
    if (!app_.Session.OptionsClosed || !app_.Modal.Busy() || FillDialog()) {
        ShowFillDialog();
        return;
    }
    if (fillWaiting_)
        return;
    fillWaiting_ = true;
    OwnedDialog::WhenNoneOpen(app_, &lifetime_, [this] {
        fillWaiting_ = false;
        ShowFillDialog();
    });
}

void HotKeyWatcherFilter::ShowFillDialog()
{
    const FillDialogDecision decision =
        ShowStepDecision(app_.Document.IsOpen(), !app_.Session.OptionsClosed,
                         static_cast<unsigned long>(app_.Session.FillTarget),
                         static_cast<unsigned long>(app_.Session.OptionsWindow));
    if (decision != FillDialogDecision::Show)
        return;
    if (frmFill* open = FillDialog()) {
        open->BringForward();
        return;
    }
    dialog_ = new frmFill(app_, desktop_);
    dialog_->ShowFill();
}

frmFill* HotKeyWatcherFilter::FillDialog() const
{
    return dialog_ && !dialog_->IsUnloaded() ? dialog_.data() : nullptr;
}

}  // namespace kyq
