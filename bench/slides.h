// Slide pictures for the benchmarks: what a presentation program hands the
// library, 8-bit colour-mapped pictures with flat backgrounds, dithered
// gradients, lines of text-like glyphs, bar charts and photo-like areas.
#pragma once

#include <cstdint>
#include <vector>

namespace quillon::bench {

struct SlidePicture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;   // width * height palette indexes, rows packed
    std::vector<uint8_t> palette;  // 256 entries of red, green, blue
};

// Slide number `index` of a deck; every slide differs, the same index always
// gives the same picture.
SlidePicture RenderSlide(int32_t width, int32_t height, uint32_t index);

// The bytes the library compresses for a colour-mapped picture whose width is
// a multiple of 4: the palette, then the pixel rows.
std::vector<uint8_t> BitmapInput(const SlidePicture &slide);

// Reads a written movie with the strict reader of tests/support and gives
// its size; false when the file is missing or not sound.
bool MovieFileIsWhole(const char *path, uint64_t *size);

}  // namespace quillon::bench
