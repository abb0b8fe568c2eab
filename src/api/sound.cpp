// Export: one WAV file as an event sound in the current frame.
#include <cstdio>

#include "api/library_state.h"
#include "quillon.h"
#include "sound/sound_tags.h"

using namespace quillon;

extern "C" {

QUILLON_API void QUILLON_CALL AddSound(const char *fileName) {
    LibraryState &s = State();
    Frame *frame = s.CurrentFrame();
    if (!frame) return;  // no movie, or no frame begun yet
    std::FILE *file = fileName ? std::fopen(fileName, "rb") : nullptr;
    Sound sound(s.context, file, 5);  // 5-bit ADPCM codes
    if (file) std::fclose(file);
    frame->ShowItem(&sound);
}

}  // extern "C"
