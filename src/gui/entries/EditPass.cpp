#include "gui/entries/EditPass.h"

#include "core/workflow/KyqApp.h"
#include "core/workflow/PasswordTree.h"

namespace kyq {

EditPass::EditPass(KyqApp& app, frmMain& main, EntryCommands& commands, CommonDialog& dialog,
                   PasswordTree& tree)
    : EntryDialog(app, main, {"EditPass", "编辑密码", "粘贴(&V)", "Command1", "Command2", true}, commands,
                  dialog),
      tree_(tree)
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
    Conclude(Commands().EditEntry(index_, loadedTitle_, Texts()));
}

void EditPass::CancelClicked()
{
    PasswordTree& tree = tree_;
    Unload();
    tree.ShowSelectedEntry();
}

}  // namespace kyq
