// Draws the files shipped beside the editor, except the background map (make_background): the
// weather pictograms (picto/), the user guide (readme.txt) and the application icons. They can
// be remade or restyled from this one program:
//
//   QT_QPA_PLATFORM=offscreen make_assets ASSETS_DIR ICONS_DIR [--sheet CONTACT_SHEET.png]

#include "gif_writer.h"

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <utility>
#include <vector>

namespace grivendale {
namespace {

bool writeWithQt(const QImage& image, const QString& path, const char* format) {
    if (!image.save(path, format)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    const QImage back(path, format);
    const bool same = image.hasAlphaChannel() ? back.convertToFormat(QImage::Format_ARGB32) ==
                                                    image.convertToFormat(QImage::Format_ARGB32)
                                              : samePixels(back, image);
    if (!same) {
        std::fprintf(stderr, "%s does not decode to the drawn pixels\n", qPrintable(path));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Pictograms. One style throughout: soft vertical gradients, a darker 1.5 px outline that keeps
// them readable on the pale map, clouds built from the same outline.

constexpr int kPicto = 40;
const QRgb kKey = qRgb(255, 0, 255);

QImage transparentCanvas() {
    QImage image(kPicto, kPicto, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage keyedCanvas(int size = kPicto, QRgb key = kKey) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(key);
    return image;
}

QLinearGradient vertical(double top, double bottom, const QColor& upper, const QColor& lower) {
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, upper);
    gradient.setColorAt(1, lower);
    return gradient;
}

void outlined(QPainter& p, const QPainterPath& shape, const QBrush& fill, const QColor& line,
              double width = 1.5) {
    p.setPen(QPen(line, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(shape);
}

QPainterPath circle(double cx, double cy, double r) {
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

QPainterPath cloudShape(const QRectF& box) {
    const double w = box.width();
    const double h = box.height();
    QPainterPath base;
    const double baseTop = box.top() + h * 0.45;
    const double radius = (box.bottom() - baseTop) / 2.0;
    base.addRoundedRect(QRectF(box.left(), baseTop, w, box.bottom() - baseTop), radius, radius);
    return base.united(circle(box.left() + w * 0.31, box.top() + h * 0.58, h * 0.30))
        .united(circle(box.left() + w * 0.60, box.top() + h * 0.42, h * 0.42))
        .united(circle(box.left() + w * 0.82, box.top() + h * 0.66, h * 0.24))
        .simplified();
}

enum class CloudTone { White, Grey, Dark };

void drawCloud(QPainter& p, const QRectF& box, CloudTone tone) {
    const QPainterPath shape = cloudShape(box);
    switch (tone) {
    case CloudTone::White:
        outlined(p, shape,
                 vertical(box.top(), box.bottom(), QColor(255, 255, 255), QColor(214, 223, 233)),
                 QColor(92, 108, 126));
        break;
    case CloudTone::Grey:
        outlined(p, shape,
                 vertical(box.top(), box.bottom(), QColor(192, 200, 210), QColor(140, 151, 164)),
                 QColor(68, 80, 94));
        break;
    case CloudTone::Dark:
        outlined(p, shape,
                 vertical(box.top(), box.bottom(), QColor(130, 140, 154), QColor(82, 92, 106)),
                 QColor(44, 52, 62));
        break;
    }
}

void drawSun(QPainter& p, QPointF centre, double discRadius, double rayLength, int rays = 8,
             QColor light = QColor(255, 240, 120), QColor deep = QColor(255, 180, 0),
             QColor line = QColor(214, 118, 0)) {
    QPainterPath rayShapes;
    const double halfWidth = discRadius * 0.34;
    for (int i = 0; i < rays; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / rays - std::numbers::pi / 2.0;
        const QPointF along(std::cos(angle), std::sin(angle));
        const QPointF across(-along.y(), along.x());
        const double from = discRadius + 1.8;
        QPolygonF ray;
        ray << centre + along * from + across * halfWidth
            << centre + along * (discRadius + rayLength)
            << centre + along * from - across * halfWidth;
        QPainterPath path;
        path.addPolygon(ray);
        path.closeSubpath();
        rayShapes = rayShapes.united(path);
    }
    outlined(p, rayShapes, deep, line, 1.2);
    QRadialGradient glow(centre - QPointF(discRadius, discRadius) * 0.35, discRadius * 1.4);
    glow.setColorAt(0, light);
    glow.setColorAt(1, deep);
    outlined(p, circle(centre.x(), centre.y(), discRadius), glow, line);
}

const QColor kRain(30, 110, 210);
const QColor kRainLine(16, 70, 150);
const QColor kSnow(38, 118, 196);

void drawStreak(QPainter& p, QPointF top) {
    p.setPen(QPen(kRain, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(top, top + QPointF(-2.8, 7.0));
}

void drawDrop(QPainter& p, QPointF tip) {
    QPainterPath drop;
    drop.moveTo(tip);
    drop.cubicTo(tip + QPointF(1.2, 2.6), tip + QPointF(3.2, 4.4), tip + QPointF(3.2, 6.2));
    drop.cubicTo(tip + QPointF(3.2, 8.2), tip + QPointF(1.6, 9.2), tip + QPointF(0, 9.2));
    drop.cubicTo(tip + QPointF(-1.6, 9.2), tip + QPointF(-3.2, 8.2), tip + QPointF(-3.2, 6.2));
    drop.cubicTo(tip + QPointF(-3.2, 4.4), tip + QPointF(-1.2, 2.6), tip);
    outlined(p, drop, vertical(tip.y(), tip.y() + 9, QColor(110, 180, 250), kRain), kRainLine, 1.1);
}

void drawFlake(QPainter& p, QPointF centre, double radius, const QColor& colour, double width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const double angle = std::numbers::pi * i / 3.0 + std::numbers::pi / 2.0;
        const QPointF arm(std::cos(angle) * radius, std::sin(angle) * radius);
        p.drawLine(centre - arm, centre + arm);
    }
}

QImage picSoleil() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {20, 20}, 9.0, 9.5);
    return image;
}

QImage picEclaircies() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {25.5, 14}, 7.0, 6.5);
    drawCloud(p, {1.5, 14.5, 31, 22}, CloudTone::White);
    return image;
}

QImage picNuageux() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {15, 5, 23, 16}, CloudTone::Grey);
    drawCloud(p, {1.5, 11.5, 32, 24}, CloudTone::White);
    return image;
}

QImage picCouvert() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {11, 4, 27, 19}, CloudTone::Dark);
    drawCloud(p, {1.5, 12, 33, 24}, CloudTone::Grey);
    return image;
}

QImage picPluie() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (const QPointF top : {QPointF(11, 28), QPointF(19.5, 28), QPointF(28, 28),
                              QPointF(15.5, 31.5), QPointF(24, 31.5)}) {
        drawStreak(p, top);
    }
    drawCloud(p, {2, 3, 35, 25}, CloudTone::Grey);
    return image;
}

QImage picAverses() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {27, 11}, 6.0, 5.5);
    drawCloud(p, {1.5, 8, 31, 21}, CloudTone::White);
    drawDrop(p, {10, 29});
    drawDrop(p, {20, 29.5});
    return image;
}

QImage picOrage() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {2, 2, 35, 25}, CloudTone::Dark);
    QPainterPath bolt;
    bolt.addPolygon(QPolygonF(
        {{22, 17}, {13, 29}, {19, 29}, {15.5, 38.5}, {28, 24.5}, {21.5, 24.5}, {27, 17}}));
    bolt.closeSubpath();
    outlined(p, bolt, vertical(17, 38, QColor(255, 238, 110), QColor(255, 190, 20)),
             QColor(150, 84, 0), 1.3);
    return image;
}

QImage picNeige() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {2, 2, 35, 25}, CloudTone::White);
    drawFlake(p, {10, 32}, 4.2, kSnow, 1.8);
    drawFlake(p, {20, 34}, 4.2, kSnow, 1.8);
    drawFlake(p, {30, 32}, 4.2, kSnow, 1.8);
    return image;
}

QImage picPluieNeige() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawStreak(p, {12.5, 28.5});
    drawStreak(p, {29.5, 28.5});
    drawCloud(p, {2, 2, 35, 25}, CloudTone::Grey);
    drawFlake(p, {19.5, 33}, 4.4, kSnow, 1.8);
    return image;
}

QImage picGrele() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {2, 2, 35, 25}, CloudTone::Grey);
    for (const QPointF c : {QPointF(10, 31), QPointF(20, 34), QPointF(30, 31), QPointF(15, 37.5),
                            QPointF(25, 37.5)}) {
        QRadialGradient ice(c - QPointF(0.8, 0.8), 2.8);
        ice.setColorAt(0, QColor(255, 255, 255));
        ice.setColorAt(1, QColor(196, 222, 246));
        outlined(p, circle(c.x(), c.y(), 2.3), ice, QColor(52, 96, 150), 1.1);
    }
    return image;
}

QPainterPath starShape(QPointF centre, double radius) {
    QPolygonF star;
    for (int i = 0; i < 8; ++i) {
        const double angle = std::numbers::pi * i / 4.0 - std::numbers::pi / 2.0;
        const double r = i % 2 == 0 ? radius : radius * 0.36;
        star << centre + QPointF(std::cos(angle) * r, std::sin(angle) * r);
    }
    QPainterPath path;
    path.addPolygon(star);
    path.closeSubpath();
    return path;
}

QImage picNuitClaire() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath moon = circle(17, 21, 14).subtracted(circle(25, 14, 11.5));
    outlined(p, moon, vertical(7, 35, QColor(255, 246, 170), QColor(244, 200, 60)),
             QColor(150, 110, 20));
    const QColor starFill(255, 226, 90);
    const QColor starLine(160, 116, 10);
    outlined(p, starShape({30, 25}, 5.0), starFill, starLine, 1.1);
    outlined(p, starShape({33, 9}, 3.8), starFill, starLine, 1.1);
    return image;
}

// A thermometer standing in the right half, its column up to mercuryTop.
void drawThermometer(QPainter& p, double mercuryTop, const QColor& mercuryColour) {
    QPainterPath tube;
    tube.addRoundedRect(QRectF(23, 3, 8, 27), 4, 4);
    const QPainterPath glass = tube.united(circle(27, 32, 6)).simplified();
    outlined(p, glass, QColor(255, 255, 255), QColor(70, 70, 78));
    QPainterPath column;
    column.addRoundedRect(QRectF(25.3, mercuryTop, 3.4, 31 - mercuryTop), 1.7, 1.7);
    const QPainterPath mercury = column.united(circle(27, 32, 4)).simplified();
    p.setPen(Qt::NoPen);
    p.setBrush(mercuryColour);
    p.drawPath(mercury);
    p.setPen(QPen(QColor(70, 70, 78), 1.2, Qt::SolidLine, Qt::RoundCap));
    for (const double y : {9.0, 14.0, 19.0, 24.0}) {
        p.drawLine(QPointF(32.8, y), QPointF(35.3, y));
    }
}

QImage picCanicule() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {12.5, 12.5}, 6.0, 4.2, 8, QColor(255, 200, 90), QColor(250, 110, 30),
            QColor(180, 50, 10));
    drawThermometer(p, 8, QColor(222, 40, 40));
    return image;
}

QImage picGrandFroid() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawFlake(p, {11.5, 12.5}, 9.0, QColor(255, 255, 255), 4.2);
    drawFlake(p, {11.5, 12.5}, 9.0, kSnow, 2.0);
    drawThermometer(p, 24, QColor(40, 110, 220));
    return image;
}

// A tropical storm: an open eye with two tapering arms.
QImage picTempete() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(20, 20);
    QPainterPath shape = circle(20, 20, 8.5);
    for (int arm = 0; arm < 2; ++arm) {
        const double start = arm * std::numbers::pi - std::numbers::pi / 2.0;
        QPolygonF outer;
        QPolygonF inner;
        constexpr int kSteps = 24;
        for (int i = 0; i <= kSteps; ++i) {
            const double t = double(i) / kSteps;
            const double angle = start - t * std::numbers::pi * 0.78;
            const double r = 5.5 + t * 12.5;
            const double half = 4.0 * (1.0 - t) + 0.35;
            const QPointF radial(std::cos(angle), std::sin(angle));
            outer << centre + radial * (r + half);
            inner << centre + radial * (r - half);
        }
        std::reverse(inner.begin(), inner.end());
        QPainterPath path;
        path.addPolygon(outer + inner);
        path.closeSubpath();
        shape = shape.united(path);
    }
    shape = shape.subtracted(circle(20, 20, 3.6)).simplified();
    QRadialGradient fill(centre, 19);
    fill.setColorAt(0, QColor(240, 80, 70));
    fill.setColorAt(1, QColor(186, 24, 30));
    outlined(p, shape, fill, QColor(110, 10, 16), 1.4);
    return image;
}

// The sun seen through a veil of high cloud.
QImage picSoleilVoile() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {20, 16}, 8.0, 7.5);
    QPainterPath veil;
    veil.addRoundedRect(QRectF(2, 17, 36, 9), 4.5, 4.5);
    veil.addRoundedRect(QRectF(7, 27.5, 29, 7), 3.5, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 240, 246, 200));
    p.drawPath(veil.simplified());
    p.setPen(QPen(QColor(150, 162, 178), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 21.5), QPointF(33, 21.5));
    p.drawLine(QPointF(10, 31), QPointF(31, 31));
    return image;
}

QImage picBruine() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCloud(p, {2, 3, 35, 25}, CloudTone::Grey);
    p.setPen(Qt::NoPen);
    p.setBrush(kRain);
    for (const QPointF dot :
         {QPointF(10, 30), QPointF(17, 31.5), QPointF(24, 30), QPointF(31, 31.5), QPointF(13, 36),
          QPointF(20.5, 37), QPointF(28, 36)}) {
        p.drawEllipse(dot, 1.5, 1.5);
    }
    return image;
}

QImage picAversesNeige() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawSun(p, {27, 11}, 6.0, 5.5);
    drawCloud(p, {1.5, 8, 31, 21}, CloudTone::White);
    drawFlake(p, {10, 33}, 4.0, kSnow, 1.8);
    drawFlake(p, {21, 34}, 4.0, kSnow, 1.8);
    return image;
}

QImage picNuitNuageuse() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath moon = circle(24, 14, 10).subtracted(circle(30, 9, 8.5));
    outlined(p, moon, vertical(4, 24, QColor(255, 246, 170), QColor(244, 200, 60)),
             QColor(150, 110, 20));
    drawCloud(p, {1.5, 15, 31, 21}, CloudTone::White);
    return image;
}

// A funnel cloud: a twisted cone narrowing to the ground, with the bands of its spin.
QImage picTornade() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF left;
    QPolygonF right;
    constexpr int kSteps = 30;
    const auto centreAt = [](double t) {
        return 20.0 + 3.5 * std::sin(t * std::numbers::pi * 1.3);
    };
    const auto halfAt = [](double t) { return 16.5 * std::pow(1.0 - t, 1.4) + 1.6; };
    for (int i = 0; i <= kSteps; ++i) {
        const double t = double(i) / kSteps;
        const double y = 4.0 + 31.0 * t;
        left << QPointF(centreAt(t) - halfAt(t), y);
        right << QPointF(centreAt(t) + halfAt(t), y);
    }
    std::reverse(right.begin(), right.end());
    QPainterPath funnel;
    funnel.addPolygon(left + right);
    funnel.closeSubpath();
    outlined(p, funnel, vertical(4, 35, QColor(170, 178, 190), QColor(92, 100, 112)),
             QColor(50, 56, 66), 1.3);
    p.setPen(QPen(QColor(60, 66, 78), 1.2, Qt::SolidLine, Qt::RoundCap));
    for (const double t : {0.18, 0.38, 0.58, 0.76}) {
        const double y = 4.0 + 31.0 * t;
        const double half = halfAt(t) - 1.0;
        QPainterPath band;
        band.moveTo(centreAt(t) - half, y - 1.2);
        band.quadTo(centreAt(t), y + 2.6, centreAt(t) + half, y - 1.2);
        p.drawPath(band);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 120, 84, 200));
    p.drawEllipse(QPointF(centreAt(1.0), 36.5), 6.0, 1.8);
    return image;
}

QImage picArcEnCiel() {
    QImage image = transparentCanvas();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor bands[] = {QColor(226, 42, 42), QColor(246, 140, 30), QColor(250, 216, 40),
                            QColor(70, 176, 70), QColor(40, 120, 220), QColor(120, 70, 190)};
    double radius = 17.0;
    for (const QColor& band : bands) {
        p.setPen(QPen(band, 2.3, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(QRectF(20 - radius, 31 - radius, 2 * radius, 2 * radius), 0, 180 * 16);
        radius -= 2.2;
    }
    drawCloud(p, {0.8, 24, 15, 12}, CloudTone::White);
    drawCloud(p, {23, 24, 16, 12}, CloudTone::White);
    return image;
}

// The colour-keyed ones are drawn without antialiasing: only exact colours, the key colour
// around them.

QImage picBrouillard() {
    QImage image = keyedCanvas();
    QPainter p(&image);
    const QColor fill(170, 178, 188);
    const QColor line(84, 94, 106);
    const int bars[][3] = {{5, 7, 33}, {9, 14, 36}, {3, 21, 32}, {8, 28, 35}};
    for (const auto& bar : bars) {
        const QRect outer(bar[0], bar[1], bar[2] - bar[0], 5);
        p.fillRect(outer, line);
        p.fillRect(outer.adjusted(1, 1, -1, -1), fill);
        // Rounded ends: the four corner pixels go back to the key.
        for (const QPoint corner :
             {outer.topLeft(), outer.topRight(), outer.bottomLeft(), outer.bottomRight()}) {
            p.fillRect(QRect(corner, QSize(1, 1)), QColor(kKey));
        }
    }
    return image;
}

QImage picVentFort() {
    QImage image = keyedCanvas();
    QPainter p(&image);
    p.setPen(QPen(QColor(52, 96, 140), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath upper;
    upper.moveTo(3, 14);
    upper.lineTo(27, 14);
    upper.cubicTo(33, 14, 35, 9, 33, 6.5);
    upper.cubicTo(31, 4, 26.5, 4.5, 26, 8.5);
    p.drawPath(upper);
    QPainterPath middle;
    middle.moveTo(6, 21);
    middle.lineTo(34, 21);
    p.drawPath(middle);
    QPainterPath lower;
    lower.moveTo(3, 28);
    lower.lineTo(21, 28);
    lower.cubicTo(27, 28, 29, 33, 27, 35.5);
    lower.cubicTo(25, 38, 20.5, 37.5, 20, 33.5);
    p.drawPath(lower);
    return image;
}

// Frost, on a green key of its own that its key file names.
const QRgb kGelKey = qRgb(0, 255, 0);

QImage picGel() {
    QImage image = keyedCanvas(kPicto, kGelKey);
    QPainter p(&image);
    const QPointF centre(19.5, 19.5);
    p.setPen(QPen(QColor(24, 90, 170), 2, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 6; ++i) {
        const double angle = std::numbers::pi * i / 3.0 - std::numbers::pi / 2.0;
        const QPointF along(std::cos(angle), std::sin(angle));
        p.drawLine(centre, centre + along * 17.0);
        for (const double at : {8.0, 13.0}) {
            const QPointF stem = centre + along * at;
            const double branch = at < 10 ? 5.0 : 3.5;
            for (const double turn : {-std::numbers::pi / 3.0, std::numbers::pi / 3.0}) {
                const QPointF side(std::cos(angle + turn), std::sin(angle + turn));
                p.drawLine(stem, stem + side * branch);
            }
        }
    }
    p.setBrush(QColor(200, 228, 250));
    p.setPen(QPen(QColor(24, 90, 170), 1));
    QPolygonF hexagon;
    for (int i = 0; i < 6; ++i) {
        const double angle = std::numbers::pi * i / 3.0 - std::numbers::pi / 2.0;
        hexagon << centre + QPointF(std::cos(angle), std::sin(angle)) * 4.0;
    }
    p.drawPolygon(hexagon);
    return image;
}

// Freezing rain: drops falling onto a slab of ice hung with icicles.
QImage picVerglas() {
    QImage image = keyedCanvas();
    QPainter p(&image);
    const QColor ice(196, 228, 250);
    const QColor iceLine(36, 96, 160);
    p.setPen(QPen(iceLine, 1));
    p.setBrush(ice);
    for (const int x : {7, 15, 24, 31}) {
        const int length = x % 2 == 0 ? 5 : 7;
        p.drawPolygon(QPolygon({{x - 2, 30}, {x + 2, 30}, {x, 30 + length}}));
    }
    p.drawRect(3, 24, 33, 7);
    p.setPen(QPen(QColor(255, 255, 255), 1));
    p.drawLine(5, 26, 33, 26);
    p.setPen(QPen(kRainLine, 1));
    p.setBrush(kRain);
    for (const QPoint tip : {QPoint(12, 3), QPoint(26, 9)}) {
        p.drawPolygon(QPolygon({tip, tip + QPoint(3, 6), tip + QPoint(3, 8), tip + QPoint(1, 10),
                                tip + QPoint(-1, 10), tip + QPoint(-3, 8), tip + QPoint(-3, 6)}));
    }
    return image;
}

// The centres of high and low pressure: a blue A and a red D, with a white rim that keeps
// them readable over any fill.
constexpr int kLetterSize = 32;

QImage keyedLetter(const QPainterPath& letter, const QColor& colour) {
    QImage image = keyedCanvas(kLetterSize);
    QPainter p(&image);
    p.setPen(QPen(QColor(255, 255, 255), 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(letter);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(letter);
    return image;
}

QImage picAnticyclone() {
    QPainterPath letter;
    letter.setFillRule(Qt::OddEvenFill);
    letter.addPolygon(QPolygonF(
        {{3, 29}, {12.5, 3}, {19.5, 3}, {29, 29}, {22, 29}, {20, 23}, {12, 23}, {10, 29}}));
    letter.closeSubpath();
    letter.addPolygon(QPolygonF({{13.5, 17.5}, {18.5, 17.5}, {16, 9.5}}));
    letter.closeSubpath();
    return keyedLetter(letter, QColor(20, 80, 200));
}

QImage picDepression() {
    QPainterPath letter;
    letter.setFillRule(Qt::OddEvenFill);
    letter.moveTo(5, 3);
    letter.lineTo(15, 3);
    letter.arcTo(QRectF(3, 3, 25, 26), 90, -180);
    letter.lineTo(5, 29);
    letter.closeSubpath();
    letter.moveTo(11.5, 9);
    letter.lineTo(15, 9);
    letter.arcTo(QRectF(8.5, 9, 13, 14), 90, -180);
    letter.lineTo(11.5, 23);
    letter.closeSubpath();
    return keyedLetter(letter, QColor(210, 30, 30));
}

enum class Format { Png, Bmp, Gif };

struct Pictogram {
    const char* name;
    Format format;
    std::function<QImage()> draw;
    QRgb key = kKey;      // the colour around a BMP or GIF drawing
    bool keyFile = false; // writes "<file>.tcolor" naming the key
};

QString fileName(const Pictogram& picto) {
    const char* extension = picto.format == Format::Png   ? ".png"
                            : picto.format == Format::Bmp ? ".bmp"
                                                          : ".gif";
    return QString::fromLatin1(picto.name) + QString::fromLatin1(extension);
}

// In the order of the list the editor shows (sorted by name).
std::vector<Pictogram> pictograms() {
    return {
        {"anticyclone", Format::Gif, picAnticyclone},
        {"arc_en_ciel", Format::Png, picArcEnCiel},
        {"averses", Format::Png, picAverses},
        {"averses_neige", Format::Png, picAversesNeige},
        {"brouillard", Format::Bmp, picBrouillard},
        {"bruine", Format::Png, picBruine},
        {"canicule", Format::Png, picCanicule},
        {"couvert", Format::Png, picCouvert},
        {"depression", Format::Gif, picDepression},
        {"eclaircies", Format::Png, picEclaircies},
        {"gel", Format::Bmp, picGel, kGelKey, true},
        {"grand_froid", Format::Png, picGrandFroid},
        {"grele", Format::Png, picGrele},
        {"neige", Format::Png, picNeige},
        {"nuageux", Format::Png, picNuageux},
        {"nuit_claire", Format::Png, picNuitClaire},
        {"nuit_nuageuse", Format::Png, picNuitNuageuse},
        {"orage", Format::Png, picOrage},
        {"pluie", Format::Png, picPluie},
        {"pluie_neige", Format::Png, picPluieNeige},
        {"soleil", Format::Png, picSoleil},
        {"soleil_voile", Format::Png, picSoleilVoile},
        {"tempete", Format::Png, picTempete},
        {"tornade", Format::Png, picTornade},
        {"vent_fort", Format::Gif, picVentFort},
        {"verglas", Format::Bmp, picVerglas},
    };
}

bool writePictogram(const Pictogram& picto, const QImage& image, const QString& folder) {
    const QString path = folder + QLatin1Char('/') + fileName(picto);
    switch (picto.format) {
    case Format::Png:
        return writeWithQt(image.convertToFormat(QImage::Format_ARGB32), path, "PNG");
    case Format::Bmp:
        if (!writeWithQt(image, path, "BMP")) {
            return false;
        }
        break;
    case Format::Gif:
        if (!writeGif(image, path)) {
            return false;
        }
        break;
    }
    if (picto.keyFile) {
        // The editor's own key-file form: each value between blanks, CR LF line ends.
        const QByteArray key = " " + QByteArray::number(qRed(picto.key)) + " \r\n " +
                               QByteArray::number(qGreen(picto.key)) + " \r\n " +
                               QByteArray::number(qBlue(picto.key)) + " \r\n";
        return writeBytes(path + QStringLiteral(".tcolor"), key);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The user guide, in UTF-8 with LF line ends.

const char* const kReadme = R"(Grivendale - mode d'emploi
==========================

Grivendale compose des cartes météo : sur un fond de carte, vous placez des
pictogrammes, des textes et des lignes, et vous coloriez des zones. La carte
terminée s'enregistre en image PNG ou se publie sur Internet pour un forum.

Au premier démarrage, le fond est prev.gif : la France et ses voisins, mer et
terres en deux couleurs claires, côtes et frontières en traits noirs fermés.


1. La fenêtre
-------------

À gauche, la carte. À droite, les outils :
  - « Couleurs : » les cinq couleurs de travail, avec les boutons « Changer » ;
  - les cinq outils : « Remplir », « Ajouter lignes », « Selectionner / bouger »,
    « Ajouter : » et « Ajouter texte » ;
  - « Pictos / Texte : » la liste « Disponibles : » des pictogrammes et leur
    « Prévisualisation : », le bouton « Retirer transparence » ;
  - « Taille : » l'épaisseur des nouvelles lignes (1, 3, 5 ou 7 pixels), leur
    « Prévisualisation ligne : », les cases « Lisser en courbe » et
    « Inclure dans le fond » ;
  - « Prévisualisation texte : » le style des nouveaux textes (AaBbCc) et le
    bouton « Changer police » ;
  - les boutons « Charger Carte », « Sauver Carte », « Changer fond »,
    « Exporter image », « Effacer tout » et « Voir le mode d'emploi ».
En bas, la publication : « Fichier : », « Envoyer », « Options » et la case
« Espace FTP/Hebergement : » où s'affichent l'état de l'envoi et le lien.

Ce mode d'emploi s'ouvre à chaque démarrage tant que la case « Toujours
afficher au démarrage » est cochée ; « Voir le mode d'emploi » le rouvre.


2. Les outils et la souris
--------------------------

Choisissez d'abord l'outil en cochant son nom. Au démarrage, c'est
« Selectionner / bouger ».

« Selectionner / bouger »
  - Clic gauche sur un élément : il est sélectionné (encadré de marques
    rouges). Les pictogrammes et les textes passent avant les lignes ; entre
    deux éléments superposés, c'est le dernier posé qui est pris.
  - Bouton gauche maintenu : l'élément sélectionné suit la souris.
  - Une ligne se sélectionne en cliquant à moins de 10 pixels d'un de ses
    segments. Cliquer sur un de ses points (à 4 pixels près) saisit ce point :
    en glissant, vous déplacez ce point seul et la ligne se redessine. Une
    ligne ne se déplace pas d'un bloc : coupez-la (Ctrl+X) et collez-la
    (Ctrl+V) à l'endroit voulu.
  - Clic droit sur un élément : il est sélectionné et son menu s'ouvre
    (voir 3. Les menus du clic droit).
  - Double-clic sur un texte sélectionné : modifier ce texte.
  - Clic dans le vide : plus rien n'est sélectionné.

« Ajouter : » (les pictogrammes)
  Choisissez un pictogramme dans la liste « Disponibles : » ; l'outil
  « Ajouter : » se coche tout seul. Chaque clic sur la carte (bouton gauche ou
  droit) pose ce pictogramme, centré sur le pointeur.

« Ajouter texte »
  Un clic sur la carte (bouton gauche ou droit) demande le texte (« Texte à
  insérer : ») ; il est posé centré sur le point cliqué, dans le style de
  « Prévisualisation texte : » et la couleur de texte. Une réponse vide ou
  « Annuler » n'ajoute rien.

« Ajouter lignes »
  - Chaque clic gauche ajoute un point à la ligne en cours ; le premier point
    suit la souris jusqu'à ce que vous relâchiez le bouton.
  - Le clic droit termine la ligne, si elle a au moins deux points (sinon il
    ne fait rien).
  - La ligne prend l'épaisseur choisie dans « Taille : » et la couleur de
    ligne. Cochez « Lisser en courbe » avant de la terminer pour en faire une
    courbe arrondie, « Inclure dans le fond » pour la placer sous les
    remplissages : elle arrête alors les remplissages comme les traits noirs
    du fond (pratique pour tracer une zone à colorier).
  - Changer d'outil n'abandonne pas une ligne commencée : revenez à
    « Ajouter lignes » pour la continuer.

« Remplir »
  - Un clic dans une zone de la carte la colorie avec la couleur de
    remplissage, jusqu'aux traits noirs qui l'entourent.
  - En gardant le bouton gauche enfoncé et en balayant la carte, vous
    coloriez chaque zone traversée.
  - Rien ne se passe si la couleur de remplissage est le noir, si vous
    cliquez sur un trait noir ou si la zone a déjà cette couleur.


3. Les menus du clic droit
--------------------------

Avec « Selectionner / bouger », le clic droit sur un élément ouvre son menu.
Ces commandes ne s'annulent pas avec Ctrl+Z.

Ligne ou pictogramme :
  - « Lisser en courbe » (lignes seulement) : passe de la ligne droite à la
    courbe et inversement ; la coche montre l'état actuel.
  - « Taille ligne » (lignes seulement) : épaisseur 1, 3, 5 ou 7 pixels.
  - Les noms des pictogrammes : remplacent l'élément par ce pictogramme, au
    même endroit (pour échanger « pluie » contre « orage » sans le replacer).
  - « Supprimer » : enlève l'élément.

Texte :
  - « Changer Texte... » : modifie le texte (un texte vide garde l'ancien).
  - « Taille » : 8, 10, 12, 14, 16, 18, 20 ou 22 points ; « Autre... » ouvre
    le choix de police pour une autre taille.
  - « Couleur... » : change la couleur de ce texte.
  - « Police... » : police, taille, gras, italique et souligné.
  - « Supprimer » : enlève le texte.


4. Le clavier
-------------

Les touches agissent sur la carte (cliquez d'abord sur la carte) :
  - Suppr : supprime l'élément sélectionné.
  - Ctrl+C : copie l'élément sélectionné.
  - Ctrl+X : coupe l'élément sélectionné (copie puis suppression).
  - Ctrl+V : colle l'élément copié à l'endroit où se trouve le pointeur sur
    la carte ; on peut coller plusieurs fois le même élément.
  - Ctrl+Z : annule le dernier ajout (pictogramme, texte, ligne ou
    remplissage), en remontant d'un ajout à chaque appui.
Seuls les ajouts s'annulent : un déplacement, une suppression, un collage ou
une commande de menu ne s'annulent pas.


5. Les couleurs et la palette
-----------------------------

« Couleurs : » montre cinq couleurs ; cliquez sur l'une d'elles pour la
changer (la 1re, la 2e et la 5e ont aussi leur bouton « Changer ») :
  - la 1re est la couleur de remplissage (elle coche aussi l'outil « Remplir ») ;
  - la 2e est la couleur des lignes (elle coche aussi « Ajouter lignes ») ;
  - la 5e est la couleur des textes ;
  - la 3e et la 4e sont des couleurs de réserve.
Les couleurs sont gardées d'une séance à l'autre. Elles servent aux éléments
ajoutés ensuite : les éléments déjà posés gardent les leurs (pour un texte,
utilisez « Couleur... » de son menu).

Pictogrammes : cliquer sur un point de la « Prévisualisation : » rend cette
couleur transparente dans ce pictogramme (par exemple un fond blanc) ; les
bords adoucis d'un PNG deviennent alors nets. « Retirer transparence » rend
le pictogramme entièrement opaque. Ces deux choix s'appliquent tout de suite
à la carte et sont enregistrés dans le dossier picto (fichier .tcolor) ; si ce
dossier n'est pas modifiable (programme installé pour tout le système), ils ne
valent que jusqu'à la fermeture du programme.

« Changer police » (ou un clic sur AaBbCc) choisit la police, la taille et le
style des nouveaux textes.


6. Les fichiers de carte et la sauvegarde automatique
-----------------------------------------------------

« Sauver Carte » enregistre la carte dans un fichier .car : le chemin du fond,
les pictogrammes, les textes, les lignes et les remplissages. « Charger Carte »
rouvre un fichier .car pour continuer à le modifier. Un fichier .car s'ouvre
aussi en double-cliquant dessus, ou par « grivendale carte.car ».
  - Le fichier ne contient pas l'image du fond, seulement son chemin : ne
    déplacez pas l'image.
  - Les pictogrammes y sont notés par leur numéro dans la liste : ajouter,
    renommer ou retirer un pictogramme du dossier picto change ceux des
    cartes déjà enregistrées.
  - Un fichier d'une autre version est refusé avec un message.

Sauvegarde automatique : à chaque fermeture normale, la carte est enregistrée
dans GrivendaleSauvegarde.car, dans votre dossier Documents (ou le dossier du
programme s'il n'y en a pas), et elle est rouverte au démarrage suivant. Après
un arrêt brutal, le programme repart de la dernière sauvegarde automatique,
puis ce fichier est effacé jusqu'à la prochaine fermeture normale : enregistrez
vos cartes importantes avec « Sauver Carte ».

« Effacer tout » (après confirmation) retire tous les éléments, lignes et
remplissages ; le fond reste. Ctrl+Z ne les rend pas.

« Changer fond » choisit une autre image de fond (PNG, GIF, JPG, BMP, TGA) ;
la fenêtre prend sa taille et le choix est gardé pour le prochain démarrage.
Les éléments gardent leur position en pixels. Pour qu'un fond à vous se
colorie bien, ses zones doivent être fermées par des traits noirs continus.


7. Exporter l'image
-------------------

« Exporter image » enregistre la carte telle qu'elle s'affiche (sans les
marques de sélection ni la ligne en cours) dans un fichier PNG. Le nom est pris
tel que vous le tapez : ajoutez vous-même « .png ». Un fichier du même nom est
remplacé sans question.


8. Publier la carte
-------------------

« Fichier : » est le nom de l'image sur le serveur : il doit finir par .png et
ne contenir aucun espace (par exemple carte.png ou images/suivi.png).

« Envoyer » dessine la carte, l'enregistre dans temp.png (dossier temporaire)
et l'envoie par FTP, sous un nom provisoire puis sous le nom choisi. Pendant
l'envoi, la case « Espace FTP/Hebergement : » affiche « Envoie ... » et vous
pouvez continuer à travailler ; en cas d'échec le programme réessaie tout
seul. À la fin elle affiche « Envoyé », ou le lien de l'image suivi de « OK ».
« Envoyé ! » signifie que le serveur n'a pas confirmé la fin du transfert :
l'image est restée sous son nom provisoire ; envoyez-la de nouveau.

Un clic sur le lien (s'il commence par http) le copie dans le presse-papiers,
prêt à coller dans un message du forum.

« Options » choisit où publier :
  - « Mon serveur FTP » : votre propre serveur ; remplissez « Serveur : »,
    « Login : » et « Mot de passe : ». Aucun lien n'est donné. Attention :
    le mot de passe est gardé en clair dans les réglages du programme.
  - « Le serveur FTP de Tessaval » : l'espace FTP de l'éditeur ; le lien
    public de l'image s'affiche après l'envoi.
  - « Le service d'image de Tessaval (recommandé) » : l'image est envoyée à
    l'éditeur puis confiée à son service d'images, qui donne le lien à coller
    dans le forum.
« OK » enregistre le choix, « Annuler » le laisse tel quel. Tant que vous
n'avez jamais validé « Options » par « OK », les envois vont sur « Mon
serveur FTP » : validez-la une première fois.

« News » et « Suivi » (masqués au démarrage, pour les suivis du forum)
remplissent le nom : images/news/suiviAAMMJJ.png (la date du jour) ou
surveillance/suivi.png.


9. Vos pictogrammes
-------------------

Le dossier picto, à côté du fond prev.gif, contient les pictogrammes de la
liste, lus au démarrage dans l'ordre alphabétique. Vous pouvez y ajouter les
vôtres (24 à 48 pixels conviennent bien) :
  - en PNG avec transparence : les bords adoucis se mêlent à la carte ;
  - en BMP, GIF ou JPG sur un fond magenta (rouge 255, vert 0, bleu 255) :
    cette couleur devient transparente.
Un fichier texte « nom.bmp.tcolor » à côté de l'image désigne une autre
couleur transparente : trois lignes, rouge, vert et bleu (-1 trois fois : aucune
transparence). Le pictogramme gel.bmp en donne un exemple, sur fond vert.
)";

bool writeReadme(const QString& folder) {
    return writeBytes(folder + QStringLiteral("/readme.txt"), QByteArray(kReadme));
}

// ---------------------------------------------------------------------------------------------
// The application icon: the hexagon of France on the sea, under a sun and a cloud.

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(2, 2, 60, 60), 11, 11);
    outlined(p, tile, vertical(2, 62, QColor(150, 200, 240), QColor(70, 130, 200)),
             QColor(30, 70, 120), 2.0);
    QPolygonF hexagon;
    for (const QPointF corner : {QPointF(27, 14), QPointF(45, 20), QPointF(50, 37), QPointF(38, 54),
                                 QPointF(17, 51), QPointF(10, 31)}) {
        hexagon << corner;
    }
    QPainterPath land;
    land.addPolygon(hexagon);
    land.closeSubpath();
    outlined(p, land, QColor(246, 242, 224), QColor(20, 20, 20), 2.2);
    drawSun(p, {43, 21}, 7.0, 5.5);
    drawCloud(p, {13, 26, 30, 21}, CloudTone::White);
    return image;
}

bool writeIcons(const QString& folder) {
    for (const int size : {48, 256}) {
        const QString path = folder + QStringLiteral("/grivendale-%1.png").arg(size);
        if (!writeWithQt(drawIcon(size).convertToFormat(QImage::Format_ARGB32), path, "PNG")) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// A contact sheet to look the set over: the map with pictograms on it, then each pictogram
// enlarged on land and on sea.

const QRgb kSheetSea = qRgb(178, 216, 242);
const QRgb kSheetLand = qRgb(246, 242, 224);

QImage asOverlay(const Pictogram& picto, const QImage& image) {
    if (picto.format == Format::Png) {
        return image;
    }
    QImage overlay = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < overlay.height(); ++y) {
        for (int x = 0; x < overlay.width(); ++x) {
            if ((overlay.pixel(x, y) | 0xFF000000u) == picto.key) {
                overlay.setPixel(x, y, 0);
            }
        }
    }
    return overlay;
}

QImage contactSheet(const QImage& map, const std::vector<Pictogram>& set,
                    const std::vector<QImage>& images) {
    constexpr int kCell = 100;
    constexpr int kColumns = 8;
    const int rows = static_cast<int>((set.size() + kColumns - 1) / kColumns);
    const int width = std::max(map.width(), kColumns * kCell);
    QImage sheet(width, map.height() + 2 * rows * kCell, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    p.drawImage(0, 0, map);
    for (std::size_t i = 0; i < set.size(); ++i) {
        const QImage overlay = asOverlay(set[i], images[i]);
        const int column = static_cast<int>(i % 6);
        const int row = static_cast<int>(i / 6);
        const QPoint spot(160 + column * 100 + (row % 2) * 50, 120 + row * 110);
        p.drawImage(spot - QPoint(overlay.width() / 2, overlay.height() / 2), overlay);
    }
    for (std::size_t i = 0; i < set.size(); ++i) {
        const QImage big =
            asOverlay(set[i], images[i]).scaled(images[i].width() * 2, images[i].height() * 2);
        const int column = static_cast<int>(i % kColumns);
        const int row = static_cast<int>(i / kColumns);
        for (int tone = 0; tone < 2; ++tone) {
            const QRect cell(column * kCell, map.height() + (row * 2 + tone) * kCell, kCell, kCell);
            p.fillRect(cell, QColor(tone == 0 ? kSheetLand : kSheetSea));
            p.drawImage(cell.center() - QPoint(big.width() / 2, big.height() / 2) + QPoint(1, 1),
                        big);
        }
    }
    return sheet;
}

int run(const QStringList& arguments) {
    if (arguments.size() != 3 && !(arguments.size() == 5 && arguments[3] == "--sheet")) {
        std::fprintf(stderr,
                     "usage: make_assets ASSETS_DIR ICONS_DIR [--sheet CONTACT_SHEET.png]\n");
        return 2;
    }
    const QString folder = arguments[1];
    const QString pictoFolder = folder + QStringLiteral("/picto");
    const QString iconFolder = arguments[2];
    if (!QDir().mkpath(pictoFolder) || !QDir().mkpath(iconFolder)) {
        std::fprintf(stderr, "cannot create %s or %s\n", qPrintable(pictoFolder),
                     qPrintable(iconFolder));
        return 1;
    }
    const std::vector<Pictogram> set = pictograms();
    std::vector<QImage> images;
    for (const Pictogram& picto : set) {
        images.push_back(picto.draw());
        if (!writePictogram(picto, images.back(), pictoFolder)) {
            return 1;
        }
    }
    if (!writeReadme(folder) || !writeIcons(iconFolder)) {
        return 1;
    }
    if (arguments.size() == 5) {
        QImage map(folder + QStringLiteral("/prev.gif"));
        if (map.isNull()) {
            map = QImage(800, 200, QImage::Format_RGB32);
            map.fill(kSheetSea);
        }
        if (!contactSheet(map, set, images).save(arguments[4], "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments[4]));
            return 1;
        }
    }
    return 0;
}

} // namespace
} // namespace grivendale

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    return grivendale::run(QGuiApplication::arguments());
}
