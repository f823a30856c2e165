#include "app/qt_ui_port.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

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
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
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

std::optional<QString> QtUiPort::openFile(const FileDialog& dialog) {
    const QString path = QFileDialog::getOpenFileName(parent_, dialog.title, startPath(dialog),
                                                      toQtFileFilter(dialog.filter));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> QtUiPort::saveFile(const FileDialog& dialog) {
    // The map and export commands replace an existing file without a question.
    const QString path = QFileDialog::getSaveFileName(parent_, dialog.title, startPath(dialog),
                                                      toQtFileFilter(dialog.filter), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return std::nullopt;
    return path;
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
