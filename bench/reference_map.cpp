#include "reference_map.h"

#include "render/text_draw.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace grivendale {

namespace {

// The one pictogram both maps use: a soft-edged 32 x 32 PNG sun, written into `dir`.
PictoLibrary sunLibrary(const QTemporaryDir& dir) {
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
    return PictoLibrary::build(dir.path());
}

} // namespace

ReferenceMap::ReferenceMap() {
    library = sunLibrary(dir);

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

BigMap::BigMap() {
    library = sunLibrary(dir);

    constexpr int kWidth = 4000;
    constexpr int kHeight = 3000;
    QImage background(kWidth, kHeight, QImage::Format_RGB32);
    background.fill(qRgb(246, 242, 224));
    {
        QPainter painter(&background);
        painter.setPen(Qt::black);
        for (int x = 0; x < kWidth; x += 250)
            painter.drawLine(x, 0, x, kHeight - 1);
        for (int y = 0; y < kHeight; y += 250)
            painter.drawLine(0, y, kWidth - 1, y);
    }
    scene.setBackground(background);

    std::mt19937 random(11);
    auto pick = [&random](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    for (int i = 0; i < 100; ++i)
        doc.AddFill(125 + 250 * pick(0, 15), 125 + 250 * pick(0, 11), 0x00FF00 + 40u * i);
    for (int l = 0; l < 200; ++l) {
        MapLine line;
        line.Width = 1 + l % 7;
        line.Color = l % 3 ? 0xFF0000 : 0x000000;
        line.PointX = std::vector<std::int32_t>{0};
        line.PointY = std::vector<std::int32_t>{0};
        const int points = 2 + l % 10;
        int x = pick(300, kWidth - 300);
        int y = pick(300, kHeight - 300);
        for (int k = 0; k < points; ++k) {
            x = std::clamp(x + pick(-120, 120), 0, kWidth - 1);
            y = std::clamp(y + pick(-120, 120), 0, kHeight - 1);
            line.PointX->push_back(x);
            line.PointY->push_back(y);
        }
        line.PointCount = points;
        const std::int32_t slot = doc.AddLine(line, l % 2 == 0, l % 5 < 2);
        if (l % 5 < 2)
            backgroundLine = slot;
        else
            foregroundLine = slot;
    }
    for (int i = 0; i < 1000; ++i) {
        topPicto = doc.AddPictoItem(1, pick(0, kWidth - 1), pick(0, kHeight - 1));
        if (i == 0)
            lowPicto = topPicto;
        if (i == 500)
            for (int t = 0; t < 100; ++t)
                label = AddText(doc, QStringLiteral("Orages %1°C").arg(t), pick(0, kWidth - 1),
                                pick(0, kHeight - 1),
                                TextStyle{QStringLiteral("DejaVu Sans"), 10.0 + t % 5, t % 3 == 0,
                                          t % 4 == 0, false},
                                0x000000);
    }
    scene.DrawScene(doc, library, true);
}

} // namespace grivendale

namespace grivendale {

int runBenchmarksWithFonts(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace grivendale
