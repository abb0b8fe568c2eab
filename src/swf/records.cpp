// Geometry records: field widths from the values, then MSB-first bit fields.
#include "swf/records.h"

namespace quillon {

Rect::Rect(Twips x1, Twips y1, Twips x2, Twips y2)
    : xMin(x1), xMax(x2), yMin(y1), yMax(y2),
      bits_(BitCount(static_cast<uint32_t>(MaxAbs(x1.value(), x2.value(), y1.value(), y2.value())),
                     1)) {}

void Rect::Write(SwfStream &stream) const {
    stream.WriteBits(bits_, 5);
    stream.WriteBits(static_cast<uint32_t>(xMin.value()), bits_);
    stream.WriteBits(static_cast<uint32_t>(xMax.value()), bits_);
    stream.WriteBits(static_cast<uint32_t>(yMin.value()), bits_);
    stream.WriteBits(static_cast<uint32_t>(yMax.value()), bits_);
    stream.FlushBits();
}

static int32_t PairBits(int32_t a, int32_t b) {
    return static_cast<int32_t>(BitCount(static_cast<uint32_t>(MaxAbs(a, b, 0, 0)), 1));
}

Matrix::Matrix(int32_t hasScale_, int32_t scaleX_, int32_t scaleY_, int32_t hasRotate_,
               int32_t rotateSkew0_, int32_t rotateSkew1_, Twips translateX_, Twips translateY_)
    : hasScale(hasScale_), scaleBits(PairBits(scaleX_, scaleY_)), scaleX(scaleX_),
      scaleY(scaleY_), hasRotate(hasRotate_), rotateBits(PairBits(rotateSkew0_, rotateSkew1_)),
      rotateSkew0(rotateSkew0_), rotateSkew1(rotateSkew1_),
      translateBits(PairBits(translateX_.value(), translateY_.value())), translateX(translateX_),
      translateY(translateY_), identity(0) {}

Matrix Matrix::Identity() {
    Matrix m;
    m.identity = 1;
    return m;
}

Matrix Matrix::Translate(Twips x, Twips y) { return Matrix(0, 0, 0, 0, 0, 0, x, y); }

Matrix Matrix::Scale(int32_t scaleX, int32_t scaleY) {
    return Matrix(1, scaleX, scaleY, 0, 0, 0, Twips(), Twips());
}

Matrix Matrix::ScaleTranslate(int32_t scaleX, int32_t scaleY, Twips x, Twips y) {
    return Matrix(1, scaleX, scaleY, 0, 0, 0, x, y);
}

Matrix Matrix::ScaleRotateTranslate(int32_t scaleX, int32_t scaleY, int32_t rotateSkew0,
                                    int32_t rotateSkew1, Twips x, Twips y) {
    return Matrix(1, scaleX, scaleY, 1, rotateSkew0, rotateSkew1, x, y);
}

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
    stream.WriteBits(static_cast<uint32_t>(translateX.value()), static_cast<uint32_t>(translateBits));
    stream.WriteBits(static_cast<uint32_t>(translateY.value()), static_cast<uint32_t>(translateBits));
    stream.FlushBits();
}

CxformWithAlpha::CxformWithAlpha(int32_t hasMultTerms_, int32_t hasAddTerms_, const Terms &mult_,
                                 const Terms &add_)
    : hasMultTerms(hasMultTerms_), hasAddTerms(hasAddTerms_), termBits(0), mult(mult_), add(add_) {
    int32_t a = MaxAbs(add.red, add.green, add.blue, add.alpha);
    int32_t m = MaxAbs(mult.red, mult.green, mult.blue, mult.alpha);
    termBits = static_cast<int32_t>(BitCount(static_cast<uint32_t>(MaxAbs(a, m, 0, 0)), 1));
}

void CxformWithAlpha::Write(SwfStream &stream) const {
    stream.WriteBits(hasAddTerms ? 1 : 0, 1);
    stream.WriteBits(hasMultTerms ? 1 : 0, 1);
    stream.WriteBits(static_cast<uint32_t>(termBits), 4);
    uint32_t n = static_cast<uint32_t>(termBits);
    if (hasMultTerms) {
        for (int32_t term : {mult.red, mult.green, mult.blue, mult.alpha})
            stream.WriteBits(static_cast<uint32_t>(term), n);
    }
    if (hasAddTerms) {
        for (int32_t term : {add.red, add.green, add.blue, add.alpha})
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
