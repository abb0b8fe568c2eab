// DefineShape3: styles and shape records in the SHAPEWITHSTYLE bit layout.
#include "characters/shape_tag.h"

namespace quillon {

void SolidFill::Write(SwfStream &stream) const {
    stream.WriteUI8(0x00);
    colour_.Write(stream);
}

void BitmapFill::Write(SwfStream &stream) const {
    stream.WriteUI8(repeat_ ? 0x40 : 0x41);
    stream.WriteUI16(bitmapId_);
    matrix_->Write(stream);
}

void LineStyle::Write(SwfStream &stream) const {
    stream.WriteUI16(static_cast<uint32_t>(width_));
    colour_.Write(stream);
}

StyleChangeRecord::StyleChangeRecord(int32_t stateNewStyles, int32_t stateLineStyle,
                                     int32_t stateFillStyle1, int32_t stateFillStyle0,
                                     int32_t stateMoveTo, int32_t moveX, int32_t moveY,
                                     int32_t fillStyle0, int32_t fillStyle1, int32_t lineStyle)
    : stateNewStyles_(stateNewStyles), stateLineStyle_(stateLineStyle),
      stateFillStyle1_(stateFillStyle1), stateFillStyle0_(stateFillStyle0),
      stateMoveTo_(stateMoveTo), moveX_(moveX), moveY_(moveY), fillStyle0_(fillStyle0),
      fillStyle1_(fillStyle1), lineStyle_(lineStyle),
      moveBits_(static_cast<int32_t>(BitCount(static_cast<uint32_t>(MaxAbs(moveX, moveY, 0, 0)), 1))) {}

void StyleChangeRecord::Write(SwfStream &stream) const {
    stream.WriteBits(0, 1);  // TypeFlag: non-edge record
    stream.WriteBits(static_cast<uint32_t>(stateNewStyles_), 1);
    stream.WriteBits(static_cast<uint32_t>(stateLineStyle_), 1);
    stream.WriteBits(static_cast<uint32_t>(stateFillStyle1_), 1);
    stream.WriteBits(static_cast<uint32_t>(stateFillStyle0_), 1);
    stream.WriteBits(static_cast<uint32_t>(stateMoveTo_), 1);
    if (stateMoveTo_) {
        stream.WriteBits(static_cast<uint32_t>(moveBits_), 5);
        stream.WriteBits(static_cast<uint32_t>(moveX_), static_cast<uint32_t>(moveBits_));
        stream.WriteBits(static_cast<uint32_t>(moveY_), static_cast<uint32_t>(moveBits_));
    }
    if (stateFillStyle0_) stream.WriteBits(static_cast<uint32_t>(fillStyle0_), static_cast<uint32_t>(fillBits_));
    if (stateFillStyle1_) stream.WriteBits(static_cast<uint32_t>(fillStyle1_), static_cast<uint32_t>(fillBits_));
    if (stateLineStyle_) stream.WriteBits(static_cast<uint32_t>(lineStyle_), static_cast<uint32_t>(lineBits_));
}

StraightEdgeRecord::StraightEdgeRecord(int32_t dx, int32_t dy)
    : dx_(dx), dy_(dy), general_(dx != 0 && dy != 0), vertical_(dx == 0),
      numBits_(static_cast<int32_t>(BitCount(static_cast<uint32_t>(MaxAbs(dx, dy, 0, 0)), 1))) {
    // NumBits is stored as numBits - 2 in 4 bits, so fields are at least 2 wide.
    if (numBits_ < 2) numBits_ = 2;
}

void StraightEdgeRecord::Write(SwfStream &stream) const {
    uint32_t n = static_cast<uint32_t>(numBits_);
    stream.WriteBits(1, 1);  // TypeFlag: edge
    stream.WriteBits(1, 1);  // StraightFlag
    stream.WriteBits(n - 2, 4);
    stream.WriteBits(general_ ? 1 : 0, 1);
    if (general_) {
        stream.WriteBits(static_cast<uint32_t>(dx_), n);
        stream.WriteBits(static_cast<uint32_t>(dy_), n);
    } else {
        stream.WriteBits(vertical_ ? 1 : 0, 1);
        stream.WriteBits(static_cast<uint32_t>(vertical_ ? dy_ : dx_), n);
    }
}

CurvedEdgeRecord::CurvedEdgeRecord(int32_t controlDx, int32_t controlDy, int32_t anchorDx,
                                   int32_t anchorDy)
    : controlDx_(controlDx), controlDy_(controlDy), anchorDx_(anchorDx), anchorDy_(anchorDy),
      numBits_(static_cast<int32_t>(
          BitCount(static_cast<uint32_t>(MaxAbs(controlDx, controlDy, anchorDx, anchorDy)), 1))) {
    if (numBits_ < 2) numBits_ = 2;
}

void CurvedEdgeRecord::Write(SwfStream &stream) const {
    uint32_t n = static_cast<uint32_t>(numBits_);
    stream.WriteBits(1, 1);  // TypeFlag: edge
    stream.WriteBits(0, 1);  // curved
    stream.WriteBits(n - 2, 4);
    for (int32_t v : {controlDx_, controlDy_, anchorDx_, anchorDy_})
        stream.WriteBits(static_cast<uint32_t>(v), n);
}

void EndShapeRecord::Write(SwfStream &stream) const {
    stream.WriteBits(0, 6);
    stream.FlushBits();
}

void WriteStyleCount(SwfStream &stream, size_t count) {
    if (count < 255) {
        stream.WriteUI8(static_cast<uint32_t>(count));
    } else {
        stream.WriteUI8(0xFF);
        stream.WriteUI16(static_cast<uint32_t>(count));
    }
}

ShapeWithStyle::ShapeWithStyle(std::vector<std::unique_ptr<FillStyle>> fills,
                               std::vector<std::unique_ptr<LineStyle>> lines)
    : fillStyles_(std::move(fills)), lineStyles_(std::move(lines)),
      numFillBits_(static_cast<int32_t>(BitCount(static_cast<uint32_t>(fillStyles_.size()), 0))),
      numLineBits_(static_cast<int32_t>(BitCount(static_cast<uint32_t>(lineStyles_.size()), 0))) {}

void ShapeWithStyle::AddRecord(std::unique_ptr<ShapeRecord> record) {
    record->SetFillBits(numFillBits_);
    record->SetLineBits(numLineBits_);
    records_.push_back(std::move(record));
}

void ShapeWithStyle::Write(SwfStream &stream) const {
    WriteStyleCount(stream, fillStyles_.size());
    for (const auto &fill : fillStyles_) fill->Write(stream);
    WriteStyleCount(stream, lineStyles_.size());
    for (const auto &line : lineStyles_) line->Write(stream);
    stream.WriteBits(static_cast<uint32_t>(numFillBits_), 4);
    stream.WriteBits(static_cast<uint32_t>(numLineBits_), 4);
    for (const auto &record : records_) record->Write(stream);
    stream.FlushBits();
}

ShapeTag::ShapeTag(const Rect &bounds) : characterId_(NextCharacterId()), bounds_(bounds) {}

int32_t ShapeTag::AddFillStyle(std::unique_ptr<FillStyle> fill) {
    fillStyles_.push_back(std::move(fill));
    return static_cast<int32_t>(fillStyles_.size());
}

int32_t ShapeTag::AddLineStyle(int32_t width, Rgba colour) {
    colour.SetHasAlpha(1);
    lineStyles_.push_back(std::make_unique<LineStyle>(width, colour));
    return static_cast<int32_t>(lineStyles_.size());
}

void ShapeTag::FinishStyles() {
    shape_ = std::make_unique<ShapeWithStyle>(std::move(fillStyles_), std::move(lineStyles_));
    fillStyles_.clear();
    lineStyles_.clear();
}

void ShapeTag::AddRecord(std::unique_ptr<ShapeRecord> record) {
    if (!shape_) FinishStyles();
    shape_->AddRecord(std::move(record));
}

void ShapeTag::Write(SwfStream &stream) {
    SwfStream body;
    body.WriteUI16(characterId_);
    bounds_.Write(body);
    if (!shape_) FinishStyles();
    shape_->Write(body);
    stream.WriteTag(32, body.Length(), &body);
}

}  // namespace quillon
