// quillon-demo: writes, from nothing but its own drawing code, a movie that
// shows what the library does, and a page that plays it. Uses only the
// exported functions.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/canvas.h"
#include "common/files.h"
#include "common/nav_buttons.h"
#include "common/viewer.h"
#include "demo/pictures.h"
#include "demo/wav.h"
#include "quillon.h"

using namespace quillon_tools;

namespace {

const char kProgram[] = "quillon-demo";
constexpr int kFps = 12;

// The info overlay: its own small 8-bit picture and palette.
void AddInfoBox(int index, int x, int y) {
    const int w = 280, h = 48;
    IndexedCanvas c(w, h, 0);
    c.StrokeRect(0, 0, w, h, 2, 1);
    c.DrawText("INFO overlay: an 8-bit", 10, 10, 2, 2);
    c.DrawText("picture over the slide", 10, 28, 2, 2);
    const uint8_t palette[] = {255, 248, 200, 200, 160, 40, 60, 50, 20};
    AddInfo(index, x, y, x + w - 1, y + h - 1, c.Pixels().data(), palette, 3);
}

// C, E and G, each struck and left to ring, 16-bit mono at 22050 Hz.
std::vector<int16_t> Chime() {
    const double rate = 22050, notes[] = {523.25, 659.25, 783.99};
    const int noteLength = static_cast<int>(rate * 0.35);
    std::vector<int16_t> samples(static_cast<size_t>(noteLength * 2 + rate * 1.2), 0);
    std::vector<double> mix(samples.size(), 0.0);
    for (int n = 0; n < 3; ++n)
        for (size_t i = static_cast<size_t>(n * noteLength); i < mix.size(); ++i) {
            double t = (i - n * noteLength) / rate;
            double envelope = std::exp(-t * 3.0) * std::min(1.0, t * 200);
            double w = 2 * M_PI * notes[n] * t;
            mix[i] += envelope * (std::sin(w) + 0.3 * std::sin(2 * w) + 0.1 * std::sin(3 * w));
        }
    for (size_t i = 0; i < mix.size(); ++i) samples[i] = static_cast<int16_t>(std::lround(mix[i] * 7000));
    return samples;
}

const char kAboutPage[] =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head><meta charset=\"utf-8\"><title>About the demo</title></head>\n"
    "<body>\n<h1>You followed the demo's hyperlink area</h1>\n"
    "<p>The movie made this link with <code>AddHyperLink</code>: an invisible button over the\n"
    "slide picture that opens a URL in a target window.</p>\n</body>\n</html>\n";

// The navigation row, added once every slide was recorded, and the logo.
void AddNavigation() {
    const std::initializer_list<int32_t> kinds = {QUILLON_BUTTON_PLAY, QUILLON_BUTTON_STOP,
                                                  QUILLON_BUTTON_FIRST, QUILLON_BUTTON_PREVIOUS,
                                                  QUILLON_BUTTON_NEXT, QUILLON_BUTTON_LAST};
    AddButtonRow(kinds, LayOutButtonRow(kWidth, kHeight, static_cast<int>(kinds.size())));
    std::vector<uint8_t> logo = Logo(64);
    AddButton(QUILLON_BUTTON_PICTURE, logo.data(), nullptr, nullptr, kWidth - 64 - 12, 3, 64, 64);
}

// Slide 1, frame 0.
void RecordTitle() {
    ShowTitleSlide();
    NextSlide();
    StopFrame(-1);
}

// Slide 2: the sprite crosses the stage in 24 frames, with a pause button
// halfway; an info overlay stays for the whole slide.
void RecordShapes() {
    ShowShapesSlide();
    NextSlide();
    SetInfoCount(1);
    AddInfoBox(0, 330, 364);
    std::vector<uint8_t> ball = Ball(48);
    SetSpritesCount(1);
    AddSprite(0, ball.data(), 48, 48);
    const int steps = 24;
    std::vector<uint8_t> plate = PausePlate(360, 44);
    for (int i = 0; i <= steps; ++i) {
        if (i > 0) {
            DuplicateFrame();
            HideSprite(0);
        }
        int x = 20 + (kWidth - 88) * i / steps;
        int y = 210 + static_cast<int>(40 * std::sin(i * M_PI / 6));
        TranslateSprite(0, x, y);
        ShowSprite(0);
        if (i == steps / 2) {
            AddPauseButton(plate.data(), 140, 140, 360, 44);
            StopFrame(-1);
        }
        if (i == steps / 2 + 1) RemoveButtons();
    }
    StopFrame(-1);
}

// Slide 3: a hyperlink area over the drawn box.
void RecordLinks() {
    ShowLinksSlide();
    RemoveAndDestroyAllInfo();
    HideSprite(0);
    NextSlide();
    AddHyperLink("about.html", "_blank", 120, 230, 520, 300);
    StopFrame(-1);
}

// Slide 4: rubber outlines and an attractor, stepped for three seconds.
void RecordAnimation() {
    ShowAnimationSlide();
    RemoveButtons();
    NextSlide();
    InitAnimatedList();
    AddRubber(0, 40, 160, 240, 360, 3, 0x32D2FA);  // ellipse, yellow (0xBBGGRR)
    AddRubber(1, 260, 160, 400, 360, 2, 0xAA46EB);
    const int32_t boxes[] = {430, 160, 600, 190, 430, 200, 600, 230, 430, 240, 600, 270,
                             430, 280, 600, 310, 430, 320, 600, 350};
    AddAtAttractor(5, boxes, 0x503C14, 0x1E8CF0);
    for (int i = 0; i < 36; ++i) {
        DuplicateFrame();
        AnimateList();
    }
    StopFrame(-1);
}

// Slide 5: the chime.
void RecordSound(const std::string &soundPath) {
    ShowSoundSlide();
    DestroyAnimatedList();
    NextSlide();
    AddSound(soundPath.c_str());
    StopFrame(-1);
}

void BuildMovie(const std::string &soundPath) {
    CreateMovie(kWidth, kHeight, kSlides, kFps);
    RecordTitle();
    RecordShapes();
    RecordLinks();
    RecordAnimation();
    RecordSound(soundPath);
    AddNavigation();
}

const char kHelp[] =
    "Usage: quillon-demo [--quiet] [FOLDER]\n"
    "Writes FOLDER/demo.swf (default folder: demo), a movie that shows what the\n"
    "library does, with its viewer page FOLDER/demo.html, the Ruffle player in\n"
    "FOLDER/ruffle/, the sound FOLDER/chime.wav and the linked FOLDER/about.html.\n"
    "Its buttons play, stop and go to the first, previous, next and last slide;\n"
    "previous on the first slide goes to the last, next on the last to the first.\n"
    "\n"
    "Options:\n"
    "  -q, --quiet   no summary line\n"
    "  -h, --help    this text\n"
    "  --version     the program's version\n";

// Reads the command line: -1 to go on and write the demo into dir, or the
// exit status to end with (the help, the version, a wrong option).
int ParseArguments(int argc, char **argv, std::string &dir, bool &quiet) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("%s %s\n", kProgram, QUILLON_VERSION);
            return 0;
        }
        if (a == "--quiet" || a == "-q") {
            quiet = true;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "%s: unknown option %s\nTry '%s --help'.\n", kProgram, a.c_str(), kProgram);
            return 2;
        } else {
            dir = a;
        }
    }
    return -1;
}

int Fail(const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return 1;
}

// Writes the sound, the linked page, the movie and its viewer page into
// dir: the exit status.
int WriteDemo(const std::string &dir, bool quiet) {
    std::string error, page;
    if (!MakeDirectory(dir, error)) return Fail(error);
    std::string movie = dir + "/demo.swf", sound = dir + "/chime.wav";
    if (!WriteFileAtomically(sound, WavBytes(Chime(), 22050), error) ||
        !WriteFileAtomically(dir + "/about.html", kAboutPage, error))
        return Fail(error);
    // A movie path that leads to the sound or the page would overwrite them.
    for (const std::string &input : {sound, dir + "/about.html"}) {
        if (SameFile(movie, input)) {
            std::fprintf(stderr, "%s: %s is the same file as %s; remove it or choose another folder\n",
                         kProgram, movie.c_str(), input.c_str());
            return 2;
        }
    }
    OutputState before;
    if (!CheckOutputPath(movie, before, error)) return Fail(error);
    BuildMovie(sound);
    WriteMovie(movie.c_str());
    DestroyMovie();
    if (!CheckMovieWritten(movie, before, error)) return Fail(error);
    if (!WriteViewer(movie, kWidth, kHeight, "Quillon demo", true, "", page, error)) return Fail(error);
    if (!quiet) std::printf("%s: wrote %s and its viewer page %s\n", kProgram, movie.c_str(), page.c_str());
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    std::string dir = "demo";
    bool quiet = false;
    int status = ParseArguments(argc, argv, dir, quiet);
    return status >= 0 ? status : WriteDemo(dir, quiet);
}
