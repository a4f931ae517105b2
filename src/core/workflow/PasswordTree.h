// The password tree and the details pane kept in step with the document: the n-th password
// row of the tree is Entries[n] after every change.
#pragma once

#include <string>

#include "core/document/PasswordEntry.h"

namespace kyq {

class KyqApp;
class WorkflowView;

class PasswordTree {
public:
    PasswordTree(KyqApp& app, WorkflowView& view) : app_(app), view_(view) {}

    // Only the root: "未打开任何文件" with noDocument, the owner name otherwise.
    void ResetTree(bool noDocument, bool clearSortList);
    // Root with the owner name and one row per title of the title index.
    void RebuildTree();
    // Entries follow the title index (dropping the record whose title was taken out with
    // dropLast); the tree is rebuilt. Nothing happens for a document without records.
    void ReorderEntries(bool dropLast);

    // Details, record commands and record count for the selection as it is now.
    void ShowSelectedEntry();
    // Brings SelectedIndex up to date with the tree's selection (the view reports every
    // change of it through TV1_NodeClick).
    void SyncSelection();
    void TV1_NodeClick();
    void TV1_DblClick();

    // Node positions count the root as 1; 0 is "no node selected".
    int SelectedPosition() const;
    void SelectNode(int position);

    // "2000年7月4日"
    static std::u16string DateText(const PasswordEntry& entry);
    // The text of the double-click details box.
    static std::u16string DetailsText(const PasswordEntry& entry);

private:
    KyqApp& app_;
    WorkflowView& view_;
};

}  // namespace kyq
