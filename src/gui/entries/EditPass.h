// The dialog that changes the stored password the edit command picked (EditIndex).
#pragma once

#include <string>

#include "gui/entries/EntryDialog.h"

namespace kyq {

class PasswordTree;

class EditPass : public EntryDialog {
    Q_OBJECT
public:
    EditPass(KyqApp& app, frmMain& main, EntryCommands& commands, CommonDialog& dialog,
             PasswordTree& tree);

protected:
    void Form_Load() override;
    void OkClicked() override;
    void CancelClicked() override;

private:
    // The record as the dialog found it, to notice when it is no longer there.
    int index_ = 0;
    std::u16string loadedTitle_;
    PasswordTree& tree_;
};

}  // namespace kyq
