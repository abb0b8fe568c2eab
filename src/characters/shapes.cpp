// Outlines of the shape items and the image shape constructor.
#include "characters/shapes.h"

#include <algorithm>

#include "characters/shape_tag.h"

namespace quillon {

namespace {

// An edge record's NumBits field is 4 bits holding NumBits - 2, so a delta
// has at most 17 bits: a longer side is drawn as several edges.
constexpr int32_t kMaxEdge = 65535;

void AddSide(ShapeTag &tag, int32_t dx, int32_t dy) {
    do {
        int32_t sx = std::clamp(dx, -kMaxEdge, kMaxEdge);
        int32_t sy = std::clamp(dy, -kMaxEdge, kMaxEdge);
        tag.AddRecord(std::make_unique<StraightEdgeRecord>(sx, sy));
        dx -= sx;
        dy -= sy;
    } while (dx != 0 || dy != 0);
}

}  // namespace

void RectItem::AddOutline(ShapeTag &tag) {
    int32_t w = bounds_.Width();
    int32_t h = bounds_.Height();
    tag.AddRecord(std::make_unique<StyleChangeRecord>(0, 1, 1, 0, 1, bounds_.xMin, bounds_.yMin,
                                                      0, fillStyleIndex_, lineStyleIndex_));
    AddSide(tag, w, 0);
    AddSide(tag, 0, h);
    AddSide(tag, -w, 0);
    AddSide(tag, 0, -h);
    tag.AddRecord(std::make_unique<EndShapeRecord>());
}

ImageShape::ImageShape(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t format,
                       uint16_t bitmapWidth, uint16_t bitmapHeight, int32_t colourCount,
                       uint8_t alpha, const uint8_t *pixels, const uint8_t *palette)
    : RectItem(x1, y1, x2, y2) {
    defined_ = 0;
    fillKind_ = 4;
    bitmapWidth_ = bitmapWidth;
    bitmapHeight_ = bitmapHeight;
    bitmap_ = std::make_unique<LosslessBitmap>(format, bitmapWidth, bitmapHeight, colourCount,
                                               palette, pixels, alpha);
    lineWidth_ = 0;
}

void EllipseItem::AddOutline(ShapeTag &tag) {
    const double a = 0.1465, b = 0.207;
    double W = static_cast<double>(x2_) - x1_;
    double H = static_cast<double>(y2_) - y1_;
    auto t = [](double v) { return static_cast<int32_t>(v); };
    tag.AddRecord(std::make_unique<StyleChangeRecord>(0, 1, 1, 0, 1, t(x1_ + W * 0.8535),
                                                      t(y1_ + H * 0.8535), 0, fillStyleIndex_,
                                                      lineStyleIndex_));
    const int32_t curves[8][4] = {
        {t(-a * W), t(a * H), t(-b * W), 0},
        {t(-b * W), 0, t(-a * W), t(-a * H)},
        {t(-a * W), t(-a * H), 0, t(-b * H)},
        {0, t(-b * H), t(a * W), t(-a * H)},
        {t(a * W), t(-a * H), t(b * W), 0},
        {t(b * W), 0, t(a * W), t(a * H)},
        {t(a * W), t(a * H), 0, t(b * H)},
        {0, t(b * H), t(-a * W), t(a * H)},
    };
    for (const auto &c : curves)
        tag.AddRecord(std::make_unique<CurvedEdgeRecord>(c[0], c[1], c[2], c[3]));
    tag.AddRecord(std::make_unique<EndShapeRecord>());
}

}  // namespace quillon
