// The main window's side of editing: forwarding the canvas, the keys and the panels to the
// editor, and showing what the editor asks for.
#include "app/canvas_widget.h"
#include "app/font_chooser_window.h"
#include "app/main_window.h"
#include "document/rounding.h"
#include "editor/context_menu_commands.h"
#include "editor/key_commands.h"
#include "editor/palette_commands.h"
#include "editor/pointer_editing.h"
#include "imaging/colors.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

namespace grivendale {

namespace {

int buttonNumber(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return kLeftButton;
    case Qt::RightButton:
        return kRightButton;
    default:
        return 0;
    }
}

int buttonsHeld(Qt::MouseButtons buttons) {
    return (buttons.testFlag(Qt::LeftButton) ? kLeftButton : 0) |
           (buttons.testFlag(Qt::RightButton) ? kRightButton : 0);
}

// Keys keep their text meaning inside a text box.
bool isTextField(const QWidget* widget) {
    if (!widget)
        return false;
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
        qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget))
        return true;
    const auto* combo = qobject_cast<const QComboBox*>(widget);
    return combo && combo->isEditable();
}

QAction* commandAction(QMenu* menu, const QString& text, MenuCommand command) {
    QAction* action = menu->addAction(text);
    action->setData(QVariant::fromValue(static_cast<int>(command.kind) * 100000 + command.index));
    return action;
}

std::optional<MenuCommand> commandOf(const QAction* action) {
    if (!action || !action->data().isValid())
        return std::nullopt;
    const int code = action->data().toInt();
    return MenuCommand{static_cast<MenuCommand::Kind>(code / 100000), code % 100000};
}

} // namespace

void MainWindow::connectEditor() {
    const std::pair<QRadioButton*, Tool> tools[] = {{fillTool_, Tool::Fill},
                                                    {lineTool_, Tool::Line},
                                                    {selectTool_, Tool::Select},
                                                    {pictoTool_, Tool::AddPicto},
                                                    {textTool_, Tool::Text}};
    for (const auto& [option, tool] : tools) {
        connect(option, &QRadioButton::toggled, this, [this, tool = tool](bool on) {
            if (on)
                chooseTool(*ctx_, tool);
        });
    }

    connect(canvas_, &CanvasWidget::pressed, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPointF at) {
                canvas_->setFocus(Qt::MouseFocusReason);
                pointerPress(*ctx_, buttonNumber(button), at.x(), at.y());
            });
    connect(canvas_, &CanvasWidget::moved, this,
            [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers, QPointF at) {
                pointerMove(*ctx_, buttonsHeld(buttons), at.x(), at.y());
            });
    connect(canvas_, &CanvasWidget::released, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPointF at) {
                pointerRelease(*ctx_, buttonNumber(button), at.x(), at.y());
                history_.record(doc_); // the drag, whole, is one step
            });
    connect(canvas_, &CanvasWidget::doubleClicked, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, QPointF) { pointerDoubleClick(*ctx_); });

    connect(pictoList_, &QListWidget::itemClicked, this, &MainWindow::pictoChosen);
    connect(pictoList_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item)
            pictoChosen(item);
    });
    connect(removeKeyButton_, &QPushButton::clicked, this, [this] {
        QString error;
        if (!removeTransparency(*ctx_, &error) && !error.isEmpty())
            ui_->messageBox(error, kAppTitle, UiPort::Icon::Warning, UiPort::Buttons::Ok);
    });
    connect(widthBox_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        panel_.widthText = text;
        updateLinePreview();
    });
    connect(smoothBox_, &QCheckBox::toggled, this, [this](bool on) { panel_.smooth = on; });
    connect(backgroundLineBox_, &QCheckBox::toggled, this,
            [this](bool on) { panel_.inBackground = on; });
    const int buttonSlots[] = {kFillColorSlot, kLineColorSlot, kTextColorSlot};
    for (int i = 0; i < 3; ++i) {
        connect(changeColourButtons_[i], &QPushButton::clicked, this,
                [this, slot = buttonSlots[i]] { changePaletteColour(*ctx_, slot); });
    }
    connect(changeFontButton_, &QPushButton::clicked, this, [this] { changeTextStyle(*ctx_); });

    // Labels and the preview answer clicks through the window's event filter.
    for (QLabel* swatch : swatches_)
        swatch->installEventFilter(this);
    textPreview_->installEventFilter(this);
    pictoPreview_->installEventFilter(this);
    for (QLineEdit* field : findChildren<QLineEdit*>())
        field->installEventFilter(this);
}

void MainWindow::buildMenus() {
    delete lineMenu_;
    delete textMenu_;

    lineMenu_ = new QMenu(QStringLiteral("pop"), this);
    lineMenu_->setObjectName(QStringLiteral("popupm"));
    smoothAction_ = commandAction(lineMenu_, QStringLiteral("Lisser en courbe"),
                                  {MenuCommand::Kind::ToggleSmooth, 0});
    smoothAction_->setObjectName(QStringLiteral("lisser"));
    smoothAction_->setCheckable(true);
    QMenu* widths = lineMenu_->addMenu(QStringLiteral("Taille ligne"));
    widths->setObjectName(QStringLiteral("tailleligne"));
    widthMenuAction_ = widths->menuAction();
    for (int i = 0; i < 4; ++i)
        commandAction(widths, QString::number(2 * i + 1), {MenuCommand::Kind::LineWidth, i})
            ->setObjectName(QStringLiteral("tailleligneval%1").arg(i));
    lineSeparator_ = lineMenu_->addSeparator();
    lineSeparator_->setObjectName(QStringLiteral("qzsep"));
    for (std::int32_t n = 1; n <= library_.PictoCount(); ++n)
        commandAction(lineMenu_, library_.baseName(n), {MenuCommand::Kind::SwapPicto, n})
            ->setObjectName(QStringLiteral("pictomenu%1").arg(n));
    lineMenu_->addSeparator();
    commandAction(lineMenu_, QStringLiteral("Supprimer"), {MenuCommand::Kind::DeleteElement, 0});

    textMenu_ = new QMenu(QStringLiteral("pop2"), this);
    textMenu_->setObjectName(QStringLiteral("pop2"));
    commandAction(textMenu_, QStringLiteral("Changer Texte..."), {MenuCommand::Kind::ChangeText, 0})
        ->setObjectName(QStringLiteral("changetext"));
    QMenu* sizes = textMenu_->addMenu(QStringLiteral("Taille"));
    sizes->setObjectName(QStringLiteral("taillemenu"));
    for (int i = 0; i < 8; ++i)
        commandAction(sizes, QString::number(2 * (i + 4)), {MenuCommand::Kind::TextSize, i})
            ->setObjectName(QStringLiteral("taille%1").arg(i));
    commandAction(sizes, QStringLiteral("Autre..."), {MenuCommand::Kind::OtherSize, 0})
        ->setObjectName(QStringLiteral("autretaille"));
    commandAction(textMenu_, QStringLiteral("Couleur..."), {MenuCommand::Kind::TextColour, 0})
        ->setObjectName(QStringLiteral("couleur"));
    commandAction(textMenu_, QStringLiteral("Police..."), {MenuCommand::Kind::TextFont, 0})
        ->setObjectName(QStringLiteral("police"));
    textMenu_->addSeparator()->setObjectName(QStringLiteral("barre"));
    commandAction(textMenu_, QStringLiteral("Supprimer"), {MenuCommand::Kind::DeleteText, 0})
        ->setObjectName(QStringLiteral("suppr2"));
}

void MainWindow::present() {
    presentCanvas();
}

void MainWindow::letEventsRun() {
    // The canvas shows each drag step as it is made, where it changed.
    canvas_->repaintPending();
}

void MainWindow::setMoveCursor(bool move) {
    canvas_->setCursor(move ? Qt::SizeAllCursor : Qt::ArrowCursor);
}

std::optional<MenuCommand> MainWindow::openMenu(Menu menu, bool smoothTicked) {
    QMenu* shown = menu == Menu::Text ? textMenu_ : lineMenu_;
    if (menu != Menu::Text) {
        const bool line = menu == Menu::Line;
        smoothAction_->setVisible(line);
        smoothAction_->setChecked(line && smoothTicked);
        widthMenuAction_->setVisible(line);
        lineSeparator_->setVisible(line);
    }
    return commandOf(shown->exec(QCursor::pos()));
}

void MainWindow::toolChanged(Tool tool) {
    QRadioButton* option = nullptr;
    switch (tool) {
    case Tool::Fill:
        option = fillTool_;
        break;
    case Tool::Line:
        option = lineTool_;
        break;
    case Tool::Select:
        option = selectTool_;
        break;
    case Tool::AddPicto:
        option = pictoTool_;
        break;
    case Tool::Text:
        option = textTool_;
        break;
    }
    if (option && !option->isChecked()) {
        const QSignalBlocker blocker(option);
        option->setChecked(true);
    }
}

void MainWindow::paletteChanged(int slot) {
    if (slot >= 0 && slot < 5) {
        swatches_[slot]->setStyleSheet(
            QStringLiteral("background-color: %1; border: 1px solid black;")
                .arg(QColor(bgrToRgb(editor_.Colors[static_cast<std::size_t>(slot)])).name()));
    }
    if (slot == kLineColorSlot)
        updateLinePreview();
}

void MainWindow::textStyleChanged() {
    QFont font(panel_.textStyle.family);
    font.setPointSizeF(panel_.textStyle.pointSize);
    font.setBold(panel_.textStyle.bold);
    font.setItalic(panel_.textStyle.italic);
    font.setUnderline(panel_.textStyle.underline);
    textPreview_->setFont(font);
}

void MainWindow::pictoChosen(QListWidgetItem* item) {
    const std::int32_t number = item->data(Qt::UserRole).toInt();
    previewImage_ = choosePicto(*ctx_, number);
    pictoPreview_->setPixmap(QPixmap::fromImage(previewImage_));
    removeKeyButton_->show();
}

void MainWindow::previewClicked(QPoint at) {
    // The picture is centred in the preview: clicks are mapped to its own pixels.
    const QPoint offset((pictoPreview_->width() - previewImage_.width()) / 2,
                        (pictoPreview_->height() - previewImage_.height()) / 2);
    QString error;
    pickTransparentColour(*ctx_, previewImage_, at - offset, &error);
}

std::optional<TextStyle> MainWindow::runFontChooser(const TextStyle& initial) {
    if (!fontChooser_)
        fontChooser_ = new FontChooserWindow(this);
    fontChooser_->setFFontBold(initial.bold);
    fontChooser_->setFFontItalic(initial.italic);
    fontChooser_->setFFontName(initial.family);
    fontChooser_->setFFontSize(roundHalfEven(initial.pointSize));
    fontChooser_->setFFontUnderline(initial.underline);
    fontChooser_->setTag(QString());
    fontChooser_->exec();
    std::optional<TextStyle> chosen;
    if (fontChooser_->tag() == QLatin1String("OK"))
        chosen = TextStyle{
            fontChooser_->FFontName(), static_cast<double>(fontChooser_->FFontSize()),
            fontChooser_->FFontBold(), fontChooser_->FFontItalic(), fontChooser_->FFontUnderline()};
    if (fontChooser_->closedByFrame())
        delete fontChooser_.data(); // made afresh, font list included, at the next use
    return chosen;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers().testFlag(Qt::ControlModifier))
        pressedWithCtrl_.insert(event->key());
    else if (!event->isAutoRepeat())
        pressedWithCtrl_.erase(event->key());
    QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    // Commands act on the release of the letter; a user who lets go of Ctrl a moment before
    // it still means Ctrl+letter.
    Qt::KeyboardModifiers modifiers = event->modifiers();
    if (!event->isAutoRepeat() && pressedWithCtrl_.erase(event->key()) > 0)
        modifiers |= Qt::ControlModifier;
    if (!isTextField(QApplication::focusWidget()) && keyRelease(*ctx_, event->key(), modifiers)) {
        event->accept();
        return;
    }
    QMainWindow::keyReleaseEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // While a text is typed in a field, the window's shortcuts leave its keys to the field.
    if (event->type() == QEvent::ShortcutOverride && isTextField(qobject_cast<QWidget*>(watched))) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // A right click on a swatch or the text preview is no request for its dialog.
        const bool left = mouse->button() == Qt::LeftButton;
        for (int slot = 0; slot < 5 && left; ++slot) {
            if (watched == swatches_[slot]) {
                changePaletteColour(*ctx_, slot);
                return true;
            }
        }
        if (watched == textPreview_ && left) {
            changeTextStyle(*ctx_);
            return true;
        }
        if (watched == pictoPreview_) {
            previewClicked(mouse->position().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace grivendale

namespace grivendale {

FontChooserWindow* MainWindow::fontChooser() const {
    return fontChooser_.data();
}

} // namespace grivendale
