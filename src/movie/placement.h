// PlaceObject2 and RemoveObject tags, the movie's placement registry, and the
// depth assignment that numbers every placement when the movie is written.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "movie/tag.h"
#include "swf/records.h"

namespace quillon {

// The fields of a PlaceObject2, in the order of the tag. The flags are 0 or
// 1; a present matrix, colour transform or name announces itself.
struct PlaceObject2Fields {
    uint16_t hasClipDepth = 0;
    uint16_t hasRatio = 0;
    uint16_t hasCharacter = 0;
    uint16_t move = 0;  // 1: modifies the character at the depth
    uint16_t depth = 0;
    uint16_t characterId = 0;
    std::unique_ptr<Matrix> matrix;          // none: no transform
    std::unique_ptr<Record> colorTransform;  // never set by the library
    uint16_t ratio = 0;
    std::unique_ptr<std::string> name;       // never set by the library
    uint16_t clipDepth = 0;

    // What the library places: a new instance of characterId at depth, with
    // a matrix or none.
    static PlaceObject2Fields NewCharacter(uint16_t depth, uint16_t characterId,
                                           std::unique_ptr<Matrix> matrix);
};

// PlaceObject2 (code 26). The depth holds the item's stacking key until depth
// assignment replaces it with the file depth.
class PlaceObject2Tag : public Tag {
public:
    explicit PlaceObject2Tag(PlaceObject2Fields fields) : f_(std::move(fields)) {}
    void SetDepth(uint16_t depth) { f_.depth = depth; }
    uint16_t Depth() const { return f_.depth; }
    uint16_t PlacedCharacterId() const { return f_.characterId; }
    void Write(SwfStream &stream) override;
    // Position among the movie's placements in file order, set by the
    // writer when depths have to be reused.
    void SetOrder(uint32_t order) { order_ = order; }
    uint32_t Order() const { return order_; }
    void TakeOrder(uint32_t &placements) override { order_ = placements++; }
    // A refused placement writes nothing.
    void Refuse() { refused_ = true; }
    bool Refused() const { return refused_; }

private:
    uint32_t order_ = 0;
    bool refused_ = false;
    PlaceObject2Fields f_;
};

// RemoveObject (code 5): character id, then depth; body of 4 bytes.
class RemoveObjectTag : public Tag {
public:
    RemoveObjectTag(uint16_t characterId, uint16_t depth)
        : characterId_(characterId), depth_(depth) {}
    void SetDepth(uint16_t depth) { depth_ = depth; }
    uint16_t Depth() const { return depth_; }
    void Write(SwfStream &stream) override;
    // The number of placements in the file before this removal, set by the
    // writer when depths have to be reused.
    void SetOrder(uint32_t order) { order_ = order; }
    uint32_t Order() const { return order_; }
    void TakeOrder(uint32_t &placements) override { order_ = placements; }
    // The removal of a refused placement writes nothing.
    void Refuse() { refused_ = true; }

private:
    uint32_t order_ = 0;
    bool refused_ = false;
    uint16_t characterId_, depth_;
};

// One placement of a character; points at tags that frames own.
struct PlacementRecord {
    PlaceObject2Tag *place = nullptr;   // never null in a record
    RemoveObjectTag *remove = nullptr;  // null while the placement stays on stage
    int32_t key = 0;                    // the item's depth value when placed
};

// Character id (ascending) to its placements in insertion order.
using PlacementRegistry = std::map<int32_t, std::vector<PlacementRecord>>;

// The file format's depths: every value of a UI16.
constexpr size_t kDepthCount = size_t{kMaxUI16} + 1;

// Gives every placement a depth: each character's list is merged in
// ascending id order into a working list (a two-finger merge whose cursor
// never moves back, applied even to unsorted lists) and the result is sorted
// stably by key: the stacking order.
//   - Up to kDepthCount placements, position i becomes depth i of the
//     PlaceObject2 and of the RemoveObject that closes it: every placement
//     has a depth of its own.
//   - Beyond that, depths are reused: each placement, in stacking order,
//     takes the lowest depth above those of the placements before it in that
//     order that are on the stage at the same time, so depths of placements
//     already removed come back and the stacking order is kept among
//     everything on the stage at once. This needs the tags' Order() (set by
//     the caller): placements numbered 0, 1, 2... in file order, and each
//     removal the number of placements before it. A placement that would
//     need a depth beyond the last one is refused: it and its removal write
//     nothing.
// Every list is empty afterwards; the ids stay in the map. Runs in
// O(n log n) for n placements. Returns the number of refused placements.
size_t AssignDepths(PlacementRegistry &placements);

}  // namespace quillon
