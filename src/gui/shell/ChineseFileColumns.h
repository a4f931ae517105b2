// The detail columns of Qt's file dialog in Chinese whatever the desktop's locale: Qt
// formats the size and the modification date by the system locale (an English or C
// session shows "604 bytes" and "8 Dec 2026"), and its translations lack the type texts
// ("Folder", "kyq File").
#pragma once

#include <QIdentityProxyModel>

namespace kyq {

class ChineseFileColumns : public QIdentityProxyModel {
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

}  // namespace kyq
