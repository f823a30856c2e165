#include "document/map_file.h"

#include "document/atomic_file.h"
#include "document/regular_file.h"
#include "document/windows1252.h"

#include <QDir>
#include <QtEndian>

#include <cstring>

namespace grivendale {

namespace {

// Smallest records: what the remaining bytes must at least hold before a count is believed.
constexpr qsizetype kMinItemRecord = 42;
constexpr qsizetype kFillRecord = 12;
constexpr qsizetype kMinLineRecord = 26;
// Far above any real map (100,000 elements and 10,000 lines take 9 MB), far below memory.
constexpr qint64 kMaxMapFileBytes = qint64{1} << 30;

struct CorruptMap {
    QString message;
};

class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : pos_(bytes.constData()), end_(bytes.constData() + bytes.size()) {}

    qsizetype remaining() const { return end_ - pos_; }

    std::int16_t i16(const char* what) {
        return static_cast<std::int16_t>(qFromLittleEndian<quint16>(take(2, what)));
    }
    std::uint16_t u16(const char* what) { return qFromLittleEndian<quint16>(take(2, what)); }
    std::int32_t i32(const char* what) {
        return static_cast<std::int32_t>(qFromLittleEndian<quint32>(take(4, what)));
    }
    std::uint32_t u32(const char* what) { return qFromLittleEndian<quint32>(take(4, what)); }

    QString text(const char* what) {
        const std::uint16_t length = u16(what);
        const char* data = take(length, what);
        return decodeWindows1252(data, length);
    }

    const char* take(qsizetype n, const char* what) {
        if (n > remaining())
            throw CorruptMap{
                QStringLiteral("le fichier s'arrête au milieu d'un enregistrement (%1).")
                    .arg(QString::fromUtf8(what))};
        const char* at = pos_;
        pos_ += n;
        return at;
    }

private:
    const char* pos_;
    const char* end_;
};

// Reads a count and checks that count + 1 records of at least `minRecord` bytes can follow.
std::int32_t readCount(Reader& in, qsizetype minRecord, const char* what) {
    const std::int32_t count = in.i32(what);
    if (count < 0)
        throw CorruptMap{QStringLiteral("le nombre %1 est négatif (%2).")
                             .arg(QString::fromUtf8(what))
                             .arg(count)};
    if (count != 0 && (std::int64_t{count} + 1) * minRecord > in.remaining())
        throw CorruptMap{QStringLiteral("le nombre %1 (%2) dépasse la taille du fichier.")
                             .arg(QString::fromUtf8(what))
                             .arg(count)};
    return count;
}

PointArray readPointArray(Reader& in) {
    const std::uint16_t dimensions = in.u16("tableau de points");
    if (dimensions == 0)
        return std::nullopt;
    if (dimensions != 1)
        throw CorruptMap{
            QStringLiteral("un tableau de points a %1 dimensions au lieu d'une.").arg(dimensions)};
    const std::uint32_t elements = in.u32("tableau de points");
    const std::int32_t lowerBound = in.i32("tableau de points");
    if (lowerBound != 0)
        throw CorruptMap{
            QStringLiteral("un tableau de points commence à %1 au lieu de 0.").arg(lowerBound)};
    if (std::int64_t{elements} * 4 > in.remaining())
        throw CorruptMap{QStringLiteral("un tableau de points (%1 éléments) dépasse la taille du "
                                        "fichier.")
                             .arg(elements)};
    std::vector<std::int32_t> values(elements);
    const char* data = in.take(static_cast<qsizetype>(elements) * 4, "tableau de points");
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        if (elements > 0)
            std::memcpy(values.data(), data, std::size_t{elements} * 4);
    } else {
        for (std::uint32_t i = 0; i < elements; ++i)
            values[i] = static_cast<std::int32_t>(qFromLittleEndian<quint32>(data + 4 * i));
    }
    return values;
}

MapItem readItem(Reader& in) {
    MapItem item;
    item.InUse = in.i16("élément");
    item.RefIndex = in.i32("élément");
    item.X = in.i32("élément");
    item.Y = in.i32("élément");
    item.Reserved = in.i16("élément");
    item.IsText = in.i16("élément");
    item.Size = in.i16("élément");
    item.Color = in.u32("élément");
    item.Text = in.text("texte d'un élément");
    item.FontName = in.text("police d'un élément");
    item.Bold = in.i16("élément");
    item.Italic = in.i16("élément");
    item.Underline = in.i16("élément");
    item.Width = in.i32("élément");
    item.Height = in.i32("élément");
    return item;
}

MapLine readLine(Reader& in) {
    MapLine line;
    line.InUse = in.i16("ligne");
    line.Width = in.i32("ligne");
    line.PointCount = in.i32("ligne");
    line.PointX = readPointArray(in);
    line.PointY = readPointArray(in);
    line.Color = in.u32("ligne");
    line.Smooth = in.i32("ligne");
    line.InBackground = in.i32("ligne");
    return line;
}

class Writer {
public:
    explicit Writer(qsizetype expected) { bytes_.reserve(expected); }

    void i16(std::int16_t v) { put<quint16>(static_cast<quint16>(v)); }
    void i32(std::int32_t v) { put<quint32>(static_cast<quint32>(v)); }
    void u32(std::uint32_t v) { put<quint32>(v); }

    void text(const QString& value) {
        QByteArray encoded = encodeWindows1252(value, &lossy);
        if (encoded.size() > 0xFFFF) { // the length field is 16-bit
            encoded.truncate(0xFFFF);
            lossy = true;
        }
        put<quint16>(static_cast<quint16>(encoded.size()));
        bytes_.append(encoded);
    }

    void fixedText(const QString& value, qsizetype length) {
        QByteArray encoded = encodeWindows1252(value, &lossy);
        encoded = encoded.leftJustified(length, ' ', true);
        bytes_.append(encoded);
    }

    void pointArray(const PointArray& values) {
        if (!values) {
            put<quint16>(0);
            return;
        }
        put<quint16>(1);
        put<quint32>(static_cast<quint32>(values->size()));
        put<quint32>(0);
        const qsizetype at = bytes_.size();
        bytes_.resize(at + static_cast<qsizetype>(values->size()) * 4);
        char* out = bytes_.data() + at;
        for (std::int32_t v : *values) {
            qToLittleEndian<quint32>(static_cast<quint32>(v), out);
            out += 4;
        }
    }

    QByteArray take() { return std::move(bytes_); }
    bool lossy = false;

private:
    template <typename T> void put(T v) {
        char raw[sizeof(T)];
        qToLittleEndian<T>(v, raw);
        bytes_.append(raw, sizeof(T));
    }

    QByteArray bytes_;
};

void writeItem(Writer& out, const MapItem& item) {
    out.i16(item.InUse);
    out.i32(item.RefIndex);
    out.i32(item.X);
    out.i32(item.Y);
    out.i16(item.Reserved);
    out.i16(item.IsText);
    out.i16(item.Size);
    out.u32(item.Color);
    out.text(item.Text);
    out.text(item.FontName);
    out.i16(item.Bold);
    out.i16(item.Italic);
    out.i16(item.Underline);
    out.i32(item.Width);
    out.i32(item.Height);
}

void writeLine(Writer& out, const MapLine& line) {
    out.i16(line.InUse);
    out.i32(line.Width);
    out.i32(line.PointCount);
    out.pointArray(line.PointX);
    out.pointArray(line.PointY);
    out.u32(line.Color);
    out.i32(line.Smooth);
    out.i32(line.InBackground);
}

// Slot i of an array that may hold fewer array than its count says (a document built by hand);
// missing array are written as empty ones.
template <typename T> const T& slotOrEmpty(const std::vector<T>& array, std::int32_t i) {
    static const T empty{};
    return static_cast<std::size_t>(i) < array.size() ? array[static_cast<std::size_t>(i)] : empty;
}

} // namespace

MapLoadResult parseMapFile(const QByteArray& bytes, MapDocument& out) {
    MapLoadResult result;
    if (bytes.size() < 4) {
        result.status = MapLoadStatus::WrongVersion; // an empty file reads as version 0
        result.message = kWrongVersionMessage;
        return result;
    }
    Reader in(bytes);
    result.version = in.i32("version");
    if (result.version != kMapFileVersion) {
        result.status = MapLoadStatus::WrongVersion;
        result.message = kWrongVersionMessage;
        return result;
    }
    try {
        const char* path = in.take(kBackgroundPathLength, "chemin du fond");
        out.BackgroundPath = decodeWindows1252(path, kBackgroundPathLength);

        out.ItemCount = readCount(in, kMinItemRecord, "d'éléments");
        out.Items.clear();
        if (out.ItemCount != 0) {
            out.Items.reserve(static_cast<std::size_t>(out.ItemCount) + 1);
            for (std::int32_t i = 0; i <= out.ItemCount; ++i)
                out.Items.push_back(readItem(in));
        }

        out.FillCount = readCount(in, kFillRecord, "de remplissages");
        out.Fills.clear();
        if (out.FillCount != 0) {
            out.Fills.resize(static_cast<std::size_t>(out.FillCount) + 1);
            for (FillPoint& fill : out.Fills) {
                fill.X = in.i32("remplissage");
                fill.Y = in.i32("remplissage");
                fill.Color = in.u32("remplissage");
            }
        }

        out.LineCount = readCount(in, kMinLineRecord, "de lignes");
        out.Lines.clear();
        if (out.LineCount != 0) {
            out.Lines.reserve(static_cast<std::size_t>(out.LineCount) + 1);
            for (std::int32_t i = 0; i <= out.LineCount; ++i)
                out.Lines.push_back(readLine(in));
        }
        // Whatever follows the last line record is ignored.
    } catch (const CorruptMap& corrupt) {
        result.status = MapLoadStatus::Corrupt;
        result.message = QStringLiteral("Fichier carte endommagé : %1").arg(corrupt.message);
        return result;
    }
    RepairAfterLoad(out);
    return result;
}

void RepairAfterLoad(MapDocument& doc) {
    for (std::int32_t i = 0; i <= doc.LineCount && static_cast<std::size_t>(i) < doc.Lines.size();
         ++i) {
        MapLine& line = doc.Lines[static_cast<std::size_t>(i)];
        // Any non-zero flag is live to the drawing code, so it is repaired as live here too.
        if (line.InUse != kFalse && !line.pointsConsistent())
            line.InUse = kFalse;
    }
    for (std::int32_t i = 0; i <= doc.ItemCount && static_cast<std::size_t>(i) < doc.Items.size();
         ++i) {
        MapItem& item = doc.Items[static_cast<std::size_t>(i)];
        if (item.Size != -1)
            continue;
        const MapLine* line = doc.line(item.RefIndex);
        if (!line || line->InUse == kFalse)
            item.InUse = kFalse;
    }
}

QByteArray serializeMapFile(const MapDocument& doc, bool* lossy) {
    // Rough size so the buffer grows once or twice at most.
    qsizetype expected = 4 + kBackgroundPathLength + 12;
    expected += (qsizetype{doc.ItemCount} + 1) * 64 + (qsizetype{doc.FillCount} + 1) * 12;
    for (std::int32_t i = 0; i <= doc.LineCount; ++i) {
        const MapLine& line = slotOrEmpty(doc.Lines, i);
        expected += 36 + 4 * qsizetype(line.PointX ? line.PointX->size() : 0) +
                    4 * qsizetype(line.PointY ? line.PointY->size() : 0);
    }
    Writer out(expected);
    out.i32(kMapFileVersion);
    out.fixedText(doc.BackgroundPath, kBackgroundPathLength);
    out.i32(doc.ItemCount);
    if (doc.ItemCount != 0) {
        for (std::int32_t i = 0; i <= doc.ItemCount; ++i)
            writeItem(out, slotOrEmpty(doc.Items, i));
    }
    out.i32(doc.FillCount);
    if (doc.FillCount != 0) {
        for (std::int32_t i = 0; i <= doc.FillCount; ++i) {
            const FillPoint& fill = slotOrEmpty(doc.Fills, i);
            out.i32(fill.X);
            out.i32(fill.Y);
            out.u32(fill.Color);
        }
    }
    out.i32(doc.LineCount);
    if (doc.LineCount != 0) {
        for (std::int32_t i = 0; i <= doc.LineCount; ++i)
            writeLine(out, slotOrEmpty(doc.Lines, i));
    }
    if (lossy)
        *lossy = out.lossy;
    return out.take();
}

MapLoadResult LoadMap(MapDocument& doc, const QString& path) {
    const RegularFileRead read = readRegularFile(path, kMaxMapFileBytes);
    if (!read.bytes) {
        MapLoadResult result;
        result.status = MapLoadStatus::Unreadable;
        result.message = read.error;
        return result;
    }
    MapDocument loaded;
    MapLoadResult result = parseMapFile(*read.bytes, loaded);
    if (result.ok())
        doc.replaceContents(std::move(loaded));
    return result;
}

MapSaveResult SaveAll(const MapDocument& doc, const QString& path) {
    MapSaveResult result;
    const QByteArray bytes = serializeMapFile(doc, &result.lossy);
    if (const FileWriteResult written = writeFileAtomically(path, bytes); !written.ok()) {
        result.error = written.error;
        result.message = QStringLiteral("Impossible d'enregistrer la carte « %1 » : %2.")
                             .arg(QDir::toNativeSeparators(path), written.reason());
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace grivendale
