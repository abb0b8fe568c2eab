/* quillon-host: runs a named host scenario against libquillon.so.
 * Usage: quillon-host [--handle] SCENARIO OUT.swf [DATA_DIR] | --list |
 * --scenes (the player scenarios' colours and places as JSON). With
 * --handle the scenario calls the handle face (quillon_movie.h). */
#include <stdio.h>
#include <string.h>

#include "handle_face.h"
#include "quillon_api.h"

int main(int argc, char **argv) {
    QuillonApi q;
    const QuillonScenarioEntry *e;
    int status;
#define QUILLON_API_BIND(name, ret, args) q.name = name;
    QUILLON_EXPORTS(QUILLON_API_BIND)
#undef QUILLON_API_BIND
    if (argc == 2 && strcmp(argv[1], "--list") == 0) {
        QuillonListScenarios();
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--scenes") == 0) {
        QuillonPrintPlayerScenes();
        return 0;
    }
    if (argc > 1 && strcmp(argv[1], "--handle") == 0) {
        QuillonBindHandleFace(&q);
        --argc;
        ++argv;
    }
    if (argc < 3) {
        fprintf(stderr, "usage: %s SCENARIO OUT.swf [DATA_DIR] | --list | --scenes\n", argv[0]);
        return 2;
    }
    e = QuillonFindScenario(argv[1]);
    if (e) {
        status = QuillonRunScenario(&q, e, argv[2], argc > 3 ? argv[3] : ".");
        QuillonReleaseHandleFace();
        return status;
    }
    fprintf(stderr, "%s: unknown scenario %s\n", argv[0], argv[1]);
    return 2;
}
