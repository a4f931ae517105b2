#include "core/workflow/EntryCommands.h"

#include "core/workflow/KyqApp.h"
#include "core/workflow/PasswordTree.h"
#include "core/workflow/WorkflowView.h"

namespace kyq {

void EntryCommands::TakeUndoSnapshot()
{
    app_.Document.TakeUndoSnapshot();
    view_.SetUndoEnabled(true);
}

void EntryCommands::TakeChangeSnapshot()
{
    app_.Document.SnapshotModified = app_.Document.Modified;
    TakeUndoSnapshot();
}

void EntryCommands::ExchangeWithUndoSnapshot(bool restoreOnly)
{
    app_.Document.ExchangeWithUndoSnapshot(restoreOnly);
    tree_.RebuildTree();
    // The rebuilt tree has no selection: details, record commands and count follow it.
    tree_.ShowSelectedEntry();
    if (restoreOnly)
        view_.SetUndoEnabled(false);
}

void EntryCommands::passUndo_Click()
{
    if (!app_.Document.HasUndoSnapshot())
        return;
    ExchangeWithUndoSnapshot(false);
}

void EntryCommands::passAdd_Click()
{
    if (app_.Document.EntryCount() >= PasswordDocument::MaxEntries) {
        app_.MsgBox(u"已经达到密码数的最大值(32767)，不能再增加密码了。", MsgButtons::OkOnly,
                    MsgIcon::Warning);
        return;
    }
    view_.ShowForm(FormId::AddPass);
}

void EntryCommands::passEdit_Click()
{
    tree_.SyncSelection();
    if (app_.Session.SelectedIndex < 1)
        return;
    app_.Session.EditIndex = app_.Session.SelectedIndex;
    view_.ShowForm(FormId::EditPass);
}

void EntryCommands::passDel_Click()
{
    // SelectedIndex is brought up to date first: a Delete pressed right after moving the
    // selection must not act on the record selected before.
    tree_.SyncSelection();
    const int k = app_.Session.SelectedIndex;
    if (k < 1 || k > app_.Document.EntryCount())
        return;
    const std::u16string title = app_.Document.Entries[static_cast<size_t>(k)].Title;
    const MsgAnswer answer = app_.MsgBox(u"你确定要删除密码“" + title + u"”吗？", MsgButtons::YesNo,
                                         MsgIcon::Warning, u"确定删除");
    if (answer == MsgAnswer::Yes) {
        TakeChangeSnapshot();
        // Removing the record together with its title is what taking the title out of the
        // index and re-ordering with the last record dropped comes to, without the re-order.
        app_.Document.RemoveEntryAt(k);
        tree_.RebuildTree();
    }
    tree_.ShowSelectedEntry();
}

void EntryCommands::passDelAll_Click()
{
    const MsgAnswer answer = app_.MsgBox(u"您确定要删除所有的密码吗？！", MsgButtons::YesNo,
                                         MsgIcon::Critical, u"有没有搞错？");
    if (answer != MsgAnswer::Yes)
        return;
    TakeChangeSnapshot();
    tree_.ResetTree(false, true);
    app_.Document.Entries.resize(1);
    app_.Document.Modified = true;
    tree_.ShowSelectedEntry();
}

}  // namespace kyq
