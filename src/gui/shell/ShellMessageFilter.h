// The filter in front of the main window's message handling that the desktop talks
// through: the end-of-session query (17) and a second start's hand-over (1025); it hands
// every message on. It also acts on the tray icon's clicks.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

#include "core/workflow/MessageChain.h"

namespace kyq {

class FillDesktop;
class DocumentWorkflow;
class KyqApp;
class frmMain;

class ShellMessageFilter final : public QObject, public MessageFilter {
    Q_OBJECT
public:
    // desktop: what tells the foreground window (may be null: then the pointer-move event
    // records nothing).
    ShellMessageFilter(KyqApp& app, frmMain& main, DocumentWorkflow& workflow, FillDesktop* desktop);

    // Where a hand-over's command text is kept until its message (lParam = token) is
    // handled: peeked at while it may still wait, taken when it is acted on.
    struct HandOverTexts {
        std::function<std::string(int32_t token)> Peek;
        std::function<std::string(int32_t token)> Take;
    };
    void SetHandOverTexts(HandOverTexts texts);

    // Called with a hand-over's lParam once it has been dealt with entirely: after the
    // save prompt, and after the password prompt of the handed-over document has closed.
    void SetHandOverFinished(std::function<void(int32_t)> finished);

    // Tells whether a fill dialog is open or waiting: the tray then leaves its target alone.
    void SetFillPending(std::function<bool()> fillPending) { fillPending_ = std::move(fillPending); }

    // Shows the main window, also from the tray or minimised, in front and with the focus.
    static void ShowMainWindow(frmMain& main);

    // A mouse event of the tray icon (TrayIcon's constants).
    void TrayNotification(int32_t mouseEvent);

protected:
    void Filter(const WindowMessage& message) override;

private:
    void QueryEndSession();
    void HandOver(int32_t token);
    void Finish(int32_t token);

    KyqApp& app_;
    frmMain& main_;
    DocumentWorkflow& workflow_;
    FillDesktop* desktop_;
    HandOverTexts texts_;
    std::function<void(int32_t)> handOverFinished_;
    std::function<bool()> fillPending_;
    bool unloading_ = false;
};

}  // namespace kyq
