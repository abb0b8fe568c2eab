// ShapeTag: the DefineShape3 character (code 32), with its fill styles, line
// styles and shape records packed as SHAPEWITHSTYLE.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "movie/tag.h"
#include "swf/records.h"

namespace quillon {

class Style {
public:
    virtual ~Style() = default;
    virtual void Write(SwfStream &stream) const = 0;
};

class FillStyle : public Style {};

// FillStyleType values: a solid colour, a bitmap repeated over the shape, a
// bitmap clipped at its edges.
constexpr uint8_t kSolidFillType = 0x00;
constexpr uint8_t kRepeatingBitmapFillType = 0x40;
constexpr uint8_t kClippedBitmapFillType = 0x41;
// The character id of a bitmap fill that shows no bitmap.
constexpr uint16_t kNoBitmapId = 0xFFFF;

// FillStyleType kSolidFillType and an RGBA colour.
class SolidFill : public FillStyle {
public:
    explicit SolidFill(Rgba colour) : colour_(colour) { colour_.SetHasAlpha(1); }
    void Write(SwfStream &stream) const override;

private:
    Rgba colour_;
};

// FillStyleType repeating or clipped (repeat 0), bitmap id, matrix.
class BitmapFill : public FillStyle {
public:
    BitmapFill(int32_t repeat, uint16_t bitmapId, std::unique_ptr<Matrix> matrix)
        : repeat_(repeat), bitmapId_(bitmapId), matrix_(std::move(matrix)) {}
    void Write(SwfStream &stream) const override;

private:
    int32_t repeat_;
    uint16_t bitmapId_;
    std::unique_ptr<Matrix> matrix_;
};

// Width (written as UI16) and an RGBA colour.
class LineStyle : public Style {
public:
    LineStyle(Twips width, Rgba colour) : width_(width), colour_(colour) {}
    void Write(SwfStream &stream) const override;

private:
    Twips width_;
    Rgba colour_;
};

class ShapeRecord {
public:
    virtual ~ShapeRecord() = default;
    virtual void Write(SwfStream &stream) const = 0;
    virtual void SetFillBits(int32_t) {}
    virtual void SetLineBits(int32_t) {}
};

// The fields of a STYLECHANGERECORD: the state flags (each 0 or 1) say
// which of the values that follow the record holds.
struct StyleChange {
    int32_t stateNewStyles = 0, stateLineStyle = 0, stateFillStyle1 = 0, stateFillStyle0 = 0;
    int32_t stateMoveTo = 0;
    Twips moveX, moveY;
    int32_t fillStyle0 = 0, fillStyle1 = 0, lineStyle = 0;  // style indexes from 1

    // The start of an outline: a move to (x, y), drawn with the line style
    // and filled on its right (travelling clockwise) with fillStyle1.
    static StyleChange MoveTo(Twips x, Twips y, int32_t fillStyle1, int32_t lineStyle);
};

class StyleChangeRecord : public ShapeRecord {
public:
    explicit StyleChangeRecord(const StyleChange &change);
    void Write(SwfStream &stream) const override;
    // Index widths of the shape; a width of 0 writes no index at all.
    void SetFillBits(int32_t n) override { fillBits_ = n; }
    void SetLineBits(int32_t n) override { lineBits_ = n; }

private:
    StyleChange change_;
    int32_t moveBits_, fillBits_ = 0, lineBits_ = 0;
};

class StraightEdgeRecord : public ShapeRecord {
public:
    StraightEdgeRecord(Twips dx, Twips dy);
    void Write(SwfStream &stream) const override;

private:
    Twips dx_, dy_;
    bool general_, vertical_;
    int32_t numBits_;
};

class CurvedEdgeRecord : public ShapeRecord {
public:
    CurvedEdgeRecord(Twips controlDx, Twips controlDy, Twips anchorDx, Twips anchorDy);
    void Write(SwfStream &stream) const override;

private:
    Twips controlDx_, controlDy_, anchorDx_, anchorDy_;
    int32_t numBits_;
};

// Six zero bits, then alignment.
class EndShapeRecord : public ShapeRecord {
public:
    void Write(SwfStream &stream) const override;
};

class ShapeWithStyle {
public:
    ShapeWithStyle(std::vector<std::unique_ptr<FillStyle>> fills,
                   std::vector<std::unique_ptr<LineStyle>> lines);
    void AddRecord(std::unique_ptr<ShapeRecord> record);
    void Write(SwfStream &stream) const;

private:
    std::vector<std::unique_ptr<FillStyle>> fillStyles_;
    std::vector<std::unique_ptr<LineStyle>> lineStyles_;
    int32_t numFillBits_, numLineBits_;  // BitCount(style count, 0)
    std::vector<std::unique_ptr<ShapeRecord>> records_;
};

class ShapeTag : public CharacterTag {
public:
    ShapeTag(MovieContext &context, const Rect &bounds);
    // Appends a style; returns its 1-based index.
    int32_t AddFillStyle(std::unique_ptr<FillStyle> fill);
    int32_t AddLineStyle(Twips width, Rgba colour);
    // Moves the collected styles into the shape and fixes the index widths.
    void FinishStyles();
    // Only after FinishStyles.
    void AddRecord(std::unique_ptr<ShapeRecord> record);
    void Write(SwfStream &stream) override;

private:
    Rect bounds_;
    std::vector<std::unique_ptr<FillStyle>> fillStyles_;
    std::vector<std::unique_ptr<LineStyle>> lineStyles_;
    std::unique_ptr<ShapeWithStyle> shape_;
};

// Writes a FILLSTYLEARRAY or LINESTYLEARRAY count: one byte below 255,
// otherwise FF and a UI16.
void WriteStyleCount(SwfStream &stream, size_t count);

}  // namespace quillon
