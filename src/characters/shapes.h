// The concrete shape items: the plain rectangle, the bitmap-filled rectangle
// that shows every host picture, and the ellipse outline.
#pragma once

#include <cstdint>

#include "characters/display_item.h"
#include "characters/jpeg_bitmap.h"
#include "characters/jpeg_check.h"

namespace quillon {

// A rectangle over its bounds: right, down, left, up edges of
// (xMax - xMin + 1) by (yMax - yMin + 1) twips.
class RectItem : public ShapeItem {
public:
    RectItem(Twips x1, Twips y1, Twips x2, Twips y2) : ShapeItem(x1, y1, x2, y2) {}
    void AddToFrame(Frame &frame, Movie &movie) override { Define(frame, movie); }

protected:
    void AddOutline(ShapeTag &tag) override;
};

// A rectangle that shows nothing (black fill and outline, both fully
// transparent) but still covers its bounds: the hit area of a clickable
// region over a slide.
class InvisibleArea : public RectItem {
public:
    InvisibleArea(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
        : RectItem(Twips::FromTwips(x1), Twips::FromTwips(y1), Twips::FromTwips(x2), Twips::FromTwips(y2)) {
        SetFillColour(Colour{0, 0, 0, 0});
        SetLineColour(Colour{0, 0, 0, 0});
    }
};

// The picture of an ImageShape, as its LosslessBitmap takes it.
struct BitmapPicture {
    uint8_t format = kColourMappedBitmap;  // or kDirectColourBitmap
    uint16_t width = 0, height = 0;        // pixels
    int32_t colourCount = 0;               // palette entries of a colour-mapped picture
    uint8_t alpha = 0;                     // 1: DefineBitsLossless2, with alpha
    const uint8_t *pixels = nullptr;       // borrowed: read while the constructor compresses
    const uint8_t *palette = nullptr;      // likewise

    // 8-bit palette indexes with a palette of 3 bytes an entry.
    static BitmapPicture ColourMapped(uint16_t width, uint16_t height, const uint8_t *pixels,
                                      const uint8_t *palette, int32_t colourCount);
    // 32-bit pixels, 4 bytes each.
    static BitmapPicture DirectColour(uint16_t width, uint16_t height, const uint8_t *pixels,
                                      uint8_t alpha);
};

// A rectangle filled with a lossless bitmap stretched over its bounds, with
// no outline. The constructor compresses the host's pixels as it reads them
// and keeps only the compressed data: the host's buffers may go as soon as it
// returns. It draws the bitmap's id, so that id is always lower than the id
// of the shape that shows it.
class ImageShape : public RectItem {
public:
    // The bitmap draws its id from context at once.
    ImageShape(MovieContext &context, Twips x1, Twips y1, Twips x2, Twips y2,
               const BitmapPicture &picture);
    // A JPEG picture (DefineBitsJPEG2), made beforehand, stretched over the
    // bounds in the same way.
    ImageShape(Twips x1, Twips y1, Twips x2, Twips y2, std::unique_ptr<JpegBitmap> jpeg);
};

// A slide of a JPEG over the whole stage of width x height pixels (1 to
// 65535 each): the JPEG is checked first (CheckJpeg) and copied. Null, with
// the reason in check, when it is refused; then no id has been drawn.
std::unique_ptr<ImageShape> MakeJpegSlide(MovieContext &context, const uint8_t *jpeg, size_t size,
                                          int32_t width, int32_t height, JpegCheck &check);

// An ellipse inscribed in the corners, drawn as eight quadratic curves from
// the point at 45 degrees towards (x2, y2).
class EllipseItem : public ShapeItem {
public:
    EllipseItem(Twips x1, Twips y1, Twips x2, Twips y2)
        : ShapeItem(x1, y1, x2, y2), x1_(x1), y1_(y1), x2_(x2), y2_(y2) {}
    void AddToFrame(Frame &frame, Movie &movie) override { Define(frame, movie); }

protected:
    void AddOutline(ShapeTag &tag) override;

private:
    Twips x1_, y1_, x2_, y2_;
};

}  // namespace quillon
