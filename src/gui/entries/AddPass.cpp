#include "gui/entries/AddPass.h"

#include <QDate>
#include <QLineEdit>

#include "core/workflow/KyqApp.h"
#include "gui/main/frmMain.h"

namespace kyq {

AddPass::AddPass(KyqApp& app, frmMain& main)
    : EntryDialog(app, main, {"AddPass", "添加密码", "粘贴(&P)", "OK", "Cancel", false}),
      OK(okButton()),
      Cancel(cancelButton())
{
}

void AddPass::Form_Load()
{
    txtID->setFocus(Qt::OtherFocusReason);
}

void AddPass::OK_Click()
{
    KyqApp& app = App();
    PasswordDocument& doc = app.Document;
    // The document this dialog was opened for may have been closed behind it (a file
    // handed over by a second start); there is nothing left to add to then.
    if (!doc.IsOpen()) {
        Cancel_Click();
        return;
    }
    if (!ValidateFields(0))
        return;
    if (doc.EntryCount() >= PasswordDocument::MaxEntries) {
        app.MsgBox(u"已经达到密码数的最大值(32767)，不能再增加密码了。", MsgButtons::OkOnly,
                   MsgIcon::Warning);
        return;
    }
    Main().Commands.TakeChangeSnapshot();
    PasswordEntry entry;
    entry.Title = TitleText();
    entry.UserName = UserNameText();
    entry.Password = PasswordText();
    const QDate today = QDate::currentDate();
    entry.ChangedYear = static_cast<int16_t>(today.year());
    entry.ChangedMonth = static_cast<uint8_t>(today.month());
    entry.ChangedDay = static_cast<uint8_t>(today.day());
    doc.AppendEntry(std::move(entry));
    doc.AddTitle(doc.Entries.back());
    FinishChange(doc.EntryCount());
}

void AddPass::Cancel_Click()
{
    CloseToMain();
}

}  // namespace kyq
