// Outlines of the shape items and the image shape constructor.
#include "characters/shapes.h"

#include <algorithm>

#include "characters/shape_tag.h"
#include "swf/format.h"

namespace quillon {

namespace {

// A side longer than an edge record holds (kMaxEdgeDelta) is drawn as
// several edges.
void AddSide(ShapeTag &tag, Twips dx, Twips dy) {
    const Twips most = Twips::FromTwips(kMaxEdgeDelta);
    do {
        Twips sx = std::clamp(dx, -most, most);
        Twips sy = std::clamp(dy, -most, most);
        tag.AddRecord(std::make_unique<StraightEdgeRecord>(sx, sy));
        dx -= sx;
        dy -= sy;
    } while (dx != Twips() || dy != Twips());
}

}  // namespace

void RectItem::AddOutline(ShapeTag &tag) {
    Twips w = bounds_.Width();
    Twips h = bounds_.Height();
    tag.AddRecord(std::make_unique<StyleChangeRecord>(
        StyleChange::MoveTo(bounds_.xMin, bounds_.yMin, fillStyleIndex_, lineStyleIndex_)));
    AddSide(tag, w, Twips());
    AddSide(tag, Twips(), h);
    AddSide(tag, -w, Twips());
    AddSide(tag, Twips(), -h);
    tag.AddRecord(std::make_unique<EndShapeRecord>());
}

BitmapPicture BitmapPicture::ColourMapped(uint16_t width, uint16_t height, const uint8_t *pixels,
                                          const uint8_t *palette, int32_t colourCount) {
    BitmapPicture picture;
    picture.format = kColourMappedBitmap;
    picture.width = width;
    picture.height = height;
    picture.colourCount = colourCount;
    picture.pixels = pixels;
    picture.palette = palette;
    return picture;
}

BitmapPicture BitmapPicture::DirectColour(uint16_t width, uint16_t height, const uint8_t *pixels,
                                          uint8_t alpha) {
    BitmapPicture picture;
    picture.format = kDirectColourBitmap;
    picture.width = width;
    picture.height = height;
    picture.alpha = alpha;
    picture.pixels = pixels;
    return picture;
}

ImageShape::ImageShape(MovieContext &context, Twips x1, Twips y1, Twips x2, Twips y2,
                       const BitmapPicture &picture)
    : RectItem(x1, y1, x2, y2) {
    defined_ = 0;
    fillKind_ = FillKind::Bitmap;
    bitmapWidth_ = picture.width;
    bitmapHeight_ = picture.height;
    bitmap_ = std::make_unique<LosslessBitmap>(context, picture.format, picture.width, picture.height,
                                               picture.colourCount, picture.palette,
                                               picture.pixels, picture.alpha);
    lineWidth_ = Twips();
}

ImageShape::ImageShape(Twips x1, Twips y1, Twips x2, Twips y2, std::unique_ptr<JpegBitmap> jpeg)
    : RectItem(x1, y1, x2, y2) {
    fillKind_ = FillKind::Bitmap;
    bitmapWidth_ = jpeg ? jpeg->Width() : 0;
    bitmapHeight_ = jpeg ? jpeg->Height() : 0;
    bitmap_ = std::move(jpeg);
    lineWidth_ = Twips();
}

std::unique_ptr<ImageShape> MakeJpegSlide(MovieContext &context, const uint8_t *jpeg, size_t size,
                                          int32_t width, int32_t height, JpegCheck &check) {
    check = CheckJpeg(jpeg, size, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    if (!check.Accepted()) return nullptr;
    auto bitmap = std::make_unique<JpegBitmap>(context, jpeg, check.length, static_cast<uint16_t>(width),
                                               static_cast<uint16_t>(height));
    return std::make_unique<ImageShape>(Twips(), Twips(), Twips::FromPixels(width), Twips::FromPixels(height),
                                        std::move(bitmap));
}

namespace {

// A curve whose deltas need more than an edge record holds (kMaxEdgeDelta)
// is cut in half at its middle, again and again, until every piece fits. The
// pieces end exactly where the curve ends. Twips, widened to 64 bits.
void AddCurve(ShapeTag &tag, int64_t cdx, int64_t cdy, int64_t adx, int64_t ady) {
    auto big = [](int64_t v) { return v > kMaxEdgeDelta || v < -kMaxEdgeDelta; };
    if (!big(cdx) && !big(cdy) && !big(adx) && !big(ady)) {
        auto twips = [](int64_t v) { return Twips::FromTwips(static_cast<int32_t>(v)); };
        tag.AddRecord(
            std::make_unique<CurvedEdgeRecord>(twips(cdx), twips(cdy), twips(adx), twips(ady)));
        return;
    }
    // From the start (0, 0): control C, end E = C + A. The halves: control
    // C / 2 to the middle M = (2C + E) / 4, then control (C + E) / 2 to E.
    int64_t ex = cdx + adx, ey = cdy + ady;
    int64_t q1x = cdx / 2, q1y = cdy / 2;
    int64_t mx = (2 * cdx + ex) / 4, my = (2 * cdy + ey) / 4;
    int64_t r1x = (cdx + ex) / 2, r1y = (cdy + ey) / 2;
    AddCurve(tag, q1x, q1y, mx - q1x, my - q1y);
    AddCurve(tag, r1x - mx, r1y - my, ex - r1x, ey - r1y);
}

}  // namespace

void EllipseItem::AddOutline(ShapeTag &tag) {
    const double a = 0.1465, b = 0.207;
    double W = static_cast<double>(x2_.value()) - x1_.value();
    double H = static_cast<double>(y2_.value()) - y1_.value();
    auto t = [](double v) { return static_cast<int32_t>(v); };
    tag.AddRecord(std::make_unique<StyleChangeRecord>(
        StyleChange::MoveTo(Twips::FromTwips(t(x1_.value() + W * 0.8535)),
                            Twips::FromTwips(t(y1_.value() + H * 0.8535)), fillStyleIndex_,
                            lineStyleIndex_)));
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
    for (const auto &c : curves) AddCurve(tag, c[0], c[1], c[2], c[3]);
    tag.AddRecord(std::make_unique<EndShapeRecord>());
}

}  // namespace quillon
