#pragma once

#include <QByteArray>
#include <QString>

namespace grivendale::testing {

// Hexadecimal bytes written with optional blanks and bars, as in a file dump.
QByteArray hexBytes(const char* dump);

QByteArray readFileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);

// Keeps a copy of an interesting map file as a seed for the map reader's fuzzer.
void addFuzzSeed(const QString& name, const QByteArray& bytes);

} // namespace grivendale::testing
