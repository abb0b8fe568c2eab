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
#include "demo/wav.h"
#include "quillon.h"

using namespace quillon_tools;

namespace {

const char kProgram[] = "quillon-demo";
constexpr int kWidth = 640, kHeight = 480, kFps = 12, kSlides = 5;
constexpr int kFooter = 60;  // the strip at the bottom that the buttons sit in

// Palette entries every slide shares; 16 to 255 hold the slide's gradient.
enum Ink : uint8_t {
    kWhite, kBlack, kDarkGrey, kLightGrey, kRed, kOrange, kYellow, kGreen,
    kTeal, kBlue, kPurple, kPink, kNavy, kCream, kDarkGreen, kGold, kRamp
};
constexpr int kRampSize = 256 - kRamp;

const Rgb kInks[kRamp] = {
    {255, 255, 255}, {0, 0, 0}, {64, 64, 72}, {200, 200, 208}, {220, 50, 47}, {240, 140, 30},
    {250, 210, 50}, {60, 170, 80}, {30, 160, 160}, {40, 100, 210}, {130, 70, 190},
    {235, 110, 170}, {20, 30, 70}, {250, 244, 225}, {20, 90, 50}, {200, 160, 40},
};

// A slide: an 8-bit picture whose palette is the shared inks plus a ramp
// from one colour to another.
struct Slide {
    IndexedCanvas picture{kWidth, kHeight, kCream};
    std::vector<uint8_t> palette;

    Slide(Rgb from, Rgb to) {
        for (const Rgb &c : kInks) palette.insert(palette.end(), {c.r, c.g, c.b});
        for (int i = 0; i < kRampSize; ++i) {
            double t = static_cast<double>(i) / (kRampSize - 1);
            auto mix = [&](uint8_t a, uint8_t b) {
                return static_cast<uint8_t>(std::lround(a + (b - a) * t));
            };
            palette.insert(palette.end(), {mix(from.r, to.r), mix(from.g, to.g), mix(from.b, to.b)});
        }
    }

    // Fills the rectangle with the ramp, t(x, y) in 0..1 choosing the colour;
    // an ordered dither spreads the steps between neighbouring entries.
    template <typename F>
    void Gradient(int x1, int y1, int x2, int y2, F t) {
        static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) {
                double p = std::min(1.0, std::max(0.0, t(x, y))) * (kRampSize - 1);
                int i = static_cast<int>(p + (bayer[y & 3][x & 3] + 0.5) / 16.0);
                i = std::min(kRampSize - 1, std::max(0, i));
                picture.Set(x, y, static_cast<uint8_t>(kRamp + i));
            }
    }

    void Frame(const std::string &title, int number) {
        Gradient(0, 0, kWidth, 70, [](int x, int y) { return x / (kWidth - 1.0) * 0.8 + y / 350.0; });
        picture.DrawText(title, 24, 22, 4, kWhite);
        picture.FillRect(0, kHeight - kFooter, kWidth, kHeight, kNavy);
        picture.DrawText("quillon-demo  " + std::to_string(number) + "/" + std::to_string(kSlides),
                         16, kHeight - kFooter + 24, 2, kLightGrey);
    }

    void Lines(const std::vector<std::string> &lines, int x, int y, int scale, uint8_t ink) {
        for (size_t i = 0; i < lines.size(); ++i)
            picture.DrawText(lines[i], x, y + static_cast<int>(i) * 10 * scale, scale, ink);
    }

    // Begins the next frame with this picture.
    void Show() const { CreateFrame(picture.Pixels().data(), palette.data(), 256); }
};

Slide TitleSlide() {
    Slide s({20, 30, 90}, {150, 60, 170});
    s.Gradient(0, 0, kWidth, kHeight - kFooter, [](int x, int y) {
        return (x + y) / static_cast<double>(kWidth + kHeight - kFooter);
    });
    s.picture.FillEllipse(466, 76, 606, 216, kGold, 6);
    s.picture.FillEllipse(500, 110, 572, 182, kOrange);
    s.picture.FillRoundRect(44, 318, 184, 396, 12, kYellow);
    s.picture.FillTriangle(210, 396, 290, 304, 370, 396, kTeal);
    s.picture.FillEllipse(396, 316, 476, 396, kRed);
    s.picture.FillRect(502, 316, 582, 396, kGreen);
    s.picture.DrawText("QUILLON", 40, 90, 10, kWhite);
    s.Lines({"Flash movies from slide pictures,", "buttons, links, sprites, overlays,",
             "animation and sound."},
            44, 190, 2, kCream);
    s.picture.DrawText("Every slide here is an 8-bit picture drawn by quillon-demo.", 44, 270, 1,
                       kLightGrey);
    s.picture.DrawText("Use the buttons below: play, stop, first, previous, next, last.", 44, 282, 1,
                       kLightGrey);
    s.picture.FillRect(0, kHeight - kFooter, kWidth, kHeight, kNavy);
    s.picture.DrawText("quillon-demo  1/5", 16, kHeight - kFooter + 24, 2, kLightGrey);
    return s;
}

Slide ShapesSlide() {
    Slide s({250, 244, 225}, {40, 100, 210});
    s.Frame("Shapes and colours", 2);
    s.Gradient(24, 90, 616, 130, [](int x, int) { return (x - 24) / 592.0; });
    s.picture.DrawText("a gradient of 240 palette entries, dithered", 30, 104, 2, kBlack);
    for (int i = 0; i < kRamp; ++i) {
        int x = 24 + i * 37;
        s.picture.FillRect(x, 146, x + 33, 176, static_cast<uint8_t>(i));
        s.picture.StrokeRect(x, 146, x + 33, 176, 1, kDarkGrey);
    }
    s.picture.FillEllipse(30, 200, 150, 320, kRed);
    s.picture.FillEllipse(170, 200, 290, 320, kPurple, 12);
    s.picture.FillTriangle(310, 320, 370, 200, 430, 320, kGreen);
    s.picture.FillRoundRect(450, 200, 610, 320, 20, kTeal);
    s.picture.DrawText("Press play: the ball, a sprite, moves on", 30, 330, 2, kNavy);
    s.picture.DrawText("from frame to frame and pauses halfway.", 30, 346, 2, kNavy);
    return s;
}

Slide LinksSlide() {
    Slide s({230, 240, 250}, {120, 170, 230});
    s.Frame("Buttons and links", 3);
    s.Gradient(0, 70, kWidth, kHeight - kFooter, [](int, int y) { return (y - 70) / 350.0; });
    s.Lines({"The six buttons below are AddButton kinds 1 to 6:",
             "play, stop, first, previous, next and last slide.",
             "The round logo, top right, is kind 0: a picture.", "",
             "The box below is a hyperlink area:"},
            30, 100, 2, kNavy);
    s.picture.FillRoundRect(120, 230, 520, 300, 14, kWhite);
    s.picture.StrokeRect(120, 230, 520, 300, 3, kBlue);
    s.picture.DrawTextCentred("open about.html", 320, 255, 3, kBlue);
    s.picture.DrawText("It opens a page in a new window when clicked.", 30, 330, 2, kNavy);
    return s;
}

Slide AnimationSlide() {
    Slide s({20, 90, 50}, {10, 20, 30});
    s.Frame("Animated lists", 4);
    s.Gradient(0, 70, kWidth, kHeight - kFooter, [](int x, int) { return x / (kWidth - 1.0); });
    s.Lines({"Press play: a rubber ellipse and rectangle", "pulse, an attractor moves its highlight."},
            30, 90, 2, kCream);
    return s;
}

Slide SoundSlide() {
    Slide s({60, 20, 70}, {200, 80, 120});
    s.Frame("Sound", 5);
    s.Gradient(0, 70, kWidth, kHeight - kFooter, [](int x, int y) {
        double dx = x - 320, dy = y - 250;
        return std::sqrt(dx * dx + dy * dy) / 320.0;
    });
    s.Lines({"A chime synthesised by quillon-demo as a", "WAV file, encoded as ADPCM, starts with",
             "this slide."},
            30, 100, 2, kWhite);
    for (int i = 0; i < 24; ++i) {
        int h = static_cast<int>(20 + 80 * std::fabs(std::sin(i * 0.55)) * std::exp(-i * 0.06));
        s.picture.FillRect(80 + i * 20, 330 - h, 94 + i * 20, 330, kGold);
    }
    s.picture.DrawText("Thank you for watching.", 30, 360, 2, kCream);
    return s;
}

// The sprite: a shaded ball with soft edges, colour premultiplied by alpha.
std::vector<uint8_t> Ball(int size) {
    RgbaCanvas c(size, size);
    double r = size / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double dx = x + 0.5 - r, dy = y + 0.5 - r, d = std::sqrt(dx * dx + dy * dy);
            double a = std::min(1.0, std::max(0.0, r - d));
            double light = std::max(0.0, 1.0 - std::hypot(dx + r / 3, dy + r / 3) / (1.4 * r));
            c.Set(x, y, Rgba{static_cast<uint8_t>(200 + 55 * light), static_cast<uint8_t>(40 + 200 * light),
                             static_cast<uint8_t>(40 + 120 * light), static_cast<uint8_t>(255 * a)});
        }
    return ToArgb(c, true);
}

// The kind-0 picture: a round "Q" badge with a transparent surround.
std::vector<uint8_t> Logo(int size) {
    RgbaCanvas c(size, size);
    c.FillEllipse(0, 0, size, size, Rgba{250, 210, 50, 255});
    c.FillEllipse(4, 4, size - 4, size - 4, Rgba{20, 30, 70, 255});
    c.DrawTextCentred("Q", size / 2 + 1, size / 2 - 14, 4, Rgba{250, 210, 50, 255});
    return ToArgb(c, true);
}

// The pause button: a translucent plate that says how to go on.
std::vector<uint8_t> PausePlate(int w, int h) {
    RgbaCanvas c(w, h);
    c.FillRoundRect(0, 0, w, h, 10, Rgba{20, 30, 70, 220});
    c.DrawTextCentred("Paused: click here to go on", w / 2, h / 2 - 7, 2, Rgba{250, 210, 50, 255});
    return ToArgb(c, true);
}

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

// The navigation row: kinds 1 to 6, added once every slide was recorded.
void AddNavigation() {
    struct Nav {
        int kind;
        NavSymbol symbol;
    };
    const Nav navs[] = {{1, NavSymbol::Play}, {2, NavSymbol::Stop}, {3, NavSymbol::First},
                        {5, NavSymbol::Previous}, {6, NavSymbol::Next}, {4, NavSymbol::Last}};
    ButtonRow row = LayOutButtonRow(kWidth, kHeight, 6);
    for (int i = 0; i < 6; ++i) {
        ButtonFaces f = DrawButtonFaces(navs[i].symbol, row.width, row.height);
        AddButton(navs[i].kind, f.up.data(), f.over.data(), f.down.data(), row.X(i), row.y,
                  row.width, row.height);
    }
    std::vector<uint8_t> logo = Logo(64);
    AddButton(0, logo.data(), nullptr, nullptr, kWidth - 64 - 12, 3, 64, 64);
}

void BuildMovie(const std::string &soundPath) {
    CreateMovie(kWidth, kHeight, kSlides, kFps);

    // Slide 1, frame 0.
    TitleSlide().Show();
    NextSlide();
    StopFrame(-1);

    // Slide 2: the sprite crosses the stage in 24 frames, with a pause
    // button halfway; an info overlay stays for the whole slide.
    ShapesSlide().Show();
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

    // Slide 3: a hyperlink area over the drawn box.
    LinksSlide().Show();
    RemoveAndDestroyAllInfo();
    HideSprite(0);
    NextSlide();
    AddHyperLink("about.html", "_blank", 120, 230, 520, 300);
    StopFrame(-1);

    // Slide 4: rubber outlines and an attractor, stepped for three seconds.
    AnimationSlide().Show();
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

    // Slide 5: the chime.
    SoundSlide().Show();
    DestroyAnimatedList();
    NextSlide();
    AddSound(soundPath.c_str());
    StopFrame(-1);

    AddNavigation();
}

}  // namespace

int main(int argc, char **argv) {
    std::string dir = "demo";
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::printf("Usage: %s [--quiet] [FOLDER]\n"
                        "Writes FOLDER/demo.swf (default folder: demo), a movie that shows what the\n"
                        "library does, with its viewer page FOLDER/demo.html, the Ruffle player in\n"
                        "FOLDER/ruffle/, the sound FOLDER/chime.wav and the linked FOLDER/about.html.\n"
                        "Its buttons play, stop and go to the first, previous, next and last slide;\n"
                        "previous on the first slide goes to the last, next on the last to the first.\n"
                        "\n"
                        "Options:\n"
                        "  -q, --quiet   no summary line\n"
                        "  -h, --help    this text\n"
                        "  --version     the program's version\n",
                        kProgram);
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
    std::string error, page;
    auto fail = [&](const std::string &message) {
        std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
        return 1;
    };
    if (!MakeDirectory(dir, error)) return fail(error);
    std::string movie = dir + "/demo.swf", sound = dir + "/chime.wav";
    if (!WriteFileAtomically(sound, WavBytes(Chime(), 22050), error) ||
        !WriteFileAtomically(dir + "/about.html", kAboutPage, error))
        return fail(error);
    // A movie path that leads to the sound or the page would overwrite them.
    for (const std::string &input : {sound, dir + "/about.html"}) {
        if (SameFile(movie, input)) {
            std::fprintf(stderr, "%s: %s is the same file as %s; remove it or choose another folder\n",
                         kProgram, movie.c_str(), input.c_str());
            return 2;
        }
    }
    OutputState before;
    if (!CheckOutputPath(movie, before, error)) return fail(error);
    BuildMovie(sound);
    WriteMovie(movie.c_str());
    DestroyMovie();
    if (!CheckMovieWritten(movie, before, error)) return fail(error);
    if (!WriteViewer(movie, kWidth, kHeight, "Quillon demo", true, "", page, error)) return fail(error);
    if (!quiet) std::printf("%s: wrote %s and its viewer page %s\n", kProgram, movie.c_str(), page.c_str());
    return 0;
}
