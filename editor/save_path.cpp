#include "editor/save_path.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace grivendale {

QString savePathWithExtension(const QString& path, const QString& filter, int chosenFilter) {
    if (!QFileInfo(path).suffix().isEmpty())
        return path;
    const QStringList parts = filter.split(QLatin1Char('|'));
    const qsizetype patterns = 2 * qsizetype{chosenFilter} + 1;
    if (chosenFilter < 0 || patterns >= parts.size())
        return path;
    // The first pattern of the entry: "*.png;*.gif" gives ".png".
    static const QRegularExpression extension(QStringLiteral("^\\*(\\.[^.*?;\\[\\]]+)"));
    const QRegularExpressionMatch match = extension.match(parts[patterns]);
    if (!match.hasMatch())
        return path;
    // "carte." keeps its dot: the extension replaces nothing the user typed.
    return path.endsWith(QLatin1Char('.')) ? path.chopped(1) + match.captured(1)
                                           : path + match.captured(1);
}

} // namespace grivendale
