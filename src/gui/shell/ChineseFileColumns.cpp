#include "gui/shell/ChineseFileColumns.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QLocale>

namespace kyq {

namespace {
// The columns of QFileSystemModel.
constexpr int TypeColumn = 2;
constexpr int DateColumn = 3;
}  // namespace

QVariant ChineseFileColumns::data(const QModelIndex& index, int role) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || !index.isValid() ||
        (index.column() != TypeColumn && index.column() != DateColumn))
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (index.column() == DateColumn) {
        static const QLocale chinese(QLocale::Chinese, QLocale::China);
        const QDateTime changed = files->lastModified(source);
        return changed.isValid() ? chinese.toString(changed, QLocale::ShortFormat) : QString();
    }
    const QFileInfo info = files->fileInfo(source);
    if (info.isDir())
        return QStringLiteral("文件夹");
    if (info.isSymLink() && !info.exists())
        return QStringLiteral("快捷方式");
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QStringLiteral("文件") : suffix + QStringLiteral(" 文件");
}

}  // namespace kyq
