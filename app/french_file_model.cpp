#include "app/french_file_model.h"

#include <QFileSystemModel>
#include <QLocale>
#include <QMimeDatabase>

namespace grivendale {

namespace {

// The columns of the dialogs' file model.
enum Column { Name, Size, Type, Date };

} // namespace

QString frenchFileSize(qint64 bytes) {
    const QLocale french(QLocale::French, QLocale::France);
    if (bytes < 1024)
        return QStringLiteral("%1 octet%2").arg(bytes).arg(bytes > 1 ? "s" : "");
    if (bytes < 1024 * 1024)
        return french.toString(double(bytes) / 1024, 'f', 1) + QStringLiteral(" Ko");
    if (bytes < qint64{1024} * 1024 * 1024)
        return french.toString(double(bytes) / (1024 * 1024), 'f', 1) + QStringLiteral(" Mo");
    return french.toString(double(bytes) / (1024 * 1024 * 1024), 'f', 1) + QStringLiteral(" Go");
}

QString frenchFileType(const QFileInfo& file) {
    if (file.isDir())
        return QStringLiteral("Dossier");
    const QString suffix = file.suffix().toLower();
    if (suffix == QLatin1String("car"))
        return QStringLiteral("Fichier carte");
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension);
    // The database's descriptions follow the program's language where it has them.
    if (!type.isDefault() && !type.comment().isEmpty())
        return type.comment();
    return suffix.isEmpty() ? QStringLiteral("Fichier")
                            : QStringLiteral("Fichier %1").arg(suffix.toUpper());
}

QVariant FrenchFileModel::data(const QModelIndex& index, int role) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || index.column() == Name)
        return QIdentityProxyModel::data(index, role);
    const QFileInfo file = files->fileInfo(mapToSource(index));
    switch (index.column()) {
    case Size:
        return file.isDir() ? QString() : frenchFileSize(file.size());
    case Type:
        return frenchFileType(file);
    case Date:
        return QLocale(QLocale::French, QLocale::France)
            .toString(file.lastModified(), QStringLiteral("dd/MM/yyyy HH:mm"));
    default:
        return QIdentityProxyModel::data(index, role);
    }
}

} // namespace grivendale
