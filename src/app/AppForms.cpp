#include "app/AppForms.h"

#include "app/About.h"
#include "app/Options.h"
#include "workflow/frmMain.h"

namespace kyq {

void RegisterAppForms(frmMain& main)
{
    main.RegisterForm(FormId::Options,
                      [](frmMain& m) -> OwnedDialog* { return new Options(m.App(), &m); });
    main.RegisterForm(FormId::About,
                      [](frmMain& m) -> OwnedDialog* { return new About(m.App(), &m); });
}

}  // namespace kyq
