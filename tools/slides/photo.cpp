// The photograph measure, JPEG encoding through libvips, and the marker
// walk that lets a JPEG file into the movie unchanged.
#include "slides/photo.h"

#include <cstdlib>
#include <memory>

#include "slides/vips_api.h"

namespace quillon_tools {

namespace {

// JPEG markers: the second byte after 0xFF.
enum JpegMarker : uint8_t {
    kSof0 = 0xC0,  // baseline sequential, Huffman-coded
    kDht = 0xC4,
    kDac = 0xCC,  // arithmetic-coding conditions
    kSof15 = 0xCF,
    kRst0 = 0xD0,
    kRst7 = 0xD7,
    kSoi = 0xD8,
    kEoi = 0xD9,
    kSos = 0xDA,
    kDqt = 0xDB,
    kApp14 = 0xEE,  // Adobe's: says whether three components are YCbCr
    kTem = 0x01,
};

struct ImageUnref {
    void operator()(VipsImage *image) const { Vips().g_object_unref(image); }
};
using Image = std::unique_ptr<VipsImage, ImageUnref>;

uint16_t Be16(const uint8_t *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// A DQT segment's tables: each starts with its precision (0: 8-bit values).
bool EightBitTables(const uint8_t *p, size_t size) {
    for (size_t at = 0; at < size;) {
        bool wide = (p[at] >> 4) != 0;
        if (wide) return false;
        at += 1 + 64;
    }
    return true;
}

}  // namespace

SlideTexture MeasureTexture(const RgbaCanvas &slide) {
    const int w = slide.Width(), h = slide.Height();
    uint64_t pairs = 0, flat = 0, sharp = 0;
    for (int y = 0; y < h; y += 2) {
        const Rgba *row = &slide.Pixels()[static_cast<size_t>(y) * w];
        for (int x = 1; x < w; ++x) {
            const Rgba &a = row[x - 1], &b = row[x];
            int step = std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
            flat += step == 0;
            sharp += step >= kSharpStep;
        }
        pairs += static_cast<uint64_t>(w - 1);
    }
    SlideTexture t;
    if (pairs == 0) return t;
    t.flatShare = static_cast<double>(flat) / pairs;
    if (pairs > flat) t.sharpShare = static_cast<double>(sharp) / (pairs - flat);
    return t;
}

bool LooksLikePhotograph(const SlideTexture &t) {
    return t.flatShare < kMostFlatShare && t.sharpShare < kMostSharpShare;
}

bool EncodeJpeg(const RgbaCanvas &slide, int quality, std::vector<uint8_t> &jpeg,
                std::string &error) {
    const VipsApi &vips = Vips();
    if (!vips.error.empty()) {
        error = vips.error;
        return false;
    }
    const std::vector<Rgba> &pixels = slide.Pixels();
    Image rgba(vips.vips_image_new_from_memory(pixels.data(), pixels.size() * sizeof(Rgba),
                                               slide.Width(), slide.Height(), 4, VIPS_FORMAT_UCHAR));
    VipsImage *out = nullptr;
    bool ok = rgba && vips.vips_extract_band(rgba.get(), &out, 0, "n", 3, nullptr) == 0;
    Image rgb(out);
    out = nullptr;
    ok = ok && vips.vips_copy(rgb.get(), &out, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr) == 0;
    Image srgb(out);
    void *buffer = nullptr;
    size_t length = 0;
    ok = ok && vips.vips_jpegsave_buffer(srgb.get(), &buffer, &length, "Q", quality,
                                         "optimize_coding", TRUE, "interlace", FALSE, "strip", TRUE,
                                         nullptr) == 0;
    if (!ok) {
        char *all = vips.vips_error_buffer_copy();
        error = std::string("JPEG encoding failed: ") + (all ? all : "no reason given");
        vips.g_free(all);
        if (!error.empty() && error.back() == '\n') error.pop_back();
        return false;
    }
    const uint8_t *bytes = static_cast<const uint8_t *>(buffer);
    jpeg.assign(bytes, bytes + length);
    vips.g_free(buffer);
    return true;
}

bool ReadJpegForm(const std::vector<uint8_t> &data, JpegForm &form) {
    const size_t n = data.size();
    form = JpegForm();
    if (n < 4 || data[0] != 0xFF || data[1] != kSoi || data[n - 2] != 0xFF || data[n - 1] != kEoi)
        return false;
    int components = 0, adobeTransform = -1;
    for (size_t at = 2; at + 4 <= n;) {
        if (data[at] != 0xFF) return false;
        uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == kTem || (marker >= kRst0 && marker <= kRst7)) return false;
        if (marker == kEoi) return false;  // no scan at all
        size_t length = Be16(&data[at + 2]);
        if (length < 2 || at + 2 + length > n) return false;
        const uint8_t *body = &data[at + 4];
        const size_t size = length - 2;
        if (marker == kSos) {
            form.baseline = components == 1 || (components == 3 && adobeTransform != 0);
            return form.baseline;
        }
        if (marker == kSof0) {
            if (size < 6 || body[0] != 8) return false;
            form.height = Be16(body + 1);
            form.width = Be16(body + 3);
            components = body[5];
        } else if (marker > kSof0 && marker <= kSof15 && marker != kDht && marker != kDac &&
                   marker != 0xC8) {
            return false;  // progressive, lossless, hierarchical, extended or arithmetic
        } else if (marker == kDac) {
            return false;
        } else if (marker == kDqt) {
            if (!EightBitTables(body, size)) return false;
        } else if (marker == kApp14 && size >= 12 && std::string(body, body + 5) == "Adobe") {
            adobeTransform = body[11];
        }
        at += 2 + length;
    }
    return false;
}

}  // namespace quillon_tools
