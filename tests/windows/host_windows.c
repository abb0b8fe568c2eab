/* quillon-host.exe: runs the host scenarios against quillon.dll, loaded with
 * LoadLibrary from the directory of this program, every export found by name
 * with GetProcAddress. Each run loads the DLL afresh and checks that
 * FreeLibrary really unloads it.
 *
 * Usage:
 *   quillon-host --list
 *   quillon-host SCENARIO OUT.swf [DATA_DIR]
 *   quillon-host --all OUT_DIR DATA_ROOT   every scenario S into OUT_DIR/S.swf,
 *                                          with the data dir DATA_ROOT/S
 *   quillon-host --unload-open DIR         FreeLibrary with a movie open writes
 *                                          nothing; a second load starts afresh;
 *                                          threads do not disturb an open movie
 *   quillon-host --cdecl                   (32-bit) every export leaves its
 *                                          arguments for the caller to remove
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "quillon_api.h"

static char dllPath[MAX_PATH];

/* The loader runs DllMain inside an exception handler of its own, so a fault
 * in the load or unload hook would pass unseen (FreeLibrary still succeeds).
 * A vectored handler sees every exception first: it counts the faults
 * (error severity) and lets the search go on as before. */
static volatile LONG faults;
static volatile DWORD lastFaultCode;
static void *volatile lastFaultAddress;

static LONG WINAPI CountFault(EXCEPTION_POINTERS *info) {
    DWORD code = info->ExceptionRecord->ExceptionCode;
    if ((code & 0xF0000000u) == 0xC0000000u) {
        lastFaultCode = code;
        lastFaultAddress = info->ExceptionRecord->ExceptionAddress;
        InterlockedIncrement(&faults);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

static int NoFaults(const char *when) {
    if (faults == 0) return 0;
    fprintf(stderr, "quillon-host: %ld faults %s, the last %08lx at %p\n", (long)faults, when,
            (unsigned long)lastFaultCode, lastFaultAddress);
    return 1;
}

static int Fail(const char *what, const char *detail) {
    fprintf(stderr, "quillon-host: %s%s%s\n", what, detail ? " " : "", detail ? detail : "");
    return 1;
}

/* quillon.dll beside this program. */
static int FindDll(void) {
    DWORD n = GetModuleFileNameA(NULL, dllPath, sizeof dllPath);
    char *slash;
    if (n == 0 || n >= sizeof dllPath) return Fail("cannot find its own path", NULL);
    slash = strrchr(dllPath, '\\');
    if (!slash) slash = strrchr(dllPath, '/');
    if (!slash || (size_t)(slash + 1 - dllPath) + sizeof "quillon.dll" > sizeof dllPath)
        return Fail("unusable program path", dllPath);
    strcpy(slash + 1, "quillon.dll");
    return 0;
}

static void *Lookup(void *dll, const char *name) {
    FARPROC f = GetProcAddress((HMODULE)dll, name);
    void *p;
    memcpy(&p, &f, sizeof p);
    return p;
}

static void Missing(const char *name) {
    fprintf(stderr, "quillon-host: quillon.dll has no export %s\n", name);
}

/* Loads the DLL and fills q with every export, looked up by its plain name. */
static void *Load(QuillonApi *q) {
    HMODULE dll = LoadLibraryA(dllPath);
    if (!dll) {
        fprintf(stderr, "quillon-host: LoadLibrary(%s) failed, error %lu\n", dllPath,
                (unsigned long)GetLastError());
        NoFaults("while loading");
        return NULL;
    }
    if (NoFaults("while loading") != 0) return NULL;
    if (QuillonResolveExports(q, Lookup, dll, Missing) != 0) {
        FreeLibrary(dll);
        return NULL;
    }
    return dll;
}

/* Unloads the DLL and checks that it left the process. */
static int Unload(void *dll) {
    if (!FreeLibrary((HMODULE)dll)) return Fail("FreeLibrary failed", NULL);
    if (NoFaults("while unloading") != 0) return 1;
    if (GetModuleHandleA(dllPath) != NULL) return Fail("still loaded after FreeLibrary:", dllPath);
    return 0;
}

static int MakeDir(const char *path) {
    if (CreateDirectoryA(path, NULL) || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    return Fail("cannot create directory", path);
}

/* ---- Unloading with a movie open ------------------------------------ */

static int FileCount(const char *dir) {
    char pattern[MAX_PATH];
    WIN32_FIND_DATAA found;
    HANDLE h;
    int n = 0;
    snprintf(pattern, sizeof pattern, "%s/*", dir);
    h = FindFirstFileA(pattern, &found);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0) {
            fprintf(stderr, "quillon-host: found %s/%s\n", dir, found.cFileName);
            ++n;
        }
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return n;
}

static unsigned char *ReadAll(const char *path, long *size) {
    FILE *f = fopen(path, "rb");
    unsigned char *bytes = NULL;
    *size = -1;
    if (!f) return NULL;
    if (fseek(f, 0, SEEK_END) == 0 && (*size = ftell(f)) > 0 && fseek(f, 0, SEEK_SET) == 0 &&
        (bytes = malloc((size_t)*size)) != NULL && fread(bytes, 1, (size_t)*size, f) != (size_t)*size) {
        free(bytes);
        bytes = NULL;
    }
    fclose(f);
    return bytes;
}

static DWORD WINAPI Idle(LPVOID unused) {
    (void)unused;
    return 0;
}

/* A movie with one slide picture, written to path; with a thread started and
 * ended in the middle (DllMain sees thread attach and detach) when
 * withThread is set. */
static int SlideMovie(const QuillonApi *q, const char *path, int withThread) {
    static unsigned char pixels[32 * 24];
    static const unsigned char palette[] = {255, 255, 255, 0, 0, 128};
    int i;
    for (i = 0; i < (int)sizeof pixels; ++i) pixels[i] = (unsigned char)((i / 32 + i % 32) & 1);
    q->CreateMovie(32, 24, 1, 12);
    q->CreateFrame(pixels, palette, 2);
    if (withThread) {
        HANDLE t = CreateThread(NULL, 0, Idle, NULL, 0, NULL);
        if (!t) return Fail("CreateThread failed", NULL);
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
    q->StopFrame(-1);
    q->NextSlide();
    return QuillonFinish(q, path, 0);
}

static int UnloadOpen(const char *dir) {
    static unsigned char pixels[64 * 48];
    static const unsigned char palette[] = {0, 0, 0, 255, 255, 255};
    char path[MAX_PATH], plainPath[MAX_PATH];
    unsigned char *threaded, *plain;
    long threadedSize, plainSize;
    QuillonApi q;
    HMODULE dll;

    if (MakeDir(dir) != 0) return 1;
    if (FileCount(dir) != 0) return Fail("directory not empty at start:", dir);
    snprintf(path, sizeof path, "%s/open.swf", dir);

    /* 1. A movie with a frame, never written, then the DLL goes. */
    if (!(dll = Load(&q))) return 1;
    memset(pixels, 1, sizeof pixels);
    q.CreateMovie(64, 48, 1, 12);
    q.CreateFrame(pixels, palette, 2);
    q.StopFrame(-1);
    if (Unload(dll) != 0) return 1;
    if (FileCount(dir) != 0) return Fail("unloading with a movie open left files in", dir);

    /* 2. A second load starts without a movie: writing now writes nothing. */
    if (!(dll = Load(&q))) return Fail("the second LoadLibrary failed", NULL);
    q.WriteMovie(path);
    if (FileCount(dir) != 0) return Fail("the reloaded library still had a movie: it wrote into", dir);

    /* 3. Thread attach and detach leave an open movie as it was. */
    snprintf(path, sizeof path, "%s/threaded.swf", dir);
    snprintf(plainPath, sizeof plainPath, "%s/plain.swf", dir);
    if (SlideMovie(&q, path, 1) != 0 || SlideMovie(&q, plainPath, 0) != 0) return 1;
    if (Unload(dll) != 0) return 1;
    threaded = ReadAll(path, &threadedSize);
    plain = ReadAll(plainPath, &plainSize);
    if (!threaded || !plain) return Fail("a movie was not written after the second load", NULL);
    if (threadedSize != plainSize || memcmp(threaded, plain, (size_t)plainSize) != 0)
        return Fail("a thread started with a movie open changed the movie", NULL);
    if (threadedSize < 21 || memcmp(threaded, "FWS\4", 4) != 0)
        return Fail("not a movie:", path);
    free(threaded);
    free(plain);
    printf("quillon-host: unloaded with a movie open, no file left; reloaded; "
           "a thread left a %ld-byte movie unchanged\n", plainSize);
    return 0;
}

/* ---- The calling convention (32-bit only) --------------------------- */

#if defined(__i386__)
/* Calls fn with n zero arguments pushed on the stack and returns how many of
 * their bytes the callee removed: 0 under cdecl, 4 n under stdcall. */
static int BytesRemovedByCallee(void *fn, int n) {
    int removed;
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl $0\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "movl %%esp, %%edi\n\t"
        "call *%%ebx\n\t"
        "movl %%esp, %%eax\n\t"
        "subl %%edi, %%eax\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(removed), "+c"(n)
        : "b"(fn)
        : "edx", "esi", "edi", "memory", "cc");
    return removed;
}

static void __stdcall CalleeCleans(int32_t a, int32_t b) {
    (void)a;
    (void)b;
}

static void __cdecl CallerCleans(int32_t a, int32_t b) {
    (void)a;
    (void)b;
}

/* Every export's name and parameter list, as quillon_api.h declares them
 * (CreateMovie first). */
static const struct {
    const char *name, *parameters;
} kExports[] = {
#define QUILLON_EXPORT_ENTRY(name, ret, args) {#name, #args},
    QUILLON_EXPORTS(QUILLON_EXPORT_ENTRY)
#undef QUILLON_EXPORT_ENTRY
};

static int CheckCdecl(void) {
    QuillonApi q;
    HMODULE dll;
    int i, failures = 0, checked = 0, removed;
    /* The measurement itself first, on the program's own functions. */
    if ((removed = BytesRemovedByCallee((void *)CalleeCleans, 2)) != 8 ||
        BytesRemovedByCallee((void *)CallerCleans, 2) != 0) {
        fprintf(stderr, "quillon-host: stack measurement broken (stdcall removed %d)\n", removed);
        return 1;
    }
    if (!(dll = Load(&q))) return 1;
    /* Without a movie every export but CreateMovie does nothing, so the list
     * runs backwards: CreateMovie comes last and makes a movie (of zero
     * size), which DestroyMovie then ends. */
    for (i = (int)(sizeof kExports / sizeof kExports[0]) - 1; i >= 0; --i) {
        const char *parameter = kExports[i].parameters;
        void *fn = Lookup(dll, kExports[i].name);
        int args = strcmp(parameter, "(void)") != 0;  /* and one more for each comma */
        if (!fn) return Fail("no export", kExports[i].name);
        for (; *parameter; ++parameter) args += *parameter == ',';
        removed = BytesRemovedByCallee(fn, args);
        if (removed != 0) {
            fprintf(stderr, "quillon-host: %s removed %d bytes of its %d arguments\n", kExports[i].name,
                    removed, args);
            ++failures;
        }
        checked += args > 0;
    }
    q.DestroyMovie();
    if (Unload(dll) != 0) return 1;
    printf("quillon-host: %d exports with arguments leave them to the caller\n", checked);
    return failures != 0;
}
#endif

int main(int argc, char **argv) {
    const QuillonScenarioEntry *e;
    if (argc == 2 && strcmp(argv[1], "--list") == 0) {
        QuillonListScenarios();
        return 0;
    }
    if (FindDll() != 0) return 1;
    if (!AddVectoredExceptionHandler(1, CountFault)) return Fail("cannot watch for faults", NULL);
    if (argc == 4 && strcmp(argv[1], "--all") == 0)
        return QuillonRunEveryScenario("quillon-host", argv[2], argv[3], MakeDir, Load, Unload);
    if (argc == 3 && strcmp(argv[1], "--unload-open") == 0) return UnloadOpen(argv[2]);
#if defined(__i386__)
    if (argc == 2 && strcmp(argv[1], "--cdecl") == 0) return CheckCdecl();
#endif
    if (argc >= 3 && argv[1][0] != '-') {
        e = QuillonFindScenario(argv[1]);
        if (!e) {
            fprintf(stderr, "quillon-host: unknown scenario %s\n", argv[1]);
            return 2;
        }
        return QuillonRunLoaded("quillon-host", e, argv[2], argc > 3 ? argv[3] : ".", Load, Unload);
    }
    fprintf(stderr,
            "usage: %s --list | SCENARIO OUT.swf [DATA_DIR] | --all OUT_DIR DATA_ROOT |"
            " --unload-open DIR%s\n",
            argv[0],
#if defined(__i386__)
            " | --cdecl"
#else
            ""
#endif
    );
    return 2;
}
