// Turning truecolour pictures into 8-bit colour-mapped ones.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/canvas.h"

struct liq_attr;

namespace quillon_tools {

struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;   // one palette index per pixel, rows packed
    std::vector<uint8_t> palette;  // 3 bytes (red, green, blue) per entry
    bool exact = false;            // every pixel kept its colour
    int ColourCount() const { return static_cast<int>(palette.size() / 3); }
};

// The nearest colour of a palette (least squared distance in red, green and
// blue) for any colour. The colour cube is cut into 32 x 32 x 32 cells; each
// cell keeps the few entries that can be nearest to some colour inside it,
// found when the cell is first used, and colours found lately are cached.
class NearestColour {
public:
    void SetPalette(const std::vector<uint8_t> &palette);  // 3 bytes an entry
    uint8_t Find(uint8_t r, uint8_t g, uint8_t b) {
        uint32_t key = static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
        Cached &c = cache_[(key * 2654435761u) >> (32 - kCacheBits)];
        if (c.key != key) {
            c.key = key;
            c.index = Search(r, g, b);
        }
        return c.index;
    }

private:
    static constexpr int kCacheBits = 16;
    static constexpr int kCells = 32;  // a side
    struct Cached {
        uint32_t key = 0xFFFFFFFF;
        uint8_t index = 0;
    };
    uint8_t Search(uint8_t r, uint8_t g, uint8_t b);
    void BuildCell(int cell);

    std::vector<uint8_t> palette_;
    std::vector<std::vector<uint8_t>> cells_;  // candidate entries of each cell
    std::vector<bool> built_;
    std::vector<Cached> cache_;
};

// Maps pictures to 256 colours. One object serves one thread; its buffers
// are reused from picture to picture.
class ColourMapper {
public:
    // speed: libimagequant's speed setting, 1 (slowest, best) to 10.
    explicit ColourMapper(int speed = kDefaultSpeed);
    ~ColourMapper();
    ColourMapper(const ColourMapper &) = delete;
    ColourMapper &operator=(const ColourMapper &) = delete;

    // An opaque picture with at most 256 colours is mapped exactly; one with
    // more gets a palette of 256 colours from libimagequant (made from every
    // other row and column of a large picture), each pixel taking its nearest
    // palette colour (no dithering). Alpha is ignored: callers flatten the
    // picture first. False with error set when the quantiser fails.
    bool Map(const RgbaCanvas &picture, IndexedPicture &out, std::string &error);
    // The first half of Map alone: true, with out.exact set, when the
    // picture has at most 256 colours and is mapped exactly; false at the
    // 257th colour, out then unfinished.
    bool MapExactly(const RgbaCanvas &picture, IndexedPicture &out);

    // Chosen on the benchmark's decks (bench/tools_bench.cpp); the README's
    // performance section gives the figures.
    static constexpr int kDefaultSpeed = 8;
    // Pictures of more pixels than this get their palette from a sample:
    // every other row and column.
    static constexpr long kSampleAbove = 256 * 1024;

private:
    bool Quantise(const RgbaCanvas &picture, IndexedPicture &out, std::string &error);

    liq_attr *attr_ = nullptr;
    std::unordered_map<uint32_t, uint8_t> index_;
    std::vector<Rgba> sample_;
    NearestColour nearest_;
};

}  // namespace quillon_tools
