#include "publish/ftp_reply.h"

#include <QRegularExpression>

namespace grivendale {

namespace {

// "ddd" at the start of a line; the code, or -1.
int leadingCode(const QByteArray& line) {
    if (line.size() < 3)
        return -1;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return -1;
    }
    const int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    return code >= 100 && code <= 599 ? code : -1;
}

QString decoded(const QByteArray& line) {
    return QString::fromUtf8(line);
}

} // namespace

void FtpReplyParser::feed(const QByteArray& bytes) {
    if (overflowed_)
        return;
    partial_.append(bytes);
    qsizetype start = 0;
    while (true) {
        const qsizetype end = partial_.indexOf('\n', start);
        if (end < 0)
            break;
        QByteArray line = partial_.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        start = end + 1;
        takeLine(std::move(line));
        if (overflowed_)
            return;
    }
    partial_.remove(0, start);
    if (partial_.size() > kMaxReplyBytes) {
        overflowed_ = true;
        partial_.clear();
    }
}

void FtpReplyParser::takeLine(QByteArray line) {
    const int code = leadingCode(line);
    if (open_) {
        openBytes_ += line.size();
        if (openBytes_ > kMaxReplyBytes) {
            overflowed_ = true;
            open_.reset();
            return;
        }
        open_->lines.append(decoded(line));
        // The closing line repeats the code followed by a blank (or nothing).
        if (code == open_->code && (line.size() == 3 || line[3] == ' ')) {
            ready_.push_back(std::move(*open_));
            open_.reset();
        }
        return;
    }
    // Outside a reply only a line starting with a code means anything.
    if (code < 0)
        return;
    FtpReply reply{code, {decoded(line)}};
    if (line.size() > 3 && line[3] == '-') {
        open_ = std::move(reply);
        openBytes_ = line.size();
        return;
    }
    ready_.push_back(std::move(reply));
}

std::optional<FtpReply> FtpReplyParser::take() {
    if (ready_.empty())
        return std::nullopt;
    FtpReply reply = std::move(ready_.front());
    ready_.pop_front();
    return reply;
}

void FtpReplyParser::reset() {
    partial_.clear();
    open_.reset();
    openBytes_ = 0;
    ready_.clear();
    overflowed_ = false;
}

std::optional<std::uint16_t> passivePort(const QString& reply227) {
    static const QRegularExpression six(QStringLiteral(
        R"((\d{1,3})\s*,\s*(\d{1,3})\s*,\s*(\d{1,3})\s*,\s*(\d{1,3})\s*,\s*(\d{1,3})\s*,\s*(\d{1,3}))"));
    // Skip the reply code so its digits are not taken for the first number.
    const QRegularExpressionMatch m = six.match(reply227, reply227.size() > 3 ? 3 : 0);
    if (!m.hasMatch())
        return std::nullopt;
    int numbers[6];
    for (int i = 0; i < 6; ++i) {
        numbers[i] = m.captured(i + 1).toInt();
        if (numbers[i] > 255)
            return std::nullopt;
    }
    const int port = numbers[4] * 256 + numbers[5];
    if (port == 0)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

} // namespace grivendale
