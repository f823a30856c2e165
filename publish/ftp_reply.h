#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <optional>

// Cuts the bytes of an FTP control connection into whole replies. A reply counts only once its
// last line - three digits and a blank, or three digits alone - has arrived with its line end;
// a multi-line reply ("230-" ... "230 ") is kept whole. Bytes arrive in any pieces.

namespace grivendale {

struct FtpReply {
    int code = 0;      // 100..599
    QStringList lines; // without line ends

    // The lines joined with blanks: what a status line shows.
    QString text() const { return lines.join(QLatin1Char(' ')); }
    bool isPreliminary() const { return code / 100 == 1; }
    bool isPositive() const { return code / 100 == 2 || code / 100 == 3; }
    // 5xx: trying again will not help.
    bool isPermanentFailure() const { return code / 100 == 5; }
};

class FtpReplyParser {
public:
    // A hostile server could otherwise make the client buffer without end.
    static constexpr qsizetype kMaxReplyBytes = 64 * 1024;

    // Takes more bytes; the replies they complete are queued.
    void feed(const QByteArray& bytes);
    std::optional<FtpReply> take();
    bool hasReply() const { return !ready_.empty(); }
    // Set when a line or a multi-line reply grew past kMaxReplyBytes; nothing more is parsed.
    bool overflowed() const { return overflowed_; }
    void reset();

private:
    void takeLine(QByteArray line);

    QByteArray partial_;           // bytes after the last line end
    std::optional<FtpReply> open_; // a multi-line reply still waiting for its last line
    qsizetype openBytes_ = 0;
    std::deque<FtpReply> ready_;
    bool overflowed_ = false;
};

// The port of a 227 reply: the fifth and sixth of its six numbers (p1 * 256 + p2), blanks
// allowed around them, parentheses optional. The four address numbers are checked for form
// only: the data connection goes to the control connection's peer whatever they say.
std::optional<std::uint16_t> passivePort(const QString& reply227);

} // namespace grivendale
