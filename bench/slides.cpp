// Slide pictures for the benchmarks.
#include "slides.h"

#include "support/swf_reader.h"

#include <cmath>
#include <cstdio>

namespace quillon::bench {

namespace {

// xorshift32: a fixed sequence per seed.
struct Random {
    uint32_t state;
    explicit Random(uint32_t seed) : state(seed * 2654435761u + 1u) {}
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint32_t>(n)); }
};

// Palette layout: 0-63 a gradient between two theme colours, 64-127 a
// colour cube of 4 x 4 x 4 for photos, 128-135 greys for text edges,
// 136-143 chart colours, 144-255 unused (black).
constexpr int kGradient = 0, kCube = 64, kGrey = 128, kChart = 136;

void FillPalette(SlidePicture &s, Random &rng) {
    s.palette.assign(256 * 3, 0);
    auto set = [&](int i, int r, int g, int b) {
        s.palette[i * 3] = static_cast<uint8_t>(r);
        s.palette[i * 3 + 1] = static_cast<uint8_t>(g);
        s.palette[i * 3 + 2] = static_cast<uint8_t>(b);
    };
    int r0 = rng.Below(128), g0 = rng.Below(128), b0 = 128 + rng.Below(128);
    int r1 = 200 + rng.Below(56), g1 = 200 + rng.Below(56), b1 = 200 + rng.Below(56);
    for (int i = 0; i < 64; ++i)
        set(kGradient + i, r0 + (r1 - r0) * i / 63, g0 + (g1 - g0) * i / 63, b0 + (b1 - b0) * i / 63);
    for (int i = 0; i < 64; ++i) set(kCube + i, (i & 3) * 85, ((i >> 2) & 3) * 85, (i >> 4) * 85);
    for (int i = 0; i < 8; ++i) set(kGrey + i, 255 - i * 36, 255 - i * 36, 255 - i * 36);
    for (int i = 0; i < 8; ++i) set(kChart + i, rng.Below(256), rng.Below(256), rng.Below(256));
}

// Ordered dithering of a value 0..1 onto n palette steps.
uint8_t Dither(double value, int x, int y, int first, int n) {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    double v = value * (n - 1) + (bayer[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
    int i = static_cast<int>(std::floor(v + 0.5));
    if (i < 0) i = 0;
    if (i > n - 1) i = n - 1;
    return static_cast<uint8_t>(first + i);
}

// A glyph of a cell w x h: a few strokes picked by the letter code, with a
// grey edge pixel beside each stroke pixel as antialiasing leaves it.
void DrawGlyph(SlidePicture &s, int x0, int y0, int w, int h, uint32_t code) {
    auto put = [&](int x, int y, uint8_t c) {
        if (x < 0 || y < 0 || x >= s.width || y >= s.height) return;
        uint8_t &p = s.pixels[static_cast<size_t>(y) * s.width + x];
        if (c > p || p < kGrey || p >= kGrey + 8) p = c;
    };
    auto stroke = [&](int xa, int ya, int xb, int yb) {
        int steps = std::abs(xb - xa) > std::abs(yb - ya) ? std::abs(xb - xa) : std::abs(yb - ya);
        if (steps == 0) steps = 1;
        for (int t = 0; t <= steps; ++t) {
            int x = xa + (xb - xa) * t / steps, y = ya + (yb - ya) * t / steps;
            put(x0 + x, y0 + y, kGrey + 7);
            put(x0 + x + 1, y0 + y, kGrey + 3);
        }
    };
    int m = w / 2, top = (code & 1) ? 0 : h / 3;
    if (code & 2) stroke(0, top, 0, h - 1);
    if (code & 4) stroke(w - 2, top, w - 2, h - 1);
    if (code & 8) stroke(0, top, w - 2, top);
    if (code & 16) stroke(0, h - 1, w - 2, h - 1);
    if (code & 32) stroke(0, (top + h) / 2, w - 2, (top + h) / 2);
    if (code & 64) stroke(m, top, m, h - 1);
    if ((code & 126) == 0) stroke(0, h - 1, w - 2, top);
}

void DrawText(SlidePicture &s, Random &rng, int x, int y, int width, int cellW, int cellH) {
    int cx = x;
    while (cx + cellW < x + width) {
        int word = 2 + rng.Below(8);
        for (int i = 0; i < word && cx + cellW < x + width; ++i, cx += cellW)
            DrawGlyph(s, cx, y, cellW - 1, cellH, rng.Next() >> 8);
        cx += cellW;
    }
}

}  // namespace

SlidePicture RenderSlide(int32_t width, int32_t height, uint32_t index) {
    Random rng(index + 1);
    SlidePicture s;
    s.width = width;
    s.height = height;
    s.pixels.assign(static_cast<size_t>(width) * height, kGrey);  // white background
    FillPalette(s, rng);

    // Title band: a dithered horizontal gradient with a large title on it.
    int band = height / 6;
    for (int y = 0; y < band; ++y)
        for (int x = 0; x < width; ++x)
            s.pixels[static_cast<size_t>(y) * width + x] =
                Dither(static_cast<double>(x) / width, x, y, kGradient, 64);
    DrawText(s, rng, width / 16, band / 3, width / 2 + rng.Below(width / 4), 22, band / 3);

    // Bullet lines of body text, leaving room on the right for a picture.
    int kind = static_cast<int>(index % 3);  // 0 text, 1 text and chart, 2 text and photo
    int textWidth = kind == 0 ? width * 7 / 8 : width / 2;
    int lines = 8 + rng.Below(8);
    for (int l = 0; l < lines; ++l) {
        int y = band + 20 + l * 24;
        if (y + 14 >= height) break;
        for (int dy = 0; dy < 6; ++dy)
            for (int dx = 0; dx < 6; ++dx)
                s.pixels[static_cast<size_t>(y + 4 + dy) * width + width / 16 + dx] = kChart;
        DrawText(s, rng, width / 16 + 14, y, textWidth - rng.Below(textWidth / 3), 9, 13);
    }

    int px = width / 2 + width / 16, py = band + 30, pw = width * 3 / 8, ph = height / 2;
    if (kind == 1) {
        // A bar chart: flat bars on an axis.
        int bars = 4 + rng.Below(5);
        for (int b = 0; b < bars; ++b) {
            int h = ph / 4 + rng.Below(ph * 3 / 4);
            int x1 = px + b * pw / bars + 4, x2 = px + (b + 1) * pw / bars - 4;
            for (int y = py + ph - h; y < py + ph; ++y)
                for (int x = x1; x < x2; ++x) s.pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(kChart + b % 8);
        }
        for (int x = px; x < px + pw; ++x) s.pixels[static_cast<size_t>(py + ph) * width + x] = kGrey + 7;
    } else if (kind == 2) {
        // A photo-like area: smooth shapes with sensor noise, in the colour cube.
        double fx = 0.01 + rng.Below(100) / 5000.0, fy = 0.01 + rng.Below(100) / 5000.0;
        for (int y = 0; y < ph; ++y)
            for (int x = 0; x < pw; ++x) {
                double r = 0.5 + 0.5 * std::sin(x * fx + y * fy);
                double g = 0.5 + 0.5 * std::cos(x * fy * 1.7 - y * fx);
                double b = static_cast<double>(y) / ph;
                double noise = (rng.Below(1000) - 500) / 4000.0;
                int ri = static_cast<int>((r + noise) * 3.99), gi = static_cast<int>((g + noise) * 3.99);
                int bi = static_cast<int>((b + noise) * 3.99);
                auto clamp = [](int v) { return v < 0 ? 0 : (v > 3 ? 3 : v); };
                s.pixels[static_cast<size_t>(py + y) * width + px + x] =
                    static_cast<uint8_t>(kCube + clamp(ri) + clamp(gi) * 4 + clamp(bi) * 16);
            }
    }
    // Footer: a thin line and a page number.
    for (int x = 0; x < width; ++x) s.pixels[static_cast<size_t>(height - 24) * width + x] = kGradient + 20;
    DrawText(s, rng, width - 60, height - 18, 40, 9, 13);
    return s;
}

std::vector<uint8_t> BitmapInput(const SlidePicture &slide) {
    std::vector<uint8_t> input(slide.palette);
    input.insert(input.end(), slide.pixels.begin(), slide.pixels.end());
    return input;
}

bool MovieFileIsWhole(const char *path, uint64_t *size) {
    test::SwfMovie movie;
    std::string error;
    if (!test::ReadSwfFile(path, movie, error)) return false;
    if (size) *size = movie.header.fileLength;
    return true;
}

}  // namespace quillon::bench
