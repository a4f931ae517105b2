// What the add and edit dialogs share: the three fields with their labels, the generator
// and paste buttons, OK and Cancel, and showing what the entry commands made of OK.
#pragma once

#include <string>

#include "core/workflow/EntryCommands.h"
#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kyq {

class CommonDialog;
class frmMain;

class EntryDialog : public OwnedDialog {
    Q_OBJECT
protected:
    struct Names {
        const char* formName;
        const char* caption;
        const char* pasteCaption;
        const char* okName;
        const char* cancelName;
        bool hints;
    };
    EntryDialog(KyqApp& app, frmMain& main, const Names& names, EntryCommands& commands,
                CommonDialog& dialog);

    EntryCommands& Commands() const { return commands_; }

    // The field texts as they are now.
    EntryTexts Texts() const;
    // Fills the fields from a record and puts the focus into the title.
    void ShowTexts(const EntryTexts& texts);
    void FocusTitle();

    // What the entry commands made of OK: a refusal is shown and its field focused, a
    // change closes the dialog, and a record gone behind the dialog cancels it.
    void Conclude(const EntryChange& change);

    virtual void OkClicked() = 0;
    virtual void CancelClicked() = 0;
    void OnCancel() override { CancelClicked(); }

private:
    // The clipboard's text into the password field, then the clipboard emptied.
    void cmdPaste_Click();
    void Pro_Click();
    void FocusField(EntryField field);

    EntryCommands& commands_;
    CommonDialog& dialog_;
    QLabel* Label1;
    QLineEdit* txtID;
    QLabel* Label3;
    QLineEdit* txtName;
    QLabel* Label2;
    QLineEdit* txtPass;
    QPushButton* Pro;
    QPushButton* cmdPaste;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace kyq
