#pragma once

#include "document/map_document.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace grivendale::testing {

// Hexadecimal bytes written with optional blanks and bars, as in a file dump.
QByteArray hexBytes(const char* dump);

QByteArray readFileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);

// Keeps a copy of an interesting map file as a seed for the map reader's fuzzer.
void addFuzzSeed(const QString& name, const QByteArray& bytes);

// A line through `points` (x, y), given as the editor hands them to the document: absolute, with
// the unused point 0 at the origin.
MapLine lineThrough(std::initializer_list<std::pair<int, int>> points, int width = 1,
                    std::uint32_t color = 0);

} // namespace grivendale::testing
