// The password prompt of an open: shown after the probe read the file's header, it takes
// the document password and runs the reader for the file's format.
#pragma once

#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kyq {

class DocumentWorkflow;
class MainWindowPresenter;
class frmMain;

class Asking : public OwnedDialog {
    Q_OBJECT
public:
    Asking(KyqApp& app, frmMain& main, DocumentWorkflow& workflow, MainWindowPresenter& presenter);

protected:
    void Form_Load() override;
    void OnCancel() override;

private:
    void Command1_Click();
    void Command2_Click();

    QLabel* Label2;
    QLineEdit* txtPass;
    QPushButton* Command1;  // OK
    QPushButton* Command2;  // Cancel

    DocumentWorkflow& workflow_;
    MainWindowPresenter& presenter_;
    bool reading_ = false;
};

}  // namespace kyq
