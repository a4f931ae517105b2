// Registers the credential dialogs (the new-document dialog and the password prompt) with
// the main window, which shows them by id.
#pragma once

namespace kyq {

class frmMain;

void RegisterCredentialForms(frmMain& main);

}  // namespace kyq
