// Pictures scaled as their rows come, and turned upright: what the picture
// reader does to the rows a loader hands over, whatever the loader.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "common/canvas.h"

namespace quillon_tools {

// Scales rows that come one by one from a sourceWidth x sourceHeight picture
// to target's size: each target pixel is the average of the source pixels
// it covers, weighted by the area covered. Only the target rows that still
// take source rows are kept, so memory follows the target, not the source.
class AreaScaler {
public:
    AreaScaler(int sourceWidth, int sourceHeight, RgbaCanvas &target);

    // Source row v, opaque RGB, three bytes a pixel; rows come in order.
    void AddRow(int v, const uint8_t *rgb);

private:
    struct Span {  // the source pixels of one target column
        int first = 0;
        std::vector<double> weights;
        double total = 0;
    };
    struct Pending {  // a target row still taking source rows
        int y = 0;
        std::vector<double> sum;
        double total = 0;
    };

    void ScaleAcross(const uint8_t *rgb);
    Pending &Row(int y);
    void Finish(const Pending &p);

    const int sw_, sh_;
    RgbaCanvas &target_;
    const double sx_, sy_;
    std::vector<Span> spans_;
    std::vector<double> row_;      // the source row scaled across
    std::deque<Pending> pending_;  // in order of y
    std::vector<Pending> spare_;
};

// The picture turned upright by its EXIF orientation: mirrored (2, 4),
// turned half round (3), transposed (5), turned a quarter clockwise (6),
// transversed (7) or a quarter anticlockwise (8).
void TurnUpright(int orientation, const RgbaCanvas &stored, RgbaCanvas &upright);

// Opaque RGB of one pixel drawn over background: rgba's alpha is 255 when
// the picture has none.
inline void OverBackground(const uint8_t *rgba, int alpha, Rgb background, uint8_t *rgb) {
    if (alpha == 255) {
        rgb[0] = rgba[0], rgb[1] = rgba[1], rgb[2] = rgba[2];
        return;
    }
    auto mix = [&](uint8_t c, uint8_t bg) {
        return static_cast<uint8_t>((c * alpha + bg * (255 - alpha) + 127) / 255);
    };
    rgb[0] = mix(rgba[0], background.r);
    rgb[1] = mix(rgba[1], background.g);
    rgb[2] = mix(rgba[2], background.b);
}

}  // namespace quillon_tools
