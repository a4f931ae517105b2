#include "gui/entries/EditPass.h"

#include <QDate>
#include <QLineEdit>

#include "core/workflow/KyqApp.h"
#include "gui/main/frmMain.h"

namespace kyq {

EditPass::EditPass(KyqApp& app, frmMain& main)
    : EntryDialog(app, main, {"EditPass", "编辑密码", "粘贴(&V)", "Command1", "Command2", true}),
      Command1(okButton()),
      Command2(cancelButton())
{
}

void EditPass::Form_Load()
{
    const PasswordDocument& doc = App().Document;
    index_ = App().Session.EditIndex;
    if (index_ >= 1 && index_ <= doc.EntryCount()) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(index_)];
        loadedTitle_ = e.Title;
        txtID->setText(QString::fromStdU16String(e.Title));
        txtName->setText(QString::fromStdU16String(e.UserName));
        txtPass->setText(QString::fromStdU16String(e.Password));
    } else {
        index_ = 0;
    }
    txtID->setFocus(Qt::OtherFocusReason);
}

void EditPass::Command1_Click()
{
    KyqApp& app = App();
    PasswordDocument& doc = app.Document;
    // Only the record this dialog was filled from may be overwritten: when the document
    // was closed or replaced behind the dialog, that record is gone and the edit is void.
    const bool recordThere = index_ >= 1 && index_ == app.Session.EditIndex &&
                             index_ <= doc.EntryCount() && doc.IsOpen() &&
                             doc.Entries[static_cast<size_t>(index_)].Title == loadedTitle_;
    if (!recordThere) {
        Command2_Click();
        return;
    }
    if (!ValidateFields(index_))
        return;
    Main().Commands.TakeChangeSnapshot();
    PasswordEntry& entry = doc.Entries[static_cast<size_t>(index_)];
    entry.Title = TitleText();
    entry.UserName = UserNameText();
    entry.Password = PasswordText();
    const QDate today = QDate::currentDate();
    entry.ChangedYear = static_cast<int16_t>(today.year());
    entry.ChangedMonth = static_cast<uint8_t>(today.month());
    entry.ChangedDay = static_cast<uint8_t>(today.day());
    // Records follow the title index, so line index_ - 1 holds this record's old title.
    if (static_cast<size_t>(index_ - 1) < doc.Titles.size())
        doc.Titles.RemoveAt(static_cast<size_t>(index_ - 1));
    doc.AddTitle(entry);
    FinishChange(index_);
}

void EditPass::Command2_Click()
{
    frmMain& main = Main();
    CloseToMain();
    main.Tree.ShowSelectedEntry();
}

}  // namespace kyq
