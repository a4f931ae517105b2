#include "core/workflow/PasswordTree.h"

#include <string>
#include <vector>

#include "core/document/PathText.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/WorkflowView.h"

namespace kyq {

namespace {

std::u16string Number(int value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

void PasswordTree::ResetTree(bool noDocument, bool clearSortList)
{
    if (clearSortList)
        app_.Document.Titles.Clear();
    view_.ShowTree(noDocument ? std::u16string(u"未打开任何文件") : app_.Document.OwnerName(), {});
    // A new tree has no selection, and a view need not report losing it with the old rows.
    SyncSelection();
}

void PasswordTree::RebuildTree()
{
    const SortList& titles = app_.Document.Titles;
    std::vector<std::u16string> rows;
    rows.reserve(titles.size());
    for (size_t i = 0; i < titles.size(); ++i)
        rows.push_back(titles.At(i));
    view_.ShowTree(app_.Document.OwnerName(), std::move(rows));
    SyncSelection();
}

void PasswordTree::ReorderEntries(bool dropLast)
{
    if (app_.Document.ReorderEntries(dropLast))
        RebuildTree();
}

void PasswordTree::ShowSelectedEntry()
{
    int idx = SelectedPosition() - 1;
    if (idx > app_.Document.EntryCount())
        idx = 0;  // a row the records no longer back (the tree awaits its rebuild)
    if (idx > 0) {
        const PasswordEntry& e = app_.Document.Entries[static_cast<size_t>(idx)];
        view_.SetRecordCommandsEnabled(true);
        view_.ShowDetails({e.Title, e.UserName, e.Password, DateText(e)});
    } else {
        view_.SetRecordCommandsEnabled(false);
        view_.ShowDetails({});
    }
    view_.SetStatusText(StatusPanelText(app_.Document.Path, app_.Document.EntryCount()));
}

void PasswordTree::SyncSelection()
{
    app_.Session.SelectedIndex = 0;
    const int position = SelectedPosition();
    if (position > 0)
        app_.Session.SelectedIndex = position - 1;
}

void PasswordTree::TV1_NodeClick()
{
    SyncSelection();
    ShowSelectedEntry();
}

void PasswordTree::TV1_DblClick()
{
    SyncSelection();
    if (SelectedPosition() < 2)
        return;
    const int index = app_.Session.SelectedIndex;
    if (index < 1 || index > app_.Document.EntryCount())
        return;
    switch (app_.Settings.DblClick) {
    case 1: {
        const PasswordEntry& e = app_.Document.Entries[static_cast<size_t>(index)];
        app_.MsgBox(DetailsText(e), MsgButtons::OkOnly, MsgIcon::Information, e.Title);
        break;
    }
    case 2:
        // The same as the edit command: the selection is current, so edit opens on it.
        app_.Session.EditIndex = index;
        view_.ShowForm(FormId::EditPass);
        break;
    default:
        break;
    }
}

int PasswordTree::SelectedPosition() const
{
    return view_.SelectedPosition();
}

void PasswordTree::SelectNode(int position)
{
    view_.SelectPosition(position);
    SyncSelection();
}

std::u16string PasswordTree::DateText(const PasswordEntry& entry)
{
    return Number(entry.ChangedYear) + u"年" + Number(entry.ChangedMonth) + u"月" +
           Number(entry.ChangedDay) + u"日";
}

std::u16string PasswordTree::DetailsText(const PasswordEntry& entry)
{
    return u"密码标题：“" + entry.Title + u"”\r\n" + u"用户名称：“" + entry.UserName + u"”\r\n" +
           u"密码内容：“" + entry.Password + u"”\r\n" + u"上次修改日期：" + DateText(entry);
}

}  // namespace kyq
