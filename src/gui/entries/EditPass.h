// The dialog that changes the stored password the edit command picked (EditIndex).
#pragma once

#include <string>

#include "gui/entries/EntryDialog.h"

namespace kyq {

class EditPass : public EntryDialog {
    Q_OBJECT
public:
    EditPass(KyqApp& app, frmMain& main);

    QPushButton* Command1;  // OK
    QPushButton* Command2;  // Cancel

    void Command1_Click();
    void Command2_Click();

protected:
    void Form_Load() override;
    void OkClicked() override { Command1_Click(); }
    void CancelClicked() override { Command2_Click(); }

private:
    // The record as the dialog found it, to notice when it is no longer there.
    int index_ = 0;
    std::u16string loadedTitle_;
};

}  // namespace kyq
