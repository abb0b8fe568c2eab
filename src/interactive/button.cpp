// Buttons and DefineButton2.
#include "interactive/button.h"

#include <algorithm>

namespace quillon {

void ConditionAction::SetCondition(uint16_t number) {
    if (number >= kOverDownToIdle && number <= kIdleToOverUp)
        conditions_ = static_cast<uint16_t>(conditions_ | (kOverDownToIdleFlag >> (number - kOverDownToIdle)));
}

void ConditionAction::SetKeyPress(uint8_t key) {
    conditions_ = static_cast<uint16_t>((conditions_ & 0x01FF) | (key & 0x7F) << 9);
}

void ConditionAction::Write(SwfStream &stream) const {
    SwfStream p;
    p.WriteUI16(conditions_);
    for (const auto &action : actions_) action->Write(p);
    p.WriteUI8(kActionEnd);
    stream.WriteUI16(p.Length() + 2);
    stream.AppendStream(p);
}

void ConditionAction::WriteLast(SwfStream &stream) const {
    stream.WriteUI16(0);
    stream.WriteUI16(conditions_);
    for (const auto &action : actions_) action->Write(stream);
    stream.FlushBits();
    stream.WriteUI8(kActionEnd);
}

ButtonRecord::ButtonRecord(uint8_t hitTest, uint8_t down, uint8_t over, uint8_t up,
                           uint16_t characterId, uint16_t layer, std::unique_ptr<Matrix> matrix,
                           std::unique_ptr<CxformWithAlpha> colorTransform)
    : hitTest_(hitTest), down_(down), over_(over), up_(up), layer_(layer),
      matrix_(std::move(matrix)), colorTransform_(std::move(colorTransform)),
      characterId_(characterId) {}

void ButtonRecord::Write(SwfStream &stream) const {
    stream.WriteBits(0, 4);
    stream.WriteBits(hitTest_, 1);
    stream.WriteBits(down_, 1);
    stream.WriteBits(over_, 1);
    stream.WriteBits(up_, 1);
    stream.WriteUI16(characterId_);
    stream.WriteUI16(layer_);
    matrix_->Write(stream);
    colorTransform_->Write(stream);
}

DefineButton2Tag::DefineButton2Tag(MovieContext &context, uint8_t trackAsMenu)
    : CharacterTag(context), trackAsMenu_(trackAsMenu) {}

void DefineButton2Tag::Write(SwfStream &stream) {
    SwfStream b, r;
    b.WriteUI16(CharacterId());
    b.WriteUI8(trackAsMenu_);
    for (const auto &record : records_) record->Write(r);
    r.WriteUI8(0);  // CharacterEndFlag
    // ActionOffset: from this field to the first BUTTONCONDACTION; 0 when
    // the button has none.
    b.WriteUI16(conditionActions_.empty() ? 0 : r.Length() + 2);
    b.AppendStream(r);
    for (size_t i = 0; i < conditionActions_.size(); ++i) {
        if (i + 1 < conditionActions_.size()) conditionActions_[i]->Write(b);
        else conditionActions_[i]->WriteLast(b);
    }
    stream.WriteTag(TagCode::DefineButton2, b.Length(), &b);
}

Button::Button(DisplayItem *up, DisplayItem *over, DisplayItem *down, DisplayItem *hitTest)
    : states_{up, over, down, hitTest}, conditionAction_(std::make_unique<ConditionAction>()) {}

void Button::AttachAction(const ActionDescriptor &descriptor, uint32_t condition) {
    if (!conditionAction_) return;  // already handed to its tag
    conditionAction_->SetCondition(static_cast<uint16_t>(condition > kMaxUI16 ? 0 : condition));
    descriptor.FillConditionAction(conditionAction_->Actions());
}

void Button::AttachKeyAction(const ActionDescriptor &descriptor, ButtonKey key) {
    if (!conditionAction_) return;  // the button's tag has them already
    auto same = std::find_if(keyActions_.begin(), keyActions_.end(),
                             [key](const auto &c) { return c->KeyPress() == key; });
    if (same == keyActions_.end()) {
        keyActions_.push_back(std::make_unique<ConditionAction>());
        keyActions_.back()->SetKeyPress(key);
        same = keyActions_.end() - 1;
    }
    descriptor.FillConditionAction((*same)->Actions());
}

uint32_t Button::IdsToDefine(const Movie &movie) const {
    if (DefinedIn(movie)) return 0;
    uint32_t ids = 1;
    for (int i = 0; i < 4; ++i) {
        bool repeated = false;  // one item may stand in several states
        for (int j = 0; j < i; ++j) repeated = repeated || states_[j] == states_[i];
        if (!repeated) ids += states_[i]->IdsToDefine(movie);
    }
    return ids;
}

void Button::AddToFrame(Frame &frame, Movie &movie) {
    if (!PrepareForMovie(movie)) return;
    if (!DefinedIn(movie)) {
        // The states and the button are defined together or not at all.
        if (movie.Context().CharacterIdsLeft() < IdsToDefine(movie)) return;
        for (DisplayItem *state : states_) {
            state->SetDefineOnly(1);
            state->AddToFrame(frame, movie);
        }
        auto tag = std::make_unique<DefineButton2Tag>(movie.Context(), 0);
        SetCharacterId(tag->CharacterId());
        for (int i = 0; i < 4; ++i) {
            tag->AddRecord(std::make_unique<ButtonRecord>(
                i == 3, i == 2, i == 1, i == 0, static_cast<uint16_t>(states_[i]->GetCharacterId()),
                1, std::make_unique<Matrix>(Matrix::Identity()),
                std::make_unique<CxformWithAlpha>(CxformWithAlpha::None())));
        }
        tag->AddConditionAction(std::move(conditionAction_));
        for (auto &keyAction : keyActions_) tag->AddConditionAction(std::move(keyAction));
        keyActions_.clear();
        frame.AddTag(std::move(tag));
        MarkDefined(movie);
    }
    Place(frame, movie);
}

}  // namespace quillon
