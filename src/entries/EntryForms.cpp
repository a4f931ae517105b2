#include "entries/EntryForms.h"

#include "entries/AddPass.h"
#include "entries/EditPass.h"
#include "entries/FoundResult.h"
#include "entries/frmUser.h"
#include "workflow/frmMain.h"

namespace kyq {

void RegisterEntryForms(frmMain& main)
{
    main.RegisterForm(QStringLiteral("AddPass"),
                      [](frmMain& m) -> OwnedDialog* { return new AddPass(m.App(), m); });
    main.RegisterForm(QStringLiteral("EditPass"),
                      [](frmMain& m) -> OwnedDialog* { return new EditPass(m.App(), m); });
    main.RegisterForm(QStringLiteral("FoundResult"),
                      [](frmMain& m) -> OwnedDialog* { return new FoundResult(m.App(), m); });
    main.RegisterForm(QStringLiteral("frmUser"),
                      [](frmMain& m) -> OwnedDialog* { return new frmUser(m.App(), m); });
}

}  // namespace kyq
