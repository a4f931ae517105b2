// The password menu and the toolbar: add, edit, delete, delete all, the one-step undo and
// the toolbar's dispatch by button position.
#pragma once

namespace kyq {

class KyqApp;
class frmMain;

class EntryCommands {
public:
    EntryCommands(KyqApp& app, frmMain& main) : app_(app), main_(main) {}

    // The snapshot of the records before a change; enables undo.
    void TakeUndoSnapshot();
    // The snapshot before a change of the records (add, edit, delete, delete all). It also
    // keeps the modified flag, so an undo gives back the flag of the state it returns to:
    // undoing the second of two unsaved changes leaves the document marked modified.
    void TakeChangeSnapshot();
    // restoreOnly false swaps document and snapshot (undo, and again redo); true makes the
    // snapshot the document and uses it up. The tree is rebuilt either way.
    void ExchangeWithUndoSnapshot(bool restoreOnly);

    void passUndo_Click();
    void passAdd_Click();
    void passEdit_Click();
    void passDel_Click();
    void passDelAll_Click();
    void toolPass_Click();
    void toolOption_Click();
    void helpAbout_Click();
    void helpHelp_Click();
    void helpRead_Click();
    void WebTarnwick_Click();
    void WebKYQ_Click();
    void WebGuest_Click();
    void WebMail_Click();

    // position counts from 1 (new, open, save, user, add, edit, delete, help).
    void Toolbar_ButtonClick(int position);

private:
    KyqApp& app_;
    frmMain& main_;
};

}  // namespace kyq
