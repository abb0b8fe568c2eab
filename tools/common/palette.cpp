// Exact colour maps for pictures of few colours, libimagequant for the rest.
#include "common/palette.h"

#include <libimagequant.h>

#include <algorithm>
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
    return true;
}

bool ColourMapper::Quantise(const RgbaCanvas &picture, IndexedPicture &out, std::string &error) {
    if (!attr_) {
        error = "the colour quantiser could not be set up";
        return false;
    }
    // The quantiser reads alpha too; flattened pictures are opaque.
    std::unique_ptr<liq_image, ImageDeleter> image(liq_image_create_rgba(
        attr_, picture.Pixels().data(), picture.Width(), picture.Height(), 0));
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
    // Nearest colours, no dithering: text edges stay crisp, and the error
    // from the original is smallest.
    liq_set_dithering_level(result.get(), 0.0f);
    out.pixels.resize(picture.Pixels().size());
    if (liq_write_remapped_image(result.get(), image.get(), out.pixels.data(), out.pixels.size()) !=
        LIQ_OK) {
        error = "the colour quantiser could not map the picture";
        return false;
    }
    const liq_palette *palette = liq_get_palette(result.get());
    out.palette.clear();
    for (unsigned i = 0; i < palette->count; ++i)
        out.palette.insert(out.palette.end(),
                           {palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    return true;
}

bool ColourMapper::Map(const RgbaCanvas &picture, IndexedPicture &out, std::string &error) {
    out.width = picture.Width();
    out.height = picture.Height();
    out.exact = MapExactly(picture, out);
    if (out.exact) return true;
    return Quantise(picture, out, error);
}

void Flatten(RgbaCanvas &picture, Rgb background) {
    for (Rgba &p : picture.Pixels()) {
        if (p.a == 255) continue;
        auto mix = [&](uint8_t c, uint8_t bg) {
            return static_cast<uint8_t>((c * p.a + bg * (255 - p.a) + 127) / 255);
        };
        p = Rgba{mix(p.r, background.r), mix(p.g, background.g), mix(p.b, background.b), 255};
    }
}

void FitToStage(const RgbaCanvas &picture, int width, int height, Rgb background,
                RgbaCanvas &stage) {
    stage.Resize(width, height);
    std::fill(stage.Pixels().begin(), stage.Pixels().end(),
              Rgba{background.r, background.g, background.b, 255});
    double scale = std::min(static_cast<double>(width) / picture.Width(),
                            static_cast<double>(height) / picture.Height());
    int w = std::max(1, static_cast<int>(std::lround(picture.Width() * scale)));
    int h = std::max(1, static_cast<int>(std::lround(picture.Height() * scale)));
    w = std::min(w, width);
    h = std::min(h, height);
    int left = (width - w) / 2, top = (height - h) / 2;
    double sx = static_cast<double>(picture.Width()) / w;
    double sy = static_cast<double>(picture.Height()) / h;
    for (int y = 0; y < h; ++y) {
        double y0 = y * sy, y1 = (y + 1) * sy;
        for (int x = 0; x < w; ++x) {
            double x0 = x * sx, x1 = (x + 1) * sx;
            double sum[4] = {0, 0, 0, 0}, total = 0;
            for (int v = static_cast<int>(y0); v < std::min(picture.Height(), static_cast<int>(std::ceil(y1))); ++v) {
                double wy = std::min(y1, v + 1.0) - std::max(y0, static_cast<double>(v));
                if (wy <= 0) continue;
                for (int u = static_cast<int>(x0); u < std::min(picture.Width(), static_cast<int>(std::ceil(x1))); ++u) {
                    double wx = std::min(x1, u + 1.0) - std::max(x0, static_cast<double>(u));
                    if (wx <= 0) continue;
                    const Rgba &p = picture.At(u, v);
                    double wgt = wx * wy;
                    sum[0] += p.r * wgt;
                    sum[1] += p.g * wgt;
                    sum[2] += p.b * wgt;
                    sum[3] += p.a * wgt;
                    total += wgt;
                }
            }
            if (total <= 0) continue;
            auto c = [&](int k) { return static_cast<uint8_t>(std::lround(sum[k] / total)); };
            stage.Set(left + x, top + y, Rgba{c(0), c(1), c(2), c(3)});
        }
    }
}

}  // namespace quillon_tools
