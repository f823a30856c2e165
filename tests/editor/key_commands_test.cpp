#include "editor/key_commands.h"

#include "editor_fixture.h"

#include <gtest/gtest.h>

using namespace grivendale;
using namespace grivendale::testing;

namespace {

using KeyCommandsTest = EditorTest;

TEST_F(KeyCommandsTest, EachKeyFromTheSameStart) {
    // Suns in slots 1 at (10, 10) and 2 at (30, 10), the pointer at (48, 30), the buffer holding
    // slot 2 when `copied`. Ctrl commands run whenever Ctrl is held, Delete whatever is. After:
    // ran, selection, slot 1's number, buffer filled and its X, the last slot's place, and
    // whether the canvas shows a sun at (10, 10), (30, 10) and the pointer.
    using After = std::tuple<bool, int, int, bool, int, int, int, QString>;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers all = ctrl | Qt::ShiftModifier | Qt::AltModifier;
    const std::tuple<int, Qt::KeyboardModifiers, int, bool, After> cases[] = {
        {Qt::Key_C, ctrl, 1, false, {true, 1, kSun, true, 10, 30, 10, "xx."}},
        {Qt::Key_C, all, 1, false, {true, 1, kSun, true, 10, 30, 10, "xx."}},
        {Qt::Key_X, ctrl, 1, false, {true, -1, kSun, true, 10, 30, 10, ".x."}},
        {Qt::Key_X, Qt::NoModifier, 1, false, {false, 1, kSun, false, 30, 30, 10, "xx."}},
        {Qt::Key_Delete, Qt::NoModifier, 1, true, {true, -1, 0, true, 30, 30, 10, ".x."}},
        {Qt::Key_V, ctrl, 1, false, {false, 1, kSun, false, 30, 30, 10, "xx."}},
        {Qt::Key_V, ctrl, 1, true, {true, 3, kSun, true, 30, 48, 30, "xxx"}},
        {Qt::Key_Z, ctrl, 1, false, {true, 1, kSun, false, 30, 30, 10, "x.."}},
        {Qt::Key_Z, all, 2, false, {true, -1, kSun, false, 30, 30, 10, "x.."}},
        // Another key, selections naming no counted slot.
        {Qt::Key_Backspace, ctrl, 1, true, {false, 1, kSun, true, 30, 30, 10, "xx."}},
        {Qt::Key_Delete, Qt::NoModifier, 0, false, {false, 0, kSun, false, 30, 30, 10, "xx."}},
        {Qt::Key_X, ctrl, 3, false, {false, 3, kSun, false, 30, 30, 10, "xx."}},
    };
    state.PointerX = 48;
    state.PointerY = 30;
    for (const auto& [key, modifiers, selected, copied, after] : cases) {
        doc = MapDocument{};
        doc.AddPictoItem(kSun, 10, 10);
        doc.AddPictoItem(kSun, 30, 10);
        state.SelectedItem = selected;
        state.CopiedItem = item(2);
        state.HasCopiedItem = copied;
        scene.DrawScene(doc, library, true);
        const bool ran = keyRelease(ctx, key, modifiers);
        QString shown;
        for (const auto& [x, y] : {std::pair{10, 10}, {30, 10}, {48, 30}})
            shown += canvasAt(x, y) == qRgb(255, 0, 0) ? 'x' : '.';
        EXPECT_EQ(After(ran, state.SelectedItem, item(1).RefIndex, state.HasCopiedItem,
                        state.CopiedItem.X, item(doc.ItemCount).X, item(doc.ItemCount).Y, shown),
                  after)
            << key << " with " << modifiers.toInt() << " on " << selected;
    }
}

} // namespace
