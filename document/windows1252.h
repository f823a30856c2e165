#pragma once

#include <QByteArray>
#include <QString>

// Map files keep their texts in the Windows-1252 code page, one byte per character.
namespace grivendale {

// Every byte decodes to one character; the five bytes the code page leaves undefined map to
// the control characters of the same value, so any file's bytes survive a read and a write.
QString decodeWindows1252(const QByteArray& bytes);
QString decodeWindows1252(const char* data, qsizetype size);

// Characters outside the code page become '?' (one per character, surrogate pairs included);
// `lossy` is set when that happened.
QByteArray encodeWindows1252(const QString& text, bool* lossy = nullptr);

// The characters of `text` that the code page cannot store, each once, in order of first
// appearance (a surrogate pair stays whole); empty when the whole text can be stored.
QString unencodableWindows1252(const QString& text);

} // namespace grivendale
