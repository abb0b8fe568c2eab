// Exports: slide pictures and stops.
#include "api/library_state.h"
#include "interactive/actions.h"
#include "quillon.h"

using namespace quillon;

extern "C" {

QUILLON_API void QUILLON_CALL CreateFrame(const unsigned char *pixels,
                                          const unsigned char *palette, int32_t colourCount) {
    LibraryState &s = State();
    if (!s.currentMovie || s.currentFrame >= kMaxFrame) return;
    s.currentFrame += 1;
    Frame *frame = s.currentMovie->GetFrame(s.currentFrame);
    // A stage that no bitmap can cover gets the frame but no picture.
    if (!IsBitmapSide(s.stageWidthPixels) || !IsBitmapSide(s.stageHeightPixels)) return;
    ImageShape slide(Twips(), Twips(), Twips::FromPixels(s.stageWidthPixels),
                     Twips::FromPixels(s.stageHeightPixels),
                     BitmapPicture::ColourMapped(static_cast<uint16_t>(s.stageWidthPixels),
                                                 static_cast<uint16_t>(s.stageHeightPixels),
                                                 pixels, palette, colourCount));
    frame->ShowItem(&slide);
}

QUILLON_API void QUILLON_CALL StopFrame(int32_t frameNumber) {
    Frame *frame = State().FrameAt(frameNumber);
    if (frame) frame->AddActions(StopDescriptor());
}

}  // extern "C"
