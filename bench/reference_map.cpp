#include "reference_map.h"

#include "render/text_draw.h"

#include <QDir>
#include <QPainter>

#include <random>

namespace grivendale {

ReferenceMap::ReferenceMap() {
    QImage disc(32, 32, QImage::Format_ARGB32);
    disc.fill(Qt::transparent);
    {
        QPainter painter(&disc);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(40, 40, 40), 1.5));
        painter.setBrush(QColor(250, 200, 40));
        painter.drawEllipse(QRectF(2, 2, 28, 28));
    }
    disc.save(dir.filePath(QStringLiteral("soleil.png")));
    library = PictoLibrary::build(dir.path());

    QImage background(1600, 1200, QImage::Format_RGB32);
    background.fill(qRgb(246, 242, 224));
    {
        QPainter painter(&background);
        painter.setPen(Qt::black);
        for (int x = 0; x < 1600; x += 200)
            painter.drawLine(x, 0, x, 1199);
        for (int y = 0; y < 1200; y += 200)
            painter.drawLine(0, y, 1599, y);
    }
    scene.setBackground(background);

    std::mt19937 random(7);
    auto pick = [&random](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    for (int i = 0; i < 30; ++i)
        doc.AddFill(100 + 200 * (i % 8), 100 + 200 * (i / 8), 0x00FF00 + 40u * i);
    for (int l = 0; l < 40; ++l) {
        MapLine line;
        line.Width = 3;
        line.Color = l % 2 ? 0xFF0000 : 0x000000;
        line.PointX = std::vector<std::int32_t>{0};
        line.PointY = std::vector<std::int32_t>{0};
        for (int k = 0; k < 10; ++k) {
            line.PointX->push_back(pick(0, 1599));
            line.PointY->push_back(pick(0, 1199));
        }
        line.PointCount = 10;
        doc.AddLine(line, true, l % 2 == 0);
    }
    for (int i = 0; i < 300; ++i)
        dragged = doc.AddPictoItem(1, pick(0, 1599), pick(0, 1199));
    for (int i = 0; i < 60; ++i)
        AddText(doc, QStringLiteral("Orages %1°C").arg(i), pick(0, 1599), pick(0, 1199),
                TextStyle{QStringLiteral("DejaVu Sans"), 10.0, i % 3 == 0, false, false}, 0x000000);
    scene.DrawScene(doc, library, true);
}

} // namespace grivendale
