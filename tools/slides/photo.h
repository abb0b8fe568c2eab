// Photographs as JPEG slides: the measure that tells a photograph from a
// drawn page, the baseline JPEG made of a slide, and the JPEG files that go
// into the movie as they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/canvas.h"

namespace quillon_tools {

// How the pixels of a slide change from one to its right-hand neighbour,
// over every other row.
struct SlideTexture {
    double flatShare = 0;   // of the pixels: the same colour as the neighbour
    double sharpShare = 0;  // of the pixels that differ: by a sharp step
};

SlideTexture MeasureTexture(const RgbaCanvas &slide);

// A photograph changes gradually almost everywhere: light, grain, soft
// edges. Text, diagrams, charts and screenshots are mostly flat areas with
// sharp edges. A slide is taken as a photograph when fewer than
// kMostFlatShare of its pixels equal their neighbour and fewer than
// kMostSharpShare of the changes are sharp steps. Chosen on real photos,
// wallpapers, PDF pages of text and screenshots: the README says how they
// fell.
inline constexpr double kMostFlatShare = 0.7;
inline constexpr double kMostSharpShare = 0.15;
// A sharp step: red, green and blue change by this much together.
inline constexpr int kSharpStep = 96;
bool LooksLikePhotograph(const SlideTexture &texture);

// The slide as a baseline JPEG (Huffman tables made for it, not
// interlaced, no metadata) at quality 1 to 100, through libvips. False with
// error set when libvips fails.
bool EncodeJpeg(const RgbaCanvas &slide, int quality, std::vector<uint8_t> &jpeg,
                std::string &error);

// What the markers of a JPEG file say about the form a slide takes as it
// is: baseline sequential, 8-bit samples and quantisation tables, greyscale
// or YCbCr (not RGB or CMYK by an Adobe marker), Huffman-coded.
struct JpegForm {
    bool baseline = false;
    int width = 0, height = 0;
};

// Reads the file's markers up to its first scan. False when the data is no
// JPEG of that form.
bool ReadJpegForm(const std::vector<uint8_t> &data, JpegForm &form);

}  // namespace quillon_tools
