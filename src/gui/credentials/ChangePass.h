// Changes the document password: the old one (unless there is none), the new one twice.
#pragma once

#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kyq {

class DocumentWorkflow;
class SealedChoice;

class ChangePass : public OwnedDialog {
    Q_OBJECT
public:
    // owner: the window that opened it (the user card), disabled while this is open.
    ChangePass(KyqApp& app, QWidget* owner, DocumentWorkflow& workflow);

protected:
    void Form_Load() override;
    void OnCancel() override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1;
    QLineEdit* OldPass;
    QLabel* Label2;
    QLineEdit* NewPass;
    QLabel* Label3;
    QLineEdit* Confirm;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    SealedChoice* sealed_;
    DocumentWorkflow& workflow_;
};

}  // namespace kyq
