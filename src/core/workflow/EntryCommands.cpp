#include "core/workflow/EntryCommands.h"

#include <algorithm>

#include "core/workflow/KyqApp.h"
#include "core/workflow/PasswordTree.h"
#include "core/workflow/WorkflowView.h"

namespace kyq {

namespace {

// Moves the one record that is out of place (just appended or retitled) to the line its
// title has in the index, so the re-order that follows finds every record in place and
// need not match 32,767 titles anew. Nothing moves when the title is not in the index.
void MoveToTitleLine(PasswordDocument& doc, int index)
{
    const std::u16string& title = doc.Entries[static_cast<size_t>(index)].Title;
    const size_t lines = doc.Titles.size();
    for (size_t line = 0; line < lines; ++line) {
        if (doc.Titles.At(line) != title)
            continue;
        const auto from = doc.Entries.begin() + index;
        const auto to = doc.Entries.begin() + static_cast<std::ptrdiff_t>(line) + 1;
        if (to < doc.Entries.end()) {
            if (to < from)
                std::rotate(to, from, from + 1);
            else if (from < to)
                std::rotate(from, from + 1, to + 1);
        }
        return;
    }
}

void FillRecord(PasswordEntry& record, const EntryTexts& texts, const LocalDate& today)
{
    record.Title = texts.Title;
    record.UserName = texts.UserName;
    record.Password = texts.Password;
    StampChanged(record, today);
}

}  // namespace

void EntryCommands::TakeUndoSnapshot()
{
    app_.DocSession.TakeUndoSnapshot(app_.Document);
    view_.SetUndoEnabled(true);
}

void EntryCommands::TakeChangeSnapshot()
{
    app_.DocSession.SnapshotModified = app_.Document.Modified;
    TakeUndoSnapshot();
}

void EntryCommands::ExchangeWithUndoSnapshot(bool restoreOnly)
{
    app_.DocSession.ExchangeWithUndoSnapshot(app_.Document, restoreOnly);
    tree_.RebuildTree();
    // The rebuilt tree has no selection: details, record commands and count follow it.
    tree_.ShowSelectedEntry();
    if (restoreOnly)
        view_.SetUndoEnabled(false);
}

void EntryCommands::passUndo_Click()
{
    if (!app_.DocSession.HasUndoSnapshot())
        return;
    ExchangeWithUndoSnapshot(false);
}

void EntryCommands::passAdd_Click()
{
    if (const EntryFieldProblem full = CheckRoomForRecord(app_.Document)) {
        app_.MsgBox(full.Message, MsgButtons::OkOnly, full.Icon);
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

EntryChange EntryCommands::AddEntry(const EntryTexts& texts)
{
    PasswordDocument& doc = app_.Document;
    // The document the dialog was opened for may have been closed behind it (a file
    // handed over by a second start); there is nothing left to add to then.
    if (!doc.IsOpen())
        return {EntryChangeOutcome::RecordGone, {}};
    EntryFieldProblem problem = CheckEntryFields(doc, texts.Title, texts.UserName, texts.Password, 0);
    if (!problem)
        problem = CheckRoomForRecord(doc);
    if (problem)
        return {EntryChangeOutcome::Refused, std::move(problem)};
    TakeChangeSnapshot();
    PasswordEntry record;
    FillRecord(record, texts, today_());
    doc.AppendEntry(std::move(record));
    doc.AddTitle(doc.Entries.back());
    FinishChange(doc.EntryCount());
    return {};
}

EntryChange EntryCommands::EditEntry(int index, std::u16string_view loadedTitle, const EntryTexts& texts)
{
    PasswordDocument& doc = app_.Document;
    // Only the record the dialog was filled from may be overwritten: when the document was
    // closed or replaced behind the dialog, that record is gone and the edit is void.
    const bool recordThere = index >= 1 && index == app_.Session.EditIndex && index <= doc.EntryCount() &&
                             doc.IsOpen() && doc.Entries[static_cast<size_t>(index)].Title == loadedTitle;
    if (!recordThere)
        return {EntryChangeOutcome::RecordGone, {}};
    if (EntryFieldProblem problem = CheckEntryFields(doc, texts.Title, texts.UserName, texts.Password, index))
        return {EntryChangeOutcome::Refused, std::move(problem)};
    TakeChangeSnapshot();
    PasswordEntry& record = doc.Entries[static_cast<size_t>(index)];
    FillRecord(record, texts, today_());
    // Records follow the title index, so line index - 1 holds this record's old title.
    if (static_cast<size_t>(index - 1) < doc.Titles.size())
        doc.Titles.RemoveAt(static_cast<size_t>(index - 1));
    doc.AddTitle(record);
    FinishChange(index);
    return {};
}

void EntryCommands::FinishChange(int index)
{
    PasswordDocument& doc = app_.Document;
    const std::u16string title = doc.Entries[static_cast<size_t>(index)].Title;
    doc.Modified = true;
    MoveToTitleLine(doc, index);
    tree_.ReorderEntries(false);
    // The rebuilt tree has no selection; the record just written is the one the user
    // wants to see (and may want to edit again), so it becomes the selection.
    for (int n = 1; n <= doc.EntryCount(); ++n) {
        if (doc.Entries[static_cast<size_t>(n)].Title == title) {
            tree_.SelectNode(n + 1);
            break;
        }
    }
    tree_.ShowSelectedEntry();
}

}  // namespace kyq
