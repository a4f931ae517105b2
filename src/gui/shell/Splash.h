// The splash that covers start-up: the product picture with its title and a notice, on top
// of every other window; its timers reveal the main window and then close it, and its
// closing opens the document start-up chose.
#pragma once

#include <string>

#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QTimer;

namespace kyq {

class DocumentWorkflow;
class frmMain;

class Splash : public OwnedDialog {
    Q_OBJECT
public:
    Splash(KyqApp& app, frmMain& main, DocumentWorkflow& workflow);

    // The document the close opens ("" = none), and whether the program's start named it
    // (rather than it being the last file, reopened by choice).
    std::string PendingDocument;
    bool PendingFromCommandLine = false;

    // Centred on the screen, on top, without taking the activation.
    void Form_Load() override;
    // Start-up is complete: both timers run from now on.
    void StartTimers();

    // Hides the splash, shows the main window with the focus, then opens the pending
    // document. Runs once; later calls do nothing.
    void CloseSplash();
    // Closes without opening the pending document (another document is being opened).
    void Dismiss();
    bool Closed() const { return closed_; }

protected:
    void Form_Unload() override;
    // The close box and Esc count as a click.
    void OnCancel() override { Form_Click(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Timer1_Timer();
    void Timer2_Timer();
    // A click or a key on the splash: closes only once start-up has finished.
    void Form_Click();
    void lblNotice_Click();

    QLabel* Picture;
    QLabel* Label1;     // "Keyquill2.01"
    QLabel* lblNotice;  // a click here closes at once
    QTimer* Timer1;     // 5000 ms: closes the splash
    QTimer* Timer2;     // 3000 ms: shows the main window under the splash

    frmMain& main_;
    DocumentWorkflow& workflow_;
    bool closed_ = false;
};

}  // namespace kyq
