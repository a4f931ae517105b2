#include "gui/autofill/HotKeyWatcherFilter.h"

#include "platform/FillDesktop.h"
#include "core/autofill/FillTargetRule.h"
#include "core/workflow/KyqApp.h"
#include "gui/autofill/frmFill.h"
#include "gui/widgets/OwnedDialog.h"
#include "platform/Log.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

namespace kyq {

HotKeyWatcherFilter::HotKeyWatcherFilter(KyqApp& app, FillDesktop& desktop)
    : app_(app), desktop_(desktop)
{
    clipboard_.SetWhenClearFails([this] {
        static constexpr char16_t Text[] =
            u"复制到剪贴板的用户名或密码没能清除：桌面保留了它自己的副本，或者只在本程序的"
            u"窗口有焦点时才允许清除（下次本程序的窗口有焦点时会再清除一次）。"
            u"请复制一段别的文字覆盖它。";
        if (trayMessage_ && trayMessage_(Text))
            return;
        // A box that opens behind the window the user works in says nothing: it waits for
        // the program to be in front.
        SayWhenInFront(Text);
    });
}

void HotKeyWatcherFilter::SayWhenInFront(const std::u16string& text)
{
    if (QGuiApplication::applicationState() == Qt::ApplicationActive) {
        QTimer::singleShot(0, &lifetime_, [this, text] {
            app_.MsgBox(text, MsgButtons::OkOnly, MsgIcon::Warning);
        });
        return;
    }
    auto* once = new QObject(&lifetime_);
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, once,
                     [this, once, text](Qt::ApplicationState state) {
                         if (state != Qt::ApplicationActive)
                             return;
                         once->deleteLater();
                         QTimer::singleShot(0, &lifetime_, [this, text] {
                             app_.MsgBox(text, MsgButtons::OkOnly, MsgIcon::Warning);
                         });
                     });
}

HotKeyWatcherFilter::~HotKeyWatcherFilter()
{
    delete dialog_.data();
}

void HotKeyWatcherFilter::HookKey(const HookKeyEvent& event)
{
    if (watcher_.OnKey(event, app_.Settings.hotKey))
        HotKeyFired();
}

void HotKeyWatcherFilter::HotKeyFired()
{
    const FillWindow foreground = desktop_.Foreground();
    switch (StepForHotKey(FillPending(), foreground.own, foreground.fullscreen)) {
    case HotKeyPressStep::BringForward:
        if (frmFill* open = FillDialog())
            open->BringForward();
        return;
    case HotKeyPressStep::Ignore:
        SayOwnWindowIsNoTarget();
        return;
    case HotKeyPressStep::Fullscreen:
        SayTargetIsFullscreen();
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

void HotKeyWatcherFilter::SayOwnWindowIsNoTarget()
{
    // In the options dialog the user may be typing the hot key into its key box; a box of
    // ours already open says enough.
    const QWidget* active = QApplication::activeWindow();
    const bool optionsInFront = !app_.Session.OptionsClosed && active &&
                                active->objectName() == QLatin1String("Options");
    if (optionsInFront || app_.Modal.Busy() || ownWindowNoteShown_)
        return;
    ownWindowNoteShown_ = true;
    // After this message's handling: a box opened in the middle of it would hold it up.
    QTimer::singleShot(0, &lifetime_, [this] {
        app_.MsgBox(u"本程序自己的窗口不能作为填写目标。请先切换到要填写的窗口，再按快捷键。",
                    MsgButtons::OkOnly, MsgIcon::Information);
        ownWindowNoteShown_ = false;
    });
}

void HotKeyWatcherFilter::SayTargetIsFullscreen()
{
    static constexpr char16_t Text[] =
        u"要填写的窗口处于全屏状态，填写对话框会被它挡住，所以没有打开，也没有填写任何内容。"
        u"请先退出全屏，再按快捷键。";
    LogWarning(LogArea::Keyboard,
               "auto-fill: the focused window is fullscreen, where a fill dialog would open "
               "behind it without the focus; none was opened");
    // A box of ours would come up behind that window as well: the tray's message is seen.
    if (trayMessage_ && trayMessage_(Text))
        return;
    // Without one the box is seen once the user leaves fullscreen.
    if (app_.Modal.Busy() || fullscreenNoteShown_)
        return;
    fullscreenNoteShown_ = true;
    QTimer::singleShot(0, &lifetime_, [this] {
        app_.MsgBox(Text, MsgButtons::OkOnly, MsgIcon::Information);
        fullscreenNoteShown_ = false;
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
                         app_.Session.FillTarget);
    if (decision != FillDialogDecision::Show)
        return;
    if (frmFill* open = FillDialog()) {
        open->BringForward();
        return;
    }
    dialog_ = new frmFill(app_, desktop_, clipboard_);
    dialog_->SetOfferCopy([this](int row) {
        // The document may have changed meanwhile: the new dialog lists it anew and copies
        // only from what it lists.
        if (FillDialog() || !app_.Document.IsOpen())
            return;
        dialog_ = new frmFill(app_, desktop_, clipboard_, true, row);
        dialog_->ShowFill();
    });
    dialog_->ShowFill();
}

frmFill* HotKeyWatcherFilter::FillDialog() const
{
    return dialog_ && !dialog_->IsUnloaded() ? dialog_.data() : nullptr;
}

}  // namespace kyq
