/* The classic functions' table bound to the handle face: one QuillonMovie
 * made at the first call, a new movie begun in it by CreateMovie, as the
 * classic face does. The host scenarios run through it write the same bytes
 * as through the 27 exports. */
#include "handle_face.h"

#include "quillon_movie.h"

static QuillonMovie *movie;

static QuillonMovie *M(void) {
    if (!movie) movie = quillon_movie_new(0, 0, 0, 12);
    return movie;
}

static void QUILLON_CALL HCreateMovie(int32_t w, int32_t h, int32_t s, int32_t r) { quillon_movie_reset(M(), w, h, s, r); }
static void QUILLON_CALL HDuplicateFrame(void) { quillon_movie_duplicate_frame(M()); }
static void QUILLON_CALL HNextSlide(void) { quillon_movie_next_slide(M()); }
static void QUILLON_CALL HWriteMovie(const char *f) { quillon_movie_write(M(), f); }
/* The frames go with the next CreateMovie; the tables stay, as they do. */
static void QUILLON_CALL HDestroyMovie(void) {}
static void QUILLON_CALL HCreateFrame(const unsigned char *p, const unsigned char *c, int32_t n) { quillon_movie_add_slide(M(), p, c, n); }
static void QUILLON_CALL HStopFrame(int32_t f) { quillon_movie_stop_frame(M(), f); }
static void QUILLON_CALL HInitButtonList(void) { quillon_movie_init_button_list(M()); }
static void QUILLON_CALL HRemoveButtons(void) { quillon_movie_remove_buttons(M()); }
static void QUILLON_CALL HAddPauseButton(const void *p, int32_t x, int32_t y, int32_t w, int32_t h) { quillon_movie_add_pause_button(M(), p, x, y, w, h); }
static void QUILLON_CALL HAddHyperLink(const char *u, const char *t, int32_t x1, int32_t y1, int32_t x2, int32_t y2) { quillon_movie_add_hyperlink(M(), u, t, x1, y1, x2, y2); }
static void QUILLON_CALL HAddAutomaticHyperLink(int32_t f, const char *u, const char *t) { quillon_movie_add_automatic_hyperlink(M(), f, u, t); }
static void QUILLON_CALL HAddButton(int32_t k, const void *u, const void *o, const void *d, int32_t x, int32_t y, int32_t w, int32_t h) { quillon_movie_add_button(M(), k, u, o, d, x, y, w, h); }
static void QUILLON_CALL HSetSpritesCount(int32_t n) { quillon_movie_set_sprite_count(M(), n); }
static void QUILLON_CALL HAddSprite(int32_t i, const void *p, int32_t w, int32_t h) { quillon_movie_add_sprite(M(), i, p, w, h); }
static void QUILLON_CALL HTranslateSprite(int32_t i, int32_t x, int32_t y) { quillon_movie_translate_sprite(M(), i, x, y); }
static void QUILLON_CALL HShowSprite(int32_t i) { quillon_movie_show_sprite(M(), i); }
static void QUILLON_CALL HHideSprite(int32_t i) { quillon_movie_hide_sprite(M(), i); }
static void QUILLON_CALL HSetInfoCount(int32_t n) { quillon_movie_set_info_count(M(), n); }
static void QUILLON_CALL HAddInfo(int32_t i, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const unsigned char *p, const unsigned char *c, int32_t n) { quillon_movie_add_info(M(), i, x1, y1, x2, y2, p, c, n); }
static void QUILLON_CALL HRemoveAndDestroyAllInfo(void) { quillon_movie_remove_all_info(M()); }
static void QUILLON_CALL HAddSound(const char *f) { quillon_movie_add_sound(M(), f); }
static void QUILLON_CALL HInitAnimatedList(void) { quillon_movie_init_animated_list(M()); }
static void QUILLON_CALL HAddRubber(int32_t k, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t l, uint32_t c) { quillon_movie_add_rubber(M(), k, x1, y1, x2, y2, l, c); }
static void QUILLON_CALL HAddAtAttractor(int32_t n, const int32_t *r, uint32_t c, uint32_t h) { quillon_movie_add_attractor(M(), n, r, c, h); }
static void QUILLON_CALL HAnimateList(void) { quillon_movie_animate_list(M()); }
static void QUILLON_CALL HDestroyAnimatedList(void) { quillon_movie_destroy_animated_list(M()); }

void QuillonBindHandleFace(QuillonApi *q) {
#define QUILLON_API_BIND_HANDLE(name, ret, args) q->name = H##name;
    QUILLON_EXPORTS(QUILLON_API_BIND_HANDLE)
#undef QUILLON_API_BIND_HANDLE
}

void QuillonReleaseHandleFace(void) {
    quillon_movie_free(movie);
    movie = 0;
}
