#pragma once

#include "editor/ui_port.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace grivendale {

// "Label (*.a)|*.a;*.b|Tous|*.*" becomes Qt's ";;"-separated name filters, keeping the labels.
QString toQtFileFilter(const QString& filter);

// The real boxes and dialogs, parented to the main window.
class QtUiPort final : public UiPort {
public:
    explicit QtUiPort(QWidget* parent) : parent_(parent) {}

    Answer messageBox(const QString& text, const QString& title, Icon icon,
                      Buttons buttons) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    std::optional<QString> openFile(const FileDialog& dialog) override;
    std::optional<ChosenFile> saveFile(const FileDialog& dialog) override;
    std::optional<QColor> chooseColor(const QColor& initial, const QString& title) override;
    std::optional<TextStyle> chooseFont(const TextStyle& initial) override;

    // The font chooser window is the main window's; it plugs itself in here.
    void setFontChooser(std::function<std::optional<TextStyle>(const TextStyle&)> chooser) {
        fontChooser_ = std::move(chooser);
    }

private:
    std::optional<ChosenFile> runFileDialog(const FileDialog& dialog, bool save);

    QPointer<QWidget> parent_;
    std::function<std::optional<TextStyle>(const TextStyle&)> fontChooser_;
};

} // namespace grivendale
