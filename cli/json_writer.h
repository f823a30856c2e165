#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace grivendale::cli {

// A small streaming JSON writer that keeps keys in the order they are written.
class JsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(const char* name);
    void value(std::int64_t number);
    void value(const QString& text);
    void valueNull();
    void valueArray(const std::vector<std::int32_t>& numbers);

    const QByteArray& bytes() const { return out_; }

private:
    void separate();

    QByteArray out_;
    bool needComma_ = false;
};

} // namespace grivendale::cli
