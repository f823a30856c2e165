#include "app/font_chooser_window.h"

#include "document/rounding.h"
#include "editor/palette_commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace grivendale {

FontChooserWindow::FontChooserWindow(QWidget* parent)
    : QDialog(parent), fonts_(new QListWidget(this)), size_(new QComboBox(this)),
      bold_(new QCheckBox(QStringLiteral("Gras"), this)),
      italic_(new QCheckBox(QStringLiteral("Italique"), this)),
      underline_(new QCheckBox(QStringLiteral("Souligné"), this)),
      sample_(new QLabel(QStringLiteral("AaBbCc0123"), this)) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Police"));
    fonts_->setObjectName(QStringLiteral("List1"));
    size_->setObjectName(QStringLiteral("Combo1"));
    size_->setEditable(true);
    size_->setInsertPolicy(QComboBox::NoInsert);
    size_->addItems({QStringLiteral("6"), QStringLiteral("8"), QStringLiteral("10"),
                     QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"),
                     QStringLiteral("18"), QStringLiteral("20"), QStringLiteral("22"),
                     QStringLiteral("24"), QStringLiteral("26"), QStringLiteral("28"),
                     QStringLiteral("30"), QStringLiteral("36"), QStringLiteral("48"),
                     QStringLiteral("72"), QStringLiteral("96")});
    size_->setCurrentIndex(-1);
    bold_->setObjectName(QStringLiteral("Gras"));
    italic_->setObjectName(QStringLiteral("Italique"));
    underline_->setObjectName(QStringLiteral("Souligne"));
    sample_->setObjectName(QStringLiteral("Label3"));
    sample_->setMinimumHeight(110);
    sample_->setAlignment(Qt::AlignCenter);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
    cancel->setObjectName(QStringLiteral("Command2"));

    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto* layout = new QGridLayout(this);
    layout->addWidget(label("Label1", QStringLiteral("Nom de la police :")), 0, 0);
    layout->addWidget(fonts_, 1, 0, 6, 1);
    layout->addWidget(label("Label2", QStringLiteral("Taille :")), 0, 1);
    layout->addWidget(size_, 1, 1);
    layout->addWidget(label("Label4", QStringLiteral("Attributs :")), 2, 1);
    layout->addWidget(bold_, 3, 1);
    layout->addWidget(italic_, 4, 1);
    layout->addWidget(underline_, 5, 1);
    layout->addWidget(label("Label5", QStringLiteral("Test :")), 0, 2);
    layout->addWidget(sample_, 1, 2, 4, 1);
    layout->addWidget(ok, 5, 2);
    layout->addWidget(cancel, 6, 2);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(2, 2);
    resize(600, 260);

    // The screen fonts, in the platform's order, listed once when the window is made; by family
    // name alone ("C059", not "C059 [UKWN]"), which is what maps store.
    QStringList families;
    for (QString family : QFontDatabase::families()) {
        if (const qsizetype foundry = family.indexOf(QStringLiteral(" [")); foundry > 0)
            family.truncate(foundry);
        if (!families.contains(family))
            families.append(family);
    }
    fonts_->addItems(families);

    // Only a choice changes the typeface: the list making its first row current when it gets
    // the focus changes no selection, so it does not count.
    connect(fonts_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> chosen = fonts_->selectedItems();
        if (chosen.isEmpty())
            return;
        name_ = chosen.front()->text();
        QFont font = sample_->font();
        font.setFamily(name_);
        sample_->setFont(font);
    });
    connect(size_, &QComboBox::currentTextChanged, this, &FontChooserWindow::sizeTextChanged);
    connect(bold_, &QCheckBox::toggled, this, [this](bool on) {
        QFont font = sample_->font();
        font.setBold(on);
        sample_->setFont(font);
    });
    connect(italic_, &QCheckBox::toggled, this, [this](bool on) {
        QFont font = sample_->font();
        font.setItalic(on);
        sample_->setFont(font);
    });
    connect(underline_, &QCheckBox::toggled, this, [this](bool on) {
        QFont font = sample_->font();
        font.setUnderline(on);
        sample_->setFont(font);
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        tag_ = QStringLiteral("OK");
        hide();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        tag_ = QStringLiteral("Cancel");
        hide();
    });
}

void FontChooserWindow::sizeTextChanged(const QString& text) {
    // 1, 0, negative numbers and non-numbers leave the sample's size as it is.
    if (const std::optional<double> points = fontSizeFromText(text)) {
        QFont font = sample_->font();
        font.setPointSizeF(*points);
        sample_->setFont(font);
    }
}

void FontChooserWindow::setFFontBold(bool bold) {
    bold_->setChecked(bold);
    QFont font = sample_->font();
    font.setBold(bold);
    sample_->setFont(font);
}

void FontChooserWindow::setFFontItalic(bool italic) {
    italic_->setChecked(italic);
    QFont font = sample_->font();
    font.setItalic(italic);
    sample_->setFont(font);
}

void FontChooserWindow::setFFontUnderline(bool underline) {
    underline_->setChecked(underline);
    QFont font = sample_->font();
    font.setUnderline(underline);
    sample_->setFont(font);
}

void FontChooserWindow::setFFontSize(std::int32_t size) {
    const QString text = QString::number(size);
    if (size_->currentText() == text)
        sizeTextChanged(text); // the box holds it already: the sample still takes it
    else
        size_->setCurrentText(text);
}

void FontChooserWindow::setFFontName(const QString& name) {
    // The name is kept even when the list lacks it, so "OK" without a choice gives it back.
    name_ = name;
    // The last row of exactly that name; none leaves the sample as it was, with nothing chosen.
    for (int row = fonts_->count() - 1; row >= 0; --row) {
        if (fonts_->item(row)->text() == name) {
            fonts_->setCurrentRow(row);
            QFont font = sample_->font();
            font.setFamily(name);
            sample_->setFont(font);
            return;
        }
    }
    const QSignalBlocker quiet(fonts_);
    fonts_->clearSelection();
    fonts_->setCurrentRow(-1);
}

bool FontChooserWindow::FFontBold() const {
    return sample_->font().bold();
}

bool FontChooserWindow::FFontItalic() const {
    return sample_->font().italic();
}

bool FontChooserWindow::FFontUnderline() const {
    return sample_->font().underline();
}

std::int32_t FontChooserWindow::FFontSize() const {
    return roundHalfEven(sample_->font().pointSizeF());
}

QString FontChooserWindow::FFontName() const {
    return name_;
}

void FontChooserWindow::closeEvent(QCloseEvent* event) {
    closedByFrame_ = true;
    QDialog::closeEvent(event);
}

QFont FontChooserWindow::sampleFont() const {
    return sample_->font();
}

} // namespace grivendale
