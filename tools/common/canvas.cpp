// Conversion of drawn pictures into the library's 32-bit pixel layout.
#include "common/canvas.h"

namespace quillon_tools {

std::vector<uint8_t> ToArgb(const RgbaCanvas &canvas, bool premultiply) {
    std::vector<uint8_t> out;
    out.reserve(canvas.Pixels().size() * 4);
    for (const Rgba &p : canvas.Pixels()) {
        auto scale = [&](uint8_t c) {
            return premultiply ? static_cast<uint8_t>((c * p.a + 127) / 255) : c;
        };
        out.push_back(p.a);
        out.push_back(scale(p.r));
        out.push_back(scale(p.g));
        out.push_back(scale(p.b));
    }
    return out;
}

}  // namespace quillon_tools
