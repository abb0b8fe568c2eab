// quillon-test-picture: the tools' test pictures for the player suite
// (tests/player/tools.test.mjs), so that one generator serves both.
//   quillon-test-picture stripes W H COLOURS SEED OUT   colour-mapped
//   quillon-test-picture gradient|photo W H [FORM] OUT   truecolour
//   quillon-test-picture halves W H RRGGBB RRGGBB OUT    top and bottom half
// Writes OUT.png and OUT.rgb, the RGB rows the picture shows. FORM
// EXT[:ORIENTATION[:PROFILE]] (e.g. jpg:6, jpg:1:p3, webp, gif) writes
// OUT.EXT instead through libvips, stored turned with that EXIF
// orientation and converted to that embedded profile; OUT.rgb is still
// the upright sRGB picture before it was encoded.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/support.h"

using namespace tools_test;

int main(int argc, char **argv) {
    std::string kind = argc > 4 ? argv[1] : "", out = argv[argc - 1];
    int w = argc > 4 ? std::atoi(argv[2]) : 0, h = argc > 4 ? std::atoi(argv[3]) : 0;
    std::vector<uint8_t> rgb;
    bool ok = w > 1 && h > 1;
    if (ok && kind == "stripes" && argc == 7) {
        ok = WriteStripesPng(out + ".png", w, h, std::atoi(argv[4]), std::atoi(argv[5]), &rgb);
    } else if (ok && kind == "halves" && argc == 7) {
        for (size_t p = 0; p < static_cast<size_t>(w) * h; ++p) {
            unsigned long c = std::strtoul(argv[p < static_cast<size_t>(w) * h / 2 ? 4 : 5], nullptr, 16);
            rgb.insert(rgb.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
        }
        ok = WritePicture(out + ".png", w, h, rgb);
    } else if (ok && (kind == "gradient" || kind == "photo") && (argc == 5 || argc == 6)) {
        rgb = kind == "gradient" ? Gradient(w, h) : Photo(w, h);
        std::istringstream fields(argc == 6 ? argv[4] : "png");
        std::string ext, orientation, profile;
        std::getline(fields, ext, ':');
        std::getline(fields, orientation, ':');
        std::getline(fields, profile, ':');
        PictureForm form;  // WritePicture refuses orientations other than 1 to 8
        form.orientation = orientation.empty() ? 1 : std::atoi(orientation.c_str());
        form.profile = profile;
        ok = !ext.empty() && WritePicture(out + "." + ext, w, h, rgb, form);
    } else {
        ok = false;
    }
    ok = ok && WriteText(out + ".rgb", std::string(rgb.begin(), rgb.end()));
    if (!ok)
        std::fprintf(stderr, "usage: %s stripes|gradient|photo|halves W H [ARGS] [FORM] OUT (see the source)\n",
                     argv[0]);
    return ok ? 0 : 1;
}
