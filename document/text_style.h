#pragma once

#include <QString>

namespace grivendale {

// The style new text labels take: what the text preview of the main window shows. Labels copy
// it when they are placed, so changing it later leaves them alone.
struct TextStyle {
    QString family = QStringLiteral("Arial");
    double pointSize = 8.25; // points, may be fractional; labels store it rounded
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const TextStyle&) const = default;
};

} // namespace grivendale
