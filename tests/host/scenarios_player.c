/* Movies for the real-player tests (tests/player): each is built through the
 * exported functions only. Their colours and positions are the tables below,
 * which quillon-host --scenes prints for the player tests
 * (tests/player/scenes.js, which also knows the patterns). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "quillon_api.h"

/* ---- Pictures -------------------------------------------------------- */

enum Pattern { kVertical, kHorizontal, kChecker, kSolid };

/* Palette index of pixel (x, y): cells of cell x cell pixels (columns for
 * kVertical, rows for kHorizontal, squares for kChecker) cycling through
 * colours entries; kSolid is entry 0 everywhere. */
static unsigned char PatternIndex(int pattern, int cell, int colours, int x, int y) {
    int n = 0;
    switch (pattern) {
    case kVertical: n = x / cell; break;
    case kHorizontal: n = y / cell; break;
    case kChecker: n = x / cell + y / cell; break;
    default: break;
    }
    return (unsigned char)(n % colours);
}

/* Begins a frame showing the pattern over the whole width x height stage. */
static int PatternSlide(const QuillonApi *q, int width, int height, int pattern, int cell,
                        const unsigned char *palette, int colours) {
    unsigned char *pixels = malloc((size_t)width * (size_t)height);
    int x, y;
    if (!pixels) return 1;
    for (y = 0; y < height; ++y)
        for (x = 0; x < width; ++x) pixels[(size_t)y * width + x] = PatternIndex(pattern, cell, colours, x, y);
    q->CreateFrame(pixels, palette, colours);
    free(pixels);
    return 0;
}

/* width x height 32-bit pixels, every one the bytes alpha, red, green, blue. */
static unsigned char *ArgbPicture(int width, int height, unsigned argb) {
    size_t n = (size_t)width * (size_t)height, i;
    unsigned char *pixels = malloc(n * 4);
    if (!pixels) return NULL;
    for (i = 0; i < n; ++i) {
        pixels[i * 4 + 0] = (unsigned char)(argb >> 24);
        pixels[i * 4 + 1] = (unsigned char)(argb >> 16);
        pixels[i * 4 + 2] = (unsigned char)(argb >> 8);
        pixels[i * 4 + 3] = (unsigned char)argb;
    }
    return pixels;
}

/* Buttons and pictures at fixed places: x, y, width, height, face (0xAARRGGBB). */
typedef struct Place {
    int x, y, width, height;
    unsigned face;
} Place;

/* A button at place p whose up (p's face), over and down faces are one
 * colour each. */
static int FacedButton(const QuillonApi *q, int kind, const Place *p, unsigned over, unsigned down) {
    unsigned char *u = ArgbPicture(p->width, p->height, p->face);
    unsigned char *o = ArgbPicture(p->width, p->height, over);
    unsigned char *d = ArgbPicture(p->width, p->height, down);
    int failed = !u || !o || !d;
    if (!failed) q->AddButton(kind, u, o, d, p->x, p->y, p->width, p->height);
    free(u);
    free(o);
    free(d);
    return failed;
}

/* The play button that the sprite and info movies use to step from one
 * stopped frame to the next (its up face; over and down are lighter and
 * darker), the pause button, and the navigation deck's kind-0 picture. */
static const Place kStepButton = {280, 200, 30, 30, 0xFF00C000u};
static const Place kPauseButton = {100, 80, 60, 40, 0xFFE08020u};
static const Place kNavigationPicture = {270, 8, 40, 24, 0xFF804000u};

static int StepButton(const QuillonApi *q) { return FacedButton(q, 1, &kStepButton, 0xFF00E000u, 0xFF008000u); }

/* ---- Slides and stops ------------------------------------------------ */

static const unsigned char kPaletteA[] = {0x20, 0x40, 0xA0, 0xF0, 0xD0, 0x30, 0x10, 0x10, 0x10};
static const unsigned char kPaletteB[] = {0xC0, 0x20, 0x20, 0x20, 0xC0, 0x60, 0xFF, 0xFF, 0xFF};
static const unsigned char kPaletteC[] = {0x80, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x60, 0xE0, 0xE0};

/* Slides A, B and C of the 320 x 240 stage: vertical stripes, horizontal
 * stripes, a checkerboard. */
enum { kSlideA, kSlideB, kSlideC };
static int Slide(const QuillonApi *q, int slide) {
    static const int pattern[] = {kVertical, kHorizontal, kChecker}, cell[] = {16, 12, 20};
    static const unsigned char *const palette[] = {kPaletteA, kPaletteB, kPaletteC};
    return PatternSlide(q, 320, 240, pattern[slide], cell[slide], palette[slide], 3);
}

/* A 320 x 240 movie of slides, the first showing slide. */
static int SlideMovie(const QuillonApi *q, int slides, int slide) {
    q->CreateMovie(320, 240, slides, 12);
    return Slide(q, slide);
}

/* A 320 x 240 movie whose first frame shows the colour rgb everywhere. */
static int SolidMovie(const QuillonApi *q, const unsigned char *rgb) {
    q->CreateMovie(320, 240, 0, 12);
    return PatternSlide(q, 320, 240, kSolid, 1, rgb, 1);
}

/* Three stopped slides: A, B, C. */
static int ThreeSlides(const QuillonApi *q) {
    int failed = 0, slide;
    q->CreateMovie(320, 240, 3, 12);
    for (slide = kSlideA; slide <= kSlideC; ++slide) {
        failed |= Slide(q, slide);
        q->StopFrame(-1);
        q->NextSlide();
    }
    return failed;
}

/* A one-frame movie, stopped, showing the pattern over the whole stage. */
static int PatternMovie(const QuillonApi *q, int width, int height, int pattern, int cell,
                        const unsigned char *palette, int colours) {
    int failed;
    q->CreateMovie(width, height, 1, 12);
    failed = PatternSlide(q, width, height, pattern, cell, palette, colours);
    q->StopFrame(-1);
    return failed;
}

/* A stage 322 pixels wide: its rows need two bytes of padding each. */
static int WideStage(const QuillonApi *q) { return PatternMovie(q, 322, 120, kVertical, 23, kPaletteA, 3); }

static int TinyStage(const QuillonApi *q) {
    static const unsigned char palette[] = {0xC8, 0x30, 0x64};
    return PatternMovie(q, 1, 1, kSolid, 1, palette, 1);
}

/* A stage whose twip size needs more than 15 bits in the header. */
static int LargeStage(const QuillonApi *q) { return PatternMovie(q, 1024, 768, kChecker, 64, kPaletteC, 3); }

/* The first slide does not stop, the second does. */
static int StopOnSecond(const QuillonApi *q) {
    int failed = SlideMovie(q, 2, kSlideA);
    q->NextSlide();
    failed |= Slide(q, kSlideB);
    q->StopFrame(-1);
    q->NextSlide();
    return failed;
}

/* 50 slides of 800 x 600 with 256-colour palettes, playing through at 30
 * frames per second and stopping on the last. Slide s shows 40-pixel
 * squares of entries (s * 5 + column + 2 * row) mod 256. */
static int Deck50(const QuillonApi *q) {
    unsigned char palette[256 * 3];
    unsigned char *pixels = malloc(800 * 600);
    int i, s, x, y;
    if (!pixels) return 1;
    for (i = 0; i < 256; ++i) {
        palette[i * 3 + 0] = (unsigned char)i;
        palette[i * 3 + 1] = (unsigned char)(255 - i);
        palette[i * 3 + 2] = (unsigned char)(i * 7);
    }
    q->CreateMovie(800, 600, 50, 30);
    for (s = 0; s < 50; ++s) {
        for (y = 0; y < 600; ++y)
            for (x = 0; x < 800; ++x)
                pixels[y * 800 + x] = (unsigned char)((s * 5 + x / 40 + 2 * (y / 40)) & 255);
        q->CreateFrame(pixels, palette, 256);
        if (s == 49) q->StopFrame(-1);
        q->NextSlide();
    }
    free(pixels);
    return 0;
}

/* ---- Interactivity --------------------------------------------------- */

/* Slide A (frame 0, stops), slide B (frame 1, plays on through 35 copies of
 * itself, three seconds at 12 frames per second), slide C (frame 37, stops),
 * and the six navigation buttons along the bottom: kind k at
 * x = kNavigationX + kNavigationStep * (k - 1), y = kNavigationY,
 * kNavigationSide pixels square, faces 0xFF000000 | up, over and down colours
 * of kNavigationFaces[k - 1]; and kNavigationPicture, on every slide. */
enum { kNavigationX = 8, kNavigationStep = 40, kNavigationY = 204, kNavigationSide = 28 };
static const unsigned kNavigationFaces[6][3] = {
    {0x00FF0000u, 0x00FF8080u, 0x00800000u}, /* play */
    {0x0000FF00u, 0x0080FF80u, 0x00008000u}, /* stop */
    {0x000000FFu, 0x008080FFu, 0x00000080u}, /* first */
    {0x00FFFF00u, 0x00FFFF80u, 0x00808000u}, /* last */
    {0x00FF00FFu, 0x00FF80FFu, 0x00800080u}, /* previous */
    {0x0000FFFFu, 0x0080FFFFu, 0x00008080u}, /* next */
};

static int NavigationDeck(const QuillonApi *q) {
    int i, kind, failed = SlideMovie(q, 3, kSlideA);
    q->StopFrame(-1);
    q->NextSlide();
    failed |= Slide(q, kSlideB);
    q->NextSlide();
    for (i = 0; i < 35; ++i) q->DuplicateFrame();
    failed |= Slide(q, kSlideC);
    q->StopFrame(-1);
    q->NextSlide();
    for (kind = 1; kind <= 6; ++kind) {
        const unsigned *face = kNavigationFaces[kind - 1];
        const Place p = {kNavigationX + kNavigationStep * (kind - 1), kNavigationY, kNavigationSide,
                         kNavigationSide, 0xFF000000u | face[0]};
        failed |= FacedButton(q, kind, &p, 0xFF000000u | face[1], 0xFF000000u | face[2]);
    }
    failed |= FacedButton(q, 0, &kNavigationPicture, kNavigationPicture.face, kNavigationPicture.face);
    return failed;
}

/* Frame 0: slide A with kPauseButton and a stop, and, given link, the link
 * to it that opens by itself on frame 1; frame 1: slide B, the button
 * removed, a stop. */
static int PauseThenSlideB(const QuillonApi *q, const char *link) {
    const Place *b = &kPauseButton;
    unsigned char *face = ArgbPicture(b->width, b->height, b->face);
    int failed = SlideMovie(q, 2, kSlideA) | !face;
    if (face) q->AddPauseButton(face, b->x, b->y, b->width, b->height);
    free(face);
    q->StopFrame(-1);
    if (link) q->AddAutomaticHyperLink(1, link, "_self");
    q->NextSlide();
    failed |= Slide(q, kSlideB);
    q->RemoveButtons();
    q->StopFrame(-1);
    q->NextSlide();
    return failed;
}

static int PauseButton(const QuillonApi *q) { return PauseThenSlideB(q, NULL); }

/* Slide A, stopped, with an invisible link area from (100, 80) to (220, 160)
 * that opens /clicked?x=1 in the same window. */
static int HyperLinkArea(const QuillonApi *q) {
    int failed = SlideMovie(q, 1, kSlideA);
    q->AddHyperLink("/clicked?x=1", "_self", 100, 80, 220, 160);
    q->StopFrame(-1);
    q->NextSlide();
    return failed;
}

/* The pause movie, frame 1 (given by number before it begins) with a link
 * to /reached?frame=1 that opens by itself. */
static int AutomaticLink(const QuillonApi *q) { return PauseThenSlideB(q, "/reached?frame=1"); }

/* A 48 x 32 sprite, its left half opaque (0xFF, 0xC0, 0x00), its right half
 * red at alpha 0x80, premultiplied (0x80, 0x00, 0x00), over a solid slide of
 * (0x20, 0x60, 0xE0). Four stopped frames, stepped by the play button:
 * shown at (40, 50); hidden and shown at (200, 120); hidden; shown at
 * (100, 150). */
static int SpriteMoves(const QuillonApi *q) {
    static const unsigned char background[] = {0x20, 0x60, 0xE0};
    static const unsigned char opaque[] = {0xFF, 0xFF, 0xC0, 0x00}, red[] = {0x80, 0x80, 0x00, 0x00};
    unsigned char *sprite = malloc(48 * 32 * 4);
    int failed = !sprite, i;
    for (i = 0; sprite && i < 48 * 32; ++i) memcpy(sprite + i * 4, i % 48 < 24 ? opaque : red, 4);
    failed |= SolidMovie(q, background);
    q->SetSpritesCount(1);
    if (sprite) q->AddSprite(0, sprite, 48, 32);
    free(sprite);
    q->TranslateSprite(0, 40, 50);
    q->ShowSprite(0);
    q->StopFrame(-1);

    q->DuplicateFrame();
    q->HideSprite(0);
    q->TranslateSprite(0, 200, 120);
    q->ShowSprite(0);
    q->StopFrame(-1);

    q->DuplicateFrame();
    q->HideSprite(0);
    q->StopFrame(-1);

    q->DuplicateFrame();
    q->TranslateSprite(0, 100, 150);
    q->ShowSprite(0);
    q->StopFrame(-1);

    failed |= StepButton(q);
    return failed;
}

/* Over a solid slide of (0x30, 0x30, 0x30), frame 0 shows three overlays:
 * 10 x 5 pixels of (0xFF, 0x40, 0x40) at (10, 10)-(19, 14); 21 x 11 at
 * (60, 30)-(80, 40), columns 0-10 (0x40, 0xFF, 0x40) and 11-20
 * (0x40, 0x40, 0xFF); 7 x 5 of (0xFF, 0xFF, 0x00) at (150, 100)-(156, 104).
 * Frame 1 removes them all. Both stop; the play button steps. */
static int InfoOverlays(const QuillonApi *q) {
    static const unsigned char background[] = {0x30, 0x30, 0x30};
    static const unsigned char red[] = {0xFF, 0x40, 0x40};
    static const unsigned char halves[] = {0x40, 0xFF, 0x40, 0x40, 0x40, 0xFF};
    static const unsigned char yellow[] = {0xFF, 0xFF, 0x00};
    unsigned char small[10 * 5] = {0}, wide[21 * 11], odd[7 * 5] = {0};
    int failed, i;
    for (i = 0; i < 21 * 11; ++i) wide[i] = i % 21 >= 11;
    failed = SolidMovie(q, background);
    q->SetInfoCount(3);
    q->AddInfo(0, 10, 10, 19, 14, small, red, 1);
    q->AddInfo(1, 60, 30, 80, 40, wide, halves, 2);
    q->AddInfo(2, 150, 100, 156, 104, odd, yellow, 1);
    q->StopFrame(-1);

    q->DuplicateFrame();
    q->RemoveAndDestroyAllInfo();
    q->StopFrame(-1);

    failed |= StepButton(q);
    return failed;
}

/* ---- Pictures pixel for pixel ---------------------------------------- */

/* Sizes of the exact pictures, and where the pictures of each size start
 * (columns); rows hold the kinds. */
static const int kExactSizes[4][2] = {{1, 1}, {2, 2}, {7, 5}, {80, 24}};
static const int kExactColumns[4] = {10, 30, 50, 100};
enum { kExactPicture = 10, kExactPause = 50, kExactInfo = 90, kExactButton = 130 };

/* The exact pattern: a 1-pixel frame in entry 0 around a checkerboard of
 * entries 1 (where x + y is even) and 2. */
static int ExactIndex(int width, int height, int x, int y) {
    if (x == 0 || y == 0 || x == width - 1 || y == height - 1) return 0;
    return (x + y) % 2 ? 2 : 1;
}

static const unsigned char kExactPalette[] = {0xFF, 0x20, 0x20, 0x20, 0xFF, 0x20, 0x20, 0x20, 0xFF};
static const unsigned char kExactBackground[] = {0x30, 0x30, 0x30};

static unsigned char *ExactArgb(int width, int height) {
    unsigned char *pixels = malloc((size_t)width * (size_t)height * 4);
    int x, y;
    if (!pixels) return NULL;
    for (y = 0; y < height; ++y)
        for (x = 0; x < width; ++x) {
            unsigned char *p = pixels + ((size_t)y * width + x) * 4;
            const unsigned char *c = kExactPalette + 3 * ExactIndex(width, height, x, y);
            p[0] = 0xFF, p[1] = c[0], p[2] = c[1], p[3] = c[2];
        }
    return pixels;
}

/* Over a solid slide of (0x30, 0x30, 0x30), at each size of kExactSizes and
 * x = kExactColumns: the kind-0 picture at y = 10, a pause button at y = 50,
 * an info overlay at y = 90 and a stop button (kind 2, the same picture for
 * up, over and down) at y = 130, each in the exact pattern. One frame,
 * stopped. */
static int ExactPictures(const QuillonApi *q) {
    int i, x, failed = SolidMovie(q, kExactBackground);
    q->StopFrame(-1);
    q->SetInfoCount(4);
    for (i = 0; i < 4; ++i) {
        int w = kExactSizes[i][0], h = kExactSizes[i][1], left = kExactColumns[i];
        unsigned char *argb = ExactArgb(w, h);
        unsigned char *indexes = malloc((size_t)w * (size_t)h);
        if (!argb || !indexes) {
            failed = 1;
        } else {
            for (x = 0; x < w * h; ++x) indexes[x] = (unsigned char)ExactIndex(w, h, x % w, x / w);
            q->AddButton(0, argb, argb, argb, left, kExactPicture, w, h);
            q->AddPauseButton(argb, left, kExactPause, w, h);
            q->AddInfo(i, left, kExactInfo, left + w - 1, kExactInfo + h - 1, indexes, kExactPalette, 3);
            q->AddButton(2, argb, argb, argb, left, kExactButton, w, h);
        }
        free(argb);
        free(indexes);
    }
    return failed;
}

/* A one-frame movie, stopped: a solid slide of grey level, sprite 0 at
 * (x, y); written to path and destroyed. */
static int SpriteOnGrey(const QuillonApi *q, const char *path, unsigned char level, int x, int y) {
    const unsigned char grey[] = {level, level, level};
    int failed = SolidMovie(q, grey);
    q->TranslateSprite(0, x, y);
    q->ShowSprite(0);
    q->StopFrame(-1);
    return QuillonFinish(q, path, failed);
}

/* One 8 x 6 sprite in the exact pattern, shown in two movies in a row: the
 * first (written to player-sprite-two-movies-first.swf in the data
 * directory) at (40, 30) over a slide of (0x30, 0x30, 0x30); the second, made
 * after the first was written and destroyed, at (100, 80) over a slide of
 * (0x60, 0x60, 0x60). Both stop at their only frame. */
static int SpriteInTwoMovies(const QuillonApi *q, const char *path, const char *dataDir) {
    unsigned char *sprite = ExactArgb(8, 6);
    char first[4096];
    int n = snprintf(first, sizeof first, "%s/player-sprite-two-movies-first.swf", dataDir);
    int failed = !sprite || n >= (int)sizeof first;
    if (!failed) {
        q->SetSpritesCount(1);
        q->AddSprite(0, sprite, 8, 6);
        failed |= SpriteOnGrey(q, first, 0x30, 40, 30);
        failed |= SpriteOnGrey(q, path, 0x60, 100, 80);
    }
    free(sprite);
    return failed;
}

/* ---- The tables for the player tests --------------------------------- */

static void PrintColours(const char *name, const unsigned char *rgb, int n, const char *after) {
    int i;
    printf("\"%s\": [", name);
    for (i = 0; i < n; ++i) printf("%s[%d, %d, %d]", i ? ", " : "", rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    printf("]%s", after);
}

static void PrintPlace(const char *name, const Place *p) {
    printf("\"%s\": {\"rect\": [%d, %d, %d, %d], \"face\": [%u, %u, %u]},\n", name, p->x, p->y,
           p->x + p->width - 1, p->y + p->height - 1, p->face >> 16 & 255, p->face >> 8 & 255, p->face & 255);
}

void QuillonPrintPlayerScenes(void) {
    int i;
    printf("{");
    PrintColours("paletteA", kPaletteA, 3, ", ");
    PrintColours("paletteB", kPaletteB, 3, ", ");
    PrintColours("paletteC", kPaletteC, 3, ",\n");
    PrintPlace("stepButton", &kStepButton);
    PrintPlace("pauseButton", &kPauseButton);
    PrintPlace("navigationPicture", &kNavigationPicture);
    printf("\"navigation\": {\"x\": %d, \"step\": %d, \"y\": %d, \"side\": %d, \"faces\": [", kNavigationX,
           kNavigationStep, kNavigationY, kNavigationSide);
    for (i = 0; i < 6; ++i)
        printf("%s[%u, %u, %u]", i ? ", " : "", kNavigationFaces[i][0], kNavigationFaces[i][1], kNavigationFaces[i][2]);
    printf("]},\n\"exact\": {");
    PrintColours("palette", kExactPalette, 3, ", ");
    printf("\"sizes\": [");
    for (i = 0; i < 4; ++i) printf("%s[%d, %d]", i ? ", " : "", kExactSizes[i][0], kExactSizes[i][1]);
    printf("], \"columns\": [%d, %d, %d, %d], ", kExactColumns[0], kExactColumns[1], kExactColumns[2],
           kExactColumns[3]);
    printf("\"rows\": {\"kind-0 picture\": %d, \"pause button\": %d, \"info overlay\": %d, "
           "\"button face\": %d}, ", kExactPicture, kExactPause, kExactInfo, kExactButton);
    PrintColours("background", kExactBackground, 1, "}}\n");
}

const QuillonScenarioEntry quillonPlayerScenarios[] = {
    {"player-three-slides", ThreeSlides, NULL},
    {"player-wide-stage", WideStage, NULL},
    {"player-tiny-stage", TinyStage, NULL},
    {"player-large-stage", LargeStage, NULL},
    {"player-stop-on-second", StopOnSecond, NULL},
    {"player-deck-50", Deck50, NULL},
    {"player-navigation", NavigationDeck, NULL},
    {"player-pause-button", PauseButton, NULL},
    {"player-hyperlink", HyperLinkArea, NULL},
    {"player-automatic-link", AutomaticLink, NULL},
    {"player-sprite", SpriteMoves, NULL},
    {"player-info", InfoOverlays, NULL},
    {"player-exact-pictures", ExactPictures, NULL},
    {"player-sprite-two-movies", NULL, SpriteInTwoMovies},
    {NULL, NULL, NULL},
};
