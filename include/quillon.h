/*
 * quillon.h -- build a Flash movie (uncompressed SWF, version 4) from slide
 * pictures, buttons, links, sprites, overlays, one sound and animated lists.
 *
 * These 27 exports hold one movie at a time in process-wide state and run on
 * the caller's thread; call them from one thread at a time. Every export
 * returns nothing and reports nothing. (quillon_movie.h offers the same
 * through handles, with a status from every call, several movies at once.)
 *
 * No C++ exception leaves an export. A call that runs out of memory adds
 * nothing and marks the movie failed: the next WriteMovie then writes
 * nothing, leaves an existing file untouched, and empties the movie as a
 * failed write does. CreateMovie, DestroyMovie and WriteMovie clear the
 * mark.
 *
 * Units: the host works in pixels. Every coordinate and size is multiplied by
 * 20 (twips, 1/20 pixel) on its way into the movie.
 *
 * Pixel buffers:
 *   - 8-bit pictures (CreateFrame, AddInfo): one palette index per pixel, rows
 *     packed (width bytes per row, no padding). The library pads each row to a
 *     multiple of 4 bytes itself, as the file format requires.
 *   - palettes: colourCount entries of 3 bytes, red, green, blue.
 *   - 32-bit pictures (buttons, sprites): width * height pixels of 4 bytes each,
 *     in file order: alpha, red, green, blue. Pictures that carry alpha
 *     (sprites, pause buttons, the kind-0 picture of AddButton) are stored as
 *     DefineBitsLossless2, whose colour bytes players read as premultiplied by
 *     alpha.
 *   - colours passed as one 32-bit value: red in bits 0-7, green in 8-15, blue
 *     in 16-23; bits 24-31 are ignored and alpha is always 255.
 * The library copies and compresses every buffer before the call returns; the
 * host may reuse it at once.
 *
 * Calls outside the limits below never crash the library or corrupt the
 * movie: they do nothing, or, where stated, clamp their argument. In
 * particular every export that adds to a movie does nothing while no movie
 * exists, and every export that acts on "the current frame" does nothing
 * before the first CreateFrame or DuplicateFrame. The sprite and info tables
 * belong to the library, not to a movie: SetSpritesCount, AddSprite,
 * TranslateSprite and SetInfoCount work with or without one, and the tables
 * (with every sprite) are released when the library is unloaded. A sprite
 * keeps its picture: it is shown in every movie that shows it, and defines
 * itself again in each (its pixels are compressed only once).
 *
 * Limits of one movie (file):
 *   - Frames: at most 65535, numbered 0 to 65534. CreateFrame and
 *     DuplicateFrame past frame 65534 do nothing, so the current frame stays
 *     65534 and the exports that act on "the current frame" go on adding to
 *     it; StopFrame and AddAutomaticHyperLink with a frame past 65534 do
 *     nothing.
 *   - Characters: at most 65535 ids, counted from the last successful
 *     WriteMovie (DestroyMovie does not restart the count). Every picture
 *     takes two (its bitmap and its shape), a button one more than its
 *     pictures, the sound one, and each step of a pulsing outline one. Once
 *     all are used, an export that needs a new character adds nothing and the
 *     movie stays sound; what is already defined in the movie (a sprite shown
 *     before, an outline's steps drawn before) is still shown and removed.
 *     A deck of more than 32767 slides therefore shows the pictures of the
 *     first 32767 only.
 *   - Objects on the stage: every showing of a picture, button or outline is
 *     one placement, with a stacking depth of its own. A movie with more than
 *     65536 placements reuses the depths of objects already removed, keeping
 *     the stacking order of everything on the stage at once. A placement that
 *     cannot get a depth below 65536 that way is left out of the file
 *     together with its removal: this happens with more than 65536 objects
 *     on the stage at once, or when objects keep being shown in front of
 *     others that are still on the stage (a sprite shown again without
 *     HideSprite stays up behind its new showing).
 *   - Picture sides: 1 to 65535 pixels. A call with a picture side outside
 *     that range does nothing; a stage wider or taller than 65535 pixels gets
 *     its frames from CreateFrame but no slide picture.
 *   - Sizes and counts: negative stage sizes, slide counts and table counts
 *     are taken as 0; slide counts above 65535 as 65535, sprite and info
 *     table counts above 65536 as 65536.
 *   - Texts: a URL and its target share 65533 bytes (the field of their
 *     action counts 65535 with the two terminators); a longer URL is cut to
 *     65533 bytes and the target to the room left, each at the start of a
 *     UTF-8 character, never inside one.
 *
 * Every picture covers exactly its pixels, 20 twips a pixel: a picture of
 * width x height pixels at (x, y) spans (x, y) to (x + width, y + height).
 *
 * Order of a movie's life:
 *   CreateMovie; per slide: CreateFrame (or DuplicateFrame), additions,
 *   AnimateList, StopFrame, NextSlide; then AddButton for the navigation;
 *   WriteMovie; DestroyMovie.
 */
#ifndef QUILLON_H
#define QUILLON_H

#include <stdint.h>

/* The version of this header and of the library built with it. The major
 * number is the shared library's SONAME version (libquillon.so.1): it
 * changes only when a program built against an older header would break. */
#define QUILLON_VERSION_MAJOR 1
#define QUILLON_VERSION_MINOR 0
#define QUILLON_VERSION_PATCH 0
#define QUILLON_VERSION_STRING "1.0.0"

#if defined(_WIN32) && !defined(_WIN64) && !defined(__x86_64__)
#define QUILLON_CALL __cdecl
#else
#define QUILLON_CALL
#endif

#if defined(_WIN32)
#if defined(QUILLON_BUILDING_DLL)
#define QUILLON_API __declspec(dllexport)
#else
#define QUILLON_API
#endif
#elif defined(QUILLON_BUILDING_LIBRARY)
#define QUILLON_API __attribute__((visibility("default")))
#else
#define QUILLON_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The limits above, by name. */
#define QUILLON_MAX_FRAMES 65535       /* frames 0 to 65534 */
#define QUILLON_MAX_SLIDES 65535       /* slideCount is clamped to it */
#define QUILLON_MAX_PICTURE_SIDE 65535 /* pixels */

/* ---- Movie lifecycle ------------------------------------------------ */

/* Creates the movie: a stage of width x height pixels, slideCount slides
 * recorded later with NextSlide, frameRate frames per second (only the low 8
 * bits reach the file). A movie that is still open is destroyed first, as by
 * DestroyMovie. The stage header grows its field width with the stage, so any
 * size up to 53687091 pixels is described correctly; larger sides are taken
 * as 53687091 and negative ones as 0. A negative slideCount is taken as 0,
 * one above 65535 as 65535. currentFrame is left as it is (-1 after load or DestroyMovie). */
QUILLON_API void QUILLON_CALL CreateMovie(int32_t width, int32_t height, int32_t slideCount,
                                          int32_t frameRate);

/* Begins the next frame without new content: the stage keeps showing what the
 * previous frame showed. Past frame 65534 it does nothing. */
QUILLON_API void QUILLON_CALL DuplicateFrame(void);

/* Records the current frame as the frame of the next slide. Calls beyond the
 * slideCount given to CreateMovie, or before the first frame, do nothing. */
QUILLON_API void QUILLON_CALL NextSlide(void);

/* Writes the movie to fileName (a path in the host's 8-bit character set) and
 * empties the movie of frames; stage size and frame rate stay.
 *   - A new file, or an existing regular file, is written to a temporary file
 *     with a short name (".qln" + 6 characters + ".tmp") in the same folder
 *     and renamed over the target only when every byte was written and closed
 *     cleanly, so any name the file system allows works. A failed write (a
 *     missing folder, a full disk) leaves an existing file untouched and no
 *     temporary or partial file behind.
 *   - A symbolic link is followed: the file it points to gets the movie and
 *     the link stays a link.
 *   - An existing file keeps its permission bits, and its owner and group
 *     where the process may set them. Other hard links to it keep the old
 *     content. A file the process may not write is not replaced. On Windows
 *     the replaced file keeps its attributes and access rights.
 *   - A path that exists and is not a regular file (a device such as
 *     /dev/stdout, a named pipe) is opened and written directly, as
 *     fopen(fileName, "wb") would; so is an existing writable file in a folder
 *     where no new file may be made.
 * A file is written as the movie is put together, a little at a time; a pipe
 * or device, which must get the header first, gets the movie put together in
 * memory first (the pictures' compressed data is not copied).
 * The movie is emptied even when the write fails, and nothing reports the
 * failure: a host that may meet a full disk or a missing folder writes to a
 * path it has checked, and checks the file afterwards. Character ids restart
 * at 1 after a movie was written, and only then. A null or empty fileName
 * writes nothing and empties the movie. */
QUILLON_API void QUILLON_CALL WriteMovie(const char *fileName);

/* Releases the movie, its animated list and its slide table. Does nothing
 * without a movie. Unloading the library calls it; an open movie is then
 * discarded, not written. */
QUILLON_API void QUILLON_CALL DestroyMovie(void);

/* ---- Slide pictures and stops --------------------------------------- */

/* Begins the next frame and shows an 8-bit colour-mapped picture over the
 * whole stage: pixels holds stage width x stage height palette indexes,
 * palette colourCount RGB entries. Past frame 65534 it does nothing; a stage
 * side over 65535 pixels gives the frame without a picture. colourCount above 256 is taken as 256;
 * 0 or below gives a table of 256 black entries (the palette is not read),
 * since the file format cannot describe a picture without colours. */
QUILLON_API void QUILLON_CALL CreateFrame(const unsigned char *pixels,
                                          const unsigned char *palette, int32_t colourCount);

/* Makes playback stop at frame (-1: the current frame). A frame beyond the end
 * lengthens the movie. Each call adds one Stop action. Frames below -1 or
 * past 65534 do nothing. */
QUILLON_API void QUILLON_CALL StopFrame(int32_t frame);

/* ---- Navigation buttons and hyperlinks ------------------------------ */

/* Forgets every button in the table of pause buttons and hyperlink areas
 * (they stay on the stage); the next one still goes into the next slot. */
QUILLON_API void QUILLON_CALL InitButtonList(void);

/* Removes every button of the table from the current frame and destroys it. */
QUILLON_API void QUILLON_CALL RemoveButtons(void);

/* Adds to the current frame a button that resumes playback, showing
 * width x height 32-bit pixels with alpha at (x, y): the picture covers
 * pixels x to x + width - 1 and y to y + height - 1. The table holds 100
 * buttons: a 101st call does nothing. */
QUILLON_API void QUILLON_CALL AddPauseButton(const void *pixels, int32_t x, int32_t y,
                                             int32_t width, int32_t height);

/* Adds to the current frame an invisible rectangular button from (x1, y1) to
 * (x2, y2) that opens url in target when clicked; the corners are used as
 * given. Counts against the same 100 slots as AddPauseButton. Texts longer
 * than the limit above are cut. */
QUILLON_API void QUILLON_CALL AddHyperLink(const char *url, const char *target, int32_t x1,
                                           int32_t y1, int32_t x2, int32_t y2);

/* Adds to frame (-1: the current frame) an action that opens url in target
 * when the frame is reached. A frame beyond the end lengthens the movie; a
 * frame past 65534 does nothing. Texts longer than the limit above are cut. */
QUILLON_API void QUILLON_CALL AddAutomaticHyperLink(int32_t frame, const char *url,
                                                    const char *target);

/* The kinds of AddButton. The values are the ABI: a host may pass the
 * numbers as well as the names. */
#define QUILLON_BUTTON_PICTURE 0  /* a plain picture in frame 0 */
#define QUILLON_BUTTON_PLAY 1
#define QUILLON_BUTTON_STOP 2
#define QUILLON_BUTTON_FIRST 3    /* goes to frame 0 */
#define QUILLON_BUTTON_LAST 4     /* the last slide */
#define QUILLON_BUTTON_PREVIOUS 5 /* on the first slide: the last */
#define QUILLON_BUTTON_NEXT 6     /* on the last slide: frame 0 */

/* Adds a navigation button of width x height 32-bit pixels at (x, y),
 * covering x to x + width - 1 and y to y + height - 1, with the pictures up,
 * over and down (down also serves as the hit area):
 *   0  a plain picture from up, in frame 0 (over and down are not read)
 *   1  play          2  stop          3  first frame
 *   4  last slide    5  previous slide (first goes to last)
 *   6  next slide (last goes to frame 0)
 * Kinds 4 to 6 read the slide frames, so they are called after every slide
 * was recorded with NextSlide; called earlier they do nothing. Other kinds do
 * nothing. */
QUILLON_API void QUILLON_CALL AddButton(int32_t kind, const void *up, const void *over,
                                        const void *down, int32_t x, int32_t y, int32_t width,
                                        int32_t height);

/* ---- Sprites and info overlays -------------------------------------- */

/* Creates the sprite table with count empty entries, releasing any earlier
 * table and its sprites. count below 0 is taken as 0. */
QUILLON_API void QUILLON_CALL SetSpritesCount(int32_t count);

/* Creates sprite index from width x height 32-bit pixels with alpha; shows
 * nothing. An index outside the table does nothing; an existing sprite at
 * that index is replaced. The sprite belongs to the library: it can be shown
 * in any later movie as well. */
QUILLON_API void QUILLON_CALL AddSprite(int32_t index, const void *pixels, int32_t width,
                                        int32_t height);

/* Moves sprite index to (x, y) for its later showings. */
QUILLON_API void QUILLON_CALL TranslateSprite(int32_t index, int32_t x, int32_t y);

/* Shows sprite index in the current frame. */
QUILLON_API void QUILLON_CALL ShowSprite(int32_t index);

/* Removes sprite index from the current frame; does nothing if it is not on
 * the stage. */
QUILLON_API void QUILLON_CALL HideSprite(int32_t index);

/* Creates the info table with count empty entries; an earlier table is
 * removed from the current frame and released first, as by
 * RemoveAndDestroyAllInfo. count below 0 is taken as 0. */
QUILLON_API void QUILLON_CALL SetInfoCount(int32_t count);

/* Creates info overlay index from an 8-bit picture covering pixels (x1, y1)
 * to (x2, y2) inclusive, (x2 - x1 + 1) x (y2 - y1 + 1) pixels, and shows it
 * in the current frame at once. colourCount is treated as for CreateFrame.
 * An entry that already holds an overlay is replaced: the old overlay is
 * removed from the current frame and released first. An index outside the
 * table, or x2 < x1 or y2 < y1, does nothing. */
QUILLON_API void QUILLON_CALL AddInfo(int32_t index, int32_t x1, int32_t y1, int32_t x2,
                                      int32_t y2, const unsigned char *pixels,
                                      const unsigned char *palette, int32_t colourCount);

/* Removes every info overlay from the current frame, destroys them and
 * releases the table. */
QUILLON_API void QUILLON_CALL RemoveAndDestroyAllInfo(void);

/* ---- Sound ---------------------------------------------------------- */

/* Adds the WAV file fileName to the current frame as an ADPCM event sound
 * that starts when the frame is reached and plays at the file's own speed
 * and pitch. Each call defines a sound of its own (one character id; the
 * frame gets a SoundStreamHead, the DefineSound and a StartSound), so a
 * movie may start another sound in every frame, e.g. one for each slide. An
 * event sound plays to its end whatever the movie does meanwhile: moving
 * to another frame neither stops it nor starts it again, and reaching its
 * frame again while it still plays does not start it a second time.
 *
 * Files that play: RIFF/WAVE with
 *  - PCM (format tag 1): 8-bit unsigned, 16-, 24- or 32-bit signed;
 *    IEEE float (tag 3): 32 or 64 bits;
 *  - the compressed formats of voice prompts, recorders and games: A-law
 *    (tag 6) and mu-law (tag 7) of 8 bits, IMA ADPCM (tag 11 hex) and
 *    Microsoft ADPCM (tag 2) of 4 bits, decoded to 16 bits. An ADPCM file
 *    whose last block is cut short plays the samples that block holds
 *    whole; its "fact" chunk ends the sound inside the last block (the
 *    encoder's padding), a count that disagrees more is ignored. A block
 *    whose header names a step or predictor outside its table plays as
 *    silence;
 *  - WAVE_FORMAT_EXTENSIBLE (tag FFFE) with any of these sub-formats and
 *    sample sizes;
 *  - 1 to 64 channels: one plays mono, two stereo, more are mixed down to
 *    stereo by their channel mask (front left and right whole, centre and
 *    side channels at -3 dB, the low-frequency channel left out);
 *  - 4000 to 192000 samples per second: 5512.5, 11025, 22050 and 44100
 *    (within 0.1%) are encoded as they are; any other rate is resampled to
 *    the lowest of these at or above it (44100 at most), flat (within
 *    0.15 dB) to 80% of the lower Nyquist frequency (17.6 kHz at 44.1 kHz);
 *  - chunks other than "fmt " and "data" (LIST, fact, bext, JUNK, ...) are
 *    skipped wherever they stand; a RIFF size that disagrees with the file
 *    and a data size of 0 (in such a file), 0xFFFFFFFF or beyond the end of
 *    the file, as recorders that stream leave them, mean the samples run to
 *    the end of the file. A file cut short plays what it holds.
 * Samples are converted to 16 bits and encoded with 5-bit ADPCM codes;
 * 8-bit PCM files keep SoundSize 0, compressed ones get SoundSize 1. A
 * sound is at most 2^32 - 1 frames mono, 0xCC000000 stereo (about 27
 * and 21 hours at 44.1 kHz); longer ones are cut there.
 *
 * Files that do not play give a silent sound in a valid movie: a name that
 * cannot be opened, a file that is not RIFF/WAVE, other compressed WAV
 * (MP3, GSM 6.10, G.722, other ADPCM kinds, ...), other sample sizes, ADPCM
 * whose block align, samples per block and coefficient table do not fit
 * together and with its channels, no "fmt " chunk before the "data" chunk,
 * no "data" chunk, a chunk before the data that runs past the end of the
 * file, 0 or more than 64 channels, rates outside 4000-192000.
 * The file is read a block at a time: the memory a sound takes is its
 * encoded data (about 1.25 bytes per stereo frame) and less than 1 MB. */
QUILLON_API void QUILLON_CALL AddSound(const char *fileName);

/* ---- Animated lists ------------------------------------------------- */

/* Starts a new, empty animated list, taking an existing one off the stage. */
QUILLON_API void QUILLON_CALL InitAnimatedList(void);

/* Adds a pulsing outline, kind 0 an ellipse, 1 a rectangle, inscribed in
 * (x1, y1)-(x2, y2), lineWidth pixels wide, in colour; shown in the current
 * frame at once. Other kinds, x1 = x2 or y1 = y2 do nothing. */
QUILLON_API void QUILLON_CALL AddRubber(int32_t kind, int32_t x1, int32_t y1, int32_t x2,
                                        int32_t y2, int32_t lineWidth, uint32_t colour);

/* Adds count boxes (rects: count records of four int32 x1, y1, x2, y2) in
 * colour, of which one at a time shows highlightColour, moving on at every
 * AnimateList. count must be 1 to 10; others do nothing. */
QUILLON_API void QUILLON_CALL AddAtAttractor(int32_t count, const int32_t *rects,
                                             uint32_t colour, uint32_t highlightColour);

/* Advances every item of the animated list by one step in the current frame,
 * the most recently added item first. */
QUILLON_API void QUILLON_CALL AnimateList(void);

/* Takes every item of the list off the current frame and releases the list. */
QUILLON_API void QUILLON_CALL DestroyAnimatedList(void);

#ifdef __cplusplus
}
#endif

#endif /* QUILLON_H */
