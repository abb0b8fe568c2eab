// The bit-packed geometry records RECT, MATRIX, CXFORMWITHALPHA and RGB(A).
// Each record fixes its field widths when constructed and writes itself.
#pragma once

#include <cstdint>

#include "swf/swf_stream.h"

namespace quillon {

// RECT: corners stored as given (no reordering), one shared field width.
class Rect {
public:
    Rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // 5-bit width, xMin, xMax, yMin, yMax, then alignment.
    void Write(SwfStream &stream) const;
    // Both corners count: a rectangle from 0 to 2000 is 2001 twips wide.
    int32_t Width() const { return xMax - xMin + 1; }
    int32_t Height() const { return yMax - yMin + 1; }

    int32_t xMin, xMax, yMin, yMax;

private:
    uint32_t bits_;  // BitCount(MaxAbs of the four corners, 1)
};

// MATRIX: optional scale pair, optional rotate-skew pair, translation.
class Matrix {
public:
    // The identity matrix, written as the single byte 00.
    Matrix();
    Matrix(int32_t hasScale, int32_t scaleX, int32_t scaleY, int32_t hasRotate,
           int32_t rotateSkew0, int32_t rotateSkew1, int32_t translateX, int32_t translateY);
    // Written at a byte boundary; ends aligned.
    void Write(SwfStream &stream) const;

    int32_t hasScale = 0, scaleBits = 0, scaleX = 0, scaleY = 0;        // 16.16
    int32_t hasRotate = 0, rotateBits = 0, rotateSkew0 = 0, rotateSkew1 = 0;  // 16.16
    int32_t translateBits = 0, translateX = 0, translateY = 0;          // twips
    uint16_t identity = 0;
};

// Base of the records that a tag holds through a pointer.
class Record {
public:
    virtual ~Record() = default;
    virtual void Write(SwfStream &stream) const = 0;
};

// CXFORMWITHALPHA: add and multiply terms sharing one 4-bit field width.
class CxformWithAlpha : public Record {
public:
    // No terms: the colours as they are (six bits, 000001: field width 1).
    CxformWithAlpha() : CxformWithAlpha(0, 0, 0, 0, 0, 0, 0, 0, 0, 0) {}
    CxformWithAlpha(int32_t hasMultTerms, int32_t hasAddTerms, int32_t addRed, int32_t addGreen,
                    int32_t addBlue, int32_t addAlpha, int32_t multRed, int32_t multGreen,
                    int32_t multBlue, int32_t multAlpha);
    void Write(SwfStream &stream) const override;

    int32_t hasMultTerms, hasAddTerms, termBits;
    int32_t addRed, addGreen, addBlue, addAlpha;
    int32_t multRed, multGreen, multBlue, multAlpha;
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
