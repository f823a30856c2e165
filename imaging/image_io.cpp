#include "imaging/image_io.h"

#include "imaging/colors.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cerrno>

namespace grivendale {

namespace {

// Qt's TGA decoder only accepts files ending with the version 2 footer, but many TGA files
// are of the older kind without one. Those get the footer added in memory.
QImage decodeOldTga(const QString& path) {
    static const QByteArray kFooter =
        QByteArray(8, '\0') + QByteArrayLiteral("TRUEVISION-XFILE.") + QByteArray(1, '\0');
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (bytes.endsWith(kFooter.mid(8)))
        return {};
    bytes.append(kFooter);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer, "tga").read();
}

QImage decode(const QString& path) {
    // A device or a FIFO would be read for ever.
    if (!QFileInfo(path).isFile())
        return {};
    QImage image = QImageReader(path).read();
    // The extension picks the decoder first; a file misnamed as another format that decoder
    // accepts but cannot decode gets a second try on what its bytes say.
    if (image.isNull()) {
        QImageReader byContent(path);
        byContent.setDecideFormatFromContent(true);
        image = byContent.read();
    }
    if (image.isNull() && QFileInfo(path).suffix().compare(u"tga", Qt::CaseInsensitive) == 0)
        image = decodeOldTga(path);
    return image;
}

// Qt's own conversion to RGB32 drops (or undoes) the alpha instead of compositing, so
// premultiply and force the pixels opaque: that is the colour laid over black.
QImage onBlack(const QImage& image) {
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage surface = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < surface.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(surface.scanLine(y));
        for (int x = 0; x < surface.width(); ++x)
            row[x] |= 0xFF000000u;
    }
    surface.reinterpretAsFormat(QImage::Format_RGB32);
    return surface;
}

} // namespace

QImage LoadPictureEx(const QString& path) {
    const QImage image = decode(path);
    if (image.isNull())
        return {};
    return onBlack(image);
}

QImage LoadPicturePixels(const QString& path, std::vector<std::uint32_t>& pixels,
                         std::int32_t& width, std::int32_t& height) {
    const QImage image = decode(path);
    if (image.isNull())
        return {};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width();
    const int h = argb.height();
    std::vector<std::uint32_t> values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) +
                                      1);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        std::copy(row, row + w, values.begin() + static_cast<std::ptrdiff_t>(y) * w);
    }
    pixels = std::move(values);
    width = w;
    height = h;
    return onBlack(image);
}

FileWriteResult SavePicturePng(const QImage& surface, const QString& path) {
    QByteArray png;
    QBuffer buffer(&png);
    if (surface.isNull() || !buffer.open(QIODevice::WriteOnly) || !surface.save(&buffer, "PNG"))
        return {EINVAL};
    return writeFileAtomically(path, png);
}

QImage createSurface(int width, int height, std::uint32_t backColor) {
    QImage surface(width, height, QImage::Format_RGB32);
    surface.fill(bgrToRgb(backColor));
    return surface;
}

} // namespace grivendale
