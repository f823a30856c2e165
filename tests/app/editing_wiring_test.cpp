#include "app/canvas_widget.h"
#include "app/font_chooser_window.h"
#include "app/main_window.h"
#include "publish/publish_rules.h"
#include "window_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace grivendale;
using grivendale::testing::FakeUiPort;
using grivendale::testing::solidImage;
using grivendale::testing::WindowTest;

namespace {

// Real mouse events on the canvas, with the buttons held during moves.
void mouse(QWidget* canvas, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
           QPoint at) {
    QMouseEvent event(type, QPointF(at), canvas->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
}

void click(QWidget* canvas, Qt::MouseButton button, QPoint at) {
    mouse(canvas, QEvent::MouseButtonPress, button, button, at);
    mouse(canvas, QEvent::MouseButtonRelease, button, Qt::NoButton, at);
}

class EditingTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        setBackground(solidImage(200, 150, qRgb(255, 255, 255)));
        window_ = start(&ui_);
        canvas_ = window_->findChild<CanvasWidget*>(QStringLiteral("Picture1"));
        ASSERT_NE(canvas_, nullptr);
    }

    void choosePicto(int row) {
        auto* list = window_->findChild<QListWidget*>(QStringLiteral("List1"));
        list->setCurrentRow(row);
    }

    std::unique_ptr<MainWindow> window_;
    FakeUiPort* ui_ = nullptr;
    CanvasWidget* canvas_ = nullptr;
};

} // namespace

TEST_F(EditingTest, PlaceSelectDragAndDeleteWithRealEvents) {
    choosePicto(0);
    EXPECT_TRUE(window_->findChild<QRadioButton*>(QStringLiteral("Option6"))->isChecked());
    EXPECT_TRUE(
        window_->findChild<QPushButton*>(QStringLiteral("Trans"))->isVisibleTo(window_.get()));
    click(canvas_, Qt::LeftButton, {50, 40});
    MapDocument& doc = window_->document();
    ASSERT_EQ(doc.ItemCount, 1);
    EXPECT_EQ(doc.Items[1].X, 50);
    EXPECT_EQ(doc.Items[1].Y, 40);
    EXPECT_EQ(window_->scene().canvas().pixel(50, 40), qRgb(0, 0, 254));

    window_->findChild<QRadioButton*>(QStringLiteral("Option5"))->click();
    mouse(canvas_, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {52, 41});
    EXPECT_EQ(window_->editorState().SelectedItem, 1);
    mouse(canvas_, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {62, 51});
    mouse(canvas_, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {72, 61});
    mouse(canvas_, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {72, 61});
    EXPECT_EQ(doc.Items[1].X, 70);
    EXPECT_EQ(doc.Items[1].Y, 60);
    // The selection marks are on the canvas.
    EXPECT_EQ(window_->scene().canvas().pixel(55, 45), qRgb(255, 0, 0));

    // Ctrl+C then Ctrl+V at the last pointer position, then Delete.
    QTest::keyClick(canvas_, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    mouse(canvas_, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, {120, 100});
    // Ctrl let go a moment before the letter, as xdotool key ctrl+v does.
    QTest::keyPress(canvas_, Qt::Key_V, Qt::ControlModifier);
    QTest::keyRelease(canvas_, Qt::Key_V, Qt::NoModifier);
    ASSERT_EQ(doc.ItemCount, 2);
    EXPECT_EQ(doc.Items[2].X, 120);
    EXPECT_EQ(window_->editorState().SelectedItem, 2);
    QTest::keyClick(canvas_, Qt::Key_Delete);
    EXPECT_EQ(doc.Items[2].InUse, kFalse);

    // Inside a text box the keys keep their text meaning.
    window_->editorState().SelectedItem = 1;
    auto* fileName = window_->findChild<QLineEdit*>(QStringLiteral("Text1"));
    fileName->setFocus();
    QTest::keyClick(fileName, Qt::Key_Delete);
    EXPECT_EQ(doc.Items[1].InUse, kTrue);
}

TEST_F(EditingTest, LinesAndTextsThroughTheCanvas) {
    window_->findChild<QRadioButton*>(QStringLiteral("Option2"))->click();
    window_->findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(1); // "3"
    click(canvas_, Qt::LeftButton, {20, 20});
    click(canvas_, Qt::LeftButton, {80, 30});
    mouse(canvas_, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, {80, 30});
    MapDocument& doc = window_->document();
    ASSERT_EQ(doc.LineCount, 1);
    EXPECT_EQ(doc.Lines[1].Width, 3);
    EXPECT_EQ(doc.Lines[1].PointCount, 2);
    EXPECT_EQ(window_->scene().canvas().pixel(50, 25), qRgb(0, 0, 0));

    window_->findChild<QRadioButton*>(QStringLiteral("Option7"))->click();
    ui_->inputs.push_back(QStringLiteral("Brest"));
    click(canvas_, Qt::LeftButton, {100, 100});
    ASSERT_EQ(ui_->prompts.size(), 1u);
    EXPECT_EQ(ui_->prompts[0], QStringLiteral("Texte à insérer :|Morvessin - Texte"));
    ASSERT_EQ(doc.ItemCount, 2);
    EXPECT_EQ(doc.Items[2].Text, QStringLiteral("Brest"));
    EXPECT_GT(doc.Items[2].Width, 0);
}

TEST_F(EditingTest, SwatchesAndTheFontChooser) {
    // A right click opens nothing.
    QTest::mouseClick(window_->findChild<QWidget*>(QStringLiteral("Col0")), Qt::RightButton);
    QTest::mouseClick(window_->findChild<QWidget*>(QStringLiteral("Label9")), Qt::RightButton);
    EXPECT_TRUE(ui_->colorTitles.empty());
    EXPECT_TRUE(ui_->fontStarts.empty());
    // Each "Changer" stands under the swatch it changes.
    for (const auto& [swatch, change] :
         {std::pair{"Col0", "Command7"}, {"Col1", "Command11"}, {"Col4", "Command8"}}) {
        const QRect s = window_->findChild<QWidget*>(QLatin1String(swatch))->geometry();
        const QRect c = window_->findChild<QWidget*>(QLatin1String(change))->geometry();
        EXPECT_TRUE(c.left() <= s.center().x() && s.center().x() <= c.right()) << change;
        EXPECT_GT(c.top(), s.bottom()) << change;
    }
    ui_->colors.push_back(QColor(255, 0, 0));
    QTest::mouseClick(window_->findChild<QWidget*>(QStringLiteral("Col0")), Qt::LeftButton);
    EXPECT_EQ(window_->editorState().Colors[0], 0x0000FFu);
    EXPECT_EQ(ui_->colorTitles, std::vector<QString>{QStringLiteral("Couleur de remplissage")});
    EXPECT_TRUE(window_->findChild<QRadioButton*>(QStringLiteral("Option1"))->isChecked());
    EXPECT_EQ(settings().GetSetting(QStringLiteral("Sorb"), QStringLiteral("Sorb"),
                                    QStringLiteral("Color0"), QString()),
              QStringLiteral("255"));

    // The chooser's own protocol: set, shown modally, read back after "OK" only.
    const auto answer = [this](const char* button, bool touch = true) {
        QTimer::singleShot(0, window_.get(), [this, button, touch] {
            FontChooserWindow* chooser = window_->fontChooser();
            ASSERT_NE(chooser, nullptr);
            // The list taking the focus makes a row current: that is no choice.
            auto* list = chooser->findChild<QListWidget*>();
            QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
            QCoreApplication::sendEvent(list, &focus);
            for (int row = 0; row < list->count(); ++row)
                EXPECT_FALSE(list->item(row)->text().contains(QLatin1String(" ["))); // no foundry
            if (touch)
                chooser->findChild<QComboBox*>(QStringLiteral("Combo1"))
                    ->setCurrentText(QStringLiteral("10.5"));
            chooser->findChild<QPushButton*>(QLatin1String(button))->click();
        });
    };
    // "OK" without a change gives the caller's style back exactly, even a typeface this
    // machine lacks.
    const TextStyle missing{QStringLiteral("No Such Typeface 123"), 14.0, false, true, true};
    answer("Command1", false);
    EXPECT_EQ(window_->runFontChooser(missing), missing);
    const TextStyle start{QStringLiteral("DejaVu Sans"), 13.0, true, false, false};
    answer("Command2"); // "Annuler"
    EXPECT_FALSE(window_->runFontChooser(start).has_value());
    EXPECT_EQ(window_->fontChooser()->tag(), QStringLiteral("Cancel"));
    answer("Command1"); // "OK"
    const std::optional<TextStyle> chosen = window_->runFontChooser(start);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->pointSize, 10.0); // 10.5 comes back rounded to the even 10
    EXPECT_TRUE(chosen->bold);
}

TEST(FontChooser, SizeBoxRules) {
    FontChooserWindow chooser;
    chooser.setFFontSize(13);
    EXPECT_EQ(chooser.findChild<QComboBox*>(QStringLiteral("Combo1"))->currentText(),
              QStringLiteral("13"));
    EXPECT_EQ(chooser.FFontSize(), 13);
    auto* box = chooser.findChild<QComboBox*>(QStringLiteral("Combo1"));
    struct Case {
        const char* typed;
        int size;
    };
    const Case cases[] = {{"0,5", 13}, {"1", 13},    {"-4", 13}, {"abc", 13},
                          {"2", 2},    {"11.5", 12}, {"36", 36}};
    for (const Case& c : cases) {
        box->setCurrentText(QString::fromLatin1(c.typed));
        EXPECT_EQ(chooser.FFontSize(), c.size) << c.typed;
    }
    chooser.setFFontName(QStringLiteral("No Such Typeface 123"));
    const QString sample = chooser.sampleFont().family();
    chooser.setFFontName(QStringLiteral("Another Missing Face"));
    EXPECT_EQ(chooser.sampleFont().family(), sample); // the sample cannot show it
    EXPECT_EQ(chooser.FFontName(), QStringLiteral("Another Missing Face"));
    chooser.setFFontBold(true);
    chooser.setFFontUnderline(true);
    EXPECT_TRUE(chooser.FFontBold());
    EXPECT_TRUE(chooser.FFontUnderline());
    EXPECT_FALSE(chooser.FFontItalic());
}

TEST_F(EditingTest, EnvoyerChecksTheNameBeforeAnything) {
    ASSERT_NE(window_->publishPanel(), nullptr);
    auto* name = window_->findChild<QLineEdit*>(QStringLiteral("Text1"));
    name->setText(QStringLiteral("carte.jpg"));
    window_->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    ASSERT_FALSE(ui_->messages.empty());
    EXPECT_EQ(ui_->messages.back().text, kEmptyOrNotPngMessage);
    EXPECT_FALSE(window_->publishPanel()->isPublishing());
}
