// Makes the add and edit dialogs, the find results and the user card known to the main
// window, which shows them by name.
#pragma once

namespace kyq {

class frmMain;
struct MainWindowRules;

// Registers "AddPass", "EditPass", "FoundResult" and "frmUser".
void RegisterEntryForms(frmMain& main, MainWindowRules& rules);

}  // namespace kyq
