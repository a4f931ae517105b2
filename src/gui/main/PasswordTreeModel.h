// The rows of the password tree: one root (the owner, or "no file") and under it one row
// per stored password title, in the order given at the last reset. A rebuild of the tree is
// one model reset, however many records there are.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <string>
#include <vector>

namespace kyq {

class PasswordTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit PasswordTreeModel(QObject* parent = nullptr);

    // The node texts are taken now and not read again until the next reset, as a tree's
    // node texts are set only when the node is added.
    void Reset(std::u16string rootText, std::vector<std::u16string> titles);

    // Node positions as the tree counts them: 1 the root, n + 1 the n-th password row;
    // 0 for none.
    int PositionOf(const QModelIndex& index) const;
    QModelIndex IndexAt(int position) const;
    int NodeCount() const { return static_cast<int>(titles_.size()) + 1; }
    QModelIndex RootIndex() const { return index(0, 0); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // Internal id of the root's index; password rows carry 1.
    static constexpr quintptr RootId = 0;
    static constexpr quintptr RowId = 1;

    std::u16string rootText_;
    std::vector<std::u16string> titles_;
    QIcon rootIcon_;
    QIcon nodeIcon_;
};

}  // namespace kyq
