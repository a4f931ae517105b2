#include "gui/entries/AddPass.h"


namespace kyq {

AddPass::AddPass(KyqApp& app, frmMain& main, EntryCommands& commands, CommonDialog& dialog)
    : EntryDialog(app, main, {"AddPass", "添加密码", "粘贴(&V)", "OK", "Cancel", false}, commands, dialog)
{
}

void AddPass::Form_Load()
{
    FocusTitle();
}

void AddPass::OkClicked()
{
    Conclude(Commands().AddEntry(Texts()));
}

void AddPass::CancelClicked()
{
    Unload();
}

}  // namespace kyq
