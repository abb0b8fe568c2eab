/* Animated lists on a white slide: a rectangle rubber, an ellipse rubber and
 * a three-box attractor, stepped over 12 frames. "animation-at-K" stops the
 * movie at frame K so that a player rests there. */
#include <stdlib.h>
#include <string.h>

#include "quillon_api.h"

enum { kStageW = 320, kStageH = 240, kFrames = 12 };

static int AnimationStoppedAt(const QuillonApi *q, int stopFrame) {
    static const int32_t boxes[] = {20, 150, 80, 190, 120, 150, 180, 190, 220, 150, 280, 190};
    static const unsigned char palette[] = {255, 255, 255};
    unsigned char *pixels = calloc(kStageW * kStageH, 1);
    int k;
    if (!pixels) return 1;
    q->CreateMovie(kStageW, kStageH, 1, 12);
    q->CreateFrame(pixels, palette, 1);
    q->InitAnimatedList();
    q->AddRubber(1, 20, 20, 140, 100, 2, 0x0000FF);  /* red rectangle */
    q->AddRubber(0, 180, 20, 300, 100, 2, 0xFF0000); /* blue ellipse */
    q->AddAtAttractor(3, boxes, 0x808080, 0x00C000); /* grey boxes, green highlight */
    q->NextSlide();
    for (k = 1; k < kFrames; ++k) {
        q->DuplicateFrame();
        q->AnimateList();
    }
    q->StopFrame(stopFrame);
    free(pixels);
    return 0;
}

#define ANIMATION_AT(k) \
    static int AnimationAt##k(const QuillonApi *q) { return AnimationStoppedAt(q, k); }
ANIMATION_AT(0)
ANIMATION_AT(1)
ANIMATION_AT(2)
ANIMATION_AT(3)
ANIMATION_AT(4)
ANIMATION_AT(5)
ANIMATION_AT(11)

const QuillonScenarioEntry quillonAnimationScenarios[] = {
    {"animation-at-0", AnimationAt0, NULL}, {"animation-at-1", AnimationAt1, NULL},
    {"animation-at-2", AnimationAt2, NULL}, {"animation-at-3", AnimationAt3, NULL},
    {"animation-at-4", AnimationAt4, NULL}, {"animation-at-5", AnimationAt5, NULL},
    {"animation-at-11", AnimationAt11, NULL}, {NULL, NULL, NULL},
};
