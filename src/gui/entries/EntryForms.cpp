#include "gui/entries/EntryForms.h"

#include "gui/entries/AddPass.h"
#include "gui/entries/EditPass.h"
#include "gui/entries/FoundResult.h"
#include "gui/entries/frmUser.h"
#include "gui/main/frmMain.h"

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
