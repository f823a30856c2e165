#pragma once

#include "editor/editor_view.h"

#include <deque>
#include <vector>

namespace grivendale::testing {

// Counts what the editor asked the window to do; menus answer from a script.
class FakeEditorView final : public EditorView {
public:
    void present() override { ++presents; }
    void letEventsRun() override { ++eventPumps; }
    void setMoveCursor(bool move) override { moveCursor = move; }
    std::optional<MenuCommand> openMenu(Menu menu, bool smoothTicked) override {
        menusOpened.push_back({menu, smoothTicked});
        const std::optional<MenuCommand> answer =
            menuAnswers.empty() ? std::nullopt : menuAnswers.front();
        if (!menuAnswers.empty())
            menuAnswers.pop_front();
        return answer;
    }
    void toolChanged(Tool tool) override { tools.push_back(tool); }
    void paletteChanged(int slot) override { paletteSlots.push_back(slot); }
    void textStyleChanged() override {}

    struct OpenedMenu {
        Menu menu;
        bool smoothTicked;
    };
    int presents = 0, eventPumps = 0;
    bool moveCursor = false;
    std::deque<std::optional<MenuCommand>> menuAnswers;
    std::vector<OpenedMenu> menusOpened;
    std::vector<Tool> tools;
    std::vector<int> paletteSlots;
};

} // namespace grivendale::testing
