#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <optional>

// Replacing a file whole or not at all. The bytes go to a new file beside the old one; every
// write is checked and the data are synced to the disk before the new file takes the old
// one's name. A write that fails at any step (full disk, a file size limit, a read-only
// folder) leaves the previous file exactly as it was.

namespace grivendale {

struct FileWriteResult {
    int error = 0; // errno of the step that failed; 0 once the file is replaced

    bool ok() const { return error == 0; }
    // French, for the user: "disque plein", "accès refusé", ...
    QString reason() const;
};

// Without `permissions`, an existing file keeps its own and a new one gets the usual ones
// (0666 less the umask).
FileWriteResult writeFileAtomically(const QString& path, const QByteArray& bytes,
                                    std::optional<QFileDevice::Permissions> permissions = {});

// What an errno means to the user, in French.
QString writeFailureReason(int error);

} // namespace grivendale
