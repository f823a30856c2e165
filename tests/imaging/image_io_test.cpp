#include "imaging/image_io.h"

#include "support/test_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

using namespace grivendale;
using grivendale::testing::hexBytes;
using grivendale::testing::writeFileBytes;

namespace {

// A distinct colour in every pixel of a 3 x 2 picture shows a swapped axis or a flipped row.
const QRgb kReference[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFFFFFF00};
// Qt writes neither GIF nor TGA: the reference picture as such files. The TGA is of the older
// kind, without the footer Qt's own decoder wants.
const QByteArray kGif =
    hexBytes("474946383961 0300 0200 f20000 ff0000 00ff00 0000ff ffffff 000000"
             "ffff00 000000 000000 2c 0000 0000 0300 0200 00 03 05 0881324895 00 3b");
const QByteArray kOldTga = hexBytes("000002 0000000000 0000 0000 0300 0200 18 00"
                                    "ffffff 000000 00ffff 0000ff 00ff00 ff0000");

struct Decoded {
    QImage surface;
    std::vector<std::uint32_t> pixels{1, 2, 3};
    std::int32_t width = 7, height = 9;
};

Decoded decode(const QString& path) {
    Decoded d;
    d.surface = LoadPicturePixels(path, d.pixels, d.width, d.height);
    EXPECT_EQ(LoadPictureEx(path), d.surface);
    return d;
}

} // namespace

TEST(ImageIo, DecodesAndWritesRealFilesAndRefusesOthers) {
    QTemporaryDir dir;
    QImage reference(3, 2, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i)
        reference.setPixel(i % 3, i / 3, kReference[i]);
    for (const char* name : {"map.bmp", "map.tif", "map.jpg"})
        ASSERT_TRUE(reference.save(dir.filePath(QString::fromLatin1(name))));
    // The PNG replaces an older file, which a failed save would leave alone.
    const QString png = dir.filePath(QStringLiteral("map.png"));
    writeFileBytes(png, "an older map");
    ASSERT_TRUE(SavePicturePng(reference, png).ok());
    EXPECT_EQ(SavePicturePng(QImage(), png).error, EINVAL);
    EXPECT_EQ(SavePicturePng(reference, dir.filePath(QStringLiteral("nowhere/map.png"))).error,
              ENOENT);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("nowhere"))));
    writeFileBytes(dir.filePath(QStringLiteral("map.gif")), kGif);
    writeFileBytes(dir.filePath(QStringLiteral("old.tga")), kOldTga);

    for (const char* name : {"map.png", "map.gif", "map.bmp", "old.tga", "map.tif", "map.jpg"}) {
        SCOPED_TRACE(name);
        const Decoded d = decode(dir.filePath(QString::fromLatin1(name)));
        ASSERT_EQ(d.surface.size(), QSize(3, 2));
        EXPECT_EQ(
            std::tuple(d.surface.format(), d.width, d.height, d.pixels.size(), d.pixels.back()),
            std::tuple(QImage::Format_RGB32, 3, 2, 7u, 0u));
        for (int i = 0; i < 6 && QByteArray(name) != "map.jpg"; ++i) { // JPEG is lossy
            EXPECT_EQ(d.surface.pixel(i % 3, i / 3), kReference[i]) << "pixel " << i;
            EXPECT_EQ(d.pixels[static_cast<std::size_t>(i)], kReference[i]) << "pixel " << i;
        }
    }

    // The pixels keep their alpha; the surface has them laid over black, its words opaque: the
    // fill compares them as they are.
    QImage alpha(2, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(200, 100, 50, 128));
    alpha.setPixel(1, 0, qRgba(255, 255, 255, 0));
    ASSERT_TRUE(alpha.save(dir.filePath(QStringLiteral("alpha.png"))));
    const Decoded alphaRead = decode(dir.filePath(QStringLiteral("alpha.png")));
    EXPECT_EQ(alphaRead.pixels, (std::vector<std::uint32_t>{0x80C86432, 0x00FFFFFF, 0}));
    const QImage& onBlack = alphaRead.surface;
    const auto* words = reinterpret_cast<const QRgb*>(onBlack.constScanLine(0));
    EXPECT_EQ(std::tuple(onBlack.format(), words[0], words[1]),
              std::tuple(QImage::Format_RGB32, qRgb(100, 50, 25), qRgb(0, 0, 0)));

    // What cannot be decoded leaves the out-arguments alone.
    writeFileBytes(dir.filePath(QStringLiteral("junk.png")), QByteArray(4096, 'X'));
    writeFileBytes(dir.filePath(QStringLiteral("empty.gif")), QByteArray());
    for (const char* name : {"junk.png", "empty.gif", "missing.bmp", "."}) {
        const Decoded d = decode(dir.filePath(QString::fromLatin1(name)));
        EXPECT_EQ(std::tuple(d.surface.isNull(), d.pixels, d.width, d.height),
                  std::tuple(true, std::vector<std::uint32_t>{1, 2, 3}, 7, 9))
            << name;
    }
    // A FIFO with a real picture behind it: reading one would block until a writer comes.
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe.gif")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    std::thread writer([&] {
        const int fd = ::open(fifo.constData(), O_WRONLY); // waits for a reader
        EXPECT_EQ(::write(fd, kGif.constData(), kGif.size()), kGif.size());
        ::close(fd);
    });
    EXPECT_TRUE(LoadPictureEx(QFile::decodeName(fifo)).isNull());
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK); // lets the writer through
    writer.join();
    ::close(reader);
}
