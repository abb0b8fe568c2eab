// The pictures of quillon-demo, drawn by its own code: 8-bit slides on a
// shared palette with a ramp of their own, and 32-bit button and sprite
// pictures.
#include "demo/pictures.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/canvas.h"
#include "quillon.h"

namespace quillon_tools {

namespace {

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

Slide DrawTitleSlide() {
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

Slide DrawShapesSlide() {
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

Slide DrawLinksSlide() {
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

Slide DrawAnimationSlide() {
    Slide s({20, 90, 50}, {10, 20, 30});
    s.Frame("Animated lists", 4);
    s.Gradient(0, 70, kWidth, kHeight - kFooter, [](int x, int) { return x / (kWidth - 1.0); });
    s.Lines({"Press play: a rubber ellipse and rectangle", "pulse, an attractor moves its highlight."},
            30, 90, 2, kCream);
    return s;
}

Slide DrawSoundSlide() {
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

}  // namespace

void ShowTitleSlide() { DrawTitleSlide().Show(); }
void ShowShapesSlide() { DrawShapesSlide().Show(); }
void ShowLinksSlide() { DrawLinksSlide().Show(); }
void ShowAnimationSlide() { DrawAnimationSlide().Show(); }
void ShowSoundSlide() { DrawSoundSlide().Show(); }

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

}  // namespace quillon_tools
