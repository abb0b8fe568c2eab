// The process-wide library state and the unload hook.
#include "api/library_state.h"

#include "quillon.h"

namespace quillon {

namespace {
// Made by the first export that needs it, freed when the library is unloaded.
LibraryState *state = nullptr;
}  // namespace

LibraryState &State() {
    if (state == nullptr) state = new LibraryState();
    return *state;
}

void ReleaseState() {
    if (state == nullptr) return;
    state->ReleaseAll();
    delete state;
    state = nullptr;
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
// releases the tables that outlive movies and the record itself.
__attribute__((destructor)) static void QuillonUnload() { quillon::ReleaseState(); }
#endif
