#include "imaging/image_io.h"

#include "imaging/colors.h"
#include "support/test_support.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace grivendale;
using grivendale::testing::writeFileBytes;

namespace {

// A 3 x 2 picture with a distinct colour in every pixel, so a swapped axis or a flipped row
// shows.
const QRgb kReference[2][3] = {
    {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)},
    {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 0)},
};

QImage referenceImage() {
    QImage image(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            image.setPixel(x, y, kReference[y][x]);
    }
    return image;
}

void appendLe16(QByteArray& bytes, int value) {
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>((value >> 8) & 0xFF));
}

// Qt reads GIF but does not write it. This writer sends a clear code before every second
// pixel, so the code table never grows past the first code width and no real compression is
// needed.
QByteArray gifBytes(const QImage& image) {
    constexpr int kMinCodeSize = 3; // an 8-colour table
    constexpr int kClear = 1 << kMinCodeSize;
    constexpr int kEnd = kClear + 1;
    constexpr int kCodeWidth = kMinCodeSize + 1;

    QList<QRgb> palette;
    QList<int> indices;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) | 0xFF000000u;
            if (!palette.contains(pixel))
                palette.append(pixel);
            indices.append(static_cast<int>(palette.indexOf(pixel)));
        }
    }
    EXPECT_LE(palette.size(), 8);
    palette.resize(8);

    QByteArray bytes("GIF89a");
    appendLe16(bytes, image.width());
    appendLe16(bytes, image.height());
    bytes.append(static_cast<char>(0xF2)); // global table of 8, 8 bits per primary
    bytes.append('\0');                    // background index
    bytes.append('\0');                    // aspect ratio
    for (const QRgb colour : palette) {
        bytes.append(static_cast<char>(qRed(colour)));
        bytes.append(static_cast<char>(qGreen(colour)));
        bytes.append(static_cast<char>(qBlue(colour)));
    }
    bytes.append(',');
    appendLe16(bytes, 0);
    appendLe16(bytes, 0);
    appendLe16(bytes, image.width());
    appendLe16(bytes, image.height());
    bytes.append('\0');
    bytes.append(static_cast<char>(kMinCodeSize));

    QList<int> codes;
    for (qsizetype i = 0; i < indices.size(); ++i) {
        if (i % 2 == 0)
            codes.append(kClear);
        codes.append(indices[i]);
    }
    codes.append(kEnd);
    QByteArray data;
    std::uint32_t bitBuffer = 0;
    int bitCount = 0;
    for (const int code : codes) {
        bitBuffer |= static_cast<std::uint32_t>(code) << bitCount;
        bitCount += kCodeWidth;
        while (bitCount >= 8) {
            data.append(static_cast<char>(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    }
    if (bitCount > 0)
        data.append(static_cast<char>(bitBuffer & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        bytes.append(static_cast<char>(block.size()));
        bytes.append(block);
    }
    bytes.append('\0');
    bytes.append(';');
    return bytes;
}

// Qt reads TGA but does not write it: an uncompressed 24-bit file, rows from the bottom up,
// without the footer later versions of the format end with.
QByteArray oldTgaBytes(const QImage& image) {
    QByteArray bytes(12, '\0');
    bytes[2] = 2; // uncompressed true colour
    appendLe16(bytes, image.width());
    appendLe16(bytes, image.height());
    bytes.append(static_cast<char>(24));
    bytes.append('\0'); // origin at the bottom left
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            bytes.append(static_cast<char>(qBlue(pixel)));
            bytes.append(static_cast<char>(qGreen(pixel)));
            bytes.append(static_cast<char>(qRed(pixel)));
        }
    }
    return bytes;
}

QByteArray tgaBytes(const QImage& image) {
    return oldTgaBytes(image) + QByteArray(8, '\0') + QByteArrayLiteral("TRUEVISION-XFILE.") +
           QByteArray(1, '\0');
}

class ImageIoTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ImageIoTest, DecodesEveryFormat) {
    struct Case {
        const char* file;
        bool lossless;
        std::function<bool(const QImage&, const QString&)> write;
    };
    const auto qtWriter = [](const char* format) {
        return [format](const QImage& image, const QString& to) { return image.save(to, format); };
    };
    const auto bytesWriter = [](QByteArray (*encode)(const QImage&)) {
        return [encode](const QImage& image, const QString& to) {
            writeFileBytes(to, encode(image));
            return true;
        };
    };
    const Case cases[] = {
        {"map.png", true, qtWriter("PNG")},       {"map.gif", true, bytesWriter(gifBytes)},
        {"map.jpg", false, qtWriter("JPEG")},     {"map.bmp", true, qtWriter("BMP")},
        {"map.tga", true, bytesWriter(tgaBytes)}, {"old.tga", true, bytesWriter(oldTgaBytes)},
        {"map.tif", true, qtWriter("TIFF")},
    };
    const QImage reference = referenceImage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = path(c.file);
        ASSERT_TRUE(c.write(reference, file));

        const QImage loaded = LoadPictureEx(file);
        ASSERT_FALSE(loaded.isNull());
        EXPECT_EQ(loaded.size(), QSize(3, 2));
        EXPECT_EQ(loaded.format(), QImage::Format_RGB32);

        std::vector<std::uint32_t> pixels;
        std::int32_t width = 0;
        std::int32_t height = 0;
        const QImage again = LoadPicturePixels(file, pixels, width, height);
        EXPECT_FALSE(again.isNull());
        EXPECT_EQ(width, 3);
        EXPECT_EQ(height, 2);
        EXPECT_EQ(pixels.size(), 7u);

        if (!c.lossless)
            continue;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                SCOPED_TRACE(::testing::Message() << "pixel " << x << "," << y);
                EXPECT_EQ(loaded.pixel(x, y), kReference[y][x]);
                EXPECT_EQ(pixels[static_cast<std::size_t>(y * 3 + x)], kReference[y][x]);
            }
        }
    }
}

TEST_F(ImageIoTest, PixelsAreRowMajorWithOneSpareElement) {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 255, 255));
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(0, 255, 0, 64));
    ASSERT_TRUE(image.save(path("small.png"), "PNG"));

    std::vector<std::uint32_t> pixels;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const QImage surface = LoadPicturePixels(path("small.png"), pixels, width, height);
    ASSERT_FALSE(surface.isNull());
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    ASSERT_EQ(pixels.size(), 5u);
    EXPECT_EQ(pixels[0], 0xFFFF0000u);
    EXPECT_EQ(pixels[1], 0x4000FF00u); // not premultiplied
    EXPECT_EQ(pixels[2], 0xFF0000FFu);
    EXPECT_EQ(pixels[3], 0xFF0000FFu);
    EXPECT_EQ(pixels[4], 0u);
    EXPECT_EQ(surface.pixel(0, 0), 0xFFFF0000u);
}

TEST_F(ImageIoTest, TransparencyIsCompositedOntoBlack) {
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(200, 100, 50, 128));
    image.setPixel(1, 0, qRgba(255, 255, 255, 0));
    ASSERT_TRUE(image.save(path("alpha.png"), "PNG"));

    const QImage loaded = LoadPictureEx(path("alpha.png"));
    ASSERT_FALSE(loaded.isNull());
    EXPECT_EQ(loaded.format(), QImage::Format_RGB32);
    const QRgb half = loaded.pixel(0, 0);
    EXPECT_EQ(qAlpha(half), 255);
    EXPECT_NEAR(qRed(half), 200 * 128 / 255, 1);
    EXPECT_NEAR(qGreen(half), 100 * 128 / 255, 1);
    EXPECT_NEAR(qBlue(half), 50 * 128 / 255, 1);
    EXPECT_EQ(loaded.pixel(1, 0), 0xFF000000u);
}

TEST_F(ImageIoTest, UndecodableOrMissingFilesLeaveTheOutArgumentsAlone) {
    QByteArray junk(4096, '\0');
    auto* generator = QRandomGenerator::global();
    for (char& byte : junk)
        byte = static_cast<char>(generator->bounded(256));
    junk[0] = 'X'; // never a real signature
    writeFileBytes(path("junk.png"), junk);
    writeFileBytes(path("empty.gif"), QByteArray());

    for (const char* name : {"junk.png", "empty.gif", "missing.bmp"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(LoadPictureEx(path(name)).isNull());

        std::vector<std::uint32_t> pixels{1, 2, 3};
        std::int32_t width = 7;
        std::int32_t height = 9;
        EXPECT_TRUE(LoadPicturePixels(path(name), pixels, width, height).isNull());
        EXPECT_EQ(pixels, (std::vector<std::uint32_t>{1, 2, 3}));
        EXPECT_EQ(width, 7);
        EXPECT_EQ(height, 9);
    }
}

TEST_F(ImageIoTest, SavePicturePngReplacesAnExistingFile) {
    const QString file = path("carte.png");
    writeFileBytes(file, QByteArray("an older map"));

    ASSERT_TRUE(SavePicturePng(createSurface(3, 2, 0x0000FF), file));
    const QImage loaded = LoadPictureEx(file);
    ASSERT_EQ(loaded.size(), QSize(3, 2));
    EXPECT_EQ(loaded.pixel(2, 1), 0xFFFF0000u);
}

TEST_F(ImageIoTest, SavePicturePngFailsInAMissingFolder) {
    const QString file = path("nowhere/carte.png");
    EXPECT_FALSE(SavePicturePng(createSurface(3, 2, 0), file));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(path("nowhere")));
}

TEST(CreateSurface, IsOpaqueRgb32FilledWithTheColour) {
    const QImage black = createSurface(3, 2, 0);
    EXPECT_EQ(black.format(), QImage::Format_RGB32);
    EXPECT_EQ(black.bytesPerLine(), 12);
    EXPECT_EQ(black.sizeInBytes(), 24);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(black.pixel(x, y), 0xFF000000u);
    }
    EXPECT_EQ(createSurface(1, 1, 0x0000FF).pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(createSurface(1, 1, 0xFF0000).pixel(0, 0), 0xFF0000FFu);
}

TEST(Colors, BgrAndRgbConvertBothWays) {
    struct Case {
        std::uint32_t bgr;
        QRgb rgb;
    };
    const Case cases[] = {
        {0x000000, 0xFF000000}, {0x0000FF, 0xFFFF0000}, {0x00FF00, 0xFF00FF00},
        {0xFF0000, 0xFF0000FF}, {0x0080FF, 0xFFFF8000}, {0xFFFFFF, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bgr);
        EXPECT_EQ(bgrToRgb(c.bgr), c.rgb);
        EXPECT_EQ(rgbToBgr(c.rgb), c.bgr);
    }
    EXPECT_EQ(rgbToBgr(qRgba(1, 2, 3, 0)), 0x030201u); // alpha is not part of a colour word
}
