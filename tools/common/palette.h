// Turning truecolour pictures into 8-bit colour-mapped ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/canvas.h"

namespace quillon_tools {

struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;   // one palette index per pixel, rows packed
    std::vector<uint8_t> palette;  // 3 bytes (red, green, blue) per entry
    bool exact = false;            // every pixel kept its colour
    int ColourCount() const { return static_cast<int>(palette.size() / 3); }
};

// An opaque picture with at most 256 colours is mapped exactly; one with
// more is quantised to 256 colours with libimagequant, each pixel taking its
// nearest palette colour (no dithering). Alpha is
// ignored: callers flatten the picture first. False with error set when the
// quantiser fails.
bool ToIndexed(const RgbaCanvas &picture, IndexedPicture &out, std::string &error);

// The picture drawn over an opaque background, with straight alpha.
void Flatten(RgbaCanvas &picture, Rgb background);

// The picture scaled to fit a width x height stage, keeping its proportions,
// centred on the background colour. A picture of the stage's size is copied
// unchanged. Scaling averages the source pixels each stage pixel covers.
RgbaCanvas FitToStage(const RgbaCanvas &picture, int width, int height, Rgb background);

}  // namespace quillon_tools
