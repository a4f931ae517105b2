#include "gui/entries/EntryForms.h"

#include "core/workflow/MainWindowRules.h"
#include "gui/entries/AddPass.h"
#include "gui/entries/EditPass.h"
#include "gui/entries/FoundResult.h"
#include "gui/entries/frmUser.h"
#include "gui/main/frmMain.h"

namespace kyq {

void RegisterEntryForms(frmMain& main, MainWindowRules& rules)
{
    main.RegisterForm(FormId::AddPass, [&rules](frmMain& m) -> OwnedDialog* {
        return new AddPass(m.App(), m, rules.Commands, rules.Dialog);
    });
    main.RegisterForm(FormId::EditPass, [&rules](frmMain& m) -> OwnedDialog* {
        return new EditPass(m.App(), m, rules.Commands, rules.Dialog, rules.Tree);
    });
    main.RegisterForm(FormId::FoundResult, [&rules](frmMain& m) -> OwnedDialog* {
        return new FoundResult(m.App(), m, rules.Tree);
    });
    main.RegisterForm(FormId::frmUser, [&rules](frmMain& m) -> OwnedDialog* {
        return new frmUser(m.App(), m, rules.Workflow);
    });
}

}  // namespace kyq
