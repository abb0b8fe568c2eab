// The process-wide library state and the unload hook.
#include "api/library_state.h"

#include "quillon.h"

namespace quillon {

LibraryState &State() {
    static LibraryState *state = new LibraryState();  // never destroyed: outlives every caller
    return *state;
}

Frame *LibraryState::CurrentFrame() {
    if (!currentMovie || currentFrame < 0) return nullptr;
    return currentMovie->GetFrame(currentFrame);
}

Frame *LibraryState::FrameAt(int32_t n) {
    if (n == -1) return CurrentFrame();
    if (!currentMovie || n < 0 || n > kMaxFrame) return nullptr;
    return currentMovie->GetFrame(n);
}

int32_t Twips(int32_t pixels) {
    if (pixels > kMaxPixels) pixels = kMaxPixels;
    if (pixels < -kMaxPixels) pixels = -kMaxPixels;
    return pixels * 20;
}

void LibraryState::ReleaseAll() {
    for (int i = 0; i < kButtonSlots; ++i) {
        buttonSlots[i].reset();
        buttonSlotUsed[i] = 0;
    }
    lastButtonSlot = -1;
    sprites.clear();
    hasSpriteTable = false;
    infos.clear();
    hasInfoTable = false;
    DestroyMovie();
}

}  // namespace quillon

#ifndef _WIN32
// Unloading the library destroys an open movie without writing it, and
// releases the tables that outlive movies.
__attribute__((destructor)) static void QuillonUnload() { quillon::State().ReleaseAll(); }
#endif
