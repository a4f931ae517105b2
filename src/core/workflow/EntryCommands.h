// The password menu: add, edit, delete, delete all and the one-step undo, with the undo
// snapshot every change of the records takes first.
#pragma once

namespace kyq {

class KyqApp;
class PasswordTree;
class WorkflowView;

class EntryCommands {
public:
    EntryCommands(KyqApp& app, WorkflowView& view, PasswordTree& tree)
        : app_(app), view_(view), tree_(tree)
    {
    }

    // The snapshot of the records before a change; enables undo.
    void TakeUndoSnapshot();
    // The snapshot before a change of the records (add, edit, delete, delete all). It also
    // keeps the modified flag, so that a restore gives back the flag of the state it
    // returns to.
    void TakeChangeSnapshot();
    // restoreOnly false swaps document and snapshot (undo, and again redo; the document is
    // modified afterwards); true makes the snapshot the document and uses it up. The tree
    // is rebuilt either way.
    void ExchangeWithUndoSnapshot(bool restoreOnly);

    void passUndo_Click();
    void passAdd_Click();
    void passEdit_Click();
    void passDel_Click();
    void passDelAll_Click();

private:
    KyqApp& app_;
    WorkflowView& view_;
    PasswordTree& tree_;
};

}  // namespace kyq
