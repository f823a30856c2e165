#include "document/picto_library.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace grivendale;
using grivendale::testing::readFileBytes;
using grivendale::testing::writeFileBytes;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A picture of one row of R, G, B, A pixels, saved in the format its name says.
void saveRow(const QString& path, const Bytes& rgba) {
    QImage image(static_cast<int>(rgba.size() / 4), 1, QImage::Format_ARGB32);
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        image.setPixel(int(i / 4), 0, qRgba(rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]));
    ASSERT_TRUE(image.save(path)) << path.toStdString();
}

std::vector<int> alphas(const PictoEntry* entry) {
    std::vector<int> result;
    for (std::size_t i = 3; i < entry->Pixels.size(); i += 4)
        result.push_back(entry->Pixels[i]);
    return result;
}

} // namespace

TEST(PictoLibrary, BuildNumbersTheImageFilesInNameOrder) {
    EXPECT_EQ(PictoLibrary::build(QStringLiteral("/nonexistent/picto")).PictoCount(), 0);
    QTemporaryDir dir;
    for (const char* name : {"b.png", "A.png", "a.png", "a.png.bmp", "C.bmp", "._sun.png", ".png"})
        saveRow(dir.filePath(QString::fromUtf8(name)), {10, 20, 30, 255, 40, 50, 60, 255});
    // Undecodable files still take their number; hidden ones ("._sun.png" is what copies from
    // other systems leave) and other extensions none.
    for (const char* name : {"c.JpG", "snow.jpeg", "notes.txt", "x.png.tcolor", "png", "e.png."})
        writeFileBytes(dir.filePath(QString::fromUtf8(name)), "not an image");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));

    const PictoLibrary library = PictoLibrary::build(dir.path());
    QStringList entries; // name, IsPng, width x height
    for (std::int32_t n = 1; n <= library.PictoCount(); ++n) {
        const PictoEntry& e = *library.entry(n);
        entries << e.FileName + QStringLiteral(" %1 %2x%3").arg(e.IsPng).arg(e.Width).arg(e.Height);
    }
    EXPECT_EQ(entries, QStringList({"A.png -1 2x1", "a.png -1 2x1", "a.png.bmp -1 2x1",
                                    "b.png -1 2x1", "C.bmp 0 2x1", "c.JpG 0 0x0"}));
    EXPECT_EQ(library.entry(5)->Pixels, (Bytes{10, 20, 30, 255, 40, 50, 60, 255}));
    EXPECT_EQ(library.baseName(3), QStringLiteral("a.png"));
    EXPECT_EQ(library.entry(0), nullptr);
    EXPECT_EQ(library.entry(7), nullptr);
}

TEST(PictoLibrary, KeyFileTextIsReadAndWritten) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::pair<const char*, TransparentKey> cases[] = {
        {"", kDefaultKey},
        {"\t 12 \r\n  7\r\n", {12, 7, 7}},
        {"abc\r\nx\r\n-\r\n", {0, 0, 0}},
        {"12abc\r\n+3\r\n4.0e1\r\n", {12, 3, 40}},
        {"1.5\r\n2.5\r\n-0.5\r\n", {2, 2, 0}},
        {"1\n2\r3\r\n4\r\n", {1, 2, 3}},
        {"99999999999\r\n-99999999999\r\n.5", {kMax, kMin, 0}},
    };
    for (const auto& [text, key] : cases)
        EXPECT_EQ(parseKeyText(text), key) << '"' << text << '"';
    EXPECT_EQ(keyFileText({kMin, 0, 255}), QByteArray("-2147483648 \r\n 0 \r\n 255 \r\n"));
}

TEST(PictoLibrary, RemovedOrPickedKeyIsSavedUnlessItsFileCannotBeWritten) {
    QTemporaryDir dir;
    saveRow(dir.filePath(QStringLiteral("p.png")),
            {255, 255, 255, 255, 255, 0, 255, 255, 200, 100, 50, 128, 255, 255, 255, 30});
    const QString keyFile = dir.filePath(QStringLiteral("p.png.tcolor"));
    // A "folder" that is a regular file: nothing can be created inside it, even as root.
    const QString notAFolder = dir.filePath(QStringLiteral("p.png"));
    PictoLibrary library = PictoLibrary::build(dir.path());
    // Without a key file magenta is clear; colours and soft alpha are kept as read.
    const Bytes before = {255, 255, 255, 255, 255, 0, 255, 0, 200, 100, 50, 128, 255, 255, 255, 30};
    EXPECT_EQ(library.entry(1)->Pixels, before);
    QString error;
    EXPECT_FALSE(library.removeTransparency(1, notAFolder, &error));
    EXPECT_EQ(library.entry(1)->key(), kNoKey); // off in memory, but the pixels stay
    EXPECT_EQ(library.entry(1)->Pixels, before);
    EXPECT_FALSE(library.removeTransparency(2, dir.path(), &error));
    EXPECT_FALSE(library.setTransparentColour(0, dir.path(), 0, 0, 0, &error));
    EXPECT_FALSE(error.isEmpty() || QFile::exists(keyFile));
    // A picked colour applies all the same; soft edges become opaque.
    EXPECT_FALSE(library.setTransparentColour(1, notAFolder, 255, 0, 255, &error));
    EXPECT_EQ(alphas(library.entry(1)), (std::vector<int>{255, 0, 255, 255}));

    ASSERT_TRUE(library.removeTransparency(1, dir.path(), &error)) << error.toStdString();
    EXPECT_EQ(alphas(library.entry(1)), (std::vector<int>{255, 255, 255, 255}));
    EXPECT_EQ(readFileBytes(keyFile), QByteArray("-1 \r\n-1 \r\n-1 \r\n"));
    // At the next start the key stays off; the image's own alpha comes back.
    EXPECT_EQ(alphas(PictoLibrary::build(dir.path()).entry(1)),
              (std::vector<int>{255, 255, 128, 30}));

    ASSERT_TRUE(library.setTransparentColour(1, dir.path(), 255, 255, 255, &error));
    EXPECT_EQ(alphas(library.entry(1)), (std::vector<int>{0, 255, 255, 0}));
    EXPECT_EQ(readFileBytes(keyFile), QByteArray(" 255 \r\n 255 \r\n 255 \r\n"));
    EXPECT_EQ(alphas(PictoLibrary::build(dir.path()).entry(1)), (std::vector<int>{0, 255, 128, 0}));
    EXPECT_EQ(library.entry(1)->Pixels[8], 200); // colours are never touched
}
