#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The weather pictograms of the picto folder, numbered from 1 in the order of their file
// names, each with its pixels and its transparent colour (colour key).
//
// Maps refer to pictograms by number only, so the numbering must not change from one run to
// the next while the folder stays the same: the folder's raw listing order is arbitrary on
// Linux, so the names are sorted (case-insensitively, ties broken by the exact name).

namespace grivendale {

// A transparent colour; -1 in all three components means no key.
struct TransparentKey {
    std::int32_t red = 255;
    std::int32_t green = 0;
    std::int32_t blue = 255;

    bool operator==(const TransparentKey&) const = default;
};

// The key used when a pictogram has no key file, or an empty one: magenta.
inline constexpr TransparentKey kDefaultKey{255, 0, 255};
// The key written by "Retirer transparence": matches no pixel.
inline constexpr TransparentKey kNoKey{-1, -1, -1};

struct PictoEntry {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t TransparentRed = kDefaultKey.red;
    std::int32_t TransparentGreen = kDefaultKey.green;
    std::int32_t TransparentBlue = kDefaultKey.blue;
    QString FileName;       // the image file's name inside the picto folder, extension included
    std::int16_t IsPng = 0; // -1 when the upper-cased name contains ".PNG": soft alpha is blended
    std::vector<std::uint8_t> Pixels; // R, G, B, A per pixel, rows from the top, no gaps.
    // Exactly Width * Height * 4 bytes: no spare slot after the last pixel, as nothing
    // reads one.

    TransparentKey key() const { return {TransparentRed, TransparentGreen, TransparentBlue}; }
    void setKey(const TransparentKey& key);
};

// The key read from the text of a key file: one line each for red, green and blue, each the
// line's leading number (leading blanks skipped, rounded, 0 when the line holds no number);
// lines missing at the end repeat the last line read. Empty text gives the default key.
TransparentKey parseKeyText(const QByteArray& text);
// The key file at path; a missing, unreadable or empty file gives the default key.
TransparentKey readKeyFile(const QString& path);
// The key as written to its file: " 255 \r\n 0 \r\n-1 \r\n".
QByteArray keyFileText(const TransparentKey& key);

// The key file's path for an image file of the folder: the image name followed by ".tcolor".
QString keyFilePath(const QString& folder, const QString& fileName);
// Whether a file of the picto folder is taken as a pictogram: its extension (the text after
// the last '.') is JPG, BMP, GIF or PNG in any case.
bool isPictoFileName(const QString& fileName);

class PictoLibrary {
public:
    // Every pictogram of the folder, numbered from 1 in sorted name order. A missing folder
    // gives an empty library.
    static PictoLibrary build(const QString& folder);

    // Appends the pictogram of one file of the folder and returns its number. A file that
    // cannot be decoded still gets an entry, of size 0 x 0.
    std::int32_t AddPicto(const QString& folder, const QString& fileName);

    std::int32_t PictoCount() const { return static_cast<std::int32_t>(m_entries.size()) - 1; }
    // Null when number is not from 1 to PictoCount (numbers coming from map files included).
    const PictoEntry* entry(std::int32_t number) const;
    // The name shown in the list and the menu: the file name before its last '.'. Empty when
    // number names no entry.
    QString baseName(std::int32_t number) const;

    // "Retirer transparence": switches the key off for good (kNoKey in memory and in the key
    // file), then makes every pixel opaque. When the key file cannot be written, returns false
    // with a message in error and leaves the pixels as they were (the key stays off in memory).
    bool removeTransparency(std::int32_t number, const QString& folder, QString* error);

    // A colour picked on the pictogram's preview becomes its key: stored, written to the key
    // file, and the alpha rebuilt from the pixels' colours alone (0 for the key colour, 255
    // for every other one, so soft edges of the image become opaque). A key file that cannot
    // be written does not stop the rest: the result is false, with a message in error, and
    // the new key applies to this run only. Returns false without change when number names
    // no entry.
    bool setTransparentColour(std::int32_t number, const QString& folder, std::int32_t red,
                              std::int32_t green, std::int32_t blue, QString* error);

    // Changes whenever an entry is added or changed, and differs between two libraries built
    // apart, so a drawing cache can tell that its pictograms are still the same.
    std::uint64_t revision() const { return m_revision; }

private:
    PictoEntry* mutableEntry(std::int32_t number);

    std::vector<PictoEntry> m_entries{1}; // slot 0 unused
    std::uint64_t m_revision = newRevision();
    static std::uint64_t newRevision();
};

} // namespace grivendale
