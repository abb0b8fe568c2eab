/* The exported functions as a table of pointers, so that the same host
 * scenarios run against the linked Linux library and against a DLL whose
 * exports are looked up by name. */
#ifndef QUILLON_API_TABLE_H
#define QUILLON_API_TABLE_H

#include "quillon.h"

#define QUILLON_EXPORTS(X)                                                                \
    X(CreateMovie, void, (int32_t, int32_t, int32_t, int32_t))                            \
    X(DuplicateFrame, void, (void))                                                       \
    X(NextSlide, void, (void))                                                            \
    X(WriteMovie, void, (const char *))                                                   \
    X(DestroyMovie, void, (void))                                                         \
    X(CreateFrame, void, (const unsigned char *, const unsigned char *, int32_t))         \
    X(StopFrame, void, (int32_t))                                                         \
    X(InitButtonList, void, (void))                                                       \
    X(RemoveButtons, void, (void))                                                        \
    X(AddPauseButton, void, (const void *, int32_t, int32_t, int32_t, int32_t))           \
    X(AddHyperLink, void, (const char *, const char *, int32_t, int32_t, int32_t, int32_t)) \
    X(AddAutomaticHyperLink, void, (int32_t, const char *, const char *))                 \
    X(AddButton, void, (int32_t, const void *, const void *, const void *, int32_t, int32_t, int32_t, int32_t)) \
    X(SetSpritesCount, void, (int32_t))                                                   \
    X(AddSprite, void, (int32_t, const void *, int32_t, int32_t))                         \
    X(TranslateSprite, void, (int32_t, int32_t, int32_t))                                 \
    X(ShowSprite, void, (int32_t))                                                        \
    X(HideSprite, void, (int32_t))                                                        \
    X(SetInfoCount, void, (int32_t))                                                      \
    X(AddInfo, void, (int32_t, int32_t, int32_t, int32_t, int32_t, const unsigned char *, const unsigned char *, int32_t)) \
    X(RemoveAndDestroyAllInfo, void, (void))                                              \
    X(AddSound, void, (const char *))                                                     \
    X(InitAnimatedList, void, (void))                                                     \
    X(AddRubber, void, (int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t))  \
    X(AddAtAttractor, void, (int32_t, const int32_t *, uint32_t, uint32_t))               \
    X(AnimateList, void, (void))                                                          \
    X(DestroyAnimatedList, void, (void))

typedef struct QuillonApi {
#define QUILLON_API_FIELD(name, ret, args) ret(QUILLON_CALL *name) args;
    QUILLON_EXPORTS(QUILLON_API_FIELD)
#undef QUILLON_API_FIELD
} QuillonApi;

/* A scenario builds one movie through the table (build, 0 on success),
 * which the runner writes to path and destroys; one that writes auxiliary
 * files (a WAV file) into dataDir or two movies does it all itself (run). */
typedef struct QuillonScenarioEntry {
    const char *name;
    int (*build)(const QuillonApi *q);
    int (*run)(const QuillonApi *q, const char *path, const char *dataDir);
} QuillonScenarioEntry;

/* Scenario tables, one per area (scenarios_<area>.c), each ending with an
 * entry without a name; quillonScenarioTables (scenarios.c) lists them all and
 * ends with NULL. */
extern const QuillonScenarioEntry *const quillonScenarioTables[];

/* A scenario's last step: writes the movie to path unless failed, destroys
 * it, and returns failed. */
int QuillonFinish(const QuillonApi *q, const char *path, int failed);

/* Runs scenario e into path and dataDir; returns 0 on success. */
int QuillonRunScenario(const QuillonApi *q, const QuillonScenarioEntry *e, const char *path,
                       const char *dataDir);

/* The scenario called name, or NULL. */
const QuillonScenarioEntry *QuillonFindScenario(const char *name);

/* Prints the colours and places of the player scenarios as JSON
 * (scenarios_player.c), for the player tests. */
void QuillonPrintPlayerScenes(void);

/* Prints the name of every scenario, one a line. */
void QuillonListScenarios(void);

/* A host that loads the library afresh for each scenario: load() loads it
 * and fills q (NULL when it cannot), unload() unloads it and checks that it
 * left (nonzero when not). QuillonRunLoaded runs scenario e in a load of its
 * own and returns 0 when all three steps succeeded, telling, as who, of a
 * scenario that failed. */
typedef void *(*QuillonLoad)(QuillonApi *q);
typedef int (*QuillonUnload)(void *library);
int QuillonRunLoaded(const char *who, const QuillonScenarioEntry *e, const char *out, const char *dataDir,
                     QuillonLoad load, QuillonUnload unload);

/* A host's runner: every scenario S, through QuillonRunLoaded, into
 * outDir/S.swf with the data folder dataRoot/S (both made with makeDir).
 * Prints, as who, how many ran and failed; returns 0 when there were
 * scenarios and none failed. */
int QuillonRunEveryScenario(const char *who, const char *outDir, const char *dataRoot,
                            int (*makeDir)(const char *path), QuillonLoad load, QuillonUnload unload);

/* A host that loads the library at run time: lookup(handle, name) gives the
 * export called name, or NULL. QuillonResolveExports fills q with every
 * export, tells missing(name) of each one not found and returns how many
 * were missing. */
typedef void *(*QuillonLookup)(void *handle, const char *name);
int QuillonResolveExports(QuillonApi *q, QuillonLookup lookup, void *handle,
                          void (*missing)(const char *name));

#endif
