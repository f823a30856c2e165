#include "publish/publisher.h"

#include "publish/destinations.h"

#include <QtGlobal>

namespace grivendale {

namespace {

QString environmentOr(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QString withoutTrailingSlash(QString url) {
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

std::uint16_t portFrom(const QString& text, std::uint16_t fallback) {
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok && port > 0 && port <= 65535 ? static_cast<std::uint16_t>(port) : fallback;
}

QString joined(const char (&pieces)[3][4]) {
    QString password;
    for (const auto& piece : pieces)
        password += QLatin1String(piece);
    return password;
}

} // namespace

PublisherAddresses publisherAddresses() {
    PublisherAddresses a;
    a.ftpHost = environmentOr("GRIVENDALE_PUBLISHER_FTP_HOST",
                              QString::fromUtf8(destinations::kPublisherFtpHost));
    a.ftpPort = portFrom(qEnvironmentVariable("GRIVENDALE_PUBLISHER_FTP_PORT"),
                         static_cast<std::uint16_t>(destinations::kPublisherFtpPort));
    a.webUrl = withoutTrailingSlash(environmentOr(
        "GRIVENDALE_PUBLISHER_WEB_URL", QString::fromUtf8(destinations::kPublisherWebUrl)));
    a.imageServiceUrl = withoutTrailingSlash(environmentOr(
        "GRIVENDALE_IMAGE_SERVICE_URL", QString::fromUtf8(destinations::kImageServiceUrl)));
    return a;
}

QString builtInPassword(std::int32_t serverMode) {
    return serverMode == 1 ? joined(destinations::kMode1PasswordPieces)
                           : joined(destinations::kMode2PasswordPieces);
}

FtpDestination splitHostPort(const QString& text, std::uint16_t defaultPort) {
    const QString host = text.trimmed();
    FtpDestination d{host, defaultPort, {}, {}};
    qsizetype colon = -1;
    if (host.startsWith(QLatin1Char('['))) {
        const qsizetype close = host.indexOf(QLatin1Char(']'));
        if (close < 0)
            return d;
        if (close + 1 == host.size()) {
            d.host = host.mid(1, close - 1);
            return d;
        }
        if (host.at(close + 1) != QLatin1Char(':'))
            return d;
        colon = close + 1;
        const std::uint16_t port = portFrom(host.mid(colon + 1), 0);
        if (port != 0) {
            d.host = host.mid(1, close - 1);
            d.port = port;
        }
        return d;
    }
    // One colon only: more would be a bare IPv6 address.
    colon = host.indexOf(QLatin1Char(':'));
    if (colon < 0 || host.indexOf(QLatin1Char(':'), colon + 1) >= 0)
        return d;
    const std::uint16_t port = portFrom(host.mid(colon + 1), 0);
    if (port != 0) {
        d.host = host.left(colon);
        d.port = port;
    }
    return d;
}

FtpDestination destinationFor(std::int32_t serverMode, const QString& serverFtp,
                              const QString& serverLogin, const QString& serverPass,
                              const PublisherAddresses& publisher) {
    if (serverMode == 0) {
        FtpDestination d = splitHostPort(serverFtp, kDefaultFtpPort);
        d.user = serverLogin;
        d.password = serverPass;
        return d;
    }
    return {publisher.ftpHost, publisher.ftpPort, QString::fromUtf8(destinations::kPublisherUser),
            builtInPassword(serverMode)};
}

} // namespace grivendale
