// Finds the separate password generator (ranzel) and starts it, asking the user where it
// is when no known place has it or it would not start.
#pragma once

namespace kyq {

class CommonDialog;
class KyqApp;

// Looks in app.Session.GeneratorPath, then the folder the generator's installation recorded in
// the machine hive (Software\Tarnwick\Ranzel, value Path), then the program folder, and
// last asks with the main window's file dialog, again after each pick that does not start.
// Starts the program found, detached and without arguments; remembers it in
// app.Session.GeneratorPath.
void LaunchGenerator(KyqApp& app, CommonDialog& dialog);

}  // namespace kyq
