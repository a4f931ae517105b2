#include "gui/main/PasswordTreeModel.h"

#include <utility>

namespace kyq {

PasswordTreeModel::PasswordTreeModel(QObject* parent)
    : QAbstractItemModel(parent),
      rootIcon_(QStringLiteral(":/icons/tree-root.svg")),
      nodeIcon_(QStringLiteral(":/icons/tree-node.svg"))
{
}

void PasswordTreeModel::Reset(std::u16string rootText, std::vector<std::u16string> titles)
{
    beginResetModel();
    rootText_ = std::move(rootText);
    titles_ = std::move(titles);
    endResetModel();
}

int PasswordTreeModel::PositionOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return 0;
    if (index.internalId() == RootId)
        return 1;
    return index.row() + 2;
}

QModelIndex PasswordTreeModel::IndexAt(int position) const
{
    if (position == 1)
        return RootIndex();
    if (position < 2 || position > NodeCount())
        return {};
    return createIndex(position - 2, 0, RowId);
}

QModelIndex PasswordTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 ? createIndex(0, 0, RootId) : QModelIndex();
    if (parent.internalId() != RootId || row >= static_cast<int>(titles_.size()))
        return {};
    return createIndex(row, 0, RowId);
}

QModelIndex PasswordTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == RootId)
        return {};
    return createIndex(0, 0, RootId);
}

int PasswordTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return 1;
    if (parent.column() == 0 && parent.internalId() == RootId)
        return static_cast<int>(titles_.size());
    return 0;
}

int PasswordTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant PasswordTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const bool root = index.internalId() == RootId;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QString::fromStdU16String(root ? rootText_
                                              : titles_[static_cast<size_t>(index.row())]);
    case Qt::DecorationRole:
        return root ? rootIcon_ : nodeIcon_;
    default:
        return {};
    }
}

Qt::ItemFlags PasswordTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // No in-place editing: nothing would read an edited label back.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace kyq
