#include "editor/key_commands.h"

#include "document/rounding.h"

namespace grivendale {

namespace {

// The element the commands act on, or null when the selection names no counted slot.
MapItem* element(EditorContext& ctx) {
    if (ctx.state.SelectedItem < 0)
        return nullptr;
    return ctx.selected();
}

bool deleteSelected(EditorContext& ctx) {
    MapItem* e = element(ctx);
    if (!e)
        return false;
    e->InUse = kFalse;
    e->RefIndex = 0;
    ctx.state.SelectedItem = -1;
    ctx.drawScene(true);
    return true;
}

bool copySelected(EditorContext& ctx) {
    const MapItem* e = element(ctx);
    if (!e)
        return false;
    ctx.state.CopiedItem = *e;
    ctx.state.HasCopiedItem = true;
    return true;
}

bool cutSelected(EditorContext& ctx) {
    if (!copySelected(ctx))
        return false;
    // RefIndex stays, unlike Delete: the copy and the freed slot both still name their line
    // or pictogram.
    ctx.selected()->InUse = kFalse;
    ctx.state.SelectedItem = -1;
    ctx.drawScene(true);
    return true;
}

bool paste(EditorContext& ctx) {
    if (!ctx.state.HasCopiedItem)
        return false;
    const std::int32_t slot = ctx.doc.takeItemSlot();
    MapItem& pasted = ctx.doc.Items[static_cast<std::size_t>(slot)];
    pasted = ctx.state.CopiedItem;
    // The centre of a pictogram or text, the box corner of a line entry.
    pasted.X = roundHalfEven(ctx.state.PointerX);
    pasted.Y = roundHalfEven(ctx.state.PointerY);
    ctx.state.SelectedItem = slot;
    ctx.drawScene(true);
    ctx.drawSelect();
    return true;
}

} // namespace

void stepCommand(EditorContext& ctx, bool redo) {
    const QString background = ctx.doc.backgroundFile();
    bool changed = false;
    if (ctx.history)
        changed = redo ? ctx.history->redo(ctx.doc) : ctx.history->undo(ctx.doc);
    else
        changed = !redo && ctx.doc.Undo();
    if (!changed)
        return;
    // The element taken back may be the selected one: it must not stay selected once freed.
    if (ctx.state.SelectedItem >= 0) {
        const MapItem* e = ctx.selected();
        if (!e || !e->isLive())
            ctx.state.SelectedItem = -1;
    }
    if (ctx.doc.backgroundFile() != background)
        ctx.view.backgroundChanged();
    ctx.drawScene(true);
    if (ctx.state.SelectedItem >= 0)
        ctx.drawSelect();
}

bool keyRelease(EditorContext& ctx, int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Delete)
        return deleteSelected(ctx);
    if (!modifiers.testFlag(Qt::ControlModifier))
        return false;
    switch (key) {
    case Qt::Key_C:
        return copySelected(ctx);
    case Qt::Key_X:
        return cutSelected(ctx);
    case Qt::Key_V:
        return paste(ctx);
    case Qt::Key_Z:
        stepCommand(ctx, modifiers.testFlag(Qt::ShiftModifier));
        return true;
    case Qt::Key_Y:
        stepCommand(ctx, true);
        return true;
    default:
        return false;
    }
}

} // namespace grivendale
