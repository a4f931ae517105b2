#include "gui/shell/ShellMessageFilter.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include "platform/FillDesktop.h"
#include "core/autofill/FillTargetRule.h"
#include "core/workflow/CommandLineItem.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/KyqApp.h"
#include "gui/main/frmMain.h"
#include "gui/shell/Splash.h"
#include "gui/shell/TrayIcon.h"
#include "gui/widgets/OwnedDialog.h"

namespace kyq {

ShellMessageFilter::ShellMessageFilter(KyqApp& app, frmMain& main, DocumentWorkflow& workflow,
                                       FillDesktop* desktop)
    : app_(app), main_(main), workflow_(workflow), desktop_(desktop)
{
}

void ShellMessageFilter::SetHandOverTexts(HandOverTexts texts)
{
    texts_ = std::move(texts);
}

void ShellMessageFilter::SetHandOverFinished(std::function<void(int32_t)> finished)
{
    handOverFinished_ = std::move(finished);
}

void ShellMessageFilter::ShowMainWindow(frmMain& main)
{
    if (main.isMinimized())
        main.setWindowState(main.windowState() & ~Qt::WindowMinimized);
    main.show();
    main.raise();
    main.activateWindow();
}

void ShellMessageFilter::Filter(const WindowMessage& message)
{
    if (message.Msg == WM_QUERYENDSESSION)
        QueryEndSession();
    else if (message.Msg == WM_HANDOVER)
        HandOver(message.lParam);
}

void ShellMessageFilter::QueryEndSession()
{
    // A second request while the first one's save prompt is up would stack a second
    // prompt over it; the first one decides.
    if (unloading_)
        return;
    unloading_ = true;
    main_.fileExit_Click();
    unloading_ = false;
}

void ShellMessageFilter::HandOver(int32_t token)
{
    auto* splash = qobject_cast<Splash*>(main_.FindForm(QStringLiteral("Splash")));
    const bool namesFile =
        texts_.Peek && !FirstCommandItem(texts_.Peek(token)).empty();
    if (!namesFile) {
        // A start without a file: the user wants the program, which may be hidden in the
        // tray. While the splash is up the window is on its way anyway.
        if (texts_.Take)
            texts_.Take(token);
        if (!splash) {
            main_.SetHiddenInTray(false);
            ShowMainWindow(main_);
        }
        Finish(token);
        return;
    }
    if (splash) {
        // A file named when this instance was started came first and is asked for first;
        // the last file that start-up only meant to reopen gives way to the one handed over.
        if (splash->PendingFromCommandLine)
            splash->CloseSplash();
        else
            splash->Dismiss();
        if (app_.Modal.Busy()) {
            OwnedDialog::WhenNoneOpen(app_, this, [this, token] { HandOver(token); });
            return;
        }
    }
    const std::string text = texts_.Take(token);
    main_.SetHiddenInTray(false);
    ShowMainWindow(main_);
    QPointer<OwnedDialog> prompt;
    if (workflow_.OpenHandedOver(text) == DocumentWorkflow::HandOverStep::PromptOpen)
        prompt = main_.FindForm(QStringLiteral("Asking"));
    // The sender waits until the password prompt has been answered (and the document read).
    if (!prompt) {
        Finish(token);
        return;
    }
    connect(prompt, &QObject::destroyed, this, [this, token] { Finish(token); });
}

void ShellMessageFilter::TrayNotification(int32_t mouseEvent)
{
    switch (mouseEvent) {
    case TrayIcon::MouseMove:
        if (desktop_) {
            const FillWindow foreground = desktop_->Foreground();
            if (MayRecordFillTarget(fillPending_ && fillPending_(), foreground.own))
                app_.Session.FillTarget = foreground;
        }
        break;
    case TrayIcon::LeftButtonDown:
    case TrayIcon::RightButtonDown:
        main_.ShowTrayMenu();
        break;
    case TrayIcon::LeftDoubleClick:
        ShowMainWindow(main_);
        main_.SetHiddenInTray(false);
        break;
    default:
        break;
    }
}

void ShellMessageFilter::Finish(int32_t token)
{
    if (handOverFinished_)
        handOverFinished_(token);
}

}  // namespace kyq
