#include "app/qt_ui_port.h"

#include "app/french_file_model.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <algorithm>

namespace grivendale {

QString toQtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the last parenthesis of each entry, so a label that shows
        // them already ("Fichier cartes (*.car)") gives way to the real ones, once.
        QString label = parts[i];
        if (label.endsWith(QLatin1Char(')')) && label.contains(QLatin1Char('(')))
            label = label.left(label.lastIndexOf(QLatin1Char('('))).trimmed();
        filters.append(QStringLiteral("%1 (%2)").arg(label, patterns));
    }
    return filters.join(QStringLiteral(";;"));
}

UiPort::Answer QtUiPort::messageBox(const QString& text, const QString& title, Icon icon,
                                    Buttons buttons) {
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons != Buttons::Ok) {
        const QAbstractButton* yes = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
        if (buttons == Buttons::YesNoSafe)
            box.setDefaultButton(no);
        box.exec();
        return box.clickedButton() == yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

std::optional<QString> QtUiPort::inputBox(const QString& prompt, const QString& title,
                                          const QString& defaultText) {
    QInputDialog box(parent_);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    // Wide enough for its whole title, which the window manager would otherwise cut.
    const int titleWidth = box.fontMetrics().horizontalAdvance(title) * 5 / 4 + 160;
    box.resize(std::max(box.sizeHint().width(), titleWidth), box.sizeHint().height());
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

namespace {

QString startPath(const UiPort::FileDialog& dialog) {
    if (dialog.fileName.isEmpty())
        return dialog.folder;
    if (QFileInfo(dialog.fileName).isAbsolute() || dialog.folder.isEmpty())
        return dialog.fileName;
    return dialog.folder + QLatin1Char('/') + dialog.fileName;
}

} // namespace

std::optional<UiPort::ChosenFile> QtUiPort::runFileDialog(const FileDialog& dialog, bool save) {
    const QString filters = toQtFileFilter(dialog.filter);
    QFileDialog box(parent_, dialog.title, startPath(dialog), filters);
    // The toolkit's own dialog, whose columns the program can put in French; the window asks
    // before replacing, once the extension of the chosen filter is added.
    box.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    box.setProxyModel(new FrenchFileModel(&box));
    box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty() ||
        box.selectedFiles().constFirst().isEmpty())
        return std::nullopt;
    return ChosenFile{
        box.selectedFiles().constFirst(),
        std::max(0, static_cast<int>(
                        filters.split(QStringLiteral(";;")).indexOf(box.selectedNameFilter())))};
}

std::optional<QString> QtUiPort::openFile(const FileDialog& dialog) {
    const std::optional<ChosenFile> chosen = runFileDialog(dialog, false);
    return chosen ? std::optional(chosen->path) : std::nullopt;
}

std::optional<UiPort::ChosenFile> QtUiPort::saveFile(const FileDialog& dialog) {
    return runFileDialog(dialog, true);
}

std::optional<QColor> QtUiPort::chooseColor(const QColor& initial, const QString& title) {
    const QColor color = QColorDialog::getColor(initial, parent_, title);
    if (!color.isValid())
        return std::nullopt;
    return color;
}

std::optional<TextStyle> QtUiPort::chooseFont(const TextStyle& initial) {
    if (fontChooser_)
        return fontChooser_(initial);
    QFont font(initial.family);
    font.setPointSizeF(initial.pointSize);
    font.setBold(initial.bold);
    font.setItalic(initial.italic);
    font.setUnderline(initial.underline);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent_);
    if (!ok)
        return std::nullopt;
    return TextStyle{chosen.family(), chosen.pointSizeF(), chosen.bold(), chosen.italic(),
                     chosen.underline()};
}

} // namespace grivendale
