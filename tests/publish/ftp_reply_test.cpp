#include "publish/ftp_reply.h"

#include <gtest/gtest.h>

using namespace grivendale;

namespace {

TEST(FtpReplyParser, AnyCuttingGivesTheSameWholeRepliesAndEndlessTextIsRefused) {
    // A bare LF ends a line too; a line without a code outside a reply means nothing; inside a
    // multi-line reply, neither a line without a code nor its code with a '-' closes it.
    const QByteArray stream = "hello\r\n220-Hello\r\n220-\r\n  no code\r\n220 Ready\r\n331 Pass\n"
                              "150-a\r\n150-b\r\n150 c\r\n230\r\n227 (127,0,0,1,19,137)\r\n230 x";
    for (const qsizetype piece : {1, 2, 3, 7, 1000}) {
        FtpReplyParser parser;
        QList<std::pair<int, qsizetype>> replies,
            expected = {{220, 4}, {331, 1}, {150, 3}, {230, 1}, {227, 1}}; // code, lines
        for (qsizetype at = 0; at < stream.size(); at += piece) {
            parser.feed(stream.mid(at, piece));
            while (const auto reply = parser.take())
                replies.append({reply->code, reply->lines.size()});
        }
        EXPECT_EQ(replies, expected) << piece;
    }
    // Endless text is refused, a line or a multi-line reply; a reset starts afresh.
    FtpReplyParser line;
    line.feed(QByteArray(FtpReplyParser::kMaxReplyBytes + 1, 'x'));
    EXPECT_TRUE(line.overflowed());
    FtpReplyParser multi;
    multi.feed("220-start\r\n");
    for (int i = 0; i < 10000 && !multi.overflowed(); ++i)
        multi.feed("220-more and more text to fill the reply\r\n");
    EXPECT_TRUE(multi.overflowed());
    multi.reset();
    multi.feed("200 ok\r\n");
    EXPECT_TRUE(multi.hasReply());
}

} // namespace
