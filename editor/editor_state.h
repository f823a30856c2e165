#pragma once

#include "document/map_document.h"

#include <array>
#include <cstdint>

namespace grivendale {

// Palette slots: 0 fill, 1 line, 4 text.
inline constexpr int kFillColorSlot = 0;
inline constexpr int kLineColorSlot = 1;
inline constexpr int kTextColorSlot = 4;

// What the tools and the pointer are doing; all modes false means placing pictograms.
struct EditorState {
    bool FillMode = false;
    bool SelectMode = true;
    bool LineMode = false;
    bool TextMode = false;
    std::int32_t SelectedItem = -1;  // item slot, -1 when nothing is selected
    std::int32_t SelectedPoint = -1; // vertex of a grabbed line, -1 when none
    double DragX = 0;
    double DragY = 0;
    double PointerX = 0;
    double PointerY = 0;
    MapLine CurrentLine; // absolute points; PointCount 0 when no line is under way
    std::array<std::uint32_t, 5> Colors{};
    MapItem CopiedItem;
    bool HasCopiedItem = false;
};

} // namespace grivendale
