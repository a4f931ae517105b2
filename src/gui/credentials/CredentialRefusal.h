// How the new-document and change-password dialogs show a refused OK: the message, then
// the refused box emptied where the check says so (a mistyped hidden password is typed
// again whole) and given the focus.
#pragma once

class QLineEdit;

namespace kyq {

class KyqApp;
struct CredentialProblem;

void ShowCredentialRefusal(KyqApp& app, const CredentialProblem& problem, QLineEdit* box);

}  // namespace kyq
