#include "gui/credentials/CredentialForms.h"

#include "gui/credentials/Asking.h"
#include "gui/credentials/NewOne.h"
#include "gui/main/frmMain.h"

namespace kyq {

void RegisterCredentialForms(frmMain& main)
{
    main.RegisterForm(FormId::NewOne,
                      [](frmMain& m) -> OwnedDialog* { return new NewOne(m.App(), m); });
    main.RegisterForm(FormId::Asking,
                      [](frmMain& m) -> OwnedDialog* { return new Asking(m.App(), m); });
}

}  // namespace kyq
