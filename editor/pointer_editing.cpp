#include "editor/pointer_editing.h"

#include "editor/context_menu_commands.h"
#include "editor/hit_test.h"
#include "editor/label_text_prompt.h"
#include "imaging/colors.h"
#include "render/line_draw.h"
#include "render/text_draw.h"

#include <QImage>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace grivendale {

namespace {

const QString kTextPrompt = QStringLiteral("Texte à insérer :");
const QString kTextTitle = QStringLiteral("Morvessin - Texte");

// The line under way as feedback on the canvas; it lasts until the next presentation.
void showCurrentLine(EditorContext& ctx) {
    ctx.scene.canvasMarked(DrawCurrentLine(ctx.scene.canvas(), ctx.state.CurrentLine,
                                           ctx.state.Colors[kLineColorSlot], ctx.panel.widthText));
    ctx.view.present();
}

void selectAt(EditorContext& ctx, double x, double y) {
    EditorState& state = ctx.state;
    const std::int32_t previous = state.SelectedItem;
    const Hit hit = hitTest(ctx.doc, ctx.library, x, y);
    state.SelectedItem = hit.item;
    state.SelectedPoint = hit.point;
    state.DragX = nearestPixel(x);
    state.DragY = nearestPixel(y);
    // Presses that keep the selection (a second click on empty canvas, say) redraw nothing.
    if (state.SelectedItem != previous) {
        ctx.drawScene(true);
        ctx.drawSelect();
    }
}

void addLinePoint(EditorContext& ctx, double x, double y) {
    MapLine& line = ctx.state.CurrentLine;
    const bool first = line.PointCount <= 0 || !line.pointsConsistent();
    if (first) {
        line = MapLine{};
        line.PointCount = 1;
        line.PointX = std::vector<std::int32_t>(2, 0);
        line.PointY = std::vector<std::int32_t>(2, 0);
    } else {
        ++line.PointCount;
        line.PointX->resize(static_cast<std::size_t>(line.PointCount) + 1);
        line.PointY->resize(static_cast<std::size_t>(line.PointCount) + 1);
    }
    line.Color = ctx.state.Colors[kLineColorSlot];
    line.Width = widthFromText(ctx.panel.widthText);
    const auto last = static_cast<std::size_t>(line.PointCount);
    (*line.PointX)[last] = nearestPixel(x);
    (*line.PointY)[last] = nearestPixel(y);
    // A single point shows nothing yet; it follows the pointer until the button is released.
    if (!first)
        showCurrentLine(ctx);
}

void finishLine(EditorContext& ctx) {
    MapLine& line = ctx.state.CurrentLine;
    if (line.PointCount < 2)
        return;
    if (!line.pointsConsistent()) {
        line = MapLine{};
        return;
    }
    showCurrentLine(ctx);
    ctx.doc.AddLine(line, ctx.panel.smooth, ctx.panel.inBackground);
    line = MapLine{};
    ctx.drawScene(true);
}

// One step of a drag in the select tool: the selected element follows the pointer.
void dragStep(EditorContext& ctx, double x, double y) {
    EditorState& state = ctx.state;
    MapItem* item = ctx.selected();
    if (!item)
        return;
    if (item->isLineEntry()) {
        // A line moves only by a grabbed vertex. The selection may have been changed elsewhere
        // without the grabbed point, so the point must still exist in the entry's own line.
        if (state.SelectedPoint >= 0) {
            ctx.view.setMoveCursor(true);
            MapLine* line = ctx.doc.line(item->RefIndex);
            if (line && line->pointsConsistent() && state.SelectedPoint >= 1 &&
                state.SelectedPoint <= line->PointCount) {
                const auto k = static_cast<std::size_t>(state.SelectedPoint);
                std::int32_t& px = (*line->PointX)[k];
                std::int32_t& py = (*line->PointY)[k];
                px = nearestPixel(px + x - state.DragX);
                py = nearestPixel(py + y - state.DragY);
            }
        }
    } else {
        ctx.view.setMoveCursor(true);
        item->X = nearestPixel(item->X + x - state.DragX);
        item->Y = nearestPixel(item->Y + y - state.DragY);
    }
    state.DragX = nearestPixel(x);
    state.DragY = nearestPixel(y);
    ctx.drawScene(true);
    ctx.drawSelect();
    ctx.view.letEventsRun();
}

// The context menu of the element the right press has just selected.
void openContextMenu(EditorContext& ctx) {
    const MapItem* item = ctx.selected();
    if (!item)
        return;
    EditorView::Menu menu = EditorView::Menu::Picto;
    bool smoothTicked = false;
    if (item->isLineEntry()) {
        menu = EditorView::Menu::Line;
        const MapLine* line = ctx.doc.line(item->RefIndex);
        smoothTicked = line && line->Smooth != 0;
    } else if (item->isText()) {
        menu = EditorView::Menu::Text;
    }
    if (const std::optional<MenuCommand> command = ctx.view.openMenu(menu, smoothTicked))
        runMenuCommand(ctx, *command);
}

void placeText(EditorContext& ctx, double x, double y) {
    ctx.state.SelectedItem = -1;
    const std::optional<QString> answer = askLabelText(ctx.ui, kTextPrompt, kTextTitle, QString());
    if (!answer || answer->isEmpty())
        return;
    AddText(ctx.doc, *answer, nearestPixel(x), nearestPixel(y), ctx.panel.textStyle,
            ctx.state.Colors[kTextColorSlot]);
    // The new label is drawn over the current composition; nothing needs erasing.
    ctx.drawScene(false);
}

void placePicto(EditorContext& ctx, double x, double y) {
    if (!ctx.panel.selectedPicto)
        return;
    ctx.state.SelectedItem = -1;
    ctx.doc.AddPictoItem(*ctx.panel.selectedPicto, nearestPixel(x), nearestPixel(y));
    ctx.drawScene(true);
}

// After a vertex drag the entry's origin goes back to the top-left corner of the line's box,
// so that the smallest offsets are 0 again and the box holds the whole line.
void updateLineBox(EditorContext& ctx) {
    const EditorState& state = ctx.state;
    if (state.SelectedItem < 0 || state.SelectedPoint < 0)
        return;
    MapItem* entry = ctx.selected();
    if (!entry || !entry->isLineEntry())
        return;
    MapLine* line = ctx.doc.line(entry->RefIndex);
    if (!line || !line->pointsConsistent() || line->PointCount < 1)
        return;

    // The extremes start from the ends of the whole 32-bit range, as when a line is stored,
    // rather than from fixed guesses such as 5555 that a larger map would exceed. Sums are
    // taken in 64 bits so that a hostile map cannot overflow them.
    std::int64_t minX = std::numeric_limits<std::int32_t>::max();
    std::int64_t minY = std::numeric_limits<std::int32_t>::max();
    std::int64_t maxX = std::numeric_limits<std::int32_t>::min();
    std::int64_t maxY = std::numeric_limits<std::int32_t>::min();
    std::vector<std::int32_t>& pointX = *line->PointX;
    std::vector<std::int32_t>& pointY = *line->PointY;
    for (std::size_t k = 1; k <= static_cast<std::size_t>(line->PointCount); ++k) {
        const std::int64_t ax = std::int64_t{entry->X} + pointX[k];
        const std::int64_t ay = std::int64_t{entry->Y} + pointY[k];
        minX = std::min(minX, ax);
        maxX = std::max(maxX, ax);
        minY = std::min(minY, ay);
        maxY = std::max(maxY, ay);
    }
    for (std::size_t k = 1; k <= static_cast<std::size_t>(line->PointCount); ++k) {
        pointX[k] = static_cast<std::int32_t>(pointX[k] + (entry->X - minX));
        pointY[k] = static_cast<std::int32_t>(pointY[k] + (entry->Y - minY));
    }
    entry->X = static_cast<std::int32_t>(minX);
    entry->Y = static_cast<std::int32_t>(minY);
    entry->Width = static_cast<std::int32_t>(maxX - minX);
    entry->Height = static_cast<std::int32_t>(maxY - minY);
    ctx.drawScene(true);
    ctx.drawSelect();
}

} // namespace

void chooseTool(EditorContext& ctx, Tool tool) {
    EditorState& state = ctx.state;
    state.FillMode = tool == Tool::Fill;
    state.LineMode = tool == Tool::Line;
    state.SelectMode = tool == Tool::Select;
    state.TextMode = tool == Tool::Text;
    ctx.view.toolChanged(tool);
}

void pointerPress(EditorContext& ctx, int button, double x, double y) {
    EditorState& state = ctx.state;
    if (!state.FillMode && state.SelectMode)
        selectAt(ctx, x, y);
    if (button == kLeftButton && state.LineMode)
        addLinePoint(ctx, x, y);
    if (button == kRightButton && state.LineMode)
        finishLine(ctx);
}

void pointerMove(EditorContext& ctx, int buttons, double x, double y) {
    EditorState& state = ctx.state;
    state.PointerX = nearestPixel(x);
    state.PointerY = nearestPixel(y);
    if (state.FillMode) {
        if (buttons == kLeftButton)
            fillStep(ctx, x, y);
        return;
    }
    if (buttons == kLeftButton && state.SelectMode && state.SelectedItem >= 0)
        dragStep(ctx, x, y);
}

void pointerRelease(EditorContext& ctx, int button, double x, double y) {
    EditorState& state = ctx.state;
    if (state.FillMode) {
        if (fillStep(ctx, x, y))
            ctx.flip();
    } else if (state.SelectMode) {
        if (button == kRightButton && state.SelectedItem >= 0)
            openContextMenu(ctx);
        ctx.view.setMoveCursor(false);
    } else if (state.TextMode) {
        placeText(ctx, x, y);
    } else if (!state.LineMode) {
        placePicto(ctx, x, y);
    }

    MapLine& line = state.CurrentLine;
    if (button == kLeftButton && state.LineMode && line.PointCount == 1 &&
        line.pointsConsistent()) {
        (*line.PointX)[1] = nearestPixel(x);
        (*line.PointY)[1] = nearestPixel(y);
        showCurrentLine(ctx);
    }
    updateLineBox(ctx);
}

void pointerDoubleClick(EditorContext& ctx) {
    if (const MapItem* item = ctx.selected(); item && item->isText())
        changeText(ctx);
}

bool fillStep(EditorContext& ctx, double x, double y) {
    const std::int32_t px = nearestPixel(x);
    const std::int32_t py = nearestPixel(y);
    const std::uint32_t fillColor = ctx.state.Colors[kFillColorSlot];
    if (fillColor == 0) // black would turn an area into outlines
        return false;
    const QImage& surface = ctx.scene.surface();
    // Outside the surface the colour reads as invalid, which matches no colour at all.
    if (surface.valid(px, py)) {
        const std::uint32_t pixel = rgbToBgr(surface.pixel(px, py));
        if (pixel == fillColor || pixel == 0) // already filled, or an outline
            return false;
    }
    ctx.doc.AddFill(px, py, fillColor);
    ctx.drawScene(true);
    return true;
}

} // namespace grivendale
