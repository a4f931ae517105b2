#include "workflow/PasswordTree.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeView>
#include <string>
#include <vector>

#include "app/KyqApp.h"
#include "workflow/PasswordTreeModel.h"
#include "workflow/PathText.h"
#include "workflow/frmMain.h"

namespace kyq {

namespace {

std::u16string Number(int value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

void SetBox(QLineEdit* box, const std::u16string& text)
{
    box->setText(QString::fromStdU16String(text));
    box->setCursorPosition(0);
}

}  // namespace

void PasswordTree::ResetTree(bool noDocument, bool clearSortList)
{
    if (clearSortList)
        app_.Document.Titles.Clear();
    main_.TreeModel->Reset(noDocument ? std::u16string(u"未打开任何文件")
                                      : app_.Document.OwnerName(),
                           {});
    main_.TV1->expandAll();
}

void PasswordTree::RebuildTree()
{
    const SortList& titles = app_.Document.Titles;
    std::vector<std::u16string> rows;
    rows.reserve(titles.size());
    for (size_t i = 0; i < titles.size(); ++i)
        rows.push_back(titles.At(i));
    main_.TreeModel->Reset(app_.Document.OwnerName(), std::move(rows));
    main_.TV1->expand(main_.TreeModel->RootIndex());
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
        SetEntryCommandsEnabled(true);
        SetBox(main_.txtTitle, e.Title);
        SetBox(main_.txtName, e.UserName);
        SetBox(main_.txtPass, e.Password);
        SetBox(main_.txtDate, DateText(e));
    } else {
        SetEntryCommandsEnabled(false);
        main_.txtTitle->clear();
        main_.txtName->clear();
        main_.txtPass->clear();
        main_.txtDate->clear();
    }
    main_.SetStatusPanel(1, StatusPanelText(app_.Document.Path, app_.Document.EntryCount()));
}

void PasswordTree::SetEntryCommandsEnabled(bool enabled)
{
    main_.Menus.passEdit->setEnabled(enabled);
    main_.Menus.passDel->setEnabled(enabled);
}

void PasswordTree::Timer1_Timer()
{
    app_.SelectedIndex = 0;
    const int position = SelectedPosition();
    if (position > 0)
        app_.SelectedIndex = position - 1;
}

void PasswordTree::TV1_NodeClick()
{
    Timer1_Timer();
    ShowSelectedEntry();
}

void PasswordTree::TV1_DblClick()
{
    Timer1_Timer();
    if (SelectedPosition() < 2)
        return;
    const int index = app_.SelectedIndex;
    if (index < 1 || index > app_.Document.EntryCount())
        return;
    switch (app_.Settings.DblClick) {
    case 1: {
        const PasswordEntry& e = app_.Document.Entries[static_cast<size_t>(index)];
        app_.MsgBox(DetailsText(e), MsgButtons::OkOnly, MsgIcon::Information, e.Title);
        break;
    }
    case 2:
        main_.Commands.passEdit_Click();
        break;
    default:
        break;
    }
}

int PasswordTree::SelectedPosition() const
{
    const QItemSelectionModel* selection = main_.TV1->selectionModel();
    if (!selection)
        return 0;
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty())
        return 0;
    return main_.TreeModel->PositionOf(rows.first());
}

void PasswordTree::SelectNode(int position)
{
    const QModelIndex index = main_.TreeModel->IndexAt(position);
    if (!index.isValid())
        return;
    main_.TV1->setCurrentIndex(index);
    main_.TV1->scrollTo(index);
    Timer1_Timer();
}

std::u16string PasswordTree::NodeText(int position) const
{
    return main_.TreeModel->NodeText(position);
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
