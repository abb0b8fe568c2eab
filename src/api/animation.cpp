// Exports: animated lists.
#include "animation/animated_list.h"
#include "api/library_state.h"
#include "quillon.h"

using namespace quillon;

namespace {

bool InPixelRange(int32_t v) { return v >= -kMaxPixels && v <= kMaxPixels; }

}  // namespace

extern "C" {

QUILLON_API void QUILLON_CALL InitAnimatedList(void) {
    LibraryState &s = State();
    if (!s.currentMovie) return;
    DestroyAnimatedList();
    s.animatedList = std::make_unique<AnimatedList>();
}

QUILLON_API void QUILLON_CALL AddRubber(int32_t kind, int32_t x1, int32_t y1, int32_t x2,
                                        int32_t y2, int32_t lineWidth, uint32_t colour) {
    LibraryState &s = State();
    Frame *frame = s.CurrentFrame();
    if (!frame || !s.animatedList || (kind != kEllipseRubber && kind != kRectangleRubber)) return;
    // Equal corners would divide by zero when the scale is worked out.
    if (x1 == x2 || y1 == y2) return;
    for (int32_t v : {x1, y1, x2, y2, lineWidth})
        if (!InPixelRange(v)) return;
    s.animatedList->Add(std::make_unique<RubberItem>(kind, x1, y1, x2, y2, lineWidth,
                                                     HostColour(colour), *frame));
}

QUILLON_API void QUILLON_CALL AddAtAttractor(int32_t count, const int32_t *rects,
                                             uint32_t colour, uint32_t highlightColour) {
    LibraryState &s = State();
    Frame *frame = s.CurrentFrame();
    if (!frame || !s.animatedList || !rects) return;
    // The item holds ten boxes, and a step divides by the count.
    if (count < 1 || count > AttractorItem::kMaxBoxes) return;
    for (int32_t i = 0; i < 4 * count; ++i)
        if (!InPixelRange(rects[i])) return;
    s.animatedList->Add(std::make_unique<AttractorItem>(count, rects, HostColour(colour),
                                                        HostColour(highlightColour), *frame));
}

QUILLON_API void QUILLON_CALL AnimateList(void) {
    LibraryState &s = State();
    Frame *frame = s.CurrentFrame();
    if (frame && s.animatedList) s.animatedList->Step(*frame);
}

QUILLON_API void QUILLON_CALL DestroyAnimatedList(void) {
    LibraryState &s = State();
    if (!s.animatedList) return;
    if (Frame *frame = s.CurrentFrame()) s.animatedList->RemoveFrom(*frame);
    s.animatedList.reset();
}

}  // extern "C"
