// Renames the document's owner, over the user card.
#pragma once

#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kyq {

class frmUser;

class frmName : public OwnedDialog {
    Q_OBJECT
public:
    frmName(KyqApp& app, frmUser& card);

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
};

}  // namespace kyq
