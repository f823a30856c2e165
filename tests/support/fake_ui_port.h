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
        Icon icon;
        Buttons buttons;
    };

    Answer messageBox(const QString& text, const QString&, Icon icon, Buttons buttons) override {
        messages.push_back({text, icon, buttons});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        const Answer a = answers.empty() ? Answer::No : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return a;
    }
    std::optional<QString> inputBox(const QString&, const QString&,
                                    const QString& defaultText) override {
        inputDefaults.push_back(defaultText);
        return pop(inputs);
    }
    std::optional<QString> openFile(const FileDialog& d) override {
        dialogs.push_back(d);
        return pop(files);
    }
    std::optional<ChosenFile> saveFile(const FileDialog& d) override {
        dialogs.push_back(d);
        const std::optional<QString> path = pop(files);
        return path ? std::optional(ChosenFile{*path, 0}) : std::nullopt;
    }
    std::optional<QColor> chooseColor(const QColor& initial, const QString&) override {
        colorStarts.push_back(initial.rgb());
        return pop(colors);
    }
    std::optional<TextStyle> chooseFont(const TextStyle& initial) override {
        fontStarts.push_back(initial);
        return pop(fonts);
    }

    std::deque<Answer> answers;
    std::deque<std::optional<QString>> inputs, files;
    std::deque<std::optional<QColor>> colors;
    std::deque<std::optional<TextStyle>> fonts;

    std::vector<Message> messages;
    std::vector<QString> inputDefaults; // what each input box started with
    std::vector<FileDialog> dialogs;    // each file dialog as it opened
    std::vector<QRgb> colorStarts;      // the colour each chooser started with
    std::vector<TextStyle> fontStarts;

private:
    template <typename T> static std::optional<T> pop(std::deque<std::optional<T>>& queue) {
        std::optional<T> front; // swapped out: a moved-from optional upsets -Wmaybe-uninitialized
        if (!queue.empty()) {
            front.swap(queue.front());
            queue.pop_front();
        }
        return front;
    }
};

} // namespace grivendale::testing
