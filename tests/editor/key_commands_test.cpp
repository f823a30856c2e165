#include "editor/key_commands.h"

#include "editor_fixture.h"
#include "support/test_support.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace grivendale;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kDrawnRed = 0xFFFE0000; // an opaque PNG pixel, blended
constexpr QRgb kGreen = 0xFF00FF00;
constexpr std::uint32_t kGreenBgr = 0x00FF00;

const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

class KeyCommandsTest : public grivendale::testing::EditorTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QImage picto(5, 5, QImage::Format_ARGB32);
        picto.fill(qRgb(255, 0, 0));
        ASSERT_TRUE(picto.save(dir.filePath(QStringLiteral("rouge.png"))));
        library = PictoLibrary::build(dir.path());
        setPlainBackground(60, 40, kWhite);
    }

    bool release(int key, Qt::KeyboardModifiers modifiers = kCtrl) {
        return keyRelease(ctx, key, modifiers);
    }
    void pointerAt(double x, double y) {
        state.PointerX = x;
        state.PointerY = y;
    }
    // A horizontal line from (10, 30) to (40, 30), one pixel wide.
    std::int32_t addLine() {
        return doc.AddLine(grivendale::testing::lineThrough({{10, 30}, {40, 30}}, 1, kGreenBgr),
                           false, false);
    }
};

TEST_F(KeyCommandsTest, CopyRunsWhenCtrlIsHeldWhateverElseIs) {
    const struct {
        Qt::KeyboardModifiers modifiers;
        bool copies;
    } cases[] = {
        {Qt::ControlModifier, true},
        {Qt::ControlModifier | Qt::ShiftModifier, true},
        {Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier, true},
        {Qt::NoModifier, false},
        {Qt::ShiftModifier, false},
        {Qt::AltModifier, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.modifiers.toInt()));
        state.HasCopiedItem = false;
        state.CopiedItem = MapItem{};
        state.SelectedItem = doc.AddPictoItem(1, 12, 14);

        EXPECT_EQ(release(Qt::Key_C, c.modifiers), c.copies);
        EXPECT_EQ(state.HasCopiedItem, c.copies);
        if (c.copies) {
            EXPECT_EQ(state.CopiedItem, item(state.SelectedItem));
        }
    }
    EXPECT_EQ(view.presents, 0); // copying redraws nothing
}

TEST_F(KeyCommandsTest, CutThenPasteTwiceGivesTwoCopiesAtThePointer) {
    const std::int32_t cut = doc.AddPictoItem(1, 10, 10);
    doc.AddPictoItem(1, 30, 10);
    state.SelectedItem = cut;

    ASSERT_TRUE(release(Qt::Key_X));
    EXPECT_FALSE(item(cut).isLive());
    EXPECT_EQ(item(cut).RefIndex, 1); // a cut keeps the number
    EXPECT_EQ(state.SelectedItem, -1);
    EXPECT_EQ(canvasAt(10, 10), kWhite);

    // Pointer positions round half to even.
    pointerAt(25.5, 12.5);
    ASSERT_TRUE(release(Qt::Key_V));
    EXPECT_EQ(state.SelectedItem, cut); // the lowest free slot
    EXPECT_TRUE(item(cut).isLive());
    EXPECT_EQ(item(cut).X, 26);
    EXPECT_EQ(item(cut).Y, 12);

    pointerAt(48, 30);
    ASSERT_TRUE(release(Qt::Key_V));
    EXPECT_EQ(state.SelectedItem, 3);
    EXPECT_EQ(doc.ItemCount, 3);
    EXPECT_EQ(item(3).X, 48);
    EXPECT_EQ(item(3).Y, 30);
    EXPECT_EQ(item(3).RefIndex, 1);
    EXPECT_EQ(canvasAt(48, 30), kDrawnRed);
    EXPECT_TRUE(state.HasCopiedItem); // the buffer stays for further pastes
}

TEST_F(KeyCommandsTest, PasteBeforeAnyCopyDoesNothing) {
    doc.AddPictoItem(1, 10, 10);
    pointerAt(20, 20);
    EXPECT_FALSE(release(Qt::Key_V));
    EXPECT_EQ(doc.ItemCount, 1);
    EXPECT_EQ(view.presents, 0);
}

TEST_F(KeyCommandsTest, CommandsWithoutASelectionDoNothing) {
    doc.AddPictoItem(1, 10, 10);
    for (const std::int32_t stale : {-1, 0, 2}) {
        state.SelectedItem = stale;
        EXPECT_FALSE(release(Qt::Key_Delete, Qt::NoModifier)) << stale;
        EXPECT_FALSE(release(Qt::Key_C)) << stale;
        EXPECT_FALSE(release(Qt::Key_X)) << stale;
    }
    EXPECT_TRUE(item(1).isLive());
    EXPECT_FALSE(state.HasCopiedItem);
    EXPECT_EQ(view.presents, 0);
}

TEST_F(KeyCommandsTest, DeleteClearsTheNumberWhateverTheModifiers) {
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::NoModifier), kCtrl, Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        const std::int32_t slot = doc.AddPictoItem(1, 20, 20);
        state.SelectedItem = slot;
        ASSERT_TRUE(release(Qt::Key_Delete, modifiers));
        EXPECT_FALSE(item(slot).isLive());
        EXPECT_EQ(item(slot).RefIndex, 0);
        EXPECT_EQ(state.SelectedItem, -1);
    }
    EXPECT_EQ(canvasAt(20, 20), kWhite);
}

TEST_F(KeyCommandsTest, DeletedLineComesBackWithAPasteOfAnEarlierCopy) {
    const std::int32_t entry = addLine();
    ctx.drawScene(true);
    ASSERT_EQ(canvasAt(25, 30), kGreen);
    state.SelectedItem = entry;
    ASSERT_TRUE(release(Qt::Key_C));

    ASSERT_TRUE(release(Qt::Key_Delete, Qt::NoModifier));
    EXPECT_EQ(canvasAt(25, 30), kWhite);
    EXPECT_TRUE(doc.line(1)->isLive()); // the line record stays

    // The copy still names the line; pasted at its old corner it shows the same points.
    pointerAt(10, 30);
    ASSERT_TRUE(release(Qt::Key_V));
    EXPECT_EQ(item(state.SelectedItem).RefIndex, 1);
    EXPECT_EQ(canvasAt(25, 30), kGreen);
}

TEST_F(KeyCommandsTest, UndoAfterAPasteRemovesTheAdditionBeforeIt) {
    const std::int32_t first = doc.AddPictoItem(1, 10, 10);
    const std::int32_t second = doc.AddPictoItem(1, 30, 10);
    state.SelectedItem = first;
    ASSERT_TRUE(release(Qt::Key_C));
    pointerAt(50, 30);
    ASSERT_TRUE(release(Qt::Key_V));
    const std::int32_t pasted = state.SelectedItem;

    ASSERT_TRUE(release(Qt::Key_Z));
    EXPECT_FALSE(item(second).isLive());
    EXPECT_TRUE(item(first).isLive());
    EXPECT_TRUE(item(pasted).isLive());
    EXPECT_EQ(state.SelectedItem, pasted);
    EXPECT_EQ(canvasAt(30, 10), kWhite);
    EXPECT_EQ(canvasAt(50, 30), kDrawnRed);
}

TEST_F(KeyCommandsTest, UndoOfTheSelectedElementClearsTheSelection) {
    state.SelectedItem = doc.AddPictoItem(1, 10, 10);
    ASSERT_TRUE(release(Qt::Key_Z, kCtrl | Qt::ShiftModifier));
    EXPECT_FALSE(item(1).isLive());
    EXPECT_EQ(state.SelectedItem, -1);
    EXPECT_EQ(canvasAt(10, 10), kWhite);
}

TEST_F(KeyCommandsTest, UndoOnAnEmptyHistoryRedrawsNothing) {
    EXPECT_TRUE(release(Qt::Key_Z));
    EXPECT_EQ(view.presents, 0);
}

TEST_F(KeyCommandsTest, OtherKeysAreNotCommands) {
    state.SelectedItem = doc.AddPictoItem(1, 10, 10);
    for (const int key : {int(Qt::Key_A), int(Qt::Key_Backspace), int(Qt::Key_Y)})
        EXPECT_FALSE(release(key)) << key;
    EXPECT_FALSE(release(Qt::Key_Z, Qt::NoModifier));
    EXPECT_EQ(doc.HistoryCount, 1);
}

} // namespace
