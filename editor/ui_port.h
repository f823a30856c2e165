#pragma once

#include "document/text_style.h"

#include <QColor>
#include <QString>

#include <optional>

namespace grivendale {

// Everything that needs a person: boxes, dialogs and choosers. The window supplies the real
// ones; tests supply scripted answers, so nothing ever blocks on a modal dialog.
class UiPort {
public:
    enum class Icon { None, Information, Question, Warning, Stop };
    // YesNoSafe: "Non" is the default, where "Oui" takes a risk (a certificate to trust).
    enum class Buttons { Ok, YesNo, YesNoSafe };
    enum class Answer { Ok, Yes, No };

    // A file dialog. `filter` pairs labels and patterns separated by '|', as in
    // "Fichier cartes (*.car)|*.car"; `fileName` is the name the dialog starts with.
    struct FileDialog {
        QString title;
        QString folder;
        QString fileName;
        QString filter;
    };

    virtual ~UiPort() = default;

    virtual Answer messageBox(const QString& text, const QString& title, Icon icon,
                              Buttons buttons) = 0;
    // The text typed, or nothing when cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;
    // What a save dialog gives back: the path as typed and the filter entry chosen (from 0).
    struct ChosenFile {
        QString path;
        int filter = 0;
    };

    // The chosen full path, or nothing when cancelled.
    virtual std::optional<QString> openFile(const FileDialog& dialog) = 0;
    // The dialog neither adds an extension nor asks before replacing a file: the caller does.
    virtual std::optional<ChosenFile> saveFile(const FileDialog& dialog) = 0;
    // The colour dialog; `title` empty means the platform's own.
    virtual std::optional<QColor> chooseColor(const QColor& initial, const QString& title) = 0;
    virtual std::optional<TextStyle> chooseFont(const TextStyle& initial) = 0;
};

} // namespace grivendale
