// Export: one WAV file as an event sound in the current frame.
#include <cstdio>

#include "api/library_state.h"
#include "quillon.h"
#include "sound/sound_tags.h"

using namespace quillon;

extern "C" {

QUILLON_API void QUILLON_CALL AddSound(const char *fileName) {
    Frame *frame = State().CurrentFrame();
    if (!frame) return;  // no movie, or no frame begun yet
    // 5-bit ADPCM codes; the sound reads the file and closes it at once.
    Sound sound(OwnedFile(fileName ? std::fopen(fileName, "rb") : nullptr), 5);
    frame->ShowItem(&sound);
}

}  // extern "C"
