#include "gui/credentials/CredentialForms.h"

#include "gui/credentials/Asking.h"
#include "gui/credentials/NewOne.h"
#include "core/workflow/MainWindowRules.h"
#include "gui/main/frmMain.h"

namespace kyq {

void RegisterCredentialForms(frmMain& main, MainWindowRules& rules)
{
    main.RegisterForm(FormId::NewOne, [&rules](frmMain& m) -> OwnedDialog* {
        return new NewOne(m.App(), m, rules.Workflow);
    });
    main.RegisterForm(FormId::Asking, [&rules](frmMain& m) -> OwnedDialog* {
        return new Asking(m.App(), m, rules.Workflow, rules.Presenter);
    });
}

}  // namespace kyq
