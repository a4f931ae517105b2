#include "gui/shell/ChineseFileColumns.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QLocale>

namespace kyq {

namespace {
// The columns of QFileSystemModel.
constexpr int SizeColumn = 1;
constexpr int TypeColumn = 2;
constexpr int DateColumn = 3;

QString SizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" 字节");
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    double size = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (size >= 1024.0 && unit < 3) {
        size /= 1024.0;
        ++unit;
    }
    return QString::number(size, 'f', size < 10.0 ? 1 : 0) + QLatin1Char(' ') +
           QLatin1String(units[unit]);
}
}  // namespace

QVariant ChineseFileColumns::data(const QModelIndex& index, int role) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || !index.isValid() ||
        (index.column() != SizeColumn && index.column() != TypeColumn &&
         index.column() != DateColumn))
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (index.column() == SizeColumn) {
        // Qt words the size by the system locale ("604 bytes" in an English session).
        return files->isDir(source) ? QString() : SizeText(files->size(source));
    }
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
