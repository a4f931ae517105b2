#include "gui/credentials/CredentialRefusal.h"

#include <QLineEdit>

#include "core/workflow/CredentialCheck.h"
#include "core/workflow/KyqApp.h"

namespace kyq {

void ShowCredentialRefusal(KyqApp& app, const CredentialProblem& problem, QLineEdit* box)
{
    app.MsgBox(problem.Message, MsgButtons::OkOnly, problem.Icon);
    if (problem.Empty)
        box->clear();
    box->setFocus(Qt::OtherFocusReason);
}

}  // namespace kyq
