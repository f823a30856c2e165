#include "editor/palette_commands.h"

#include "editor/pointer_editing.h"

#include "document/rounding.h"
#include "imaging/colors.h"
#include "imaging/image_io.h"

#include <QColor>
#include <QLocale>

#include <cmath>

namespace grivendale {

namespace {

constexpr int kPaletteSlots = 5;

// The chosen pictogram, when it still names an entry of the library.
std::optional<std::int32_t> chosenPicto(const EditorContext& ctx) {
    if (!ctx.panel.selectedPicto || !ctx.library.entry(*ctx.panel.selectedPicto))
        return std::nullopt;
    return ctx.panel.selectedPicto;
}

void setError(QString* error, const QString& message) {
    if (error)
        *error = message;
}

} // namespace

void changePaletteColour(EditorContext& ctx, int slot) {
    if (slot < 0 || slot >= kPaletteSlots)
        return;
    std::uint32_t& colour = ctx.state.Colors[static_cast<std::size_t>(slot)];
    // Cancelling keeps the colour, but the swatch, the tool and the setting still follow.
    static const QString kTitles[kPaletteSlots] = {
        QStringLiteral("Couleur de remplissage"), QStringLiteral("Couleur des lignes"),
        QStringLiteral("Couleur de la palette"), QStringLiteral("Couleur de la palette"),
        QStringLiteral("Couleur du texte")};
    const std::optional<QColor> chosen =
        ctx.ui.chooseColor(QColor(bgrToRgb(colour)), kTitles[slot]);
    if (chosen && chosen->isValid())
        colour = rgbToBgr(chosen->rgb());
    // Repaints the swatch, and for the line colour the line preview too.
    ctx.view.paletteChanged(slot);
    if (slot == kFillColorSlot)
        chooseTool(ctx, Tool::Fill);
    else if (slot == kLineColorSlot)
        chooseTool(ctx, Tool::Line);
    saveColorSetting(ctx.settings, slot, colour);
}

QImage choosePicto(EditorContext& ctx, std::int32_t number) {
    const PictoEntry* e = ctx.library.entry(number);
    if (!e)
        return {};
    QImage preview = LoadPictureEx(ctx.pictoFolder + QLatin1Char('/') + e->FileName);
    ctx.panel.selectedPicto = number;
    chooseTool(ctx, Tool::AddPicto);
    return preview;
}

bool pickTransparentColour(EditorContext& ctx, const QImage& preview, QPoint at, QString* error) {
    const std::optional<std::int32_t> number = chosenPicto(ctx);
    if (!number || !preview.valid(at))
        return false;
    const QRgb c = preview.pixel(at);
    QString writeError;
    if (!ctx.library.setTransparentColour(*number, ctx.pictoFolder, qRed(c), qGreen(c), qBlue(c),
                                          &writeError))
        setError(error, writeError);
    // Every placed copy shows the new transparency at once, key file written or not.
    ctx.drawScene(true);
    ctx.drawSelect();
    return true;
}

bool removeTransparency(EditorContext& ctx, QString* error) {
    const std::optional<std::int32_t> number = chosenPicto(ctx);
    if (!number)
        return true; // nothing chosen: nothing to do, nothing failed
    QString writeError;
    if (!ctx.library.removeTransparency(*number, ctx.pictoFolder, &writeError)) {
        setError(error, writeError);
        return false;
    }
    ctx.drawScene(true);
    ctx.drawSelect();
    return true;
}

void changeTextStyle(EditorContext& ctx) {
    TextStyle initial = ctx.panel.textStyle;
    // The chooser is handed whole points, as it reports them back.
    initial.pointSize = roundHalfEven(initial.pointSize);
    const std::optional<TextStyle> chosen = ctx.ui.chooseFont(initial);
    if (!chosen)
        return;
    ctx.panel.textStyle = *chosen;
    ctx.view.textStyleChanged();
}

std::optional<double> fontSizeFromText(const QString& text) {
    // The leading number: blanks, an optional sign, digits with an optional fraction after a
    // '.' or a ',' (the decimal comma of French users), and whatever follows is ignored.
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    QString number;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number.append(text[i++]);
    bool hasDigit = false;
    const auto takeDigits = [&] {
        while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            number.append(text[i++]);
            hasDigit = true;
        }
    };
    takeDigits();
    if (i + 1 < n && (text[i] == QLatin1Char('.') || text[i] == QLatin1Char(',')) &&
        text[i + 1] >= QLatin1Char('0') && text[i + 1] <= QLatin1Char('9')) {
        number.append(QLatin1Char('.'));
        ++i;
        takeDigits();
    }
    if (!hasDigit)
        return std::nullopt; // not a number: reads as 0
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (!ok || !std::isfinite(value) || value <= 1)
        return std::nullopt;
    return value;
}

} // namespace grivendale
