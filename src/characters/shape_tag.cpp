// DefineShape3: styles and shape records in the SHAPEWITHSTYLE bit layout.
#include "characters/shape_tag.h"

namespace quillon {

void SolidFill::Write(SwfStream &stream) const {
    stream.WriteUI8(kSolidFillType);
    colour_.Write(stream);
}

void BitmapFill::Write(SwfStream &stream) const {
    stream.WriteUI8(repeat_ ? kRepeatingBitmapFillType : kClippedBitmapFillType);
    stream.WriteUI16(bitmapId_);
    matrix_->Write(stream);
}

void LineStyle::Write(SwfStream &stream) const {
    stream.WriteUI16(static_cast<uint32_t>(width_.value()));
    colour_.Write(stream);
}

StyleChange StyleChange::MoveTo(Twips x, Twips y, int32_t fillStyle1, int32_t lineStyle) {
    StyleChange change;
    change.stateLineStyle = 1;
    change.stateFillStyle1 = 1;
    change.stateMoveTo = 1;
    change.moveX = x;
    change.moveY = y;
    change.fillStyle1 = fillStyle1;
    change.lineStyle = lineStyle;
    return change;
}

StyleChangeRecord::StyleChangeRecord(const StyleChange &change)
    : change_(change),
      moveBits_(static_cast<int32_t>(
          BitCount(static_cast<uint32_t>(MaxAbs(change.moveX.value(), change.moveY.value(), 0, 0)), 1))) {}

void StyleChangeRecord::Write(SwfStream &stream) const {
    const StyleChange &c = change_;
    auto bits = [](int32_t v) { return static_cast<uint32_t>(v); };
    stream.WriteBits(0, 1);  // TypeFlag: non-edge record
    stream.WriteBits(bits(c.stateNewStyles), 1);
    stream.WriteBits(bits(c.stateLineStyle), 1);
    stream.WriteBits(bits(c.stateFillStyle1), 1);
    stream.WriteBits(bits(c.stateFillStyle0), 1);
    stream.WriteBits(bits(c.stateMoveTo), 1);
    if (c.stateMoveTo) {
        stream.WriteBits(bits(moveBits_), 5);
        stream.WriteBits(bits(c.moveX.value()), bits(moveBits_));
        stream.WriteBits(bits(c.moveY.value()), bits(moveBits_));
    }
    if (c.stateFillStyle0) stream.WriteBits(bits(c.fillStyle0), bits(fillBits_));
    if (c.stateFillStyle1) stream.WriteBits(bits(c.fillStyle1), bits(fillBits_));
    if (c.stateLineStyle) stream.WriteBits(bits(c.lineStyle), bits(lineBits_));
}

StraightEdgeRecord::StraightEdgeRecord(Twips dx, Twips dy)
    : dx_(dx), dy_(dy), general_(dx != Twips() && dy != Twips()), vertical_(dx == Twips()),
      numBits_(static_cast<int32_t>(
          BitCount(static_cast<uint32_t>(MaxAbs(dx.value(), dy.value(), 0, 0)), 1))) {
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
        stream.WriteBits(static_cast<uint32_t>(dx_.value()), n);
        stream.WriteBits(static_cast<uint32_t>(dy_.value()), n);
    } else {
        stream.WriteBits(vertical_ ? 1 : 0, 1);
        stream.WriteBits(static_cast<uint32_t>((vertical_ ? dy_ : dx_).value()), n);
    }
}

CurvedEdgeRecord::CurvedEdgeRecord(Twips controlDx, Twips controlDy, Twips anchorDx,
                                   Twips anchorDy)
    : controlDx_(controlDx), controlDy_(controlDy), anchorDx_(anchorDx), anchorDy_(anchorDy),
      numBits_(static_cast<int32_t>(BitCount(
          static_cast<uint32_t>(MaxAbs(controlDx.value(), controlDy.value(), anchorDx.value(),
                                       anchorDy.value())),
          1))) {
    if (numBits_ < 2) numBits_ = 2;
}

void CurvedEdgeRecord::Write(SwfStream &stream) const {
    uint32_t n = static_cast<uint32_t>(numBits_);
    stream.WriteBits(1, 1);  // TypeFlag: edge
    stream.WriteBits(0, 1);  // curved
    stream.WriteBits(n - 2, 4);
    for (Twips v : {controlDx_, controlDy_, anchorDx_, anchorDy_})
        stream.WriteBits(static_cast<uint32_t>(v.value()), n);
}

void EndShapeRecord::Write(SwfStream &stream) const {
    stream.WriteBits(0, 6);
    stream.FlushBits();
}

void WriteStyleCount(SwfStream &stream, size_t count) {
    if (count < kExtendedStyleCount) {
        stream.WriteUI8(static_cast<uint32_t>(count));
    } else {
        stream.WriteUI8(kExtendedStyleCount);
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

ShapeTag::ShapeTag(MovieContext &context, const Rect &bounds)
    : CharacterTag(context), bounds_(bounds) {}

int32_t ShapeTag::AddFillStyle(std::unique_ptr<FillStyle> fill) {
    fillStyles_.push_back(std::move(fill));
    return static_cast<int32_t>(fillStyles_.size());
}

int32_t ShapeTag::AddLineStyle(Twips width, Rgba colour) {
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
    body.WriteUI16(CharacterId());
    bounds_.Write(body);
    if (!shape_) FinishStyles();
    shape_->Write(body);
    stream.WriteTag(TagCode::DefineShape3, body.Length(), &body);
}

}  // namespace quillon
