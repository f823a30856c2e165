#include "editor/context_menu_commands.h"

#include "document/rounding.h"
#include "editor/label_text_prompt.h"
#include "imaging/colors.h"

#include <QColor>

#include <algorithm>
#include <cmath>
#include <limits>

namespace grivendale {

namespace {

constexpr int kLineWidthEntries = 4; // "1", "3", "5", "7"
constexpr int kTextSizeEntries = 8;  // "8" .. "22"

// A size from the font chooser kept in the 16-bit field of the record.
std::int16_t toItemSize(double pointSize, std::int16_t previous) {
    if (std::isnan(pointSize))
        return previous;
    constexpr double lowest = std::numeric_limits<std::int16_t>::min();
    constexpr double highest = std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(roundHalfEven(std::clamp(pointSize, lowest, highest)));
}

std::int16_t toRecordBool(bool value) {
    return value ? kTrue : kFalse;
}

// The element under the commands, or null when the selection names no counted slot.
MapItem* element(EditorContext& ctx) {
    if (ctx.state.SelectedItem < 0)
        return nullptr;
    return ctx.selected();
}

void redrawWithMarks(EditorContext& ctx) {
    ctx.drawScene(true);
    ctx.drawSelect();
}

void deleteElement(EditorContext& ctx, MapItem& e) {
    e.InUse = kFalse;
    ctx.state.SelectedItem = -1;
    ctx.drawScene(true);
}

void toggleSmooth(EditorContext& ctx, const MapItem& e) {
    if (!e.isLineEntry())
        return;
    MapLine* line = ctx.doc.line(e.RefIndex);
    if (!line)
        return;
    line->Smooth = line->Smooth == 0 ? 1 : 0;
    ctx.drawScene(true);
}

void setLineWidth(EditorContext& ctx, const MapItem& e, std::int32_t index) {
    if (!e.isLineEntry() || index < 0 || index >= kLineWidthEntries)
        return;
    MapLine* line = ctx.doc.line(e.RefIndex);
    if (!line)
        return;
    // The entry's box is left as it is: the pen width never entered it.
    line->Width = 2 * index + 1;
    redrawWithMarks(ctx);
}

void swapPicto(EditorContext& ctx, MapItem& e, std::int32_t number) {
    if (number < 1 || number > ctx.library.PictoCount())
        return;
    // X and Y stay: a line entry becomes a pictogram centred on its former box corner.
    e.InUse = kTrue;
    e.RefIndex = number;
    e.Size = 0;
    redrawWithMarks(ctx);
}

void setTextSize(EditorContext& ctx, MapItem& e, std::int32_t index) {
    if (index < 0 || index >= kTextSizeEntries)
        return;
    e.Size = static_cast<std::int16_t>(2 * (index + 4));
    redrawWithMarks(ctx);
}

void changeTextColour(EditorContext& ctx, std::int32_t slot) {
    const MapItem* e = ctx.doc.item(slot);
    if (!e || !e->isText())
        return;
    const std::optional<QColor> chosen = ctx.ui.chooseColor(
        QColor(bgrToRgb(e->Color)), QStringLiteral("Choix d'une nouvelle couleur"));
    if (!chosen || !chosen->isValid())
        return;
    // The dialog was modal: look the element up again rather than trust the old address.
    MapItem* target = ctx.doc.item(slot);
    if (!target)
        return;
    target->Color = rgbToBgr(chosen->rgb());
    ctx.drawScene(false);
}

void changeTextFont(EditorContext& ctx, std::int32_t slot) {
    const MapItem* e = ctx.doc.item(slot);
    if (!e || !e->isText())
        return;
    TextStyle style;
    style.family = e->FontName;
    style.pointSize = e->Size;
    style.bold = e->Bold != 0;
    style.italic = e->Italic != 0;
    style.underline = e->Underline != 0;
    const std::optional<TextStyle> chosen = ctx.ui.chooseFont(style);
    if (!chosen)
        return;
    MapItem* target = ctx.doc.item(slot);
    if (!target)
        return;
    target->Bold = toRecordBool(chosen->bold);
    target->Italic = toRecordBool(chosen->italic);
    target->FontName = chosen->family;
    target->Size = toItemSize(chosen->pointSize, target->Size);
    target->Underline = toRecordBool(chosen->underline);
    redrawWithMarks(ctx);
}

} // namespace

void runMenuCommand(EditorContext& ctx, const MenuCommand& command) {
    MapItem* e = element(ctx);
    if (!e)
        return;
    const std::int32_t slot = ctx.state.SelectedItem;
    switch (command.kind) {
    case MenuCommand::Kind::ToggleSmooth:
        toggleSmooth(ctx, *e);
        break;
    case MenuCommand::Kind::LineWidth:
        setLineWidth(ctx, *e, command.index);
        break;
    case MenuCommand::Kind::SwapPicto:
        swapPicto(ctx, *e, command.index);
        break;
    case MenuCommand::Kind::DeleteElement:
    case MenuCommand::Kind::DeleteText:
        deleteElement(ctx, *e);
        break;
    case MenuCommand::Kind::ChangeText:
        changeText(ctx);
        break;
    case MenuCommand::Kind::TextSize:
        setTextSize(ctx, *e, command.index);
        break;
    case MenuCommand::Kind::TextColour:
        changeTextColour(ctx, slot);
        break;
    case MenuCommand::Kind::OtherSize: // the chooser is where any size can be typed
    case MenuCommand::Kind::TextFont:
        changeTextFont(ctx, slot);
        break;
    }
}

void changeText(EditorContext& ctx) {
    const MapItem* e = element(ctx);
    if (!e || !e->isText())
        return;
    const std::int32_t slot = ctx.state.SelectedItem;
    const std::optional<QString> answer =
        askLabelText(ctx.ui, QStringLiteral("Mise à jour du texte :"),
                     QStringLiteral("Mise à jour du texte"), e->Text);
    // A label cannot be emptied: an empty answer counts as a cancel.
    if (!answer || answer->isEmpty())
        return;
    MapItem* target = ctx.doc.item(slot);
    if (!target)
        return;
    target->Text = *answer;
    // The new extent is measured when the label is drawn.
    redrawWithMarks(ctx);
}

} // namespace grivendale
