#pragma once

#include "publish/ftp_reply.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

// The program's own FTP client: uploads one file in passive mode under a temporary name, then
// renames it. Everything is driven by socket signals and timers, so the caller's event loop
// keeps running; a failed attempt is followed by a new one with a new temporary name, up to a
// bound, and the upload can be cancelled. The local file is opened once per upload, so every
// attempt sends the same bytes.
//
// With TLS on (explicit FTPS, RFC 4217) the client sends AUTH TLS right after the greeting and
// nothing else until the control connection is encrypted: a server that refuses ends the
// upload, and the user name and password never leave in clear. Then PBSZ 0 and PROT P, and
// every data connection is encrypted too, resuming the control connection's TLS session.

namespace grivendale {

struct FtpTimeouts {
    using ms = std::chrono::milliseconds;
    ms connect{15000};     // the control connection
    ms reply{15000};       // greeting, USER, PASS; TYPE I and PASV together
    ms storReply{30000};   // STOR, and the data connection it needs
    ms dataIdle{90000};    // the data connection taking no bytes at all
    ms transferEnd{30000}; // 226 after the data, then RNFR and RNTO together
    ms pauseAfterNoConnection{5000};
    ms pauseAfterRefusal{2000};
    ms pauseAfterDataTimeout{5000};
};

struct FtpUploadRequest {
    QString host;
    std::uint16_t port = 21;
    QString user;
    QString password;
    QString localFile;
    QString remoteName; // relative to the server root, '/' or '\' separators
};

// How the connection is protected; by default it is not.
struct FtpSecurity {
    bool tls = false;
    // With TLS: a certificate that does not verify against the trusted authorities for the
    // host is still taken if it has this SHA-256 fingerprint, which the user accepted for the
    // server ("AB:CD:..."; case and separators do not matter).
    QString acceptedFingerprint;
};

// The certificate's SHA-256 digest as upper-case hex pairs joined by ':'; empty for none.
QString certificateFingerprint(const QSslCertificate& certificate);
// A SHA-256 fingerprint typed in any case, with or without ':' or blanks between the pairs, in
// the form above; nothing when it is not 32 bytes of hex.
std::optional<QString> normalizedFingerprint(const QString& text);

enum class FtpOutcome { Succeeded, Failed, Cancelled };

class FtpClient final : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultMaxAttempts = 5;

    explicit FtpClient(QObject* parent = nullptr);
    ~FtpClient() override;

    void setTimeouts(const FtpTimeouts& timeouts) { timeouts_ = timeouts; }
    // At least one.
    void setMaxAttempts(int attempts);
    // Authorities trusted besides the system's, for TLS (a private authority of one's own).
    void setExtraCaCertificates(const QList<QSslCertificate>& authorities) {
        extraAuthorities_ = authorities;
    }

    // Starts the upload and returns at once; finished() tells how it ended. Returns false, doing
    // nothing, while another upload runs. A request with a control character in the host,
    // the user, the password or the remote name fails at once without connecting, with a
    // message naming the field.
    bool TransfertFTP2(const FtpUploadRequest& request, const FtpSecurity& security = {});
    // Ends a running upload: finished(Cancelled).
    void cancel();
    bool isRunning() const { return step_ != Step::Idle; }
    // After a success, the QUIT goes out once the event loop turns; a program about to end
    // calls this to let it leave, waiting at most `limit` for the connection to close.
    void waitForQuitSent(std::chrono::milliseconds limit);

Q_SIGNALS:
    // "Envoie " + local file, "Envoyé", "Échec de l'envoi : ..." or "Envoi annulé".
    void statusChanged(const QString& text);
    // Bytes of the file the server has taken so far in this attempt: what the local kernel
    // still holds, unsent or unacknowledged, does not count.
    void progress(qint64 sent, qint64 total);
    // "problème chargement fichier : 1 <description> <number>"
    void localFileError(const QString& text);
    void attemptStarted(int attempt, int maxAttempts);
    void attemptFailed(int attempt, const QString& reason);
    // The control dialogue; the password is masked.
    void commandSent(const QString& line);
    void replyReceived(const grivendale::FtpReply& reply);
    // With TLS, the server's certificate did not verify and is not the accepted one, so the
    // upload ends (finished() follows). `changed`: a fingerprint had been accepted for the
    // server, and this one differs. `problems`: what the verification found.
    void certificateRefused(const QString& fingerprint, bool changed, const QString& problems);
    // `detail`: the failure text without its prefix, empty on success.
    void finished(grivendale::FtpOutcome outcome, const QString& detail);

private:
    enum class Step {
        Idle,
        Pausing,
        Connecting,
        Greeting,
        AuthTls,   // AUTH TLS sent
        Handshake, // the control connection's TLS handshake
        Pbsz,
        Prot,
        User,
        Pass,
        Type,
        Pasv,
        Stor,
        Sending,
        DataLost, // the server closed the data connection early; its reply may say why
        TransferEnd,
        Rnfr,
        Rnto,
        Dele,    // a temporary file of an earlier attempt, right after the login
        Goodbye, // after a failure: DELE what is left, QUIT, and the replies to those
    };

    void beginAttempt();
    void connectControl();
    void resetAttemptState();
    // Lets the sockets go, ending the session properly where it still works (after `quit`,
    // with DELE for what is left and QUIT); new ones serve the next connection.
    void retireSockets(bool quit);
    bool controlUsable() const;
    void sayGoodbye();
    void afterAttempt();
    void afterLogin();
    void deleteNextOrGoOn();
    // Ends the attempt; a new one follows after `pause` unless the bound is reached or the
    // failure is permanent.
    void failAttempt(const QString& reason, std::chrono::milliseconds pause,
                     bool permanent = false);
    void failOnReply(const FtpReply& reply, std::chrono::milliseconds pause);
    void finish(FtpOutcome outcome, const QString& detail);
    void arm(std::chrono::milliseconds limit);
    void armUntilDeadline();
    void sendCommand(const QString& command);
    void makeSockets(bool tls);
    QSslSocket* tlsControl() const;
    QSslSocket* tlsData() const;
    void dispatch(void (FtpClient::*handler)());
    void sendUser();
    QSslConfiguration tlsConfiguration() const;

    void onTimeout();
    void onControlConnected();
    void onControlReadyRead();
    void onControlClosed();
    void onReply(const FtpReply& reply);
    void onControlEncrypted();
    void onControlSslErrors(const QList<QSslError>& errors);
    void onDataConnected();
    void onDataEncrypted();
    void onDataSslErrors(const QList<QSslError>& errors);
    void onDataBytesWritten();
    void onDataClosed();
    void startSending();
    void fillDataSocket();
    void watchData();
    void reportProgress();
    qint64 unsentBytes() const;
    qint64 heldBySocket() const;
    void dataLost();
    void transferEnded();

    FtpTimeouts timeouts_;
    int maxAttempts_ = kDefaultMaxAttempts;

    QList<QSslCertificate> extraAuthorities_;

    // QSslSockets when TLS is asked for, else plain ones.
    std::unique_ptr<QTcpSocket> control_;
    std::unique_ptr<QTcpSocket> data_;
    QList<QPointer<QTcpSocket>> retiring_; // closing; children of this client
    bool tlsSockets_ = false;
    QTimer timer_;
    QTimer pump_;             // resumes sending after a burst
    QTimer watch_;            // follows what the server takes from the data socket
    QByteArray chunk_;        // the piece of the file on its way
    QDeadlineTimer deadline_; // a limit shared by several replies
    FtpReplyParser parser_;
    QFile file_;

    Step step_ = Step::Idle;
    FtpUploadRequest request_;
    FtpSecurity security_;
    QString remotePath_;
    QString temporaryName_;
    std::int32_t uploadCounter_ = 0;
    int attempt_ = 0;
    // Changes whenever the sockets are reset, so a handler running for an older attempt stops.
    std::uint64_t generation_ = 0;
    QString lastReply_;                // the server's latest reply in this upload
    std::optional<QString> refusal_;   // why the request is refused before anything is sent
    std::optional<QString> fileError_; // why the local file could not be opened
    // Why the latest TLS handshake was refused on this side, the certificate's fault.
    std::optional<QString> certificateRefusal_;
    // Temporary files that may be on the server: an attempt's, once its STOR is accepted, until
    // it is renamed or deleted.
    QStringList leftovers_;
    QStringList goodbyeDeletes_; // the DELE sent with the goodbye, awaiting their replies
    qsizetype deleteAt_ = 0;
    bool loggedIn_ = false;
    bool cleaning_ = false;              // a session of its own, only to delete leftovers
    std::optional<QString> finalDetail_; // set once no attempt follows: why the upload failed
    std::chrono::milliseconds pause_{0}; // before the next attempt
    bool storAccepted_ = false;
    bool dataConnected_ = false;
    bool dataQueued_ = false;  // the whole file is in the socket
    bool dataClosing_ = false; // the server has all of it; closing tells it the file is complete
    std::chrono::milliseconds watchInterval_{0};
    qint64 queued_ = 0; // handed to the data socket
    qint64 sent_ = 0;   // of those, taken by the server
    qint64 total_ = 0;
    std::optional<FtpReply> endReply_; // a reply that came before the data connection closed
};

} // namespace grivendale
