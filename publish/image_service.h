#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>

class QNetworkReply;

// Asks the publisher's image service for the forum code of an uploaded picture and cuts the
// link out of it. Asynchronous: finished() comes once, with or without a link.

namespace grivendale {

class ImageService final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{15000};
    // Forum code is short; a larger answer is not one.
    static constexpr qint64 kMaxReplyBytes = 1024 * 1024;

    explicit ImageService(QObject* parent = nullptr);
    ~ImageService() override;

    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

    // GET serviceUrl + "/image_envoi.php?source=grivendale&imageurl=" + pictureUrl (encoded).
    // A request still running is dropped first, without its finished().
    void request(const QString& serviceUrl, const QString& pictureUrl);
    // Drops the running request; no finished() follows.
    void cancel();
    bool isRunning() const { return !reply_.isNull(); }

Q_SIGNALS:
    // `hasLink` false: no answer, an HTTP error, a time-out, or no markers in the answer.
    // An empty link is a link.
    void finished(bool hasLink, const QString& link);

private:
    void onFinished();

    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    std::chrono::milliseconds timeout_ = kDefaultTimeout;
};

} // namespace grivendale
