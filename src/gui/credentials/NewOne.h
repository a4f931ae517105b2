// The new-document dialog: an owner name and a document password, typed twice.
#pragma once

#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kyq {

class DocumentWorkflow;
class frmMain;
class SealedChoice;

class NewOne : public OwnedDialog {
    Q_OBJECT
public:
    NewOne(KyqApp& app, frmMain& main, DocumentWorkflow& workflow);

protected:
    void Form_Load() override;
    void OnCancel() override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    QLineEdit* UserName;
    QLineEdit* UserPass;
    QLineEdit* PassConfirm;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QLabel* ShowToNew;

    frmMain& main_;
    DocumentWorkflow& workflow_;
    SealedChoice* sealed_;
};

}  // namespace kyq
