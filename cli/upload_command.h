#pragma once

#include <QStringList>

namespace grivendale::cli {

// upload LOCAL REMOTE --host HOST [--port PORT] --user USER --password PASS [--attempts N]
// Uploads with the editor's own FTP client, printing its status lines on standard output.
// Exit status 0 once the server has acknowledged the final rename, 1 when the upload failed,
// 2 for a usage error. Needs a QCoreApplication; runs its event loop.
int runUpload(const QStringList& args);

} // namespace grivendale::cli
