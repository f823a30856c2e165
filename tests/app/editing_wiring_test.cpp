#include "app/canvas_widget.h"
#include "app/font_chooser_window.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace grivendale;
using namespace grivendale::testing;

namespace {

// The window as the user has it: real mouse and key events through the offscreen platform.
class EditingTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        solidImage(200, 150, qRgb(255, 255, 255)).save(file(u"fond.png"_s));
        SettingsStore store = settings();
        saveBackgroundSetting(store, file(u"fond.png"_s));
        saveShowReadme(store, false); // the readme would take the keyboard
        window_ = start();
        canvas_ = window_->findChild<CanvasWidget*>();
        ASSERT_TRUE(canvas_ && QTest::qWaitForWindowExposed(window_.get()));
    }
    // What the window shows at that canvas point once it has painted, as a screen grab would.
    QRgb shown(QPoint at) {
        QCoreApplication::processEvents();
        const QPoint p = canvas_->mapTo(window_.get(), at);
        const QPixmap grab = window_->screen()->grabWindow(window_->winId(), p.x(), p.y(), 1, 1);
        return grab.toImage().pixel(0, 0);
    }
    std::unique_ptr<MainWindow> window_;
    CanvasWidget* canvas_ = nullptr;
};

} // namespace

TEST_F(EditingTest, TheCanvasAndThePanelsReachTheEditorAndTheScreen) {
    MapDocument& doc = window_->document();
    window_->findChild<QRadioButton*>(u"Option2"_s)->click();        // lines
    window_->findChild<QComboBox*>(u"Combo1"_s)->setCurrentIndex(1); // "3"
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, {20, 120});
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, {80, 130});
    QTest::mouseClick(canvas_, Qt::RightButton, {}, {80, 130}); // ends the line
    ASSERT_EQ(doc.LineCount, 1);
    EXPECT_EQ(doc.Lines[1].Width, 3);
    EXPECT_EQ(shown({50, 125}), qRgb(0, 0, 0));

    window_->findChild<QListWidget*>(u"List1"_s)->setCurrentRow(0);
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, {50, 40});
    ASSERT_EQ(doc.ItemCount, 2);
    EXPECT_EQ(shown({50, 40}), qRgb(0, 0, 254));
    // Dragged with the selection tool: the canvas shows it moved and marked, and no longer
    // where it was.
    window_->findChild<QRadioButton*>(u"Option5"_s)->click();
    QTest::mousePress(canvas_, Qt::LeftButton, {}, {52, 41});
    QTest::mouseMove(canvas_, {62, 51});
    QTest::mouseMove(canvas_, {72, 61});
    QTest::mouseRelease(canvas_, Qt::LeftButton, {}, {72, 61});
    EXPECT_EQ(QPoint(doc.Items[2].X, doc.Items[2].Y), QPoint(70, 60));
    EXPECT_EQ(shown({55, 45}), qRgb(255, 0, 0)); // the selection marks
    EXPECT_EQ(shown({50, 40}), qRgb(255, 255, 255));

    // A right click on a swatch or the text preview opens nothing, a left one the chooser.
    QTest::mouseClick(window_->findChild<QWidget*>(u"Col0"_s), Qt::RightButton);
    QTest::mouseClick(window_->findChild<QWidget*>(u"Label9"_s), Qt::RightButton);
    EXPECT_TRUE(ui_->colorTitles.empty() && ui_->fontStarts.empty());
    ui_->colors.push_back(QColor(255, 0, 0));
    QTest::mouseClick(window_->findChild<QWidget*>(u"Col0"_s), Qt::LeftButton);
    EXPECT_EQ(window_->editorState().Colors[0], 0x0000FFu);
}

TEST_F(EditingTest, TheFontChooserGivesTheStyleBackOnlyOnOK) {
    const TextStyle missing{u"Arial"_s, 14.0, false, true, true}; // a family this machine lacks
    const TextStyle dejaVu{u"DejaVu Sans"_s, 13.0, true, false, false};
    // The button clicked once the sizes are typed, the style given, the style given back.
    const std::tuple<const char*, QStringList, TextStyle, std::optional<TextStyle>> cases[] = {
        {"Command1", {}, missing, missing}, // "OK", with a row highlighted but none chosen
        {"Command2", {u"20"_s}, dejaVu, std::nullopt}, // "Annuler"
        // Sizes the box cannot take leave the last one; 10.5 comes back rounded to the even 10.
        {"Command1", {u"10.5"_s, u"1"_s, u"abc"_s}, dejaVu, TextStyle{dejaVu.family, 10.0, true}},
    };
    for (const auto& [button, sizes, given, expected] : cases) {
        QTimer::singleShot(
            0, window_.get(), [this, button = button, sizes = sizes, first = given == missing] {
                FontChooserWindow* chooser = window_->fontChooser();
                // Active (at its first showing), its list has the focus and a highlighted row.
                EXPECT_TRUE(!first || QTest::qWaitFor([=] { return chooser->isActiveWindow(); }));
                EXPECT_NE(chooser->findChild<QListWidget*>()->currentItem(), nullptr);
                for (const QString& size : sizes)
                    chooser->findChild<QComboBox*>()->setCurrentText(size);
                QTest::mouseClick(chooser->findChild<QPushButton*>(QLatin1String(button)),
                                  Qt::LeftButton);
            });
        EXPECT_EQ(window_->runFontChooser(given), expected) << button;
    }
}
