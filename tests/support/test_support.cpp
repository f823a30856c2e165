#include "support/test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace grivendale::testing {

QByteArray hexBytes(const char* dump) {
    QByteArray digits;
    for (const char* c = dump; *c; ++c) {
        if (std::isxdigit(static_cast<unsigned char>(*c)))
            digits.append(*c);
    }
    return QByteArray::fromHex(digits);
}

QByteArray readFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

void writeFileBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

void addFuzzSeed(const QString& name, const QByteArray& bytes) {
    const QString dir = QStringLiteral(GRIVENDALE_SEED_DIR);
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + name);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

MapLine lineThrough(std::initializer_list<std::pair<int, int>> points, int width,
                    std::uint32_t color) {
    MapLine line;
    line.Width = width;
    line.Color = color;
    line.PointX = std::vector<std::int32_t>{0};
    line.PointY = std::vector<std::int32_t>{0};
    for (const auto& [x, y] : points) {
        line.PointX->push_back(x);
        line.PointY->push_back(y);
    }
    line.PointCount = static_cast<std::int32_t>(points.size());
    return line;
}

} // namespace grivendale::testing
