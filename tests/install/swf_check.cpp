// quillon-swf-check FILE...: reads each movie with the strict SWF reader of
// tests/support and prints its stage, frame count and tag count, or the first
// fault found. Exits 1 when any file is not sound. Used by shell tests on
// movies that programs outside the test binaries write.
#include <cstdio>
#include <string>

#include "support/swf_reader.h"

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.swf...\n", argv[0]);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        quillon::test::SwfMovie movie;
        std::string error;
        if (!quillon::test::ReadSwfFile(argv[i], movie, error)) {
            std::fprintf(stderr, "%s: %s\n", argv[i], error.c_str());
            status = 1;
            continue;
        }
        const quillon::test::SwfHeader &h = movie.header;
        std::printf("%s: SWF %u, %d x %d px, %u frames, %zu tags\n", argv[i], unsigned(h.version),
                    (h.xMax - h.xMin) / 20, (h.yMax - h.yMin) / 20, unsigned(h.frameCount),
                    movie.tags.size());
    }
    return status;
}
