// The rules for the events the program defines (AppEvent) once they reach the main window:
// which waits for what (a running reader holds them all; a hand-over waits for open
// dialogs and for the start-up splash), what each one does, and that the sender of a
// hand-over hears it is finished only once the password prompt it brought has closed.
#pragma once

#include <vector>

#include "core/workflow/AppEvent.h"

namespace kyq {

class DocumentWorkflow;
class KyqApp;
class MainWindowPresenter;
class MainWindowView;

class DesktopEvents {
public:
    DesktopEvents(KyqApp& app, MainWindowView& view, DocumentWorkflow& workflow,
                  MainWindowPresenter& presenter)
        : app_(app), view_(view), workflow_(workflow), presenter_(presenter)
    {
    }

    // An event taken from the queue (or one the desktop needs handled at once).
    void Arrived(const AppEvent& event);
    // The reader has finished: what it held goes back to the queue, in arrival order.
    void ReleaseHeld();

private:
    void Handle(const AppEvent& event);
    void HandOver(const HandOverEvent& handOver);
    void EndSession();
    void Tray(TrayActivation activation);
    void ShowFromTray();

    KyqApp& app_;
    MainWindowView& view_;
    DocumentWorkflow& workflow_;
    MainWindowPresenter& presenter_;
    std::vector<AppEvent> held_;
    bool endingSession_ = false;
};

}  // namespace kyq
