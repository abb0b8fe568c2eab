// The bit-packed geometry records RECT, MATRIX, CXFORMWITHALPHA and RGB(A).
// Each record fixes its field widths when constructed and writes itself.
#pragma once

#include <cstdint>

#include "swf/swf_stream.h"

namespace quillon {

// RECT: corners stored as given (no reordering), one shared field width.
class Rect {
public:
    Rect(Twips x1, Twips y1, Twips x2, Twips y2);
    // 5-bit width, xMin, xMax, yMin, yMax, then alignment.
    void Write(SwfStream &stream) const;
    // Both corners count: a rectangle from 0 to 2000 is 2001 twips wide.
    Twips Width() const { return xMax - xMin + 1_tw; }
    Twips Height() const { return yMax - yMin + 1_tw; }

    Twips xMin, xMax, yMin, yMax;

private:
    uint32_t bits_;  // BitCount(MaxAbs of the four corners, 1)
};

// MATRIX: optional scale pair, optional rotate-skew pair, translation. The
// scale and rotate-skew terms are 16.16 fixed point (kFixedOne is 1.0).
class Matrix {
public:
    // The identity, written as the single byte 00.
    static Matrix Identity();
    // A translation alone, written with its field even for (0, 0).
    static Matrix Translate(Twips x, Twips y);
    static Matrix Scale(int32_t scaleX, int32_t scaleY);
    static Matrix ScaleTranslate(int32_t scaleX, int32_t scaleY, Twips x, Twips y);
    // Every part present: scale, rotate-skew pair and translation.
    static Matrix ScaleRotateTranslate(int32_t scaleX, int32_t scaleY, int32_t rotateSkew0,
                                       int32_t rotateSkew1, Twips x, Twips y);
    // Written at a byte boundary; ends aligned.
    void Write(SwfStream &stream) const;

    int32_t hasScale = 0, scaleBits = 0, scaleX = 0, scaleY = 0;
    int32_t hasRotate = 0, rotateBits = 0, rotateSkew0 = 0, rotateSkew1 = 0;
    int32_t translateBits = 0;
    Twips translateX, translateY;
    uint16_t identity = 0;

private:
    Matrix() = default;
    Matrix(int32_t hasScale, int32_t scaleX, int32_t scaleY, int32_t hasRotate,
           int32_t rotateSkew0, int32_t rotateSkew1, Twips translateX, Twips translateY);
};

// Base of the records that a tag holds through a pointer.
class Record {
public:
    virtual ~Record() = default;
    virtual void Write(SwfStream &stream) const = 0;
};

// CXFORMWITHALPHA: add and multiply terms sharing one 4-bit field width.
// A multiply term is 8.8 fixed point (256 keeps the component as it is).
class CxformWithAlpha : public Record {
public:
    struct Terms {
        int32_t red = 0, green = 0, blue = 0, alpha = 0;
    };
    // No terms: the colours as they are (six bits, 000001: field width 1).
    static CxformWithAlpha None() { return CxformWithAlpha(0, 0, Terms(), Terms()); }
    static CxformWithAlpha Multiply(int32_t red, int32_t green, int32_t blue, int32_t alpha) {
        return CxformWithAlpha(1, 0, Terms{red, green, blue, alpha}, Terms());
    }
    static CxformWithAlpha Add(int32_t red, int32_t green, int32_t blue, int32_t alpha) {
        return CxformWithAlpha(0, 1, Terms(), Terms{red, green, blue, alpha});
    }
    static CxformWithAlpha MultiplyAdd(const Terms &multiply, const Terms &add) {
        return CxformWithAlpha(1, 1, multiply, add);
    }
    void Write(SwfStream &stream) const override;

    int32_t hasMultTerms, hasAddTerms, termBits;
    Terms mult, add;

private:
    CxformWithAlpha(int32_t hasMultTerms, int32_t hasAddTerms, const Terms &mult, const Terms &add);
};

// RGB or RGBA colour; components are written as their low 8 bits.
class Rgba {
public:
    Rgba(int32_t red, int32_t green, int32_t blue, int32_t alpha);
    void SetHasAlpha(uint8_t flag) { hasAlpha = flag; }
    void Write(SwfStream &stream) const;

    int32_t red, green, blue, alpha;
    uint8_t hasAlpha = 1;
};

}  // namespace quillon
