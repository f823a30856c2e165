#include "publish/publish_rules.h"
#include "publish/publisher.h"

#include <gtest/gtest.h>

#include <optional>

using namespace grivendale;
using namespace Qt::StringLiterals;

namespace {

TEST(PublishRules, RemoteNameChecksInTheirOrder) {
    const std::pair<QString, std::optional<QString>> cases[] = {
        {u"    "_s, kEmptyOrNotPngMessage},
        {u"essai.jpg"_s, kEmptyOrNotPngMessage},
        {u"essai.png "_s, kEmptyOrNotPngMessage}, // the extension of the untrimmed text
        {u"mon essai.png"_s, kBlanksMessage},
        {u"mon essai.jpg"_s, kBlanksMessage},
        {u"a\r\nDELE x.png"_s, kBlanksMessage},
        {u"a\r\nDELE_x.png"_s, kControlCharacterMessage},
        {u"\tcarte.png"_s, kControlCharacterMessage},
        {u"  essai.Png"_s, std::nullopt},
        {u"images\\news\\suivi250312.png"_s, std::nullopt},
    };
    for (const auto& [name, message] : cases)
        EXPECT_EQ(checkRemoteName(name), message) << name.toStdString();
}

TEST(PublishRules, NewsNameCarriesTheDate) {
    EXPECT_EQ(newsFileName(QDate(2009, 12, 31)), u"images/news/suivi091231.png"_s);
}

TEST(PublishRules, LinkCutFromTheForumCode) {
    const std::pair<QString, std::optional<QString>> cases[] = {
        {u"[URL=http://i/1.png][IMG]http://i/t1.png[/IMG][/URL]"_s, u"http://i/1.png"_s},
        {u"x[URL=http://a/1][IMG]y[/IMG][/URL] [URL=http://a/2][/URL]"_s, u"http://a/1"_s},
        {u"[URL=][IMG]x[/IMG][/URL]"_s, QString()}, // an empty link is a link
        {u"<html>erreur</html>"_s, std::nullopt},
        {QString(), std::nullopt},
        {u"[URL=http://a/1 sans fin"_s, std::nullopt},
    };
    for (const auto& [code, link] : cases)
        EXPECT_EQ(cutForumLink(code), link) << code.toStdString();
}

TEST(PublishRules, OwnHostMayCarryAPort) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"ftp.moi.test", "ftp.moi.test", 21},
        {" 127.0.0.1:40000 ", "127.0.0.1", 40000},
        {"ftp.moi.test:0", "ftp.moi.test:0", 21},
        {"ftp.moi.test:x", "ftp.moi.test:x", 21},
        {"::1", "::1", 21},
        {"[::1]:2121", "::1", 2121},
        {"[::1]", "::1", 21},
    };
    for (const auto& [text, host, port] : cases) {
        const FtpDestination d = splitHostPort(QString::fromUtf8(text), 21);
        EXPECT_EQ(std::pair(d.host, int{d.port}), std::pair(QString::fromUtf8(host), port)) << text;
    }
}

} // namespace
