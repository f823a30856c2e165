#include "render/surface_areas.h"

#include <cstring>

namespace grivendale {

void copyRect(QImage& target, const QImage& source, const QRect& area) {
    const qsizetype bytes = qsizetype{area.width()} * 4;
    uchar* const to = target.bits();
    const uchar* const from = source.constBits();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const qsizetype at = y * target.bytesPerLine() + qsizetype{area.left()} * 4;
        std::memcpy(to + at, from + y * source.bytesPerLine() + qsizetype{area.left()} * 4,
                    static_cast<std::size_t>(bytes));
    }
}

QImage windowOnto(QImage& surface, const QRect& area) {
    uchar* const corner = surface.bits() + area.top() * surface.bytesPerLine() + area.left() * 4;
    QImage window(corner, area.width(), area.height(), surface.bytesPerLine(),
                  QImage::Format_RGB32);
    window.setDotsPerMeterX(surface.dotsPerMeterX());
    window.setDotsPerMeterY(surface.dotsPerMeterY());
    return window;
}

} // namespace grivendale
