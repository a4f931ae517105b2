#include "gui/shell/AppForms.h"

#include "gui/main/frmMain.h"
#include "gui/shell/About.h"
#include "gui/shell/Options.h"

namespace kyq {

void RegisterAppForms(frmMain& main)
{
    main.RegisterForm(FormId::Options,
                      [](frmMain& m) -> OwnedDialog* { return new Options(m.App(), &m); });
    main.RegisterForm(FormId::About,
                      [](frmMain& m) -> OwnedDialog* { return new About(m.App(), &m); });
}

}  // namespace kyq
