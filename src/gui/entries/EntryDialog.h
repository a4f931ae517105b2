// What the add and edit dialogs share: the three fields with their labels, the generator
// and paste buttons, OK and Cancel, the checks on OK and the steps after a change.
#pragma once

#include <string>

#include "core/workflow/EntryFieldCheck.h"
#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kyq {

class frmMain;

class EntryDialog : public OwnedDialog {
    Q_OBJECT
public:
    QLabel* Label1;
    QLineEdit* txtID;
    QLabel* Label3;
    QLineEdit* txtName;
    QLabel* Label2;
    QLineEdit* txtPass;
    QPushButton* Pro;
    QPushButton* cmdPaste;

    // The clipboard's text into the password field, then the clipboard emptied.
    void cmdPaste_Click();
    void Pro_Click();

    frmMain& Main() const { return main_; }

protected:
    struct Names {
        const char* formName;
        const char* caption;
        const char* pasteCaption;
        const char* okName;
        const char* cancelName;
        bool hints;
    };
    EntryDialog(KyqApp& app, frmMain& main, const Names& names);

    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The field texts as they are now.
    std::u16string TitleText() const;
    std::u16string UserNameText() const;
    std::u16string PasswordText() const;

    // Runs the checks; on a refusal shows its message, focuses the field and returns false.
    bool ValidateFields(int editIndex);
    // After record `index` was added or changed and its title put in the index: the main
    // window is enabled and this dialog closed, the document marked modified, the records
    // put in title order with the tree rebuilt, then that record selected and shown.
    void FinishChange(int index);
    // Cancel: the main window is enabled and focused, the dialog closed.
    void CloseToMain();

    virtual void OkClicked() = 0;
    virtual void CancelClicked() = 0;
    void OnCancel() override { CancelClicked(); }

private:
    void FocusField(EntryField field);

    frmMain& main_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace kyq
