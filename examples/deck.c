/* deck.c -- the smallest complete host: one 320 x 240 slide, white with a
 * navy band, that the movie stops on. Writes the file named on the command
 * line (deck.swf without one).
 *
 *   cc deck.c $(pkg-config --cflags --libs quillon) -o deck && ./deck
 */
#include <stdio.h>

#include "quillon.h"

int main(int argc, char **argv) {
    const char *out = argc > 1 ? argv[1] : "deck.swf";
    static unsigned char pixels[320 * 240];  /* one palette index per pixel */
    unsigned char palette[2 * 3] = {255, 255, 255, 0, 0, 128};
    FILE *written;
    int x, y;

    for (y = 100; y < 140; y++) {           /* draw the slide: colour 1 */
        for (x = 0; x < 320; x++) {
            pixels[y * 320 + x] = 1;
        }
    }

    CreateMovie(320, 240, 1, 12);           /* stage in pixels, 1 slide, 12 fps */
    CreateFrame(pixels, palette, 2);        /* frame 0 shows the picture */
    StopFrame(-1);                          /* and stays there */
    NextSlide();
    WriteMovie(out);
    DestroyMovie();

    /* The library reports nothing: a movie that could not be written is
     * simply not there. */
    written = fopen(out, "rb");
    if (!written) {
        fprintf(stderr, "deck: %s was not written\n", out);
        return 1;
    }
    fclose(written);
    printf("quillon %s wrote %s\n", QUILLON_VERSION_STRING, out);
    return 0;
}
