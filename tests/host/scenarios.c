/* Host scenarios: each builds one movie through the exported functions only.
 * They serve the host tests, the real-player tests and the Windows tests, which
 * compare the movies that both platforms write. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "quillon_api.h"

int QuillonFinish(const QuillonApi *q, const char *path, int failed) {
    if (!failed) q->WriteMovie(path);
    q->DestroyMovie();
    return failed;
}

int QuillonRunScenario(const QuillonApi *q, const QuillonScenarioEntry *e, const char *path,
                       const char *dataDir) {
    return e->build ? QuillonFinish(q, path, e->build(q)) : e->run(q, path, dataDir);
}

static int EmptyMovie(const QuillonApi *q) {
    q->CreateMovie(550, 400, 0, 12);
    return 0;
}

static int OneEmptyFrame(const QuillonApi *q) {
    q->CreateMovie(550, 400, 0, 12);
    q->DuplicateFrame();
    return 0;
}

static int EmptyFrames(const QuillonApi *q) {
    int i;
    q->CreateMovie(640, 480, 3, 12);
    for (i = 0; i < 3; ++i) {
        q->DuplicateFrame();
        q->NextSlide();
    }
    return 0;
}

static const QuillonScenarioEntry lifecycleScenarios[] = {
    {"empty", EmptyMovie, NULL},
    {"one-frame", OneEmptyFrame, NULL},
    {"empty-frames", EmptyFrames, NULL},
    {NULL, NULL, NULL},
};

extern const QuillonScenarioEntry quillonAnimationScenarios[];
extern const QuillonScenarioEntry quillonSoundScenarios[];
extern const QuillonScenarioEntry quillonPlayerScenarios[];

/* Every area's table. An area adds its scenarios_<area>.c and one line here. */
const QuillonScenarioEntry *const quillonScenarioTables[] = {
    lifecycleScenarios,
    quillonAnimationScenarios,
    quillonSoundScenarios,
    quillonPlayerScenarios,
    NULL,
};

const QuillonScenarioEntry *QuillonFindScenario(const char *name) {
    const QuillonScenarioEntry *const *table;
    const QuillonScenarioEntry *e;
    for (table = quillonScenarioTables; *table; ++table)
        for (e = *table; e->name; ++e)
            if (strcmp(e->name, name) == 0) return e;
    return NULL;
}

void QuillonListScenarios(void) {
    const QuillonScenarioEntry *const *table;
    const QuillonScenarioEntry *e;
    for (table = quillonScenarioTables; *table; ++table)
        for (e = *table; e->name; ++e) puts(e->name);
}

int QuillonRunLoaded(const char *who, const QuillonScenarioEntry *e, const char *out, const char *dataDir,
                     QuillonLoad load, QuillonUnload unload) {
    QuillonApi q;
    void *library = load(&q);
    int rc;
    if (!library) return 1;
    rc = QuillonRunScenario(&q, e, out, dataDir);
    if (rc != 0) fprintf(stderr, "%s: scenario %s failed (%d)\n", who, e->name, rc);
    return unload(library) != 0 || rc != 0;
}

int QuillonRunEveryScenario(const char *who, const char *outDir, const char *dataRoot,
                            int (*makeDir)(const char *path), QuillonLoad load, QuillonUnload unload) {
    const QuillonScenarioEntry *const *table;
    const QuillonScenarioEntry *e;
    char out[4096], data[4096];
    int failures = 0, count = 0;
    if (makeDir(outDir) != 0 || makeDir(dataRoot) != 0) return 1;
    for (table = quillonScenarioTables; *table; ++table) {
        for (e = *table; e->name; ++e) {
            if (snprintf(out, sizeof out, "%s/%s.swf", outDir, e->name) >= (int)sizeof out ||
                snprintf(data, sizeof data, "%s/%s", dataRoot, e->name) >= (int)sizeof data) {
                fprintf(stderr, "%s: path too long for %s\n", who, e->name);
                return 1;
            }
            if (makeDir(data) != 0) return 1;
            failures += QuillonRunLoaded(who, e, out, data, load, unload);
            ++count;
        }
    }
    printf("%s: %d scenarios, each in a load of its own, %d failed\n", who, count, failures);
    return failures != 0 || count == 0;
}

int QuillonResolveExports(QuillonApi *q, QuillonLookup lookup, void *handle,
                          void (*missing)(const char *name)) {
    void *p;
    int count = 0;
    /* A data pointer and a function pointer have the same size on every
     * platform the hosts run on; memcpy avoids the cast C99 does not allow. */
#define QUILLON_API_RESOLVE(name, ret, args)  \
    p = lookup(handle, #name);                \
    if (!p) {                                 \
        missing(#name);                       \
        ++count;                              \
    }                                         \
    memcpy(&q->name, &p, sizeof p);
    QUILLON_EXPORTS(QUILLON_API_RESOLVE)
#undef QUILLON_API_RESOLVE
    return count;
}
