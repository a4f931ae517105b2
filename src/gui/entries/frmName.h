// Renames the document's owner, over the user card.
#pragma once

#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kyq {

class DocumentWorkflow;
class frmUser;

class frmName : public OwnedDialog {
    Q_OBJECT
public:
    frmName(KyqApp& app, frmUser& card, DocumentWorkflow& workflow);

protected:
    void Form_Load() override;
    void OnCancel() override { cmdCancel_Click(); }

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1;
    QLineEdit* Text1;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    frmUser& card_;
    DocumentWorkflow& workflow_;
};

}  // namespace kyq
