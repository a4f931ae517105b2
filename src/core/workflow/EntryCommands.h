// The password menu: add, edit, delete, delete all and the one-step undo, with the undo
// snapshot every change of the records takes first; the add and edit dialogs hand their
// fields to AddEntry and EditEntry and show what those refuse.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/document/LocalDate.h"
#include "core/workflow/EntryFieldCheck.h"

namespace kyq {

class KyqApp;
class PasswordTree;
class WorkflowView;

// The three texts of a record as the add and edit dialogs collected them.
struct EntryTexts {
    std::u16string Title;
    std::u16string UserName;
    std::u16string Password;
};

enum class EntryChangeOutcome {
    Changed,     // stored, the records re-ordered and the record selected
    Refused,     // nothing changed; Refusal says which field and why
    RecordGone,  // the document or the record the dialog was opened for is gone
};

struct EntryChange {
    EntryChangeOutcome Outcome = EntryChangeOutcome::Changed;
    EntryFieldProblem Refusal;
};

class EntryCommands {
public:
    using Clock = std::function<LocalDate()>;

    EntryCommands(KyqApp& app, WorkflowView& view, PasswordTree& tree, Clock today = TodayLocal)
        : app_(app), view_(view), tree_(tree), today_(std::move(today))
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

    // The add dialog's OK: the field checks, the record limit, then a record stamped with
    // today's date, in title order and selected.
    EntryChange AddEntry(const EntryTexts& texts);
    // The edit dialog's OK for record `index`, which held `loadedTitle` when the dialog
    // was filled: the field checks (its own title may change letter case), then the
    // record rewritten and stamped with today's date even when nothing changed.
    EntryChange EditEntry(int index, std::u16string_view loadedTitle, const EntryTexts& texts);

private:
    // Marks the document modified, puts record `index` where its title belongs, rebuilds
    // the tree and selects that record.
    void FinishChange(int index);

    KyqApp& app_;
    WorkflowView& view_;
    PasswordTree& tree_;
    Clock today_;
};

}  // namespace kyq
