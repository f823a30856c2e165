#pragma once

#include <QFileInfo>
#include <QIdentityProxyModel>

namespace grivendale {

// What the file dialogs show of each file, in French whatever the system's language: sizes in
// octets, kilo-octets and mega-octets, the kind of file, dates as 08/12/2026 14:05.
class FrenchFileModel final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override;
};

QString frenchFileSize(qint64 bytes);
QString frenchFileType(const QFileInfo& file);

} // namespace grivendale
