// Makes the forms of the application folder known to the main window by name ("Options",
// "About"), so that its commands can show them.
#pragma once

namespace kyq {

class frmMain;

void RegisterAppForms(frmMain& main);

}  // namespace kyq
