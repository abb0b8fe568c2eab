// Action records and the DoAction tag.
#include "interactive/actions.h"

#include "movie/movie.h"

namespace quillon {

void WriteString(SwfStream &stream, const std::string &text, bool terminate) {
    for (char c : text) stream.WriteUI8(static_cast<uint8_t>(c));
    if (terminate) stream.WriteUI8(0);
}

void GotoFrameAction::Write(SwfStream &stream) const {
    stream.WriteUI8(kActionGotoFrame);
    stream.WriteUI16(2);
    stream.WriteUI16(frame_);
}

namespace {

// Cuts text to at most size bytes, never inside a UTF-8 sequence: the cut
// moves back over continuation bytes (10xxxxxx) to the start of the
// character that would be split.
void CutText(std::string &text, size_t size) {
    if (text.size() <= size) return;
    while (size > 0 && (static_cast<uint8_t>(text[size]) & 0xC0) == 0x80) --size;
    text.resize(size);
}

}  // namespace

GetURLAction::GetURLAction(const char *url, const char *target)
    : url_(url ? url : ""), target_(target ? target : "") {
    const size_t kTexts = kMaxUI16 - 2;  // the payload less its two terminators
    CutText(url_, kTexts);
    CutText(target_, kTexts - url_.size());
}

void GetURLAction::Write(SwfStream &stream) const {
    SwfStream payload;
    WriteString(payload, url_, true);
    WriteString(payload, target_, true);
    stream.WriteUI8(kActionGetURL);
    stream.WriteUI16(payload.Length());
    stream.AppendStream(payload);
}

void ActionDescriptor::FillDoAction(DoActionTag &target) const { target.AddAction(MakeAction()); }

void DoActionTag::Write(SwfStream &stream) {
    SwfStream body;
    for (const auto &action : actions_) action->Write(body);
    body.WriteUI8(kActionEnd);
    stream.WriteTag(TagCode::DoAction, body.Length(), &body);
}

void Frame::AddActions(const ActionDescriptor &descriptor) {
    auto tag = std::make_unique<DoActionTag>();
    descriptor.FillDoAction(*tag);
    AddTag(std::move(tag));
}

}  // namespace quillon
