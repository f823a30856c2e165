#include "publish/image_service.h"
#include "support/event_wait.h"
#include "support/scripted_servers.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

using namespace grivendale;
using namespace grivendale::testing;
using namespace std::chrono_literals;

namespace {

const QString kPicture = QStringLiteral("http://127.0.0.1:9/images/grivendale/carte.png");

struct Answer {
    bool done = false;
    bool hasLink = false;
    QString link;
};

Answer ask(ImageService& service, const HttpStub& stub, const QString& picture = kPicture) {
    Answer answer;
    QObject::connect(&service, &ImageService::finished, &service,
                     [&answer](bool hasLink, const QString& link) {
                         answer = {true, hasLink, link};
                     });
    service.request(stub.url(), picture);
    EXPECT_TRUE(waitUntil([&] { return answer.done; }, 10s));
    service.disconnect(&service);
    return answer;
}

TEST(ImageService, LinkCutFromTheForumCode) {
    struct Case {
        QByteArray body;
        int status;
        std::optional<QString> link;
    };
    const Case cases[] = {
        {"[URL=http://img.test/abc.png][IMG]http://img.test/t/abc.png[/IMG][/URL]", 200,
         QStringLiteral("http://img.test/abc.png")},
        {"<p>[URL=http://img.test/1.png][IMG]x[/IMG][/URL]</p>\n"
         "[URL=http://img.test/2.png][IMG]y[/IMG][/URL]",
         200, QStringLiteral("http://img.test/1.png")},
        {"[URL=][IMG][/IMG][/URL]", 200, QString()},
        {"<html>Image introuvable</html>", 200, std::nullopt},
        {"", 200, std::nullopt},
        {"[URL=http://img.test/abc.png][IMG]x[/IMG][/URL]", 500, std::nullopt},
    };
    for (const Case& c : cases) {
        HttpStub stub;
        stub.body = c.body;
        stub.status = c.status;
        ASSERT_TRUE(stub.listen());
        ImageService service;
        const Answer answer = ask(service, stub);
        EXPECT_EQ(answer.hasLink, c.link.has_value()) << c.body.toStdString();
        EXPECT_EQ(answer.link, c.link.value_or(QString())) << c.body.toStdString();
    }
}

TEST(ImageService, RequestCarriesThePictureUrlEncoded) {
    HttpStub stub;
    ASSERT_TRUE(stub.listen());
    ImageService service;
    ask(service, stub,
        QStringLiteral("http://127.0.0.1:9/images/grivendale/images/news/a&b=c d.png"));
    ASSERT_EQ(stub.requestLines.size(), 1);
    EXPECT_EQ(stub.requestLines[0],
              QStringLiteral("GET /image_envoi.php?source=grivendale&imageurl=http%3A%2F%2F127.0.0."
                             "1%3A9%2Fimages%2Fgrivendale%2Fimages%2Fnews%2Fa%26b%3Dc%20d.png "
                             "HTTP/1.1"));
}

TEST(ImageService, NoAnswerEndsAtTheTimeLimit) {
    HttpStub stub;
    stub.answer = false;
    ASSERT_TRUE(stub.listen());
    ImageService service;
    service.setTimeout(300ms);
    QElapsedTimer clock;
    clock.start();
    const Answer answer = ask(service, stub);
    EXPECT_TRUE(answer.done);
    EXPECT_FALSE(answer.hasLink);
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST(ImageService, NothingListening) {
    const std::uint16_t port = closedLocalPort();
    ASSERT_NE(port, 0);
    ImageService service;
    Answer answer;
    QObject::connect(&service, &ImageService::finished, &service,
                     [&answer](bool hasLink, const QString& link) {
                         answer = {true, hasLink, link};
                     });
    service.request(QStringLiteral("http://127.0.0.1:%1").arg(port), kPicture);
    ASSERT_TRUE(waitUntil([&] { return answer.done; }, 10s));
    EXPECT_FALSE(answer.hasLink);
}

TEST(ImageService, ACancelledRequestSaysNothing) {
    HttpStub stub;
    stub.answer = false;
    ASSERT_TRUE(stub.listen());
    ImageService service;
    bool finished = false;
    QObject::connect(&service, &ImageService::finished, &service, [&] { finished = true; });
    service.request(stub.url(), kPicture);
    EXPECT_TRUE(service.isRunning());
    ASSERT_TRUE(waitUntil([&] { return !stub.requestLines.isEmpty(); }, 5s));
    service.cancel();
    EXPECT_FALSE(service.isRunning());
    runEventsFor(100ms);
    EXPECT_FALSE(finished);
}

} // namespace
