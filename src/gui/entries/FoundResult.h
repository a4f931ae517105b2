// The results of a search from the main window's find box: every stored password whose
// title, user name or password holds the keyword, to pick one and select it in the tree.
#pragma once

#include <string>
#include <vector>

#include "gui/widgets/OwnedDialog.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace kyq {

class PasswordTree;
class frmMain;
struct PasswordEntry;

class FoundResult : public OwnedDialog {
    Q_OBJECT
public:
    FoundResult(KyqApp& app, frmMain& main, PasswordTree& tree);

    // Record number of each line of the list, in the same order.
    std::vector<int> FoundIndexes;

    // The details box of a double-clicked line: user name, password, date of change.
    static std::u16string DetailsText(const PasswordEntry& entry);

protected:
    void Form_Load() override;
    void OnCancel() override { Cancel_Click(); }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void List1_Click();
    void List1_DblClick();
    void OK_Click();
    void Cancel_Click();

    QLabel* Label1;
    QListWidget* List1;
    QPushButton* OK;
    QPushButton* Cancel;

    // The record of the selected line, or 0 (no line, or the record is gone).
    int SelectedRecord() const;

    frmMain& main_;
    PasswordTree& tree_;
};

}  // namespace kyq
