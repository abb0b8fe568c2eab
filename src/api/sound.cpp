// Handle export: one WAV file as an event sound in the current frame.
#include <cstdio>

#include "api/movie_record.h"
#include "sound/sound_tags.h"

using namespace quillon;

extern "C" {

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_sound(QuillonMovie *movie,
                                                               const char *fileName) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = NeedFrame(m, &frame);
        if (status != QUILLON_OK) return status;
        // The classic face adds a silent sound for a file that does not play.
        if (!fileName && !m.classicFace) return Fail(m, QUILLON_ERROR_ARGUMENT, "no file name was given");
        OwnedFile file(fileName ? std::fopen(fileName, "rb") : nullptr);
        if (!file && !m.classicFace) return Fail(m, QUILLON_ERROR_FILE, "the file cannot be opened");
        // 5-bit ADPCM codes; the sound reads the file and closes it at once.
        Sound sound(m.context, std::move(file), 5);
        if (!sound.Plays() && !m.classicFace)
            return Fail(m, QUILLON_ERROR_DATA, "the file is no WAV file that plays");
        return ShowIn(m, *frame, &sound);
    });
}

}  // extern "C"
