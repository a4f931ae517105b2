#include "gui/entries/EditPass.h"

#include "core/workflow/KyqApp.h"
#include "gui/main/frmMain.h"

namespace kyq {

EditPass::EditPass(KyqApp& app, frmMain& main)
    : EntryDialog(app, main, {"EditPass", "编辑密码", "粘贴(&V)", "Command1", "Command2", true})
{
}

void EditPass::Form_Load()
{
    const PasswordDocument& doc = App().Document;
    index_ = App().Session.EditIndex;
    if (index_ >= 1 && index_ <= doc.EntryCount()) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(index_)];
        loadedTitle_ = e.Title;
        ShowTexts({e.Title, e.UserName, e.Password});
    } else {
        index_ = 0;
    }
    FocusTitle();
}

void EditPass::OkClicked()
{
    Conclude(Main().Commands.EditEntry(index_, loadedTitle_, Texts()));
}

void EditPass::CancelClicked()
{
    frmMain& main = Main();
    Unload();
    main.Tree.ShowSelectedEntry();
}

}  // namespace kyq
