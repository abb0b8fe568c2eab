// quillon-slides: turns PNG images into a movie with one slide per image,
// through the exported functions of the library only.
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/nav_buttons.h"
#include "common/palette.h"
#include "common/png_read.h"
#include "common/viewer.h"
#include "common/sound_file.h"
#include "quillon.h"

using namespace quillon_tools;

namespace {

const char kProgram[] = "quillon-slides";

// Players refuse bitmaps beyond these: 8191 pixels a side, 16777215 in all.
constexpr int kMaxStageSide = 8191;
constexpr long kMaxStagePixels = 16777215;

const char kHelp[] =
    "Usage: quillon-slides [options] IMAGE... -o OUT.swf\n"
    "Writes a Flash movie (SWF 4) with one slide per PNG image, in the order given.\n"
    "Images of at most 256 colours keep their colours exactly; others are reduced\n"
    "to 256 colours with libimagequant.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE      the movie to write (required)\n"
    "  --fps N                frames per second, 1 to 255 (default 1); each slide\n"
    "                         is one frame\n"
    "  --size WxH             the stage in pixels (default: the first image's size);\n"
    "                         images of another size are scaled to fit, centred\n"
    "  --background RRGGBB    colour around scaled images and under transparent\n"
    "                         pixels (default FFFFFF)\n"
    "  --buttons              first, previous, next and last buttons in the\n"
    "                         bottom-right corner; the movie stops on every slide\n"
    "                         (without them it plays the slides and stops on the last)\n"
    "  --sound FILE           a sound that starts with the first slide: WAV (PCM or\n"
    "                         float, any rate from 4 to 192 kHz), FLAC, Ogg Vorbis\n"
    "                         or Opus, MP3\n"
    "  --html                 also write OUT.html beside the movie, a page that plays\n"
    "                         it with the Ruffle player (copied into ruffle/ beside\n"
    "                         it); open it through http, e.g. python3 -m http.server\n"
    "  --quiet                no progress line and no summary\n"
    "  -h, --help             this text\n"
    "\n"
    "The stage is at most 8191 pixels a side and 16777215 pixels in all.\n"
    "Exit status: 0 written, 1 an image, the sound or the output failed, 2 wrong\n"
    "usage. Nothing is left behind when the movie cannot be written.\n";

struct Options {
    std::vector<std::string> images;
    std::string output;
    int fps = 1;
    int width = 0, height = 0;  // 0: the first image's size
    Rgb background{255, 255, 255};
    bool buttons = false;
    std::string sound;
    bool html = false;
    bool quiet = false;
};

int Usage(const std::string &message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", kProgram, message.c_str(),
                 kProgram);
    return 2;
}

int Fail(const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return 1;
}

bool ParseInt(const std::string &text, long low, long high, int &value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

bool ParseSize(const std::string &text, int &w, int &h) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseInt(text.substr(0, x), 1, 999999999, w) &&
           ParseInt(text.substr(x + 1), 1, 999999999, h);
}

bool ParseColour(const std::string &text, Rgb &c) {
    std::string t = text[0] == '#' ? text.substr(1) : text;
    if (t.size() != 6) return false;
    for (char ch : t)
        if (!std::isxdigit(static_cast<unsigned char>(ch))) return false;
    unsigned long v = std::strtoul(t.c_str(), nullptr, 16);
    c = Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    return true;
}

// 0 when parsed; otherwise the exit status (help printed or a usage error).
int ParseArguments(int argc, char **argv, Options &o, bool &help) {
    help = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            o.images.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "-h" || a == "--help") {
            help = true;
            return 0;
        } else if (a == "-o" || a == "--output") {
            if (!value(o.output)) return Usage(a + " needs a file name");
        } else if (a == "--fps") {
            if (!value(v) || !ParseInt(v, 1, 255, o.fps))
                return Usage("--fps needs a whole number from 1 to 255");
        } else if (a == "--size") {
            if (!value(v) || !ParseSize(v, o.width, o.height))
                return Usage("--size needs WIDTHxHEIGHT in pixels, e.g. 800x600");
        } else if (a == "--background") {
            if (!value(v) || !ParseColour(v, o.background))
                return Usage("--background needs a colour RRGGBB, e.g. FFFFFF");
        } else if (a == "--buttons") {
            o.buttons = true;
        } else if (a == "--sound") {
            if (!value(o.sound)) return Usage("--sound needs a sound file");
        } else if (a == "--html") {
            o.html = true;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else {
            return Usage("unknown option " + a);
        }
    }
    if (o.images.empty()) return Usage("no images given");
    // A movie holds at most 65535 frames.
    if (o.images.size() > 65535) return Usage("too many images: at most 65535 slides");
    if (o.output.empty()) return Usage("no output file given (-o OUT.swf)");
    return 0;
}

// The four navigation buttons, added once every slide was recorded.
void AddNavigation(int width, int height) {
    struct Nav {
        int kind;
        NavSymbol symbol;
    };
    const Nav navs[] = {{3, NavSymbol::First}, {5, NavSymbol::Previous},
                        {6, NavSymbol::Next}, {4, NavSymbol::Last}};
    ButtonRow row = LayOutButtonRow(width, height, 4);
    for (int i = 0; i < 4; ++i) {
        ButtonFaces f = DrawButtonFaces(navs[i].symbol, row.width, row.height);
        AddButton(navs[i].kind, f.up.data(), f.over.data(), f.down.data(), row.X(i), row.y,
                  row.width, row.height);
    }
}

// The image as a colour-mapped picture of the stage's size.
bool MakeSlide(const std::string &path, int width, int height, Rgb background,
               IndexedPicture &slide, std::string &error) {
    RgbaCanvas picture(1, 1);
    if (!ReadPng(path, picture, error)) return false;
    Flatten(picture, background);
    if (!ToIndexed(FitToStage(picture, width, height, background), slide, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

class Progress {
public:
    Progress(bool show, size_t total) : show_(show && isatty(STDERR_FILENO)), total_(total) {}
    void Slide(size_t n, const std::string &name) {
        if (!show_) return;
        std::fprintf(stderr, "\r%s: slide %zu of %zu: %-40.40s", kProgram, n, total_, name.c_str());
        std::fflush(stderr);
    }
    void Done() {
        if (show_) std::fprintf(stderr, "\r%*s\r", 80, "");
        show_ = false;
    }
    ~Progress() { Done(); }

private:
    bool show_;
    size_t total_;
};

int Run(const Options &o) {
    // Writing the movie over one of its own inputs would destroy that input.
    std::vector<std::string> inputs = o.images;
    if (!o.sound.empty()) inputs.push_back(o.sound);
    for (const std::string &input : inputs)
        if (SameFile(o.output, input))
            return Usage("the output " + o.output + " is the input " + input +
                         "; choose another output file");

    OutputState before;
    std::string error;
    if (!CheckOutputPath(o.output, before, error)) return Fail(error);
    SoundFile sound;
    if (!o.sound.empty() && !sound.Open(o.sound, error)) return Fail(error);

    // Every image is checked before any slide is made.
    int width = o.width, height = o.height;
    for (const std::string &image : o.images) {
        int w, h;
        if (!ProbePng(image, w, h, error)) return Fail(error);
        if (width == 0) {
            width = w;
            height = h;
        }
    }
    if (width > kMaxStageSide || height > kMaxStageSide ||
        static_cast<long>(width) * height > kMaxStagePixels)
        return Fail("stage " + std::to_string(width) + "x" + std::to_string(height) +
                    " is too large: at most " + std::to_string(kMaxStageSide) +
                    " pixels a side and " + std::to_string(kMaxStagePixels) +
                    " pixels in all (use --size)");

    int count = static_cast<int>(o.images.size());
    CreateMovie(width, height, count, o.fps);
    Progress progress(!o.quiet, o.images.size());
    int quantised = 0;
    for (int i = 0; i < count; ++i) {
        progress.Slide(static_cast<size_t>(i) + 1, o.images[static_cast<size_t>(i)]);
        IndexedPicture slide;
        if (!MakeSlide(o.images[static_cast<size_t>(i)], width, height, o.background, slide,
                       error)) {
            DestroyMovie();
            progress.Done();
            return Fail(error);
        }
        if (!slide.exact) ++quantised;
        CreateFrame(slide.pixels.data(), slide.palette.data(), slide.ColourCount());
        if (i == 0 && !o.sound.empty()) AddSound(sound.WavPath().c_str());
        if (o.buttons || i == count - 1) StopFrame(-1);
        NextSlide();
    }
    progress.Done();
    if (o.buttons) AddNavigation(width, height);
    WriteMovie(o.output.c_str());
    DestroyMovie();
    if (!CheckMovieWritten(o.output, before, error)) return Fail(error);

    std::string page;
    if (o.html && !WriteViewer(o.output, width, height, BaseName(o.output), page, error))
        return Fail(error);
    if (!o.quiet) {
        std::printf("%s: wrote %s: %d slide%s, %dx%d pixels, %d quantised to 256 colours\n",
                    kProgram, o.output.c_str(), count, count == 1 ? "" : "s", width, height,
                    quantised);
        if (o.html) std::printf("%s: viewer page %s\n", kProgram, page.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    bool help;
    if (int status = ParseArguments(argc, argv, o, help)) return status;
    if (help) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    return Run(o);
}
