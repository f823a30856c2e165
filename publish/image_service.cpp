#include "publish/image_service.h"

#include "publish/publish_rules.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <optional>

namespace grivendale {

ImageService::ImageService(QObject* parent) : QObject(parent) {}

ImageService::~ImageService() {
    cancel();
}

void ImageService::request(const QString& serviceUrl, const QString& pictureUrl) {
    cancel();
    // The value is already encoded; tolerant parsing keeps its escapes as they are.
    QNetworkRequest request(QUrl(imageServiceRequestUrl(serviceUrl, pictureUrl)));
    request.setTransferTimeout(static_cast<int>(timeout_.count()));
    QNetworkReply* reply = network_.get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::finished, this, &ImageService::onFinished);
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64) {
        if (received > kMaxReplyBytes)
            reply->abort();
    });
}

void ImageService::cancel() {
    if (QNetworkReply* reply = reply_.data()) {
        reply_.clear();
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void ImageService::onFinished() {
    QNetworkReply* reply = reply_.data();
    if (!reply)
        return;
    reply_.clear();
    reply->deleteLater();
    std::optional<QString> link;
    if (reply->error() == QNetworkReply::NoError)
        link = cutForumLink(QString::fromUtf8(reply->readAll()));
    Q_EMIT finished(link.has_value(), link.value_or(QString()));
}

} // namespace grivendale
