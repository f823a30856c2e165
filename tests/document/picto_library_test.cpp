#include "document/picto_library.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

using namespace grivendale;
using grivendale::testing::hexBytes;
using grivendale::testing::readFileBytes;
using grivendale::testing::writeFileBytes;

namespace {

struct Rgba {
    int r, g, b, a;
};

// A picture of one row holding the given pixels, saved in the format the name says.
void saveRow(const QString& path, const std::vector<Rgba>& pixels) {
    QImage image(static_cast<int>(pixels.size()), 1, QImage::Format_ARGB32);
    for (int x = 0; x < image.width(); ++x) {
        const Rgba& p = pixels[static_cast<std::size_t>(x)];
        image.setPixel(x, 0, qRgba(p.r, p.g, p.b, p.a));
    }
    ASSERT_TRUE(image.save(path)) << path.toStdString();
}

void saveOpaque(const QString& path) {
    saveRow(path, {{10, 20, 30, 255}});
}

// Qt reads GIF but cannot write it: a 1 x 1 white GIF.
const QByteArray kTinyGif = hexBytes("47494638 39610100 01008000 00ffffff 00000021 f9040000"
                                     "0000002c 00000000 01000100 00020244 01003b");

std::vector<QString> fileNames(const PictoLibrary& library) {
    std::vector<QString> names;
    for (std::int32_t n = 1; n <= library.PictoCount(); ++n)
        names.push_back(library.entry(n)->FileName);
    return names;
}

std::vector<int> alphas(const PictoEntry& entry) {
    std::vector<int> result;
    for (std::size_t i = 3; i < entry.Pixels.size(); i += 4)
        result.push_back(entry.Pixels[i]);
    return result;
}

std::vector<int> colours(const PictoEntry& entry) {
    std::vector<int> result;
    for (std::size_t i = 0; i < entry.Pixels.size(); ++i) {
        if (i % 4 != 3)
            result.push_back(entry.Pixels[i]);
    }
    return result;
}

} // namespace

TEST(PictoLibrary, MissingFolderGivesEmptyLibrary) {
    QTemporaryDir dir;
    const PictoLibrary library = PictoLibrary::build(dir.filePath(QStringLiteral("absent")));
    EXPECT_EQ(library.PictoCount(), 0);
    EXPECT_EQ(library.entry(0), nullptr);
    EXPECT_EQ(library.entry(1), nullptr);
    EXPECT_EQ(library.entry(-1), nullptr);
    EXPECT_EQ(library.baseName(1), QString());
}

TEST(PictoLibrary, AcceptsOnlyImageExtensions) {
    struct Case {
        const char* name;
        bool accepted;
    };
    const Case cases[] = {
        {"sun.PNG", true},         {"rain.png", true},   {"a.png.bmp", true},  {"c.JpG", true},
        {"d.gif", true},           {"snow.jpeg", false}, {"notes.txt", false}, {"x.tcolor", false},
        {"sun.png.tcolor", false}, {"png", false},       {"e.png.", false},    {".png", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isPictoFileName(QString::fromUtf8(c.name)), c.accepted) << c.name;
}

TEST(PictoLibrary, BuildKeepsImageFilesAndSetsIsPng) {
    QTemporaryDir dir;
    // "._sun.png" is what copies from other systems leave: hidden, and no pictogram.
    for (const char* name :
         {"sun.PNG", "rain.png", "a.png.bmp", "snow.jpeg", "cloud.jpg", "._sun.png", ".png"})
        saveOpaque(dir.filePath(QString::fromUtf8(name)));
    writeFileBytes(dir.filePath(QStringLiteral("notes.txt")), "hello");
    writeFileBytes(dir.filePath(QStringLiteral("x.tcolor")), "0\r\n");
    // A folder named like an image is not a plain file.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));

    const PictoLibrary library = PictoLibrary::build(dir.path());
    ASSERT_EQ(library.PictoCount(), 4);
    EXPECT_EQ(fileNames(library),
              (std::vector<QString>{"a.png.bmp", "cloud.jpg", "rain.png", "sun.PNG"}));
    const std::int16_t expectedIsPng[] = {-1, 0, -1, -1};
    for (std::int32_t n = 1; n <= 4; ++n) {
        EXPECT_EQ(library.entry(n)->IsPng, expectedIsPng[n - 1]) << n;
        EXPECT_EQ(library.entry(n)->Width, 1);
        EXPECT_EQ(library.entry(n)->Height, 1);
    }
    EXPECT_EQ(library.baseName(1), QStringLiteral("a.png"));
    EXPECT_EQ(library.baseName(4), QStringLiteral("sun"));
}

TEST(PictoLibrary, NumberingFollowsCaseInsensitiveNameOrder) {
    QTemporaryDir dir;
    for (const char* name : {"b.png", "A.png", "a.png"})
        saveOpaque(dir.filePath(QString::fromUtf8(name)));
    writeFileBytes(dir.filePath(QStringLiteral("C.gif")), kTinyGif);

    const PictoLibrary library = PictoLibrary::build(dir.path());
    EXPECT_EQ(fileNames(library), (std::vector<QString>{"A.png", "a.png", "b.png", "C.gif"}));
    const PictoEntry* gif = library.entry(4);
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(gif->IsPng, 0);
    EXPECT_EQ(gif->Width, 1);
    EXPECT_EQ(colours(*gif), (std::vector<int>{255, 255, 255}));
}

TEST(PictoLibrary, SameBaseNameGivesTwoEntries) {
    QTemporaryDir dir;
    writeFileBytes(dir.filePath(QStringLiteral("sun.gif")), kTinyGif);
    saveOpaque(dir.filePath(QStringLiteral("sun.png")));

    const PictoLibrary library = PictoLibrary::build(dir.path());
    ASSERT_EQ(library.PictoCount(), 2);
    EXPECT_EQ(library.baseName(1), QStringLiteral("sun"));
    EXPECT_EQ(library.baseName(2), QStringLiteral("sun"));
    EXPECT_EQ(library.entry(1)->IsPng, 0);
    EXPECT_EQ(library.entry(2)->IsPng, -1);
}

TEST(PictoLibrary, UndecodableImageIsCountedWithNoPixels) {
    QTemporaryDir dir;
    writeFileBytes(dir.filePath(QStringLiteral("broken.png")), "not an image at all");
    saveOpaque(dir.filePath(QStringLiteral("good.png")));

    const PictoLibrary library = PictoLibrary::build(dir.path());
    ASSERT_EQ(library.PictoCount(), 2);
    const PictoEntry* broken = library.entry(1);
    EXPECT_EQ(broken->FileName, QStringLiteral("broken.png"));
    EXPECT_EQ(broken->Width, 0);
    EXPECT_EQ(broken->Height, 0);
    EXPECT_TRUE(broken->Pixels.empty());
    EXPECT_EQ(library.entry(2)->Width, 1);
}

TEST(PictoLibrary, PixelsKeepColourAndAlphaOfTheImage) {
    QTemporaryDir dir;
    saveRow(dir.filePath(QStringLiteral("soft.png")),
            {{1, 2, 3, 255}, {200, 100, 50, 128}, {255, 0, 255, 255}, {9, 8, 7, 0}});
    saveRow(dir.filePath(QStringLiteral("flat.bmp")), {{1, 2, 3, 255}, {255, 0, 255, 255}});

    PictoLibrary library;
    const PictoEntry& soft = *library.entry(library.AddPicto(dir.path(), "soft.png"));
    EXPECT_EQ(soft.Width, 4);
    EXPECT_EQ(soft.Height, 1);
    EXPECT_EQ(soft.key(), kDefaultKey);
    EXPECT_EQ(soft.Pixels, (std::vector<std::uint8_t>{1, 2, 3, 255, 200, 100, 50, 128, 255, 0, 255,
                                                      0, 9, 8, 7, 0}));

    const PictoEntry& flat = *library.entry(library.AddPicto(dir.path(), "flat.bmp"));
    EXPECT_EQ(library.PictoCount(), 2);
    EXPECT_EQ(flat.Pixels, (std::vector<std::uint8_t>{1, 2, 3, 255, 255, 0, 255, 0}));
}

TEST(PictoLibrary, KeyFileTextIsRead) {
    struct Case {
        const char* text;
        TransparentKey key;
    };
    const Case cases[] = {
        {"", kDefaultKey},
        {"0\r\n0\r\n0\r\n", {0, 0, 0}},
        {"0", {0, 0, 0}},
        {"0\r\n", {0, 0, 0}},
        {"-1 \r\n-1 \r\n-1 \r\n", {-1, -1, -1}},
        {" 255 \r\n 0 \r\n 255 \r\n", {255, 0, 255}},
        {"\t 12 \r\n  7\r\n", {12, 7, 7}},
        {"abc\r\nx\r\n-\r\n", {0, 0, 0}},
        {"\r\n", {0, 0, 0}},
        {"12abc\r\n+3\r\n4.0e1\r\n", {12, 3, 40}},
        {"1.5\r\n2.5\r\n-0.5\r\n", {2, 2, 0}},
        {"1\n2\n3\n", {1, 2, 3}},
        {"1\r2\r3", {1, 2, 3}},
        {"1\r\n2\r\n3\r\n4\r\n", {1, 2, 3}},
        {"99999999999\r\n-99999999999\r\n.5\r\n",
         {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(), 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseKeyText(c.text), c.key) << '"' << c.text << '"';
}

TEST(PictoLibrary, KeyFileTextIsWritten) {
    EXPECT_EQ(keyFileText({255, 0, -1}), QByteArray(" 255 \r\n 0 \r\n-1 \r\n"));
    EXPECT_EQ(keyFileText(kNoKey), QByteArray("-1 \r\n-1 \r\n-1 \r\n"));
    const TransparentKey extremes{std::numeric_limits<std::int32_t>::min(), 0,
                                  std::numeric_limits<std::int32_t>::max()};
    EXPECT_EQ(keyFileText(extremes), QByteArray("-2147483648 \r\n 0 \r\n 2147483647 \r\n"));
    EXPECT_EQ(parseKeyText(keyFileText(extremes)), extremes);
}

TEST(PictoLibrary, KeyFileDecidesWhichPixelsAreTransparent) {
    struct Case {
        const char* name;
        std::optional<QByteArray> keyFile;
        TransparentKey key;
        std::vector<int> alphas; // black, magenta, white, (1, 2, 3)
    };
    const std::vector<Case> cases = {
        {"missing", std::nullopt, kDefaultKey, {255, 0, 255, 255}},
        {"empty", QByteArray(), kDefaultKey, {255, 0, 255, 255}},
        {"black", QByteArray("0\r\n0\r\n0\r\n"), {0, 0, 0}, {0, 255, 255, 255}},
        {"single zero", QByteArray("0\r\n"), {0, 0, 0}, {0, 255, 255, 255}},
        {"no key", QByteArray("-1 \r\n-1 \r\n-1 \r\n"), kNoKey, {255, 255, 255, 255}},
        {"white", QByteArray(" 255 \r\n"), {255, 255, 255}, {255, 255, 0, 255}},
        {"colour", QByteArray(" 1 \r\n 2 \r\n 3 \r\n"), {1, 2, 3}, {255, 255, 255, 0}},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        saveRow(dir.filePath(QStringLiteral("p.bmp")),
                {{0, 0, 0, 255}, {255, 0, 255, 255}, {255, 255, 255, 255}, {1, 2, 3, 255}});
        if (c.keyFile)
            writeFileBytes(dir.filePath(QStringLiteral("p.bmp.tcolor")), *c.keyFile);
        EXPECT_EQ(readKeyFile(keyFilePath(dir.path(), QStringLiteral("p.bmp"))), c.key) << c.name;

        const PictoLibrary library = PictoLibrary::build(dir.path());
        ASSERT_EQ(library.PictoCount(), 1) << c.name;
        EXPECT_EQ(library.entry(1)->key(), c.key) << c.name;
        EXPECT_EQ(alphas(*library.entry(1)), c.alphas) << c.name;
    }
}

TEST(PictoLibrary, RemoveTransparencyMakesEveryPixelOpaque) {
    QTemporaryDir dir;
    saveRow(dir.filePath(QStringLiteral("soft.png")),
            {{255, 0, 255, 255}, {200, 100, 50, 128}, {9, 8, 7, 0}});
    PictoLibrary library = PictoLibrary::build(dir.path());
    const std::vector<int> before = colours(*library.entry(1));
    ASSERT_EQ(alphas(*library.entry(1)), (std::vector<int>{0, 128, 0}));

    QString error;
    ASSERT_TRUE(library.removeTransparency(1, dir.path(), &error)) << error.toStdString();
    EXPECT_EQ(library.entry(1)->key(), kNoKey);
    EXPECT_EQ(alphas(*library.entry(1)), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(colours(*library.entry(1)), before);
    EXPECT_EQ(readFileBytes(dir.filePath(QStringLiteral("soft.png.tcolor"))),
              QByteArray("-1 \r\n-1 \r\n-1 \r\n"));

    // At the next start the key stays off; the image's own alpha comes back.
    const PictoLibrary reloaded = PictoLibrary::build(dir.path());
    EXPECT_EQ(reloaded.entry(1)->key(), kNoKey);
    EXPECT_EQ(alphas(*reloaded.entry(1)), (std::vector<int>{255, 128, 0}));
}

TEST(PictoLibrary, RemoveTransparencyStopsWhenKeyFileCannotBeWritten) {
    QTemporaryDir dir;
    saveRow(dir.filePath(QStringLiteral("p.png")), {{255, 0, 255, 255}, {1, 2, 3, 100}});
    PictoLibrary library = PictoLibrary::build(dir.path());
    const std::vector<std::uint8_t> before = library.entry(1)->Pixels;

    // A "folder" that is a regular file: nothing can be created inside it, even as root.
    const QString notAFolder = dir.filePath(QStringLiteral("p.png"));
    QString error;
    EXPECT_FALSE(library.removeTransparency(1, notAFolder, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(library.entry(1)->Pixels, before);
    EXPECT_EQ(library.entry(1)->key(), kNoKey);

    error.clear();
    EXPECT_FALSE(library.removeTransparency(2, dir.path(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("p.png.tcolor"))));
}

TEST(PictoLibrary, PickedColourBecomesTheKey) {
    QTemporaryDir dir;
    saveRow(dir.filePath(QStringLiteral("p.png")),
            {{255, 255, 255, 255}, {255, 0, 255, 255}, {200, 100, 50, 128}, {255, 255, 255, 30}});
    PictoLibrary library = PictoLibrary::build(dir.path());
    ASSERT_EQ(alphas(*library.entry(1)), (std::vector<int>{255, 0, 128, 30}));

    QString error;
    ASSERT_TRUE(library.setTransparentColour(1, dir.path(), 255, 255, 255, &error))
        << error.toStdString();
    EXPECT_EQ(library.entry(1)->key(), (TransparentKey{255, 255, 255}));
    // Soft edges become opaque; the old key colour shows again.
    EXPECT_EQ(alphas(*library.entry(1)), (std::vector<int>{0, 255, 255, 0}));
    EXPECT_EQ(readFileBytes(dir.filePath(QStringLiteral("p.png.tcolor"))),
              QByteArray(" 255 \r\n 255 \r\n 255 \r\n"));

    const PictoLibrary reloaded = PictoLibrary::build(dir.path());
    EXPECT_EQ(alphas(*reloaded.entry(1)), (std::vector<int>{0, 255, 128, 0}));
}

TEST(PictoLibrary, PickedColourAppliesEvenWhenKeyFileCannotBeWritten) {
    QTemporaryDir dir;
    saveRow(dir.filePath(QStringLiteral("p.png")), {{0, 0, 0, 255}, {1, 2, 3, 40}});
    PictoLibrary library = PictoLibrary::build(dir.path());

    QString error;
    EXPECT_FALSE(
        library.setTransparentColour(1, dir.filePath(QStringLiteral("p.png")), 0, 0, 0, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(library.entry(1)->key(), (TransparentKey{0, 0, 0}));
    EXPECT_EQ(alphas(*library.entry(1)), (std::vector<int>{0, 255}));

    EXPECT_FALSE(library.setTransparentColour(0, dir.path(), 0, 0, 0, &error));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("p.png.tcolor"))));
}
