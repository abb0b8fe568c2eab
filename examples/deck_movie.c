/* deck_movie.c -- the deck of deck.c through the handle face: one 320 x 240
 * slide, white with a navy band, that the movie stops on, with every status
 * checked. Writes the file named on the command line (deck.swf without one).
 *
 *   cc deck_movie.c $(pkg-config --cflags --libs quillon) -o deck_movie
 */
#include <stdio.h>

#include "quillon_movie.h"

static int Check(QuillonMovie *movie, QuillonStatus status, const char *what) {
    if (status == QUILLON_OK) return 0;
    fprintf(stderr, "deck_movie: %s: %s\n", what, quillon_movie_error(movie));
    return 1;
}

int main(int argc, char **argv) {
    const char *out = argc > 1 ? argv[1] : "deck.swf";
    static unsigned char pixels[320 * 240]; /* one palette index per pixel */
    unsigned char palette[2 * 3] = {255, 255, 255, 0, 0, 128};
    QuillonMovie *movie;
    int x, y, failed;

    for (y = 100; y < 140; y++) { /* draw the slide: colour 1 */
        for (x = 0; x < 320; x++) {
            pixels[y * 320 + x] = 1;
        }
    }

    movie = quillon_movie_new(320, 240, 1, 12); /* stage in pixels, 1 slide, 12 fps */
    if (!movie) {
        fprintf(stderr, "deck_movie: out of memory\n");
        return 1;
    }
    failed = Check(movie, quillon_movie_add_slide(movie, pixels, palette, 2), "slide") ||
             Check(movie, quillon_movie_stop_frame(movie, -1), "stop") ||
             Check(movie, quillon_movie_next_slide(movie), "slide table") ||
             Check(movie, quillon_movie_write(movie, out), out);
    quillon_movie_free(movie);
    if (!failed) printf("quillon %s wrote %s\n", QUILLON_VERSION_STRING, out);
    return failed;
}
