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

// FillStyleType 0x00 and an RGBA colour.
class SolidFill : public FillStyle {
public:
    explicit SolidFill(Rgba colour) : colour_(colour) { colour_.SetHasAlpha(1); }
    void Write(SwfStream &stream) const override;

private:
    Rgba colour_;
};

// FillStyleType 0x40 (repeating) or 0x41 (clipped), bitmap id, matrix.
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

// Width in twips (written as UI16) and an RGBA colour.
class LineStyle : public Style {
public:
    LineStyle(int32_t width, Rgba colour) : width_(width), colour_(colour) {}
    void Write(SwfStream &stream) const override;

private:
    int32_t width_;
    Rgba colour_;
};

class ShapeRecord {
public:
    virtual ~ShapeRecord() = default;
    virtual void Write(SwfStream &stream) const = 0;
    virtual void SetFillBits(int32_t) {}
    virtual void SetLineBits(int32_t) {}
};

class StyleChangeRecord : public ShapeRecord {
public:
    StyleChangeRecord(int32_t stateNewStyles, int32_t stateLineStyle, int32_t stateFillStyle1,
                      int32_t stateFillStyle0, int32_t stateMoveTo, int32_t moveX, int32_t moveY,
                      int32_t fillStyle0, int32_t fillStyle1, int32_t lineStyle);
    void Write(SwfStream &stream) const override;
    // Index widths of the shape; a width of 0 writes no index at all.
    void SetFillBits(int32_t n) override { fillBits_ = n; }
    void SetLineBits(int32_t n) override { lineBits_ = n; }

private:
    int32_t stateNewStyles_, stateLineStyle_, stateFillStyle1_, stateFillStyle0_, stateMoveTo_;
    int32_t moveX_, moveY_, fillStyle0_, fillStyle1_, lineStyle_;
    int32_t moveBits_, fillBits_ = 0, lineBits_ = 0;
};

class StraightEdgeRecord : public ShapeRecord {
public:
    StraightEdgeRecord(int32_t dx, int32_t dy);
    void Write(SwfStream &stream) const override;

private:
    int32_t dx_, dy_;
    bool general_, vertical_;
    int32_t numBits_;
};

class CurvedEdgeRecord : public ShapeRecord {
public:
    CurvedEdgeRecord(int32_t controlDx, int32_t controlDy, int32_t anchorDx, int32_t anchorDy);
    void Write(SwfStream &stream) const override;

private:
    int32_t controlDx_, controlDy_, anchorDx_, anchorDy_;
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
    explicit ShapeTag(const Rect &bounds);
    // Appends a style; returns its 1-based index.
    int32_t AddFillStyle(std::unique_ptr<FillStyle> fill);
    int32_t AddLineStyle(int32_t width, Rgba colour);
    // Moves the collected styles into the shape and fixes the index widths.
    void FinishStyles();
    // Only after FinishStyles.
    void AddRecord(std::unique_ptr<ShapeRecord> record);
    void Write(SwfStream &stream) override;
    uint16_t CharacterId() const override { return characterId_; }

private:
    uint16_t characterId_;
    Rect bounds_;
    std::vector<std::unique_ptr<FillStyle>> fillStyles_;
    std::vector<std::unique_ptr<LineStyle>> lineStyles_;
    std::unique_ptr<ShapeWithStyle> shape_;
};

// Writes a FILLSTYLEARRAY or LINESTYLEARRAY count: one byte below 255,
// otherwise FF and a UI16.
void WriteStyleCount(SwfStream &stream, size_t count);

}  // namespace quillon
