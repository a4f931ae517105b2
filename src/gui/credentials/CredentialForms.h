// Registers the credential dialogs (the new-document dialog and the password prompt) with
// the main window, which shows them by id.
#pragma once

namespace kyq {

class frmMain;
struct MainWindowRules;

void RegisterCredentialForms(frmMain& main, MainWindowRules& rules);

}  // namespace kyq
