// Geometry records: field widths from the values, then MSB-first bit fields.
#include "swf/records.h"

namespace quillon {

Rect::Rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
    : xMin(x1), xMax(x2), yMin(y1), yMax(y2),
      bits_(BitCount(static_cast<uint32_t>(MaxAbs(x1, x2, y1, y2)), 1)) {}

void Rect::Write(SwfStream &stream) const {
    stream.WriteBits(bits_, 5);
    stream.WriteBits(static_cast<uint32_t>(xMin), bits_);
    stream.WriteBits(static_cast<uint32_t>(xMax), bits_);
    stream.WriteBits(static_cast<uint32_t>(yMin), bits_);
    stream.WriteBits(static_cast<uint32_t>(yMax), bits_);
    stream.FlushBits();
}

Matrix::Matrix() : identity(1) {}

static int32_t PairBits(int32_t a, int32_t b) {
    return static_cast<int32_t>(BitCount(static_cast<uint32_t>(MaxAbs(a, b, 0, 0)), 1));
}

Matrix::Matrix(int32_t hasScale_, int32_t scaleX_, int32_t scaleY_, int32_t hasRotate_,
               int32_t rotateSkew0_, int32_t rotateSkew1_, int32_t translateX_,
               int32_t translateY_)
    : hasScale(hasScale_), scaleBits(PairBits(scaleX_, scaleY_)), scaleX(scaleX_),
      scaleY(scaleY_), hasRotate(hasRotate_), rotateBits(PairBits(rotateSkew0_, rotateSkew1_)),
      rotateSkew0(rotateSkew0_), rotateSkew1(rotateSkew1_),
      translateBits(PairBits(translateX_, translateY_)), translateX(translateX_),
      translateY(translateY_), identity(0) {}

void Matrix::Write(SwfStream &stream) const {
    if (identity) {
        // HasScale 0, HasRotate 0, NTranslateBits 0 and padding.
        stream.WriteUI8(0);
        return;
    }
    stream.WriteBits(hasScale ? 1 : 0, 1);
    if (hasScale) {
        stream.WriteBits(static_cast<uint32_t>(scaleBits), 5);
        stream.WriteBits(static_cast<uint32_t>(scaleX), static_cast<uint32_t>(scaleBits));
        stream.WriteBits(static_cast<uint32_t>(scaleY), static_cast<uint32_t>(scaleBits));
    }
    stream.WriteBits(hasRotate ? 1 : 0, 1);
    if (hasRotate) {
        stream.WriteBits(static_cast<uint32_t>(rotateBits), 5);
        stream.WriteBits(static_cast<uint32_t>(rotateSkew0), static_cast<uint32_t>(rotateBits));
        stream.WriteBits(static_cast<uint32_t>(rotateSkew1), static_cast<uint32_t>(rotateBits));
    }
    stream.WriteBits(static_cast<uint32_t>(translateBits), 5);
    stream.WriteBits(static_cast<uint32_t>(translateX), static_cast<uint32_t>(translateBits));
    stream.WriteBits(static_cast<uint32_t>(translateY), static_cast<uint32_t>(translateBits));
    stream.FlushBits();
}

CxformWithAlpha::CxformWithAlpha(int32_t hasMultTerms_, int32_t hasAddTerms_, int32_t addRed_,
                                 int32_t addGreen_, int32_t addBlue_, int32_t addAlpha_,
                                 int32_t multRed_, int32_t multGreen_, int32_t multBlue_,
                                 int32_t multAlpha_)
    : hasMultTerms(hasMultTerms_), hasAddTerms(hasAddTerms_), termBits(0), addRed(addRed_),
      addGreen(addGreen_), addBlue(addBlue_), addAlpha(addAlpha_), multRed(multRed_),
      multGreen(multGreen_), multBlue(multBlue_), multAlpha(multAlpha_) {
    int32_t add = MaxAbs(addRed, addGreen, addBlue, addAlpha);
    int32_t mult = MaxAbs(multRed, multGreen, multBlue, multAlpha);
    termBits = static_cast<int32_t>(BitCount(static_cast<uint32_t>(MaxAbs(add, mult, 0, 0)), 1));
}

void CxformWithAlpha::Write(SwfStream &stream) const {
    stream.WriteBits(hasAddTerms ? 1 : 0, 1);
    stream.WriteBits(hasMultTerms ? 1 : 0, 1);
    stream.WriteBits(static_cast<uint32_t>(termBits), 4);
    uint32_t n = static_cast<uint32_t>(termBits);
    if (hasMultTerms) {
        for (int32_t term : {multRed, multGreen, multBlue, multAlpha})
            stream.WriteBits(static_cast<uint32_t>(term), n);
    }
    if (hasAddTerms) {
        for (int32_t term : {addRed, addGreen, addBlue, addAlpha})
            stream.WriteBits(static_cast<uint32_t>(term), n);
    }
    stream.FlushBits();
}

Rgba::Rgba(int32_t red_, int32_t green_, int32_t blue_, int32_t alpha_)
    : red(red_), green(green_), blue(blue_), alpha(alpha_) {}

void Rgba::Write(SwfStream &stream) const {
    stream.WriteUI8(static_cast<uint32_t>(red));
    stream.WriteUI8(static_cast<uint32_t>(green));
    stream.WriteUI8(static_cast<uint32_t>(blue));
    if (hasAlpha) stream.WriteUI8(static_cast<uint32_t>(alpha));
}

}  // namespace quillon
