// Exact colour maps for pictures of few colours, libimagequant for the rest.
#include "slides/palette.h"

#include <libimagequant.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <memory>
#include <unordered_map>

namespace quillon_tools {

namespace {

uint32_t Key(const Rgba &p) {
    return static_cast<uint32_t>(p.r) | (static_cast<uint32_t>(p.g) << 8) |
           (static_cast<uint32_t>(p.b) << 16);
}

struct ImageDeleter {
    void operator()(liq_image *i) const { liq_image_destroy(i); }
};
struct ResultDeleter {
    void operator()(liq_result *r) const { liq_result_destroy(r); }
};

}  // namespace

ColourMapper::ColourMapper(int speed) : attr_(liq_attr_create()) {
    if (attr_ && (liq_set_max_colors(attr_, 256) != LIQ_OK || liq_set_speed(attr_, speed) != LIQ_OK)) {
        liq_attr_destroy(attr_);
        attr_ = nullptr;
    }
}

ColourMapper::~ColourMapper() {
    if (attr_) liq_attr_destroy(attr_);
}

bool ColourMapper::MapExactly(const RgbaCanvas &picture, IndexedPicture &out) {
    out.width = picture.Width();
    out.height = picture.Height();
    out.exact = false;
    index_.clear();
    out.pixels.resize(picture.Pixels().size());
    out.palette.clear();
    // Neighbouring pixels mostly share their colour: the last one found is
    // checked before the table.
    uint32_t lastKey = 0xFFFFFFFF;
    uint8_t last = 0;
    uint8_t *to = out.pixels.data();
    for (const Rgba &p : picture.Pixels()) {
        uint32_t key = Key(p);
        if (key != lastKey) {
            auto found = index_.find(key);
            if (found == index_.end()) {
                if (index_.size() == 256) return false;
                uint8_t next = static_cast<uint8_t>(index_.size());
                found = index_.emplace(key, next).first;
                out.palette.insert(out.palette.end(), {p.r, p.g, p.b});
            }
            lastKey = key;
            last = found->second;
        }
        *to++ = last;
    }
    out.exact = true;
    return true;
}

bool ColourMapper::Quantise(const RgbaCanvas &picture, IndexedPicture &out, std::string &error) {
    if (!attr_) {
        error = "the colour quantiser could not be set up";
        return false;
    }
    // The palette of a large picture comes from a quarter of its pixels
    // (the README's performance section says what that saves).
    int width = picture.Width(), height = picture.Height();
    const Rgba *pixels = picture.Pixels().data();
    if (static_cast<long>(width) * height > kSampleAbove && width > 1 && height > 1) {
        width /= 2;
        height /= 2;
        sample_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        Rgba *to = sample_.data();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) *to++ = picture.At(x * 2, y * 2);
        pixels = sample_.data();
    }
    // The quantiser reads alpha too; flattened pictures are opaque.
    std::unique_ptr<liq_image, ImageDeleter> image(
        liq_image_create_rgba(attr_, pixels, width, height, 0));
    if (!image) {
        error = "the colour quantiser refused a picture of " + std::to_string(picture.Width()) +
                "x" + std::to_string(picture.Height()) + " pixels";
        return false;
    }
    liq_result *raw = nullptr;
    if (liq_image_quantize(image.get(), attr_, &raw) != LIQ_OK || !raw) {
        error = "the colour quantiser failed";
        return false;
    }
    std::unique_ptr<liq_result, ResultDeleter> result(raw);
    const liq_palette *palette = liq_get_palette(result.get());
    out.palette.clear();
    for (unsigned i = 0; i < palette->count; ++i)
        out.palette.insert(out.palette.end(),
                           {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    // Nearest colours, no dithering: text edges stay crisp, and the error
    // from the original is smallest.
    nearest_.SetPalette(out.palette);
    out.pixels.resize(picture.Pixels().size());
    uint8_t *to = out.pixels.data();
    for (const Rgba &p : picture.Pixels()) *to++ = nearest_.Find(p.r, p.g, p.b);
    return true;
}

void NearestColour::SetPalette(const std::vector<uint8_t> &palette) {
    palette_ = palette;
    cells_.assign(kCells * kCells * kCells, {});
    built_.assign(kCells * kCells * kCells, false);
    cache_.assign(size_t{1} << kCacheBits, Cached());
}

void NearestColour::BuildCell(int cell) {
    // The cell spans [lo, hi] in each channel. An entry can be nearest to
    // some colour of the cell only when its least distance to the cell is at
    // most the smallest of the entries' greatest distances.
    constexpr int kSide = 256 / kCells;
    int lo[3] = {cell / (kCells * kCells) * kSide, cell / kCells % kCells * kSide, cell % kCells * kSide};
    size_t count = palette_.size() / 3;
    std::vector<long> least(count);
    long bound = -1;
    for (size_t e = 0; e < count; ++e) {
        long dmin = 0, dmax = 0;
        for (int c = 0; c < 3; ++c) {
            int v = palette_[e * 3 + static_cast<size_t>(c)];
            int hi = lo[c] + kSide - 1;
            int outside = std::max({lo[c] - v, v - hi, 0});
            int far = std::max(std::abs(v - lo[c]), std::abs(v - hi));
            dmin += static_cast<long>(outside) * outside;
            dmax += static_cast<long>(far) * far;
        }
        least[e] = dmin;
        if (bound < 0 || dmax < bound) bound = dmax;
    }
    std::vector<uint8_t> &candidates = cells_[static_cast<size_t>(cell)];
    for (size_t e = 0; e < count; ++e)
        if (least[e] <= bound) candidates.push_back(static_cast<uint8_t>(e));
    built_[static_cast<size_t>(cell)] = true;
}

uint8_t NearestColour::Search(uint8_t r, uint8_t g, uint8_t b) {
    constexpr int kShift = kCells == 32 ? 3 : 4;
    int cell = ((r >> kShift) * kCells + (g >> kShift)) * kCells + (b >> kShift);
    if (!built_[static_cast<size_t>(cell)]) BuildCell(cell);
    // Squared distances stay below 3 x 255 x 255.
    int best = 1 << 30;
    uint8_t index = 0;
    for (uint8_t e : cells_[static_cast<size_t>(cell)]) {
        const uint8_t *p = &palette_[static_cast<size_t>(e) * 3];
        int dr = p[0] - r, dg = p[1] - g, db = p[2] - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            index = e;
        }
    }
    return index;
}

bool ColourMapper::Map(const RgbaCanvas &picture, IndexedPicture &out, std::string &error) {
    if (MapExactly(picture, out)) return true;
    return Quantise(picture, out, error);
}

}  // namespace quillon_tools
