#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reading a whole file that a user named. Devices, FIFOs and sockets are refused before a
// byte is read: /dev/zero would never end and a FIFO would block until a writer comes.

namespace grivendale {

struct RegularFileRead {
    std::optional<QByteArray> bytes; // empty on failure
    QString error;                   // French, for the user, when bytes is empty
};

// At most the size the file had when it was opened is read, and nothing over `maxBytes`.
RegularFileRead readRegularFile(const QString& path, qint64 maxBytes);

} // namespace grivendale
