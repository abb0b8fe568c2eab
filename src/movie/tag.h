// Tag: base of every SWF tag object. A tag writes itself, header and body,
// into a stream; character tags also report the id they were given.
#pragma once

#include <cstdint>

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
};

// A tag that defines a character; its id is drawn from NextCharacterId when
// the tag is constructed.
class CharacterTag : public Tag {
public:
    virtual uint16_t CharacterId() const = 0;
};

// ShowFrame (code 1): the end of a frame's tags.
class ShowFrameTag : public Tag {
public:
    void Write(SwfStream &stream) override { stream.WriteTag(TagCode::ShowFrame, 0, nullptr); }
    bool EndsFrame() const override { return true; }
};

// The process-wide 16-bit character id counter: adds 1 and returns the new
// value; the first id after load or a reset is 1. Ids never wrap: once kMaxUI16
// was given out, it returns 0 (no id) until the next reset, so that no id is
// defined twice in one file. Definitions check CharacterIdsLeft() first and
// add nothing when there are too few.
uint16_t NextCharacterId();
// How many ids NextCharacterId can still give out before the next reset.
uint32_t CharacterIdsLeft();
// Sets the counter back to 0, so the next id is 1. Done after each
// successful write.
void ResetCharacterIds();
// Counts the resets: an id drawn under an older epoch may be in use again.
uint32_t CharacterIdEpoch();

}  // namespace quillon
