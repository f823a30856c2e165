#include "publish/publish_rules.h"
#include "publish/publisher.h"

#include <gtest/gtest.h>

#include <optional>

using namespace grivendale;

namespace {

TEST(RemoteNameCheck, MessagesInTheirOrder) {
    struct Case {
        QString name;
        std::optional<QString> message;
    };
    const Case cases[] = {
        {QString(), kEmptyOrNotPngMessage},
        {QStringLiteral("    "), kEmptyOrNotPngMessage},
        {QStringLiteral("essai.jpg"), kEmptyOrNotPngMessage},
        {QStringLiteral("essai"), kEmptyOrNotPngMessage},
        {QStringLiteral("mon essai.png"), kBlanksMessage},
        {QStringLiteral("mon essai.jpg"), kBlanksMessage},
        // The extension is looked for in the untrimmed text.
        {QStringLiteral("essai.png "), kEmptyOrNotPngMessage},
        {QStringLiteral("essai.png"), std::nullopt},
        {QStringLiteral("essai.PNG"), std::nullopt},
        {QStringLiteral("  essai.Png"), std::nullopt},
        {QStringLiteral("images\\news\\suivi250312.png"), std::nullopt},
        {QStringLiteral("a\r\nDELE x.png"), kBlanksMessage},
        {QStringLiteral("a\r\nDELE_x.png"), kControlCharacterMessage},
        {QStringLiteral("a\tb.png"), kControlCharacterMessage},
        {QStringLiteral("a") + QChar(0) + QStringLiteral("b.png"), kControlCharacterMessage},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkRemoteName(c.name), c.message) << c.name.toStdString();
    EXPECT_EQ(kEmptyOrNotPngMessage,
              QStringLiteral("Le nom de fichier ne doit pas être vide et doit être un .png !"));
    EXPECT_EQ(kBlanksMessage, QStringLiteral("Le nom de fichier ne doit pas contenir d'espaces !"));
}

TEST(RemoteNameCheck, PublishedNameLosesOnlyOuterBlanks) {
    EXPECT_EQ(publishedName(QStringLiteral("  carte.png")), QStringLiteral("carte.png"));
    EXPECT_EQ(publishedName(QStringLiteral("\tcarte.png")), QStringLiteral("\tcarte.png"));
    EXPECT_EQ(publishedName(QStringLiteral("   ")), QString());
}

TEST(PresetNames, NewsNameCarriesTheDate) {
    EXPECT_EQ(newsFileName(QDate(2025, 3, 12)), QStringLiteral("images/news/suivi250312.png"));
    EXPECT_EQ(newsFileName(QDate(2026, 1, 5)), QStringLiteral("images/news/suivi260105.png"));
    EXPECT_EQ(newsFileName(QDate(2009, 12, 31)), QStringLiteral("images/news/suivi091231.png"));
    EXPECT_EQ(kFollowFileName, QStringLiteral("surveillance/suivi.png"));
}

TEST(RemotePaths, SeparatorsFolderAndTemporaryName) {
    struct Case {
        QString typed, path, folder, temporary;
    };
    const Case cases[] = {
        {QStringLiteral("carte.png"), QStringLiteral("carte.png"), QString(),
         QStringLiteral("//temp12.dat")},
        {QStringLiteral("images\\news\\suivi250312.png"),
         QStringLiteral("images/news/suivi250312.png"), QStringLiteral("images/news/"),
         QStringLiteral("/images/news/temp12.dat")},
        {QStringLiteral("surveillance/suivi.png"), QStringLiteral("surveillance/suivi.png"),
         QStringLiteral("surveillance/"), QStringLiteral("/surveillance/temp12.dat")},
    };
    for (const Case& c : cases) {
        const QString path = toRemotePath(c.typed);
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(remoteFolder(path), c.folder);
        EXPECT_EQ(temporaryRemoteName(remoteFolder(path), 12), c.temporary);
    }
    EXPECT_EQ(temporaryRemoteName(QStringLiteral("images/news"), 537),
              QStringLiteral("/images/news/temp537.dat"));
}

TEST(Links, PublicUrlAndServiceRequest) {
    const QString web = QStringLiteral("http://www.example.test");
    EXPECT_EQ(publicPictureUrl(web, QStringLiteral("carte.png")),
              QStringLiteral("http://www.example.test/images/grivendale/carte.png"));
    EXPECT_EQ(publicPictureUrl(web, QStringLiteral(" images\\news\\s.png")),
              QStringLiteral("http://www.example.test/images/grivendale/images/news/s.png"));
    EXPECT_EQ(imageServiceRequestUrl(QStringLiteral("http://img.test"),
                                     QStringLiteral("http://w.test/images/grivendale/a&b é.png")),
              QStringLiteral("http://img.test/image_envoi.php?source=grivendale&imageurl="
                             "http%3A%2F%2Fw.test%2Fimages%2Fgrivendale%2Fa%26b%20%C3%A9.png"));
}

TEST(Links, CutFromForumCode) {
    struct Case {
        QString code;
        std::optional<QString> link;
    };
    const Case cases[] = {
        {QStringLiteral("[URL=http://img.test/1.png][IMG]http://img.test/t1.png[/IMG][/URL]"),
         QStringLiteral("http://img.test/1.png")},
        {QStringLiteral("x[URL=http://a/1][IMG]y[/IMG][/URL] [URL=http://a/2][IMG]z[/IMG][/URL]"),
         QStringLiteral("http://a/1")},
        {QStringLiteral("[URL=][IMG]x[/IMG][/URL]"), QString()},
        {QStringLiteral("<html>erreur</html>"), std::nullopt},
        {QString(), std::nullopt},
        {QStringLiteral("[URL=http://a/1 sans fin"), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cutForumLink(c.code), c.link) << c.code.toStdString();
    EXPECT_TRUE(cutForumLink(QStringLiteral("[URL=][")).has_value());
}

TEST(Links, OnlyTextsBeginningWithHttAreCopied) {
    EXPECT_TRUE(isCopyableLink(QStringLiteral("http://a/b.png")));
    EXPECT_TRUE(isCopyableLink(QStringLiteral("https://a/b.png")));
    EXPECT_FALSE(isCopyableLink(QStringLiteral("Envoyé")));
    EXPECT_FALSE(isCopyableLink(QStringLiteral(" http://a")));
    EXPECT_FALSE(isCopyableLink(QString()));
}

TEST(Destinations, ByServerMode) {
    const PublisherAddresses publisher{QStringLiteral("ftp.pub.test"), 2121,
                                       QStringLiteral("http://w"), QStringLiteral("http://i")};
    const FtpDestination own =
        destinationFor(0, QStringLiteral("ftp.moi.test"), QStringLiteral("moi"),
                       QStringLiteral("secret"), publisher);
    EXPECT_EQ(own.host, QStringLiteral("ftp.moi.test"));
    EXPECT_EQ(own.port, 21);
    EXPECT_EQ(own.user, QStringLiteral("moi"));
    EXPECT_EQ(own.password, QStringLiteral("secret"));

    const FtpDestination one =
        destinationFor(1, QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z"), publisher);
    EXPECT_EQ(one.host, QStringLiteral("ftp.pub.test"));
    EXPECT_EQ(one.port, 2121);
    EXPECT_EQ(one.user, QStringLiteral("grivendale"));
    EXPECT_EQ(one.password, builtInPassword(1));
    for (const std::int32_t mode : {2, 3, -1}) {
        const FtpDestination d = destinationFor(mode, {}, {}, {}, publisher);
        EXPECT_EQ(d.host, QStringLiteral("ftp.pub.test"));
        EXPECT_EQ(d.password, builtInPassword(2)) << mode;
    }
    EXPECT_EQ(builtInPassword(1).size(), 9);
    EXPECT_EQ(builtInPassword(2).size(), 9);
    EXPECT_NE(builtInPassword(1), builtInPassword(2));
}

TEST(Destinations, OwnHostMayCarryAPort) {
    struct Case {
        const char* text;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"ftp.moi.test", "ftp.moi.test", 21},
        {"ftp.moi.test:2121", "ftp.moi.test", 2121},
        {" 127.0.0.1:40000 ", "127.0.0.1", 40000},
        {"ftp.moi.test:0", "ftp.moi.test:0", 21},
        {"ftp.moi.test:x", "ftp.moi.test:x", 21},
        {"::1", "::1", 21},
        {"[::1]:2121", "::1", 2121},
        {"[::1]", "::1", 21},
        {"", "", 21},
    };
    for (const Case& c : cases) {
        const FtpDestination d = splitHostPort(QString::fromUtf8(c.text), 21);
        EXPECT_EQ(d.host, QString::fromUtf8(c.host)) << c.text;
        EXPECT_EQ(d.port, c.port) << c.text;
    }
}

TEST(Destinations, EnvironmentOverridesTheBuiltInAddresses) {
    const PublisherAddresses built = publisherAddresses();
    qputenv("GRIVENDALE_PUBLISHER_FTP_HOST", "127.0.0.1");
    qputenv("GRIVENDALE_PUBLISHER_FTP_PORT", "4021");
    qputenv("GRIVENDALE_PUBLISHER_WEB_URL", "http://127.0.0.1:8080/");
    qputenv("GRIVENDALE_IMAGE_SERVICE_URL", "http://127.0.0.1:8081");
    const PublisherAddresses a = publisherAddresses();
    EXPECT_EQ(a.ftpHost, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(a.ftpPort, 4021);
    EXPECT_EQ(a.webUrl, QStringLiteral("http://127.0.0.1:8080"));
    EXPECT_EQ(a.imageServiceUrl, QStringLiteral("http://127.0.0.1:8081"));
    qputenv("GRIVENDALE_PUBLISHER_FTP_PORT", "99999");
    EXPECT_EQ(publisherAddresses().ftpPort, built.ftpPort);
    for (const char* name : {"GRIVENDALE_PUBLISHER_FTP_HOST", "GRIVENDALE_PUBLISHER_FTP_PORT",
                             "GRIVENDALE_PUBLISHER_WEB_URL", "GRIVENDALE_IMAGE_SERVICE_URL"})
        qunsetenv(name);
    const PublisherAddresses again = publisherAddresses();
    EXPECT_EQ(again.ftpHost, built.ftpHost);
    EXPECT_EQ(again.ftpPort, built.ftpPort);
}

} // namespace
