#include "editor/label_text_prompt.h"

#include "document/map_storage_check.h"

namespace grivendale {

std::optional<QString> askLabelText(UiPort& ui, const QString& prompt, const QString& title,
                                    const QString& start) {
    QString text = start;
    for (;;) {
        const std::optional<QString> answer = ui.inputBox(prompt, title, text);
        if (!answer || answer->isEmpty())
            return answer;
        const std::vector<StorageProblem> problems = labelTextProblems(*answer);
        if (problems.empty())
            return answer;
        const QString question =
            QStringLiteral("Un fichier carte ne peut pas garder ce texte tel quel :\n") +
            describeStorageProblems(problems) +
            QStringLiteral("\n\nLe garder quand même ? (« Non » pour le corriger)");
        if (ui.messageBox(question, QStringLiteral("Grivendale"), UiPort::Icon::Warning,
                          UiPort::Buttons::YesNo) == UiPort::Answer::Yes)
            return answer;
        text = *answer;
    }
}

} // namespace grivendale
