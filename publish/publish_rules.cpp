#include "publish/publish_rules.h"

#include <QUrl>

namespace grivendale {

std::optional<QString> checkRemoteName(const QString& serverFile) {
    const QString name = publishedName(serverFile);
    if (name.isEmpty())
        return kEmptyOrNotPngMessage;
    if (name.contains(QLatin1Char(' ')))
        return kBlanksMessage;
    if (serverFile.right(4).toUpper() != QLatin1String(".PNG"))
        return kEmptyOrNotPngMessage;
    if (hasControlCharacter(serverFile))
        return kControlCharacterMessage;
    return std::nullopt;
}

QString publishedName(const QString& serverFile) {
    // Blanks only: a tab is a control character and is refused, not trimmed away.
    qsizetype first = 0;
    qsizetype last = serverFile.size();
    while (first < last && serverFile.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && serverFile.at(last - 1) == QLatin1Char(' '))
        --last;
    return serverFile.mid(first, last - first);
}

bool hasControlCharacter(const QString& text) {
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

QString newsFileName(const QDate& date) {
    const auto twoDigits = [](int value) {
        return QString::number(value).rightJustified(2, QLatin1Char('0'));
    };
    return QStringLiteral("images/news/suivi") + twoDigits(date.year() - 2000) +
           twoDigits(date.month()) + twoDigits(date.day()) + QStringLiteral(".png");
}

QString toRemotePath(QString path) {
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString remoteFolder(const QString& remotePath) {
    return remotePath.left(remotePath.lastIndexOf(QLatin1Char('/')) + 1);
}

QString temporaryRemoteName(const QString& folder, std::int64_t n) {
    QString slashed = folder;
    if (!slashed.endsWith(QLatin1Char('/')))
        slashed += QLatin1Char('/');
    return QLatin1Char('/') + slashed + QStringLiteral("temp") + QString::number(n) +
           QStringLiteral(".dat");
}

QString publicPictureUrl(const QString& webUrl, const QString& serverFile) {
    return webUrl + QStringLiteral("/images/grivendale/") + toRemotePath(publishedName(serverFile));
}

QString imageServiceRequestUrl(const QString& serviceUrl, const QString& pictureUrl) {
    return serviceUrl + QStringLiteral("/image_envoi.php?source=grivendale&imageurl=") +
           QString::fromLatin1(QUrl::toPercentEncoding(pictureUrl));
}

std::optional<QString> cutForumLink(const QString& forumCode) {
    static const QString open = QStringLiteral("[URL=");
    static const QString close = QStringLiteral("][");
    const qsizetype p = forumCode.indexOf(open);
    if (p < 0)
        return std::nullopt;
    const qsizetype q = forumCode.indexOf(close, p + 1);
    if (q < 0)
        return std::nullopt;
    const qsizetype start = p + open.size();
    return forumCode.mid(start, q - start);
}

bool isCopyableLink(const QString& text) {
    return text.startsWith(QLatin1String("htt"));
}

} // namespace grivendale
