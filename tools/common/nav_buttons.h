// Navigation button faces drawn by the tools, where a row of them sits, and
// the row added to a movie.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace quillon_tools {

// The three pictures of a button, in the library's 32-bit layout (alpha,
// red, green, blue), opaque: up, over (lighter) and down (darker).
struct ButtonFaces {
    std::vector<uint8_t> up, over, down;
};

// The faces of a button of an AddButton kind from QUILLON_BUTTON_PLAY to
// QUILLON_BUTTON_NEXT, each with its symbol (a plain plate for another kind).
ButtonFaces DrawButtonFaces(int32_t kind, int width, int height);

// A row of count buttons in the bottom-right corner of a stage:
// side = clamp(min(stageW, stageH) / 12, 12, 48) pixels high, side * 3 / 2
// wide, side / 4 apart and from the stage's edges.
struct ButtonRow {
    int width = 0, height = 0, gap = 0;
    int x0 = 0, y = 0;  // the first button's top-left corner
    int X(int i) const { return x0 + i * (width + gap); }
};

ButtonRow LayOutButtonRow(int stageWidth, int stageHeight, int count);

// Where a row of navigation buttons goes: in a strip of its own under the
// slide, the stage growing by the strip's height, or over the slide's
// bottom-right corner.
enum class ButtonPlace { Under, Over };

// The smallest button side kept: 4 pixels high, 6 wide, 1 apart.
constexpr int kMinButtonSide = 4;

// The row of count buttons for a slide of slideWidth x slideHeight: as
// LayOutButtonRow's, right-aligned, with the side shrunk (down to
// kMinButtonSide) until the row, its gaps at both ends included, fits the
// slide's width, and over the slide its height too. Under the slide the
// strip is the side plus a gap above and below (stripHeight; 0 over the
// slide). False when even the smallest row does not fit.
bool FitButtonRow(int slideWidth, int slideHeight, int count, ButtonPlace place, ButtonRow &row,
                  int &stripHeight);

// Adds a button of each kind, in order, at the row's places, through
// AddButton: once every slide was recorded.
void AddButtonRow(std::initializer_list<int32_t> kinds, const ButtonRow &row);

}  // namespace quillon_tools
