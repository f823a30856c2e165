#include "render/text_draw.h"

#include "document/rounding.h"
#include "imaging/colors.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPointF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace grivendale {

namespace {

std::int16_t recordBool(bool value) {
    return value ? kTrue : kFalse;
}

// The stored size is 16-bit; a style out of that range (or not a number) cannot come from the
// size controls, so it only has to stay well defined.
std::int16_t storedPointSize(double pointSize) {
    if (!std::isfinite(pointSize))
        return 0;
    const double bounded = std::clamp(pointSize, double{std::numeric_limits<std::int16_t>::min()},
                                      double{std::numeric_limits<std::int16_t>::max()});
    return static_cast<std::int16_t>(roundHalfEven(bounded));
}

// A measure of a very long string can exceed the 32-bit field; it saturates instead.
std::int32_t storedExtent(qreal measure) {
    if (!std::isfinite(measure))
        return 0;
    return roundHalfEven(std::clamp(static_cast<double>(measure), 0.0,
                                    double{std::numeric_limits<std::int32_t>::max()}));
}

// The extent of a label is the advance width of its string and the height of its line of text.
void storeExtent(const QFontMetricsF& metrics, MapItem& item) {
    item.Width = storedExtent(metrics.horizontalAdvance(item.Text));
    item.Height = storedExtent(metrics.height());
}

} // namespace

std::int32_t AddText(MapDocument& doc, const QString& str, std::int32_t x, std::int32_t y,
                     const TextStyle& style, std::uint32_t textColor) {
    // The slot comes back clean, Width and Height included: a reused slot never shows the
    // extent of the element it held before.
    const std::int32_t slot = doc.takeItemSlot();
    MapItem& added = doc.Items[static_cast<std::size_t>(slot)];
    added.InUse = kTrue;
    added.X = x;
    added.Y = y;
    added.IsText = kTrue;
    added.RefIndex = 0;
    added.Size = storedPointSize(style.pointSize);
    added.Text = str;
    added.Color = textColor;
    added.Bold = recordBool(style.bold);
    added.Italic = recordBool(style.italic);
    added.FontName = style.family;
    added.Underline = recordBool(style.underline);
    doc.PushHistory(0, slot, -1, -1);
    return slot;
}

QFont fontForItem(const MapItem& item, const QPaintDevice& device) {
    QFont font;
    font.setFamily(item.FontName);
    const double points =
        std::clamp(static_cast<double>(item.Size), kMinTextPointSize, kMaxTextPointSize);
    // Qt turns points into pixels at the device's resolution; undo that for a fixed one.
    const int deviceDpi = device.logicalDpiY() > 0 ? device.logicalDpiY() : 96;
    font.setPointSizeF(points * kTextDotsPerInch / deviceDpi);
    font.setBold(item.Bold != 0);
    font.setItalic(item.Italic != 0);
    font.setUnderline(item.Underline != 0);
    return font;
}

void drawTextItem(QPainter& painter, MapItem& item) {
    if (!painter.isActive() || !painter.device()) {
        QImage none;
        drawTextItem(none, item); // measured only
        return;
    }
    const QFont font = fontForItem(item, *painter.device());
    const QFontMetricsF metrics(font, painter.device());
    storeExtent(metrics, item);

    // The stored (rounded) extent places the text; the half pixel of an odd extent is left to
    // the text placement.
    const double left = static_cast<double>(item.X) - static_cast<double>(item.Width) / 2.0;
    const double top = static_cast<double>(item.Y) - static_cast<double>(item.Height) / 2.0;

    painter.save();
    painter.setFont(font);
    painter.setPen(QColor(bgrToRgb(item.Color)));
    painter.drawText(QPointF(left, top + metrics.ascent()), item.Text);
    painter.restore();
}

QRectF measureTextItem(MapItem& item, const QImage& surface) {
    const QFont font = fontForItem(item, surface);
    const QFontMetricsF metrics(font, &surface);
    storeExtent(metrics, item);
    const double left = static_cast<double>(item.X) - static_cast<double>(item.Width) / 2.0;
    const double top = static_cast<double>(item.Y) - static_cast<double>(item.Height) / 2.0;
    const QRectF ink = metrics.boundingRect(item.Text).translated(left, top + metrics.ascent());
    const QRectF line(left, top, metrics.horizontalAdvance(item.Text), metrics.height());
    const double margin = 3.0 + metrics.height() / 2.0;
    return ink.united(line).adjusted(-margin, -margin, margin, margin);
}

void drawTextItem(QImage& surface, MapItem& item) {
    if (surface.isNull()) {
        // Nothing to paint on, but the label still gets its extent, at the resolution of any
        // other surface.
        const QImage standIn(1, 1, QImage::Format_RGB32);
        storeExtent(QFontMetricsF(fontForItem(item, standIn), &standIn), item);
        return;
    }
    QPainter painter(&surface);
    drawTextItem(painter, item);
}

} // namespace grivendale
