#pragma once

#include <QStringList>

namespace grivendale::cli {

// upload LOCAL REMOTE --host HOST [--port PORT] --user USER
//        [--password-file FILE | --password PASS] [--attempts N]
//        [--tls [--accept-fingerprint SHA256]]
// Uploads with the editor's own FTP client, printing its status lines on standard output.
// The password is the first line of FILE, else GRIVENDALE_FTP_PASSWORD from the environment;
// --password also works, but shows it to every local user in the process list.
// --tls: explicit FTPS; a certificate that does not verify for HOST is refused, its SHA-256
// fingerprint printed on standard error, unless --accept-fingerprint names that fingerprint.
// Exit status 0 once the server has acknowledged the final rename, 1 when the upload failed,
// 2 for a usage error. Needs a QCoreApplication; runs its event loop.
int runUpload(const QStringList& args);

} // namespace grivendale::cli
