// quillon-swf-check FILE...: reads each movie with the strict SWF reader of
// tests/support and prints its stage, frame count and tag count, or the first
// fault found. Exits 1 when any file is not sound. Used by shell tests on
// movies that programs outside the test binaries write.
//
// quillon-swf-check --json [--pixels] FILE: the same reading as one JSON
// object, for the JavaScript suites, which read no tags themselves:
//   {"ok": true, "error": "",
//    "header": {"version", "fileLength", "width", "height" (pixels),
//               "frameRate" (8.8 as a number), "frameCount"},
//    "tags": [{"code", "offset", "headerLength", "length", "frame"}, ...],
//    "bitmaps": [{"tag" (index into tags), "id", "format", "width", "height",
//                 "colours", "rgba" (with --pixels: base64 of straight RGBA)}, ...]}
// A file that is not sound gives "ok": false, the fault in "error", and
// exit status 1.
#include <cstdio>
#include <cstring>
#include <string>

#include "support/swf_reader.h"

using namespace quillon::test;

namespace {

std::string Base64(const std::vector<uint8_t> &bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t n = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                     (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        for (size_t k = 0; k < 4; ++k) out += i + k <= bytes.size() ? digits[(n >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

std::string Quoted(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out + "\"";
}

int Json(const char *path, bool pixels) {
    SwfMovie movie;
    std::string error;
    bool ok = ReadSwfFile(path, movie, error);
    const SwfHeader &h = movie.header;
    std::printf("{\"ok\": %s, \"error\": %s,\n \"header\": {\"version\": %u, \"fileLength\": %u, "
                "\"width\": %g, \"height\": %g, \"frameRate\": %g, \"frameCount\": %u},\n \"tags\": [",
                ok ? "true" : "false", Quoted(error).c_str(), unsigned(h.version), unsigned(h.fileLength),
                (h.xMax - h.xMin) / 20.0, (h.yMax - h.yMin) / 20.0, h.frameRate + h.frameRateFraction / 256.0,
                unsigned(h.frameCount));
    for (size_t i = 0; i < movie.tags.size(); ++i) {
        const SwfTag &t = movie.tags[i];
        std::printf("%s\n  {\"code\": %u, \"offset\": %u, \"headerLength\": %d, \"length\": %zu, \"frame\": %d}",
                    i ? "," : "", unsigned(t.code), unsigned(t.offset), t.longHeader ? 6 : 2, t.body.size(),
                    int(t.frame));
    }
    std::printf("],\n \"bitmaps\": [");
    const char *comma = "";
    for (size_t i = 0; i < movie.tags.size(); ++i) {
        SwfBitmap b;
        if (!DecodeBitmap(movie.tags[i], b)) continue;
        std::printf("%s\n  {\"tag\": %zu, \"id\": %u, \"format\": %u, \"width\": %d, \"height\": %d, \"colours\": %d",
                    comma, i, unsigned(b.id), unsigned(b.format), int(b.width), int(b.height), int(b.colours));
        if (pixels) std::printf(", \"rgba\": \"%s\"", Base64(b.rgba).c_str());
        std::printf("}");
        comma = ",";
    }
    std::printf("]}\n");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--json") == 0) {
        bool pixels = argc == 4 && std::strcmp(argv[2], "--pixels") == 0;
        if (argc == 3 || pixels) return Json(argv[argc - 1], pixels);
    }
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: %s FILE.swf... | --json [--pixels] FILE.swf\n", argv[0]);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        SwfMovie movie;
        std::string error;
        if (!ReadSwfFile(argv[i], movie, error)) {
            std::fprintf(stderr, "%s: %s\n", argv[i], error.c_str());
            status = 1;
            continue;
        }
        const SwfHeader &h = movie.header;
        std::printf("%s: SWF %u, %d x %d px, %u frames, %zu tags\n", argv[i], unsigned(h.version),
                    (h.xMax - h.xMin) / 20, (h.yMax - h.yMin) / 20, unsigned(h.frameCount),
                    movie.tags.size());
    }
    return status;
}
