/* quillon-reload: loads libquillon.so with dlopen, uses it, unloads it with
 * dlclose, again and again. Every unload must take the library out of the
 * process and leave none of its memory behind (LeakSanitizer or valgrind see
 * what a sanitized or checked run leaves; the resident size shows the rest).
 *
 * Usage:
 *   quillon-reload LIBRARY open CYCLES [MAX_GROWTH_BYTES]
 *       each cycle unloads the library with a movie, its frames, the sprite
 *       and info tables, buttons and an animated list open; with
 *       MAX_GROWTH_BYTES, fails when the resident size after the last cycle
 *       exceeds the size after the first by more than that
 *   quillon-reload LIBRARY scenarios OUT_DIR DATA_ROOT
 *       every host scenario S in a load of its own, written to OUT_DIR/S.swf
 *       with the data folder DATA_ROOT/S
 */
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "quillon_api.h"

static const char *libraryPath;

static int Fail(const char *what, const char *detail) {
    fprintf(stderr, "quillon-reload: %s%s%s\n", what, detail ? " " : "", detail ? detail : "");
    return 1;
}

static void Missing(const char *name) { Fail("the library has no export", name); }

/* Loads the library and fills q with every export, looked up by name. */
static void *Load(QuillonApi *q) {
    void *library = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        Fail("dlopen failed:", dlerror());
        return NULL;
    }
    if (QuillonResolveExports(q, dlsym, library, Missing) != 0) {
        dlclose(library);
        return NULL;
    }
    return library;
}

/* Unloads the library and checks that it left the process. */
static int Unload(void *library) {
    void *still;
    if (dlclose(library) != 0) return Fail("dlclose failed:", dlerror());
    still = dlopen(libraryPath, RTLD_NOW | RTLD_NOLOAD);
    if (still) {
        dlclose(still);
        return Fail("still loaded after dlclose:", libraryPath);
    }
    return 0;
}

/* Resident size of this process in bytes, or -1. */
static long ResidentBytes(void) {
    long pages = -1, resident = -1;
    FILE *f = fopen("/proc/self/statm", "r");
    if (!f) return -1;
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
    fclose(f);
    return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE);
}

/* Everything the library can hold at once, left open. */
static void OpenMovie(const QuillonApi *q) {
    static unsigned char slide[64 * 48], rgba[16 * 16 * 4];
    static const unsigned char palette[] = {255, 255, 255, 0, 0, 128};
    static const int32_t boxes[] = {2, 2, 20, 10, 2, 12, 20, 20};
    int i;
    for (i = 0; i < (int)sizeof slide; ++i) slide[i] = (unsigned char)((i / 64 + i % 64) & 1);
    for (i = 0; i < (int)sizeof rgba; ++i) rgba[i] = (unsigned char)(i % 4 == 0 ? 255 : i * 7);
    q->CreateMovie(64, 48, 3, 12);
    q->CreateFrame(slide, palette, 2);
    q->NextSlide();
    q->SetSpritesCount(1000);
    for (i = 0; i < 4; ++i) q->AddSprite(i, rgba, 16, 16);
    q->ShowSprite(0);
    q->TranslateSprite(1, 10, 10);
    q->ShowSprite(1);
    q->SetInfoCount(100);
    q->AddInfo(0, 2, 2, 30, 30, slide, palette, 2);
    q->InitButtonList();
    q->AddPauseButton(rgba, 40, 30, 16, 16);
    q->AddHyperLink("https://example.org/", "_blank", 0, 0, 20, 20);
    q->AddAutomaticHyperLink(-1, "https://example.org/next", "_self");
    q->InitAnimatedList();
    q->AddRubber(0, 4, 4, 40, 40, 2, 0x0000FF);
    q->AddAtAttractor(2, boxes, 0x00FF00, 0xFF0000);
    q->AnimateList();
    q->DuplicateFrame();
    q->AnimateList();
    q->StopFrame(-1);
}

static int CycleOpen(long cycles, long maxGrowth) {
    long i, first = -1, last = -1;
    for (i = 0; i < cycles; ++i) {
        QuillonApi q;
        void *library = Load(&q);
        if (!library) return 1;
        OpenMovie(&q);
        if (Unload(library) != 0) return 1;
        if (i == 0) first = ResidentBytes();
    }
    last = ResidentBytes();
    printf("quillon-reload: %ld cycles; resident size %ld KiB after the first, %ld KiB after the last\n",
           cycles, first / 1024, last / 1024);
    if (maxGrowth >= 0) {
        if (first < 0 || last < 0) return Fail("cannot read /proc/self/statm", NULL);
        if (last - first > maxGrowth) {
            fprintf(stderr, "quillon-reload: grew by %ld bytes, more than %ld\n", last - first,
                    maxGrowth);
            return 1;
        }
    }
    return 0;
}

static int MakeDir(const char *path) {
    if (mkdir(path, 0777) == 0 || errno == EEXIST) return 0;
    return Fail("cannot create the folder", path);
}

int main(int argc, char **argv) {
    if (argc >= 4 && strcmp(argv[2], "open") == 0) {
        libraryPath = argv[1];
        return CycleOpen(atol(argv[3]), argc > 4 ? atol(argv[4]) : -1);
    }
    if (argc == 5 && strcmp(argv[2], "scenarios") == 0) {
        libraryPath = argv[1];
        return QuillonRunEveryScenario("quillon-reload", argv[3], argv[4], MakeDir, Load, Unload);
    }
    fprintf(stderr,
            "usage: %s LIBRARY open CYCLES [MAX_GROWTH_BYTES]\n"
            "       %s LIBRARY scenarios OUT_DIR DATA_ROOT\n",
            argv[0], argv[0]);
    return 2;
}
