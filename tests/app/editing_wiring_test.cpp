#include "app/canvas_widget.h"
#include "app/font_chooser_window.h"
#include "publish/publish_rules.h"
#include "window_fixture.h"

#include <QComboBox>
#include <QLineEdit>
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
        setBackground(solidImage(200, 150, qRgb(255, 255, 255)));
        SettingsStore store = settings();
        saveShowReadme(store, false); // the readme would take the keyboard
        window_ = start(&ui_);
        canvas_ = child<CanvasWidget>("Picture1");
        ASSERT_TRUE(canvas_ && QTest::qWaitForWindowExposed(window_.get()));
    }
    template <typename T> T* child(const char* name) {
        return window_->findChild<T*>(QLatin1String(name));
    }
    // What the window shows at that canvas point once it has painted, as a screen grab would.
    QRgb shown(QPoint at) {
        QCoreApplication::processEvents();
        const QPoint p = canvas_->mapTo(window_.get(), at);
        const QPixmap grab = window_->screen()->grabWindow(window_->winId(), p.x(), p.y(), 1, 1);
        return grab.toImage().pixel(0, 0);
    }
    std::unique_ptr<MainWindow> window_;
    FakeUiPort* ui_ = nullptr;
    CanvasWidget* canvas_ = nullptr;
};

} // namespace

TEST_F(EditingTest, TheCanvasAndThePanelsWithRealEvents) {
    MapDocument& doc = window_->document();
    child<QRadioButton>("Option2")->click();
    child<QComboBox>("Combo1")->setCurrentIndex(1); // "3"
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, {20, 120});
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, {80, 130});
    QTest::mouseClick(canvas_, Qt::RightButton, {}, {80, 130}); // ends the line
    ASSERT_EQ(doc.LineCount, 1);
    EXPECT_EQ(doc.Lines[1].Width, 3);
    EXPECT_EQ(shown({50, 125}), qRgb(0, 0, 0));

    child<QListWidget>("List1")->setCurrentRow(0);
    QTest::mouseClick(canvas_, Qt::LeftButton, {}, {50, 40});
    ASSERT_EQ(doc.ItemCount, 2);
    EXPECT_EQ(shown({50, 40}), qRgb(0, 0, 254));

    child<QRadioButton>("Option5")->click();
    QTest::mousePress(canvas_, Qt::LeftButton, {}, {52, 41});
    QTest::mouseMove(canvas_, {62, 51});
    QTest::mouseMove(canvas_, {72, 61});
    QTest::mouseRelease(canvas_, Qt::LeftButton, {}, {72, 61});
    EXPECT_EQ(QPoint(doc.Items[2].X, doc.Items[2].Y), QPoint(70, 60));
    EXPECT_EQ(shown({55, 45}), qRgb(255, 0, 0)); // the selection marks
    EXPECT_EQ(shown({50, 40}), qRgb(255, 255, 255));

    // Ctrl+C, then Ctrl+V at the last pointer position with Ctrl let go a moment before the
    // letter, as a quick hand does; then Delete.
    QTest::keyClick(canvas_, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::mouseMove(canvas_, {120, 100});
    QTest::keyPress(canvas_, Qt::Key_V, Qt::ControlModifier);
    QTest::keyRelease(canvas_, Qt::Key_V, Qt::NoModifier);
    ASSERT_EQ(doc.ItemCount, 3);
    EXPECT_EQ(QPoint(doc.Items[3].X, doc.Items[3].Y), QPoint(120, 100));
    QTest::keyClick(canvas_, Qt::Key_Delete);
    EXPECT_EQ(doc.Items[3].InUse, kFalse);

    // A right click on a swatch or the text preview opens nothing.
    QTest::mouseClick(child<QWidget>("Col0"), Qt::RightButton);
    QTest::mouseClick(child<QWidget>("Label9"), Qt::RightButton);
    EXPECT_TRUE(ui_->colorTitles.empty() && ui_->fontStarts.empty());
    ui_->colors.push_back(QColor(255, 0, 0));
    QTest::mouseClick(child<QWidget>("Col0"), Qt::LeftButton);
    EXPECT_EQ(window_->editorState().Colors[0], 0x0000FFu);
    // "Envoyer" checks the name in the box first.
    child<QLineEdit>("Text1")->setText(u"carte.jpg"_s);
    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    ASSERT_EQ(ui_->messages.size(), 1u);
    EXPECT_EQ(ui_->messages[0].text, kEmptyOrNotPngMessage);
}

TEST_F(EditingTest, TheFontChooserGivesTheStyleBackUnlessChanged) {
    // Types the sizes, then clicks a button of the shown chooser, as the user would.
    const auto answer = [this](const char* button, QStringList sizes, bool focused = false) {
        QTimer::singleShot(0, window_.get(), [this, button, sizes, focused] {
            FontChooserWindow* chooser = window_->fontChooser();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(chooser));
            // Active, the chooser has the focus on its list, and the list a highlighted row.
            EXPECT_TRUE(!focused || QTest::qWaitFor([=] { return chooser->isActiveWindow(); }));
            for (const QString& size : sizes)
                chooser->findChild<QComboBox*>()->setCurrentText(size);
            QTest::mouseClick(chooser->findChild<QPushButton*>(QLatin1String(button)),
                              Qt::LeftButton);
        });
    };
    // "OK" without a change gives back a typeface this machine lacks, as a map made elsewhere
    // names; the row the list highlighted on taking the focus is no choice.
    const TextStyle missing{u"Arial"_s, 14.0, false, true, true};
    answer("Command1", {}, true);
    const std::optional<TextStyle> kept = window_->runFontChooser(missing);
    EXPECT_EQ(kept, missing) << (kept ? kept->family.toStdString() : "cancelled");
    EXPECT_NE(window_->fontChooser()->findChild<QListWidget*>()->currentItem(), nullptr);
    const TextStyle start{u"DejaVu Sans"_s, 13.0, true, false, false};
    answer("Command2", {u"20"_s}); // "Annuler"
    EXPECT_EQ(window_->runFontChooser(start), std::nullopt);
    // Sizes the box cannot take leave the last one; 10.5 comes back rounded to the even 10.
    answer("Command1", {u"10.5"_s, u"1"_s, u"0,5"_s, u"-4"_s, u"abc"_s});
    EXPECT_EQ(window_->runFontChooser(start), (TextStyle{start.family, 10.0, true, false, false}));
}
