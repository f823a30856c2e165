#include "cli/json_writer.h"

namespace grivendale::cli {

void JsonWriter::separate() {
    if (needComma_)
        out_.append(',');
    needComma_ = false;
}

void JsonWriter::beginObject() {
    separate();
    out_.append('{');
}

void JsonWriter::endObject() {
    out_.append('}');
    needComma_ = true;
}

void JsonWriter::beginArray() {
    separate();
    out_.append('[');
}

void JsonWriter::endArray() {
    out_.append(']');
    needComma_ = true;
}

void JsonWriter::key(const char* name) {
    separate();
    out_.append('"').append(name).append("\":");
}

void JsonWriter::value(std::int64_t number) {
    separate();
    out_.append(QByteArray::number(static_cast<qlonglong>(number)));
    needComma_ = true;
}

void JsonWriter::value(const QString& text) {
    separate();
    out_.append('"');
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out_.append("\\\"");
            break;
        case '\\':
            out_.append("\\\\");
            break;
        case '\n':
            out_.append("\\n");
            break;
        case '\r':
            out_.append("\\r");
            break;
        case '\t':
            out_.append("\\t");
            break;
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out_.append(escaped);
            } else {
                out_.append(c);
            }
        }
    }
    out_.append('"');
    needComma_ = true;
}

void JsonWriter::valueNull() {
    separate();
    out_.append("null");
    needComma_ = true;
}

void JsonWriter::valueArray(const std::vector<std::int32_t>& numbers) {
    beginArray();
    for (std::int32_t n : numbers)
        value(n);
    endArray();
}

} // namespace grivendale::cli
