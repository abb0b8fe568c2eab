// Animated lists: effects that change a little in every frame. A "Rubber"
// outline pulses towards its centre and back; an "AtAttractor" moves a
// highlight from box to box. Every change is an ordinary hide, set, show of
// display items in the frame the caller passes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "characters/shapes.h"
#include "swf/format.h"

namespace quillon {

class AnimatedItem {
public:
    virtual ~AnimatedItem() = default;
    // Advances the effect by one step in frame.
    virtual void Step(Frame &frame) = 0;
    // Takes the item's shapes off the stage in frame.
    virtual void RemoveFrom(Frame &frame) = 0;
    int32_t CurrentStep() const { return step_; }

protected:
    int32_t step_ = 0;  // position in the cycle
};

// The kinds of RubberItem, as AddRubber numbers them.
constexpr int32_t kEllipseRubber = 0;
constexpr int32_t kRectangleRubber = 1;

// An outline (kEllipseRubber or kRectangleRubber) inscribed in pixel corners
// (x1, y1)-(x2, y2) that shrinks by 3 pixels a side per step while the inset
// box is not empty, then grows back, rests one step at full size, and
// repeats. The scale keeps the centre in place and the line width is divided
// by the horizontal factor so the outline keeps about its width on screen.
class RubberItem : public AnimatedItem {
public:
    // Defines and places the outline in frame at once. The corners must
    // differ (x1 != x2, y1 != y2) and kind be one of the two.
    RubberItem(int32_t kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t lineWidth,
               Colour colour, Frame &frame);
    void Step(Frame &frame) override;
    void RemoveFrom(Frame &frame) override;
    const ShapeItem &Shape() const { return *shape_; }

private:
    int32_t shrinking_ = 0;
    std::unique_ptr<ShapeItem> shape_;
    int32_t x1_, y1_, x2_, y2_;  // pixels
    int32_t lineWidth_;          // pixels
};

// Up to ten filled boxes in one colour; behind each lies the same box in the
// highlight colour, and one highlight at a time is brought in front.
class AttractorItem : public AnimatedItem {
public:
    static constexpr int32_t kMaxBoxes = 10;
    // rects holds count records of four pixel values x1, y1, x2, y2;
    // count must be 1 to kMaxBoxes.
    AttractorItem(int32_t count, const int32_t *rects, Colour colour, Colour highlight,
                  Frame &frame);
    void Step(Frame &frame) override;
    void RemoveFrom(Frame &frame) override;

private:
    int32_t count_;
    std::unique_ptr<RectItem> boxes_[kMaxBoxes];
    std::unique_ptr<RectItem> highlights_[kMaxBoxes];
};

class AnimatedList {
public:
    // New items go in front: steps and removal run from the most recently
    // added item to the first.
    void Add(std::unique_ptr<AnimatedItem> item) { items_.push_back(std::move(item)); }
    void Step(Frame &frame);
    // Takes every item off the stage in frame (most recent first); the items
    // stay in the list.
    void RemoveFrom(Frame &frame);
    size_t Size() const { return items_.size(); }
    AnimatedItem &At(size_t fromHead) { return *items_[items_.size() - 1 - fromHead]; }

private:
    std::vector<std::unique_ptr<AnimatedItem>> items_;  // oldest first
};

// The colour of a host value: red in bits 0-7, green 8-15, blue 16-23; alpha
// always 255.
inline Colour HostColour(uint32_t value) {
    return Colour{static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
                  static_cast<uint8_t>((value >> 16) & 0xFF), 255};
}

}  // namespace quillon
