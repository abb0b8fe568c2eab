// The 27 exports of quillon.h: one process-wide movie of the handle face,
// whose statuses they drop. A call that ran out of memory marks the movie
// failed, so that WriteMovie writes nothing.
#include "api/library_state.h"
#include "quillon.h"

using namespace quillon;

namespace quillon {

namespace {
// Made by the first export that needs it, freed when the library is unloaded.
QuillonMovie *classic = nullptr;
}  // namespace

QuillonMovie *ClassicMovie() noexcept {
    if (classic == nullptr) {
        classic = new (std::nothrow) QuillonMovie();
        if (classic) classic->classicFace = true;
    }
    return classic;
}

QuillonMovie &State() { return *ClassicMovie(); }

void ReleaseState() {
    delete classic;
    classic = nullptr;
}

}  // namespace quillon

namespace {

// Runs one handle call on the classic movie.
template <class Call>
void Classic(Call &&call) {
    QuillonMovie *movie = ClassicMovie();
    if (movie && call(movie) == QUILLON_ERROR_MEMORY) movie->failed = true;
}

}  // namespace

#ifndef _WIN32
// Unloading the library destroys an open movie without writing it, and
// releases the tables that outlive movies and the record itself.
__attribute__((destructor)) static void QuillonUnload() { quillon::ReleaseState(); }
#endif

extern "C" {

QUILLON_API void QUILLON_CALL CreateMovie(int32_t width, int32_t height, int32_t slideCount,
                                          int32_t frameRate) {
    Classic([&](QuillonMovie *m) {
        m->failed = false;
        return quillon_movie_reset(m, width, height, slideCount, frameRate);
    });
}

QUILLON_API void QUILLON_CALL DuplicateFrame(void) {
    Classic([](QuillonMovie *m) { return quillon_movie_duplicate_frame(m); });
}

QUILLON_API void QUILLON_CALL NextSlide(void) {
    Classic([](QuillonMovie *m) { return quillon_movie_next_slide(m); });
}

QUILLON_API void QUILLON_CALL WriteMovie(const char *fileName) {
    Classic([&](QuillonMovie *m) {
        // After a failure the movie's frames are incomplete: they are
        // discarded as by a write that failed, and no file is touched.
        // A write that runs out of memory leaves no file and no frames
        // behind: the next movie starts whole.
        if (m->failed) fileName = nullptr;
        quillon_movie_write(m, fileName);
        m->failed = false;
        return QUILLON_OK;
    });
}

QUILLON_API void QUILLON_CALL DestroyMovie(void) {
    if (QuillonMovie *m = ClassicMovie()) {
        CloseMovie(*m);
        m->failed = false;
    }
}

QUILLON_API void QUILLON_CALL CreateFrame(const unsigned char *pixels,
                                          const unsigned char *palette, int32_t colourCount) {
    Classic([&](QuillonMovie *m) { return quillon_movie_add_slide(m, pixels, palette, colourCount); });
}

QUILLON_API void QUILLON_CALL StopFrame(int32_t frame) {
    Classic([&](QuillonMovie *m) { return quillon_movie_stop_frame(m, frame); });
}

QUILLON_API void QUILLON_CALL InitButtonList(void) {
    Classic([](QuillonMovie *m) { return quillon_movie_init_button_list(m); });
}

QUILLON_API void QUILLON_CALL RemoveButtons(void) {
    Classic([](QuillonMovie *m) { return quillon_movie_remove_buttons(m); });
}

QUILLON_API void QUILLON_CALL AddPauseButton(const void *pixels, int32_t x, int32_t y,
                                             int32_t width, int32_t height) {
    Classic([&](QuillonMovie *m) { return quillon_movie_add_pause_button(m, pixels, x, y, width, height); });
}

QUILLON_API void QUILLON_CALL AddHyperLink(const char *url, const char *target, int32_t x1,
                                           int32_t y1, int32_t x2, int32_t y2) {
    Classic([&](QuillonMovie *m) { return quillon_movie_add_hyperlink(m, url, target, x1, y1, x2, y2); });
}

QUILLON_API void QUILLON_CALL AddAutomaticHyperLink(int32_t frame, const char *url,
                                                    const char *target) {
    Classic([&](QuillonMovie *m) { return quillon_movie_add_automatic_hyperlink(m, frame, url, target); });
}

QUILLON_API void QUILLON_CALL AddButton(int32_t kind, const void *up, const void *over,
                                        const void *down, int32_t x, int32_t y, int32_t width,
                                        int32_t height) {
    Classic([&](QuillonMovie *m) {
        return quillon_movie_add_button(m, kind, up, over, down, x, y, width, height);
    });
}

QUILLON_API void QUILLON_CALL SetSpritesCount(int32_t count) {
    Classic([&](QuillonMovie *m) { return quillon_movie_set_sprite_count(m, count); });
}

QUILLON_API void QUILLON_CALL AddSprite(int32_t index, const void *pixels, int32_t width,
                                        int32_t height) {
    Classic([&](QuillonMovie *m) { return quillon_movie_add_sprite(m, index, pixels, width, height); });
}

QUILLON_API void QUILLON_CALL TranslateSprite(int32_t index, int32_t x, int32_t y) {
    Classic([&](QuillonMovie *m) { return quillon_movie_translate_sprite(m, index, x, y); });
}

QUILLON_API void QUILLON_CALL ShowSprite(int32_t index) {
    Classic([&](QuillonMovie *m) { return quillon_movie_show_sprite(m, index); });
}

QUILLON_API void QUILLON_CALL HideSprite(int32_t index) {
    Classic([&](QuillonMovie *m) { return quillon_movie_hide_sprite(m, index); });
}

QUILLON_API void QUILLON_CALL SetInfoCount(int32_t count) {
    Classic([&](QuillonMovie *m) { return quillon_movie_set_info_count(m, count); });
}

QUILLON_API void QUILLON_CALL AddInfo(int32_t index, int32_t x1, int32_t y1, int32_t x2,
                                      int32_t y2, const unsigned char *pixels,
                                      const unsigned char *palette, int32_t colourCount) {
    Classic([&](QuillonMovie *m) {
        return quillon_movie_add_info(m, index, x1, y1, x2, y2, pixels, palette, colourCount);
    });
}

QUILLON_API void QUILLON_CALL RemoveAndDestroyAllInfo(void) {
    Classic([](QuillonMovie *m) { return quillon_movie_remove_all_info(m); });
}

QUILLON_API void QUILLON_CALL AddSound(const char *fileName) {
    Classic([&](QuillonMovie *m) { return quillon_movie_add_sound(m, fileName); });
}

QUILLON_API void QUILLON_CALL InitAnimatedList(void) {
    Classic([](QuillonMovie *m) { return quillon_movie_init_animated_list(m); });
}

QUILLON_API void QUILLON_CALL AddRubber(int32_t kind, int32_t x1, int32_t y1, int32_t x2,
                                        int32_t y2, int32_t lineWidth, uint32_t colour) {
    Classic([&](QuillonMovie *m) { return quillon_movie_add_rubber(m, kind, x1, y1, x2, y2, lineWidth, colour); });
}

QUILLON_API void QUILLON_CALL AddAtAttractor(int32_t count, const int32_t *rects,
                                             uint32_t colour, uint32_t highlightColour) {
    Classic([&](QuillonMovie *m) { return quillon_movie_add_attractor(m, count, rects, colour, highlightColour); });
}

QUILLON_API void QUILLON_CALL AnimateList(void) {
    Classic([](QuillonMovie *m) { return quillon_movie_animate_list(m); });
}

QUILLON_API void QUILLON_CALL DestroyAnimatedList(void) {
    Classic([](QuillonMovie *m) { return quillon_movie_destroy_animated_list(m); });
}

}  // extern "C"
