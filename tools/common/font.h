// A 5 x 7 pixel bitmap font for printable ASCII, for text drawn by the tools.
#pragma once

#include <string>

namespace quillon_tools {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one empty column between characters

// Whether cell (column, row) of character c's glyph is set; characters
// outside printable ASCII are drawn as '?'.
bool GlyphCell(char c, int column, int row);
// Width in pixels of text drawn with every font cell scale x scale pixels.
int TextWidth(const std::string &text, int scale);

}  // namespace quillon_tools
