// The dialog that adds a stored password to the open document.
#pragma once

#include "gui/entries/EntryDialog.h"

namespace kyq {

class AddPass : public EntryDialog {
    Q_OBJECT
public:
    AddPass(KyqApp& app, frmMain& main);

    QPushButton* OK;
    QPushButton* Cancel;

    void OK_Click();
    void Cancel_Click();

protected:
    void Form_Load() override;
    void OkClicked() override { OK_Click(); }
    void CancelClicked() override { Cancel_Click(); }
};

}  // namespace kyq
