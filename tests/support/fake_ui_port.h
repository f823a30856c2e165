#pragma once

#include "editor/ui_port.h"

#include <deque>
#include <vector>

namespace grivendale::testing {

// Scripted answers for the boxes and dialogs; records what was asked.
class FakeUiPort final : public UiPort {
public:
    struct Message {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
    };

    Answer messageBox(const QString& text, const QString& title, Icon icon,
                      Buttons buttons) override {
        messages.push_back({text, title, icon, buttons});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (answers.empty())
            return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString&) override {
        prompts.push_back(prompt + QLatin1Char('|') + title);
        return pop(inputs);
    }
    std::optional<QString> openFile(const FileDialog& dialog) override {
        dialogs.push_back(dialog);
        return pop(files);
    }
    std::optional<QString> saveFile(const FileDialog& dialog) override {
        dialogs.push_back(dialog);
        return pop(files);
    }
    std::optional<QColor> chooseColor(const QColor&, const QString& title) override {
        colorTitles.push_back(title);
        return pop(colors);
    }
    std::optional<TextStyle> chooseFont(const TextStyle&) override { return pop(fonts); }

    std::deque<Answer> answers;
    std::deque<std::optional<QString>> inputs;
    std::deque<std::optional<QString>> files;
    std::deque<std::optional<QColor>> colors;
    std::deque<std::optional<TextStyle>> fonts;

    std::vector<Message> messages;
    std::vector<QString> prompts;
    std::vector<FileDialog> dialogs;
    std::vector<QString> colorTitles;

private:
    template <typename T> static std::optional<T> pop(std::deque<std::optional<T>>& queue) {
        std::optional<T> front;
        if (!queue.empty()) {
            front.swap(queue.front());
            queue.pop_front();
        }
        return front;
    }
};

} // namespace grivendale::testing
