#include "gui/shell/ShellMessageFilter.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPointer>

#include "core/autofill/FillDesktop.h"
#include "core/autofill/FillTargetRule.h"
#include "core/workflow/CommandLineItem.h"
#include "core/workflow/KyqApp.h"
#include "gui/autofill/OwnWindow.h"
#include "gui/main/frmMain.h"
#include "gui/shell/Splash.h"
#include "gui/shell/TrayIcon.h"
#include "platform/HandOverFiles.h"

namespace kyq {

ShellMessageFilter::ShellMessageFilter(KyqApp& app, frmMain& main, std::string instanceFolder,
                                       FillDesktop* desktop)
    : app_(app), main_(main), instanceFolder_(std::move(instanceFolder)), desktop_(desktop)
{
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
    else if (message.wParam == TrayIcon::IconId)
        TrayNotification(message.lParam);
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
    const std::string text = instanceFolder_.empty() ? std::string()
                                                      : TakeCommandFile(instanceFolder_);
    if (FirstCommandItem(text).empty()) {
        Finish(token);
        return;
    }
    main_.SetHiddenInTray(false);
    // The handed-over document replaces the one start-up still meant to open.
    if (auto* splash = qobject_cast<Splash*>(main_.FindForm(QStringLiteral("Splash"))))
        splash->Dismiss();
    ShowMainWindow(main_);
    QPointer<OwnedDialog> prompt;
    if (main_.Workflow.OpenHandedOver(text) == DocumentWorkflow::HandOverStep::PromptOpen)
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
            const uint64_t foreground = desktop_->Foreground();
            if (MayRecordFillTarget(fillPending_ && fillPending_(), IsOwnWindow(foreground)))
                app_.Session.FillTarget = foreground;
        }
        break;
    case TrayIcon::LeftButtonDown:
    case TrayIcon::RightButtonDown:
        main_.Menus.mnuTray->setDefaultAction(main_.Menus.TrayShow);
        main_.Menus.mnuTray->exec(QCursor::pos());
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
