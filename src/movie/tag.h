// Tag: base of every SWF tag object. A tag writes itself, header and body,
// into a stream; character tags also report the id they were given.
#pragma once

#include <cstdint>

#include "movie/movie_context.h"
#include "swf/swf_stream.h"

namespace quillon {

class Tag {
public:
    virtual ~Tag() = default;
    // Appends the complete tag (header and body) to the stream.
    virtual void Write(SwfStream &) {}
    // True only for ShowFrame; the writer counts these for the header.
    virtual bool EndsFrame() const { return false; }
    // Called on every tag in file order with the number of placements
    // before it; placement tags note it and a placement counts itself.
    virtual void TakeOrder(uint32_t &placements) { (void)placements; }
    // The character the tag defines, or -1.
    virtual int32_t DefinedCharacter() const { return -1; }
};

// A tag that defines a character. Its constructor draws the id from the
// context of the movie it is made for, and the tag keeps it.
class CharacterTag : public Tag {
public:
    uint16_t CharacterId() const { return id_; }
    int32_t DefinedCharacter() const override { return id_; }
    // True when the id was drawn in another context, before the context's
    // last reset, or when none was left: such an id may belong to another
    // character of the movie now being built.
    bool IdIsStale(const MovieContext &context) const {
        return id_ == 0 || context_ != &context || epoch_ != context.CharacterIdEpoch();
    }

protected:
    explicit CharacterTag(MovieContext &context) { DrawId(context); }
    CharacterTag(const CharacterTag &) = default;
    // Draws a new id from context.
    void DrawId(MovieContext &context) {
        id_ = context.NextCharacterId();
        context_ = &context;
        epoch_ = context.CharacterIdEpoch();
    }

private:
    const MovieContext *context_ = nullptr;  // where the id was drawn
    uint32_t epoch_ = 0;                      // the context's epoch then
    uint16_t id_ = 0;                         // 0: none was left
};

// ShowFrame (code 1): the end of a frame's tags.
class ShowFrameTag : public Tag {
public:
    void Write(SwfStream &stream) override { stream.WriteTag(TagCode::ShowFrame, 0, nullptr); }
    bool EndsFrame() const override { return true; }
};


}  // namespace quillon
