/*
 * quillon_movie.h -- build Flash movies (uncompressed SWF, version 4) through
 * handles: any number of movies at once, each call reporting what it did.
 *
 * A QuillonMovie holds one movie, its slide table, its table of pause
 * buttons and hyperlink areas, its sprite and info tables and its animated
 * list. Movies share nothing: different movies may be built and written on
 * different threads at once; one movie is used by one thread at a time.
 *
 * Every function that can fail returns a QuillonStatus; on failure it adds
 * nothing to the movie (a call that ran out of memory takes back what it had
 * begun), the movie stays usable, and quillon_movie_error() says why in
 * words. The statuses:
 *   QUILLON_OK              done
 *   QUILLON_ERROR_ARGUMENT  a null or bad argument, or a call out of order
 *                           (before the first frame, a button that reads
 *                           the slides before every slide was recorded)
 *   QUILLON_ERROR_MEMORY    out of memory
 *   QUILLON_ERROR_FILE      a file could not be read or written
 *   QUILLON_ERROR_DATA      data the library cannot take (a JPEG it refuses)
 *   QUILLON_ERROR_LIMIT     a limit of the file format or of the movie is
 *                           reached (frames, character ids, picture sides,
 *                           the 100 buttons of the table)
 * No C++ exception leaves any function.
 *
 * Units, pixel buffers, colours and the limits of one file are those of
 * quillon.h, whose 27 functions ("the classic face") keep one movie of this
 * kind for the whole process. Each function below says which classic
 * function it stands for; where quillon.h says a call "does nothing", the
 * function here adds nothing and returns the status named; where quillon.h
 * clamps an argument, the function here clamps it the same way and returns
 * QUILLON_OK. Unlike the classic face, the sprite and info tables belong to
 * the movie: quillon_movie_free releases them.
 *
 * Order of a movie's life:
 *   quillon_movie_new; per slide: quillon_movie_add_slide (or
 *   _add_jpeg_slide, _duplicate_frame), additions, _animate_list,
 *   _stop_frame, _next_slide; then _add_button for the navigation;
 *   quillon_movie_write; quillon_movie_free.
 */
#ifndef QUILLON_MOVIE_H
#define QUILLON_MOVIE_H

#include <stddef.h>
#include <stdint.h>

#include "quillon.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct QuillonMovie QuillonMovie;

typedef enum QuillonStatus {
    QUILLON_OK = 0,
    QUILLON_ERROR_ARGUMENT,
    QUILLON_ERROR_MEMORY,
    QUILLON_ERROR_FILE,
    QUILLON_ERROR_DATA,
    QUILLON_ERROR_LIMIT
} QuillonStatus;

/* ---- Movie lifecycle ------------------------------------------------ */

/* A new movie (CreateMovie): a stage of width x height pixels, slideCount
 * slides recorded later with quillon_movie_next_slide, frameRate frames per
 * second (only the low 8 bits reach the file). Sides are clamped to 0 to
 * 53687091 pixels, slideCount to 0 to 65535. NULL when out of memory. */
QUILLON_API QuillonMovie *QUILLON_CALL quillon_movie_new(int32_t width, int32_t height,
                                                         int32_t slideCount, int32_t frameRate);

/* Begins another movie in the handle, as CreateMovie begins one after
 * another: the frames, the slide table and the animated list go unwritten;
 * the sprite, info and button tables stay, and the character ids go on
 * counting until a movie is written. The parameters are those of
 * quillon_movie_new. */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_reset(QuillonMovie *movie, int32_t width,
                                                           int32_t height, int32_t slideCount,
                                                           int32_t frameRate);

/* Releases the movie and everything it holds, unwritten. NULL is ignored. */
QUILLON_API void QUILLON_CALL quillon_movie_free(QuillonMovie *movie);

/* What the last failed call on this movie said, "" when none failed; for a
 * NULL movie, a text that says so. The text is the library's and lives as
 * long as the library. */
QUILLON_API const char *QUILLON_CALL quillon_movie_error(const QuillonMovie *movie);

/* Writes the movie to fileName (WriteMovie: a temporary file beside the
 * target renamed over it, symbolic links followed, permissions kept, pipes
 * and devices written directly) and empties it of frames, whatever the
 * outcome; stage size, frame rate and the tables stay. Character ids restart
 * at 1 after a successful write only.
 *   ARGUMENT  fileName is NULL or ""
 *   FILE      the file could not be written (a missing folder, a full disk,
 *             no permission); an existing file is left untouched and no
 *             temporary file stays behind
 *   MEMORY    out of memory while writing; as for FILE */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_write(QuillonMovie *movie,
                                                           const char *fileName);

/* Begins the next frame without new content (DuplicateFrame).
 *   LIMIT  past frame 65534 */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_duplicate_frame(QuillonMovie *movie);

/* Records the current frame as the frame of the next slide (NextSlide).
 *   ARGUMENT  before the first frame, or every slide is recorded already */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_next_slide(QuillonMovie *movie);

/* ---- Slide pictures and stops --------------------------------------- */

/* Begins the next frame and shows an 8-bit colour-mapped picture over the
 * whole stage (CreateFrame): pixels holds stage width x stage height palette
 * indexes, palette colourCount RGB entries. colourCount above 256 is taken
 * as 256; 0 or below gives 256 black entries (palette is not read); NULL
 * pixels read as index 0. A stage side over 65535 pixels gives the frame
 * without a picture (QUILLON_OK).
 *   LIMIT  past frame 65534, or no character ids left for the picture */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_slide(QuillonMovie *movie,
                                                               const unsigned char *pixels,
                                                               const unsigned char *palette,
                                                               int32_t colourCount);

/* Begins the next frame and shows a JPEG picture over the whole stage, as
 * DefineBitsJPEG2. jpeg holds size bytes of a baseline JPEG file (8-bit,
 * greyscale or YCbCr, exactly the stage's size); the library checks its
 * markers and keeps a copy, so the host may reuse the buffer at once.
 *   ARGUMENT  jpeg is NULL or size is 0
 *   DATA      not a baseline JPEG the format can hold: progressive,
 *             arithmetic-coded, 12-bit, CMYK, truncated, another size than
 *             the stage's, or no JPEG at all
 *   LIMIT     past frame 65534, or no character ids left */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_jpeg_slide(QuillonMovie *movie,
                                                                    const unsigned char *jpeg,
                                                                    size_t size);

/* Makes playback stop at frame (-1: the current frame) with one Stop action
 * (StopFrame). A frame beyond the end lengthens the movie.
 *   ARGUMENT  frame below -1, or -1 before the first frame
 *   LIMIT     frame past 65534 */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_stop_frame(QuillonMovie *movie,
                                                                int32_t frame);

/* ---- Navigation buttons and hyperlinks ------------------------------ */

/* Forgets every button in the table of pause buttons, hyperlink and go-to
 * areas; they stay on the stage (InitButtonList). Never fails. */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_init_button_list(QuillonMovie *movie);

/* Takes every button of the table off the current frame and destroys it
 * (RemoveButtons).
 *   ARGUMENT  before the first frame */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_remove_buttons(QuillonMovie *movie);

/* Adds to the current frame a button that resumes playback, showing
 * width x height 32-bit pixels with alpha at (x, y) (AddPauseButton).
 *   ARGUMENT  before the first frame, or a side below 1
 *   LIMIT     the table holds 100 buttons already, a side over 65535 or a
 *             corner beyond 53687091 pixels, or no character ids left */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_pause_button(QuillonMovie *movie,
                                                                      const void *pixels,
                                                                      int32_t x, int32_t y,
                                                                      int32_t width,
                                                                      int32_t height);

/* Adds to the current frame an invisible area from (x1, y1) to (x2, y2) that
 * opens url in target when clicked (AddHyperLink); it takes a slot of the
 * table. Texts are cut as quillon.h says.
 *   ARGUMENT  before the first frame
 *   LIMIT     the table is full, or no character ids left */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_hyperlink(QuillonMovie *movie,
                                                                   const char *url,
                                                                   const char *target,
                                                                   int32_t x1, int32_t y1,
                                                                   int32_t x2, int32_t y2);

/* Adds to the current frame an invisible area from (x1, y1) to (x2, y2)
 * whose click goes to slide `slide` (numbered from 0, as
 * quillon_movie_next_slide records them) and stops there; it takes a slot
 * of the table. With QUILLON_NAVIGATION_STOPS_SOUNDS set, the click stops
 * the sounds first. The slide may be recorded later (a link to the last
 * slide on the first): its frame is looked up when the movie is written.
 *   ARGUMENT  before the first frame, or slide outside 0 to slideCount - 1
 *   LIMIT     the table is full, or no character ids left */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_goto_area(QuillonMovie *movie,
                                                                   int32_t slide, int32_t x1,
                                                                   int32_t y1, int32_t x2,
                                                                   int32_t y2);

/* Adds to frame (-1: the current frame) an action that opens url in target
 * when the frame is reached (AddAutomaticHyperLink).
 *   ARGUMENT  frame below -1, or -1 before the first frame
 *   LIMIT     frame past 65534 */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_automatic_hyperlink(
    QuillonMovie *movie, int32_t frame, const char *url, const char *target);

/* Flags of quillon_movie_set_navigation. */
#define QUILLON_NAVIGATION_KEYS 1u /* navigation buttons also answer keys */
#define QUILLON_NAVIGATION_STOPS_SOUNDS 2u /* every navigation stops sounds first */

/* Sets how the navigation buttons and go-to areas added after it behave
 * (flags: 0 or QUILLON_NAVIGATION_* or-ed together; 0 at first):
 *   QUILLON_NAVIGATION_KEYS: the buttons of _add_button also answer keys:
 *     Left and Page Up go to the previous slide, Right, Page Down and Space
 *     to the next, Home to the first, End to the last.
 *   QUILLON_NAVIGATION_STOPS_SOUNDS: every navigation (buttons, keys, go-to
 *     areas) stops the sounds playing before it moves.
 *   ARGUMENT  a flag the library does not know */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_set_navigation(QuillonMovie *movie,
                                                                    unsigned flags);

/* Adds a navigation button of kind QUILLON_BUTTON_* (AddButton), width x
 * height 32-bit pixels at (x, y) with the pictures up, over and down.
 *   ARGUMENT  another kind, a side below 1, or kind LAST, PREVIOUS or NEXT
 *             before every slide was recorded
 *   LIMIT     a side over 65535 or a corner beyond 53687091 pixels, or no
 *             character ids left */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_button(
    QuillonMovie *movie, int32_t kind, const void *up, const void *over, const void *down,
    int32_t x, int32_t y, int32_t width, int32_t height);

/* ---- Sprites and info overlays -------------------------------------- */

/* Creates the sprite table with count empty entries, releasing any earlier
 * table and its sprites (SetSpritesCount). count is clamped to 0 to 65536. */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_set_sprite_count(QuillonMovie *movie,
                                                                      int32_t count);

/* Creates sprite index from width x height 32-bit pixels with alpha; shows
 * nothing (AddSprite). An existing sprite at index is replaced.
 *   ARGUMENT  index outside the table, or a side below 1
 *   LIMIT     a side over 65535 */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_sprite(QuillonMovie *movie,
                                                                int32_t index, const void *pixels,
                                                                int32_t width, int32_t height);

/* Moves sprite index to (x, y) for its later showings (TranslateSprite).
 *   ARGUMENT  no sprite at index */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_translate_sprite(QuillonMovie *movie,
                                                                      int32_t index, int32_t x,
                                                                      int32_t y);

/* Shows sprite index in the current frame (ShowSprite).
 *   ARGUMENT  before the first frame, or no sprite at index
 *   LIMIT     no character ids left */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_show_sprite(QuillonMovie *movie,
                                                                 int32_t index);

/* Takes sprite index off the current frame (HideSprite); a sprite that is
 * not on the stage is left as it is (QUILLON_OK).
 *   ARGUMENT  before the first frame, or no sprite at index */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_hide_sprite(QuillonMovie *movie,
                                                                 int32_t index);

/* Creates the info table with count empty entries; an earlier table is
 * taken off the current frame (when a frame has begun) and released first
 * (SetInfoCount). count is clamped to 0 to 65536. */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_set_info_count(QuillonMovie *movie,
                                                                    int32_t count);

/* Creates info overlay index from an 8-bit picture covering pixels (x1, y1)
 * to (x2, y2) inclusive and shows it in the current frame (AddInfo); an
 * overlay already at index is taken off and released first.
 *   ARGUMENT  before the first frame, index outside the table, x2 < x1 or
 *             y2 < y1
 *   LIMIT     a side over 65535, or no character ids left */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_info(
    QuillonMovie *movie, int32_t index, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
    const unsigned char *pixels, const unsigned char *palette, int32_t colourCount);

/* Takes every info overlay off the current frame, destroys them and releases
 * the table (RemoveAndDestroyAllInfo).
 *   ARGUMENT  before the first frame */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_remove_all_info(QuillonMovie *movie);

/* ---- Sound ---------------------------------------------------------- */

/* Adds the WAV file fileName to the current frame as an ADPCM event sound
 * (AddSound; the files that play are those quillon.h lists).
 *   ARGUMENT  before the first frame, or fileName NULL
 *   FILE      the file cannot be opened
 *   DATA      the file is no WAV file that plays
 *   LIMIT     no character id left
 * On FILE and DATA nothing is added (the classic face adds a silent
 * sound). */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_sound(QuillonMovie *movie,
                                                               const char *fileName);

/* ---- Animated lists ------------------------------------------------- */

/* Starts a new, empty animated list, taking an existing one off the stage
 * (InitAnimatedList). */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_init_animated_list(QuillonMovie *movie);

/* Adds a pulsing outline, kind 0 an ellipse, 1 a rectangle (AddRubber).
 *   ARGUMENT  before the first frame or without a list, another kind,
 *             x1 = x2 or y1 = y2
 *   LIMIT     a value beyond 53687091 pixels, or no character ids left */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_rubber(QuillonMovie *movie,
                                                                int32_t kind, int32_t x1,
                                                                int32_t y1, int32_t x2,
                                                                int32_t y2, int32_t lineWidth,
                                                                uint32_t colour);

/* Adds count boxes (rects: count records of x1, y1, x2, y2) of which one at
 * a time shows highlightColour (AddAtAttractor).
 *   ARGUMENT  before the first frame or without a list, rects NULL, count
 *             outside 1 to 10
 *   LIMIT     a value beyond 53687091 pixels, or no character ids left */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_attractor(QuillonMovie *movie,
                                                                   int32_t count,
                                                                   const int32_t *rects,
                                                                   uint32_t colour,
                                                                   uint32_t highlightColour);

/* Advances every item of the animated list by one step in the current frame
 * (AnimateList).
 *   ARGUMENT  before the first frame or without a list */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_animate_list(QuillonMovie *movie);

/* Takes every item of the list off the current frame and releases the list
 * (DestroyAnimatedList).
 *   ARGUMENT  no list */
QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_destroy_animated_list(QuillonMovie *movie);

#ifdef __cplusplus
}
#endif

#endif /* QUILLON_MOVIE_H */
