#include "publish/ftp_reply.h"

#include <gtest/gtest.h>

#include <vector>

using namespace grivendale;

namespace {

std::vector<FtpReply> feedInPieces(const QByteArray& bytes, qsizetype piece) {
    FtpReplyParser parser;
    std::vector<FtpReply> replies;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        parser.feed(bytes.mid(at, piece));
        while (auto reply = parser.take())
            replies.push_back(*reply);
    }
    return replies;
}

TEST(FtpReplyParser, JudgesOnlyCompleteReplies) {
    FtpReplyParser parser;
    parser.feed("230");
    EXPECT_FALSE(parser.hasReply());
    parser.feed(" Logged in.");
    EXPECT_FALSE(parser.hasReply());
    parser.feed("\r");
    EXPECT_FALSE(parser.hasReply());
    parser.feed("\n");
    const auto reply = parser.take();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->code, 230);
    EXPECT_EQ(reply->text(), QStringLiteral("230 Logged in."));
}

TEST(FtpReplyParser, MultiLineRepliesAreReadWhole) {
    FtpReplyParser parser;
    parser.feed("230-You are welcome.\r\n230-Rules apply.\r\n");
    EXPECT_FALSE(parser.hasReply());
    parser.feed("  a line without code\r\n230 user logged in\r\n");
    const auto reply = parser.take();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->code, 230);
    EXPECT_EQ(reply->lines.size(), 4);
    EXPECT_EQ(reply->lines.last(), QStringLiteral("230 user logged in"));
}

TEST(FtpReplyParser, AnyCuttingGivesTheSameReplies) {
    const QByteArray stream = "220-Hello\r\n220-\r\n220 Ready\r\n331 Password\r\n230\r\n"
                              "227 Entering Passive Mode (127,0,0,1,19,137).\r\n";
    for (const qsizetype piece : {1, 2, 3, 5, 7, 1000}) {
        const std::vector<FtpReply> replies = feedInPieces(stream, piece);
        ASSERT_EQ(replies.size(), 4u) << piece;
        EXPECT_EQ(replies[0].code, 220);
        EXPECT_EQ(replies[0].lines.size(), 3);
        EXPECT_EQ(replies[1].code, 331);
        EXPECT_EQ(replies[2].code, 230);
        EXPECT_EQ(replies[3].code, 227);
    }
}

TEST(FtpReplyParser, LineEndsAndStrayLines) {
    // A bare LF ends a line too; a line without a code outside a reply means nothing; a line
    // with the code of a multi-line reply but a '-' does not close it.
    const std::vector<FtpReply> replies =
        feedInPieces("hello\r\n200 ok\n150-a\r\n150-b\r\n150 c\r\n099 low\r\n", 1000);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0].code, 200);
    EXPECT_EQ(replies[1].code, 150);
    EXPECT_EQ(replies[1].lines.size(), 3);
    EXPECT_TRUE(replies[1].isPreliminary());
}

TEST(FtpReplyParser, EndlessTextIsRefused) {
    FtpReplyParser parser;
    parser.feed(QByteArray(FtpReplyParser::kMaxReplyBytes + 1, 'x'));
    EXPECT_TRUE(parser.overflowed());
    FtpReplyParser multi;
    multi.feed("220-start\r\n");
    for (int i = 0; i < 10000 && !multi.overflowed(); ++i)
        multi.feed("220-more and more text to fill the reply\r\n");
    EXPECT_TRUE(multi.overflowed());
    multi.reset();
    multi.feed("200 ok\r\n");
    EXPECT_TRUE(multi.hasReply());
}

TEST(FtpReplyParser, ReplyClasses) {
    EXPECT_TRUE((FtpReply{150, {}}.isPreliminary()));
    EXPECT_TRUE((FtpReply{350, {}}.isPositive()));
    EXPECT_FALSE((FtpReply{451, {}}.isPermanentFailure()));
    EXPECT_TRUE((FtpReply{530, {}}.isPermanentFailure()));
}

TEST(PassiveReply, PortFromTheLastTwoNumbers) {
    struct Case {
        const char* reply;
        int port; // 0: none
    };
    const Case cases[] = {
        {"227 Entering Passive Mode (192,168,1,20,19,137)", 5001},
        {"227 Entering Passive Mode (192, 168, 1, 20, 19, 137).", 5001},
        {"227 Entering Passive Mode ( 10,0,0,1 , 4 ,1 )", 1025},
        {"227 =127,0,0,1,200,10", 51210},
        {"227 Entering Passive Mode (8,8,8,8,0,21)", 21},
        {"227 Entering Passive Mode (1,2,3,4,256,1)", 0},
        {"227 Entering Passive Mode (1,2,3,4,0,0)", 0},
        {"227 Entering Passive Mode (1,2,3)", 0},
        {"227 nonsense", 0},
    };
    for (const Case& c : cases) {
        const auto port = passivePort(QString::fromUtf8(c.reply));
        if (c.port == 0)
            EXPECT_FALSE(port) << c.reply;
        else
            EXPECT_EQ(port.value_or(0), c.port) << c.reply;
    }
}

} // namespace
