// The dialog that adds a stored password to the open document.
#pragma once

#include "gui/entries/EntryDialog.h"

namespace kyq {

class AddPass : public EntryDialog {
    Q_OBJECT
public:
    AddPass(KyqApp& app, frmMain& main, EntryCommands& commands, CommonDialog& dialog);

protected:
    void Form_Load() override;
    void OkClicked() override;
    void CancelClicked() override;
};

}  // namespace kyq
