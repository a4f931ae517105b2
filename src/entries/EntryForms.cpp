#include "entries/EntryForms.h"

#include "entries/AddPass.h"
#include "entries/EditPass.h"
#include "entries/FoundResult.h"
#include "entries/frmUser.h"
#include "workflow/frmMain.h"

namespace kyq {

void RegisterEntryForms(frmMain& main)
{
    main.RegisterForm(FormId::AddPass,
                      [](frmMain& m) -> OwnedDialog* { return new AddPass(m.App(), m); });
    main.RegisterForm(FormId::EditPass,
                      [](frmMain& m) -> OwnedDialog* { return new EditPass(m.App(), m); });
    main.RegisterForm(FormId::FoundResult,
                      [](frmMain& m) -> OwnedDialog* { return new FoundResult(m.App(), m); });
    main.RegisterForm(FormId::frmUser,
                      [](frmMain& m) -> OwnedDialog* { return new frmUser(m.App(), m); });
}

}  // namespace kyq
