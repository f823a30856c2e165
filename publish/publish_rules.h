#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>

// The rules of publishing that need no network: checking the remote name, the preset names,
// remote paths and the temporary name, the links given to the user.

namespace grivendale {

// Title of the boxes the publish command shows.
inline const QString kPublishTitle = QStringLiteral("Grivendale");

inline const QString kEmptyOrNotPngMessage =
    QStringLiteral("Le nom de fichier ne doit pas être vide et doit être un .png !");
inline const QString kBlanksMessage =
    QStringLiteral("Le nom de fichier ne doit pas contenir d'espaces !");
// A CR or LF would end the FTP command early and let the rest pass as a command of its own.
inline const QString kControlCharacterMessage =
    QStringLiteral("Le nom de fichier ne doit pas contenir de caractères de contrôle !");

// Status texts of the upload.
inline const QString kSendingPrefix = QStringLiteral("Envoie ");
inline const QString kSentText = QStringLiteral("Envoyé");
inline const QString kFailurePrefix = QStringLiteral("Échec de l'envoi : ");
inline const QString kCancelledText = QStringLiteral("Envoi annulé");

inline const QString kFollowFileName = QStringLiteral("surveillance/suivi.png");

// The message refusing `serverFile` as typed, or nothing when it may be published. Checked in
// this order: empty once trimmed, a blank inside, not ending in ".png" (any case, untrimmed,
// so a trailing blank is refused), a control character.
std::optional<QString> checkRemoteName(const QString& serverFile);

// The name trimmed of blanks: what is uploaded.
QString publishedName(const QString& serverFile);

bool hasControlCharacter(const QString& text);

// "images/news/suivi" + YYMMDD + ".png", YY being the year minus 2000.
QString newsFileName(const QDate& date);

// Every '\' becomes '/'.
QString toRemotePath(QString path);
// Up to and including the last '/', empty without one.
QString remoteFolder(const QString& remotePath);
// "/" + folder (made to end with '/') + "temp" + n + ".dat": "//temp12.dat" for a name without
// folder, "/images/news/temp537.dat" inside images/news/.
QString temporaryRemoteName(const QString& folder, std::int64_t n);

// Where the publisher's web server shows an uploaded map: webUrl + "/images/grivendale/" +
// the published name with '/' separators.
QString publicPictureUrl(const QString& webUrl, const QString& serverFile);

// The image service's request for that picture, the picture URL percent-encoded as the value
// of "imageurl".
QString imageServiceRequestUrl(const QString& serviceUrl, const QString& pictureUrl);

// The text between the first "[URL=" and the next "][" of the service's forum code; nothing
// when the text is empty or a marker is missing. An empty link is a link.
std::optional<QString> cutForumLink(const QString& forumCode);

// What a click on the status box copies: a text beginning with "htt".
bool isCopyableLink(const QString& text);

} // namespace grivendale
