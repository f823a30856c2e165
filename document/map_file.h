#pragma once

#include "document/map_document.h"

#include <QByteArray>
#include <QString>

// Reading and writing ".car" map files (version 17): little-endian, no padding, 16-bit
// booleans, Windows-1252 texts, point arrays with their dimension header.
namespace grivendale {

inline constexpr std::int32_t kMapFileVersion = 17;

// The box shown when a file of another version is opened by the user.
inline const QString kWrongVersionTitle = QStringLiteral("Problème!");
inline const QString kWrongVersionMessage = QStringLiteral(
    "Attention ! Ce fichier de sauvegarde n'a pas la bonne version, le programme ne peut donc "
    "pas le charger, veuillez recréer le fichier de zéro.");

enum class MapLoadStatus {
    Ok,
    Unreadable,   // missing or cannot be opened
    WrongVersion, // includes empty and too-short files, which read as version 0
    Corrupt,
};

struct MapLoadResult {
    MapLoadStatus status = MapLoadStatus::Ok;
    std::int32_t version = 0;
    QString message; // one line, French, for the user or standard error

    bool ok() const { return status == MapLoadStatus::Ok; }
};

struct MapSaveResult {
    bool ok = false;
    // Some text held characters the code page cannot store; they were written as '?'.
    bool lossy = false;
    int error = 0; // errno of the failed write
    QString message;
};

// Parses a whole file into `out`, which should be fresh. On failure `out` is unspecified.
// Never reads outside `bytes` and never reserves more than the remaining bytes can hold.
MapLoadResult parseMapFile(const QByteArray& bytes, MapDocument& out);

// The exact bytes of the file for a document: count + 1 records after each non-zero count.
QByteArray serializeMapFile(const MapDocument& doc, bool* lossy = nullptr);

// Frees live lines whose point arrays disagree with PointCount, then line entries naming a
// line slot that does not exist or is not live.
void RepairAfterLoad(MapDocument& doc);

// Reads a map file into `doc` (path, items, fills, lines; history kept), repaired. The
// document is unchanged unless the result is ok.
MapLoadResult LoadMap(MapDocument& doc, const QString& path);

// Writes the document atomically: a failed save leaves any previous file intact.
MapSaveResult SaveAll(const MapDocument& doc, const QString& path);

} // namespace grivendale
