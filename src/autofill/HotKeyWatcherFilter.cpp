#include "autofill/HotKeyWatcherFilter.h"

#include "app/KyqApp.h"
#include "autofill/FillDesktop.h"
#include "autofill/frmFill.h"

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
    // The hot key is read at every event, so a new one from the options takes effect at once.
    if (!watcher_.OnMessage(message.Msg, message.wParam, message.lParam, app_.Settings.hotKey))
        return;
    app_.FillTarget = desktop_.Foreground();
    ShowFillDialog();
}

void HotKeyWatcherFilter::ShowFillDialog()
{
    const FillDialogDecision decision =
        ShowStepDecision(!app_.Document.Path.empty(), !app_.OptionsClosed,
                         static_cast<unsigned long>(app_.FillTarget),
                         static_cast<unsigned long>(app_.OptionsWindow));
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
