#include "gui/entries/AddPass.h"

#include "gui/main/frmMain.h"

namespace kyq {

AddPass::AddPass(KyqApp& app, frmMain& main)
    : EntryDialog(app, main, {"AddPass", "添加密码", "粘贴(&V)", "OK", "Cancel", false})
{
}

void AddPass::Form_Load()
{
    FocusTitle();
}

void AddPass::OkClicked()
{
    Conclude(Main().Commands.AddEntry(Texts()));
}

void AddPass::CancelClicked()
{
    Unload();
}

}  // namespace kyq
