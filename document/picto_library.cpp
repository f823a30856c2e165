#include "document/picto_library.h"

#include <chrono>

#include "document/atomic_file.h"
#include "document/map_document.h"
#include "document/rounding.h"
#include "imaging/image_io.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <limits>
#include <utility>

namespace grivendale {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number that begins a line, after its leading blanks: sign, digits, fraction and
// exponent, as far as they go. 0 when the line does not begin with a number.
std::int32_t leadingNumber(QByteArrayView line) {
    qsizetype i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    const qsizetype start = i;
    if (i < line.size() && (line[i] == '-' || line[i] == '+'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < line.size() && isDigit(line[i]))
        ++i;
    qsizetype digitCount = i - digitsStart;
    if (i < line.size() && line[i] == '.') {
        const qsizetype fractionStart = ++i;
        while (i < line.size() && isDigit(line[i]))
            ++i;
        digitCount += i - fractionStart;
    }
    if (digitCount == 0)
        return 0;
    if (i < line.size() && (line[i] == 'e' || line[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < line.size() && (line[j] == '-' || line[j] == '+'))
            ++j;
        if (j < line.size() && isDigit(line[j])) {
            while (j < line.size() && isDigit(line[j]))
                ++j;
            i = j;
        }
    }
    bool ok = false;
    const double value = line.sliced(start, i - start).toByteArray().toDouble(&ok);
    if (!ok)
        return 0;
    // Out-of-range values cannot match a colour anyway; clamping keeps the conversion defined.
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    return roundHalfEven(std::clamp(value, kLow, kHigh));
}

// Lines end with CR LF; a lone CR or LF is taken as an end of line too. A final line end does
// not start another (empty) line.
std::vector<QByteArrayView> splitLines(const QByteArray& text) {
    std::vector<QByteArrayView> lines;
    const QByteArrayView all(text);
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < all.size()) {
        const char c = all[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.push_back(all.sliced(start, i - start));
        ++i;
        if (c == '\r' && i < all.size() && all[i] == '\n')
            ++i;
        start = i;
    }
    if (start < all.size())
        lines.push_back(all.sliced(start));
    return lines;
}

void appendKeyValue(QByteArray& text, std::int32_t value) {
    // The text-file print of a whole number: sign or blank, digits, one trailing blank.
    const std::int64_t wide = value;
    text.append(wide < 0 ? '-' : ' ');
    text.append(QByteArray::number(wide < 0 ? -wide : wide));
    text.append(" \r\n");
}

bool writeKeyFile(const QString& path, const TransparentKey& key, QString* error) {
    const FileWriteResult written = writeFileAtomically(path, keyFileText(key));
    if (written.ok())
        return true;
    if (error) {
        *error = QStringLiteral("Impossible d'écrire le fichier « %1 » : %2.")
                     .arg(QDir::toNativeSeparators(path), written.reason());
    }
    return false;
}

// Case-insensitive name order, ties broken by the exact name, so that the numbering does not
// depend on the order in which the file system lists the folder.
bool nameBefore(const QString& a, const QString& b) {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return a.toUtf8() < b.toUtf8();
}

} // namespace

void PictoEntry::setKey(const TransparentKey& key) {
    TransparentRed = key.red;
    TransparentGreen = key.green;
    TransparentBlue = key.blue;
}

TransparentKey parseKeyText(const QByteArray& text) {
    const std::vector<QByteArrayView> lines = splitLines(text);
    if (lines.empty())
        return kDefaultKey;
    std::int32_t values[3] = {};
    std::int32_t last = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (i < lines.size())
            last = leadingNumber(lines[i]);
        values[i] = last;
    }
    return {values[0], values[1], values[2]};
}

TransparentKey readKeyFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return kDefaultKey;
    return parseKeyText(file.readAll());
}

QByteArray keyFileText(const TransparentKey& key) {
    QByteArray text;
    appendKeyValue(text, key.red);
    appendKeyValue(text, key.green);
    appendKeyValue(text, key.blue);
    return text;
}

QString keyFilePath(const QString& folder, const QString& fileName) {
    return QDir(folder).filePath(fileName + QStringLiteral(".tcolor"));
}

bool isPictoFileName(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString extension = fileName.mid(dot + 1).toUpper();
    return extension == QLatin1String("JPG") || extension == QLatin1String("BMP") ||
           extension == QLatin1String("GIF") || extension == QLatin1String("PNG");
}

std::uint64_t PictoLibrary::newRevision() {
    // The clock never repeats within a run, unlike a counter restarted by every new library.
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

PictoLibrary PictoLibrary::build(const QString& folder) {
    PictoLibrary library;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return library;
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::NoSort);
    std::sort(names.begin(), names.end(), nameBefore);
    for (const QString& name : names) {
        // "._soleil.png" and the like are left behind by copies from other systems; as
        // pictograms they would shift every number after them.
        if (!name.startsWith(QLatin1Char('.')) && isPictoFileName(name))
            library.AddPicto(folder, name);
    }
    return library;
}

std::int32_t PictoLibrary::AddPicto(const QString& folder, const QString& fileName) {
    m_revision = newRevision();
    PictoEntry& e = m_entries.emplace_back();
    e.FileName = fileName;
    e.IsPng = fileName.toUpper().contains(QLatin1String(".PNG")) ? kTrue : kFalse;

    // An image that cannot be decoded leaves the size at 0 x 0: the entry draws nothing.
    std::vector<std::uint32_t> source;
    std::int32_t width = 0;
    std::int32_t height = 0;
    LoadPicturePixels(QDir(folder).filePath(fileName), source, width, height);

    e.setKey(readKeyFile(keyFilePath(folder, fileName)));
    e.Width = width;
    e.Height = height;

    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    e.Pixels.resize(count * 4);
    std::uint8_t* out = e.Pixels.data();
    for (std::size_t p = 0; p < count; ++p, out += 4) {
        const std::uint32_t argb = source[p];
        const auto r = static_cast<std::int32_t>((argb >> 16) & 0xFFu);
        const auto g = static_cast<std::int32_t>((argb >> 8) & 0xFFu);
        const auto b = static_cast<std::int32_t>(argb & 0xFFu);
        out[0] = static_cast<std::uint8_t>(r);
        out[1] = static_cast<std::uint8_t>(g);
        out[2] = static_cast<std::uint8_t>(b);
        const bool keyed =
            r == e.TransparentRed && g == e.TransparentGreen && b == e.TransparentBlue;
        out[3] = keyed ? 0 : static_cast<std::uint8_t>(argb >> 24);
    }
    return PictoCount();
}

const PictoEntry* PictoLibrary::entry(std::int32_t number) const {
    if (number < 1 || number > PictoCount())
        return nullptr;
    return &m_entries[static_cast<std::size_t>(number)];
}

PictoEntry* PictoLibrary::mutableEntry(std::int32_t number) {
    m_revision = newRevision();
    return const_cast<PictoEntry*>(std::as_const(*this).entry(number));
}

QString PictoLibrary::baseName(std::int32_t number) const {
    const PictoEntry* e = entry(number);
    if (!e)
        return {};
    const qsizetype dot = e->FileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? e->FileName : e->FileName.left(dot);
}

bool PictoLibrary::removeTransparency(std::int32_t number, const QString& folder, QString* error) {
    PictoEntry* e = mutableEntry(number);
    if (!e) {
        if (error)
            *error = QStringLiteral("Aucun pictogramme n° %1.").arg(number);
        return false;
    }
    e->setKey(kNoKey);
    if (!writeKeyFile(keyFilePath(folder, e->FileName), kNoKey, error))
        return false;
    for (std::size_t i = 3; i < e->Pixels.size(); i += 4)
        e->Pixels[i] = 255;
    return true;
}

bool PictoLibrary::setTransparentColour(std::int32_t number, const QString& folder,
                                        std::int32_t red, std::int32_t green, std::int32_t blue,
                                        QString* error) {
    PictoEntry* e = mutableEntry(number);
    if (!e) {
        if (error)
            *error = QStringLiteral("Aucun pictogramme n° %1.").arg(number);
        return false;
    }
    const TransparentKey key{red, green, blue};
    e->setKey(key);
    const bool written = writeKeyFile(keyFilePath(folder, e->FileName), key, error);
    // The image's own alpha is not read again: every pixel is either the key or opaque.
    for (std::size_t i = 0; i + 3 < e->Pixels.size(); i += 4) {
        const bool keyed =
            e->Pixels[i] == red && e->Pixels[i + 1] == green && e->Pixels[i + 2] == blue;
        e->Pixels[i + 3] = keyed ? 0 : 255;
    }
    return written;
}

} // namespace grivendale
