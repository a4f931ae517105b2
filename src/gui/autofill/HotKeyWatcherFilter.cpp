#include "gui/autofill/HotKeyWatcherFilter.h"

#include "core/autofill/FillDesktop.h"
#include "core/autofill/FillTargetRule.h"
#include "core/workflow/KyqApp.h"
#include "gui/autofill/OwnWindow.h"
#include "gui/autofill/frmFill.h"
#include "gui/widgets/OwnedDialog.h"

#include <QTimer>

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
    const uint64_t foreground = desktop_.Foreground();
    switch (StepForHotKey(FillPending(), IsOwnWindow(foreground))) {
    case HotKeyPressStep::BringForward:
        if (frmFill* open = FillDialog())
            open->BringForward();
        return;
    case HotKeyPressStep::Ignore:
        SayOwnWindowIsNoTarget(foreground);
        return;
    case HotKeyPressStep::RecordAndShow:
        break;
    }
    app_.Session.FillTarget = foreground;
    // The options dialog holds the main window without being in the way of a fill. (An
    // open fill dialog, which holds the gate too, was brought forward above.)
    if (!app_.Session.OptionsClosed || !app_.Modal.Busy()) {
        ShowFillDialog();
        return;
    }
    fillWaiting_ = true;
    OwnedDialog::WhenNoneOpen(app_, &lifetime_, [this] {
        fillWaiting_ = false;
        ShowFillDialog();
    });
}

void HotKeyWatcherFilter::SayOwnWindowIsNoTarget(uint64_t foreground)
{
    // In the options dialog the user may be typing the hot key into its key box; a box of
    // ours already open says enough.
    if ((!app_.Session.OptionsClosed && foreground == app_.Session.OptionsWindow) ||
        app_.Modal.Busy() || ownWindowNoteShown_)
        return;
    ownWindowNoteShown_ = true;
    // After this message's handling: a box opened in the middle of it would hold it up.
    QTimer::singleShot(0, &lifetime_, [this] {
        app_.MsgBox(u"本程序自己的窗口不能作为填写目标。请先切换到要填写的窗口，再按快捷键。",
                    MsgButtons::OkOnly, MsgIcon::Information);
        ownWindowNoteShown_ = false;
    });
}

bool HotKeyWatcherFilter::FillPending() const
{
    return fillWaiting_ || FillDialog() != nullptr;
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
    dialog_ = new frmFill(app_, desktop_, clipboard_);
    dialog_->ShowFill();
}

frmFill* HotKeyWatcherFilter::FillDialog() const
{
    return dialog_ && !dialog_->IsUnloaded() ? dialog_.data() : nullptr;
}

}  // namespace kyq
