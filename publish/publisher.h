#pragma once

#include <QString>

#include <cstdint>

// Where an upload goes: the user's own FTP server, or the publisher's server with its built-in
// account. The publisher's addresses come from the build (publish/destinations.h) unless the
// environment names others, which is how tests send everything to servers on loopback:
// GRIVENDALE_PUBLISHER_FTP_HOST, GRIVENDALE_PUBLISHER_FTP_PORT, GRIVENDALE_PUBLISHER_WEB_URL,
// GRIVENDALE_IMAGE_SERVICE_URL.

namespace grivendale {

inline constexpr std::uint16_t kDefaultFtpPort = 21;

struct PublisherAddresses {
    QString ftpHost;
    std::uint16_t ftpPort = kDefaultFtpPort;
    QString webUrl;          // no trailing '/'
    QString imageServiceUrl; // no trailing '/'
};

// Read at every call, so a changed environment applies to the next upload.
PublisherAddresses publisherAddresses();

// The built-in account's password for destination mode 1, or for mode 2 (any other mode).
// Joined from its pieces each time it is needed.
QString builtInPassword(std::int32_t serverMode);

struct FtpDestination {
    QString host;
    std::uint16_t port = kDefaultFtpPort;
    QString user;
    QString password;
};

// Mode 0: the own server, whose host may carry a port ("host:2121"); 1: the publisher's server
// with the mode-1 password; anything else: the publisher's server with the mode-2 password.
FtpDestination destinationFor(std::int32_t serverMode, const QString& serverFtp,
                              const QString& serverLogin, const QString& serverPass,
                              const PublisherAddresses& publisher);

// "host" or "host:port"; a bracketed IPv6 address may carry a port too ("[::1]:21"). A bare
// IPv6 address keeps every colon. A port that is not 1..65535 leaves the text as the host.
FtpDestination splitHostPort(const QString& text, std::uint16_t defaultPort);

} // namespace grivendale
