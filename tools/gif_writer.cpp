#include "gif_writer.h"

#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace grivendale {

namespace {

// Packs variable-width codes least significant bit first, as GIF wants.
class CodeWriter {
public:
    void put(int code, int width) {
        buffer_ |= static_cast<std::uint32_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes_.push_back(static_cast<char>(buffer_ & 0xFFu));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish() {
        if (bits_ > 0) {
            bytes_.push_back(static_cast<char>(buffer_ & 0xFFu));
        }
        return bytes_;
    }

private:
    QByteArray bytes_;
    std::uint32_t buffer_ = 0;
    int bits_ = 0;
};

QByteArray lzwCompress(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    constexpr int kMaxCodes = 4096;
    std::unordered_map<std::uint32_t, int> table;
    int nextCode = endCode + 1;
    int codeSize = minCodeSize + 1;
    CodeWriter writer;
    writer.put(clearCode, codeSize);
    if (pixels.empty()) {
        writer.put(endCode, codeSize);
        return writer.finish();
    }
    int prefix = pixels.front();
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const int symbol = pixels[i];
        const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | symbol;
        const auto found = table.find(key);
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        writer.put(prefix, codeSize);
        if (nextCode < kMaxCodes) {
            table.emplace(key, nextCode++);
            // The decoder adds its entry one code later, so it widens when this one passes
            // the power of two.
            if (nextCode > (1 << codeSize) && codeSize < 12) {
                ++codeSize;
            }
        } else {
            writer.put(clearCode, codeSize);
            table.clear();
            nextCode = endCode + 1;
            codeSize = minCodeSize + 1;
        }
        prefix = symbol;
    }
    writer.put(prefix, codeSize);
    writer.put(endCode, codeSize);
    return writer.finish();
}

void putWord(QByteArray& out, int value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

} // namespace

std::optional<IndexedImage> toIndexed(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    IndexedImage out;
    out.width = image.width();
    out.height = image.height();
    out.index.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    std::unordered_map<QRgb, std::uint8_t> lookup;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = row[x] | 0xFF000000u;
            auto found = lookup.find(colour);
            if (found == lookup.end()) {
                if (out.palette.size() == 256) {
                    return std::nullopt;
                }
                found = lookup.emplace(colour, static_cast<std::uint8_t>(out.palette.size())).first;
                out.palette.push_back(colour);
            }
            out.index.push_back(found->second);
        }
    }
    return out;
}

QByteArray encodeGif(const IndexedImage& image) {
    int tableBits = 1; // the colour table holds 2^tableBits entries
    while ((1 << tableBits) < static_cast<int>(image.palette.size())) {
        ++tableBits;
    }
    QByteArray out("GIF89a");
    putWord(out, image.width);
    putWord(out, image.height);
    out.push_back(static_cast<char>(0x80 | 0x70 | (tableBits - 1))); // global table, 8-bit
    out.push_back('\0');                                             // background index
    out.push_back('\0');                                             // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb colour = i < static_cast<int>(image.palette.size())
                                ? image.palette[static_cast<std::size_t>(i)]
                                : qRgb(0, 0, 0);
        out.push_back(static_cast<char>(qRed(colour)));
        out.push_back(static_cast<char>(qGreen(colour)));
        out.push_back(static_cast<char>(qBlue(colour)));
    }
    out.push_back(',');
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, image.width);
    putWord(out, image.height);
    out.push_back('\0'); // no local table, not interlaced
    const int minCodeSize = std::max(2, tableBits);
    out.push_back(static_cast<char>(minCodeSize));
    const QByteArray data = lzwCompress(image.index, minCodeSize);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const qsizetype length = std::min<qsizetype>(255, data.size() - at);
        out.push_back(static_cast<char>(length));
        out.append(data.mid(at, length));
    }
    out.push_back('\0');
    out.push_back(';');
    return out;
}

bool samePixels(const QImage& a, const QImage& b) {
    const QImage left = a.convertToFormat(QImage::Format_RGB32);
    const QImage right = b.convertToFormat(QImage::Format_RGB32);
    if (left.size() != right.size()) {
        return false;
    }
    for (int y = 0; y < left.height(); ++y) {
        const auto* l = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* r = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            if ((l[x] | 0xFF000000u) != (r[x] | 0xFF000000u)) {
                return false;
            }
        }
    }
    return true;
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return false;
    }
    return file.commit();
}

bool writeGif(const QImage& image, const QString& path) {
    const std::optional<IndexedImage> indexed = toIndexed(image);
    if (!indexed || !writeBytes(path, encodeGif(*indexed))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    if (!samePixels(QImage(path, "GIF"), image)) {
        std::fprintf(stderr, "%s does not decode to the drawn pixels\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace grivendale
