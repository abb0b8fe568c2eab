// Pictures the tools draw into: a grid of pixels of any type, with filled
// shapes and bitmap-font text. Shapes are clipped to the picture.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/font.h"

namespace quillon_tools {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

inline bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

template <typename Pixel>
class Canvas {
public:
    Canvas(int width, int height, Pixel fill = Pixel())
        : width_(width), height_(height),
          pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), fill) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::vector<Pixel> &Pixels() const { return pixels_; }
    std::vector<Pixel> &Pixels() { return pixels_; }

    // Changes the size, keeping the buffer when it is large enough; the
    // pixels are then whatever the buffer held.
    void Resize(int width, int height) {
        width_ = width;
        height_ = height;
        pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    }

    Pixel At(int x, int y) const { return pixels_[Index(x, y)]; }
    void Set(int x, int y, Pixel p) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[Index(x, y)] = p;
    }

    // Columns x1 to x2 - 1 of rows y1 to y2 - 1.
    void FillRect(int x1, int y1, int x2, int y2, Pixel p) {
        x1 = std::max(x1, 0);
        y1 = std::max(y1, 0);
        x2 = std::min(x2, width_);
        y2 = std::min(y2, height_);
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) pixels_[Index(x, y)] = p;
    }

    // A frame of the given thickness inside the rectangle.
    void StrokeRect(int x1, int y1, int x2, int y2, int thickness, Pixel p) {
        FillRect(x1, y1, x2, y1 + thickness, p);
        FillRect(x1, y2 - thickness, x2, y2, p);
        FillRect(x1, y1, x1 + thickness, y2, p);
        FillRect(x2 - thickness, y1, x2, y2, p);
    }

    // The rectangle with its corners rounded by radius r.
    void FillRoundRect(int x1, int y1, int x2, int y2, int r, Pixel p) {
        for (int y = std::max(y1, 0); y < std::min(y2, height_); ++y)
            for (int x = std::max(x1, 0); x < std::min(x2, width_); ++x) {
                int dx = x < x1 + r ? x1 + r - x : (x >= x2 - r ? x - (x2 - r - 1) : 0);
                int dy = y < y1 + r ? y1 + r - y : (y >= y2 - r ? y - (y2 - r - 1) : 0);
                if (dx * dx + dy * dy <= r * r) pixels_[Index(x, y)] = p;
            }
    }

    // The ellipse inscribed in the rectangle; ring > 0 draws only an outline
    // that many pixels thick.
    void FillEllipse(int x1, int y1, int x2, int y2, Pixel p, int ring = 0) {
        double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
        double rx = (x2 - x1) / 2.0, ry = (y2 - y1) / 2.0;
        if (rx <= 0 || ry <= 0) return;
        for (int y = std::max(y1, 0); y < std::min(y2, height_); ++y)
            for (int x = std::max(x1, 0); x < std::min(x2, width_); ++x) {
                double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
                if (u * u + v * v > 1.0) continue;
                if (ring > 0 && rx > ring && ry > ring) {
                    double ui = (x + 0.5 - cx) / (rx - ring), vi = (y + 0.5 - cy) / (ry - ring);
                    if (ui * ui + vi * vi < 1.0) continue;
                }
                pixels_[Index(x, y)] = p;
            }
    }

    // The triangle (ax, ay), (bx, by), (cx, cy), in either winding.
    void FillTriangle(double ax, double ay, double bx, double by, double cx, double cy, Pixel p) {
        int x1 = std::max(0, static_cast<int>(std::min({ax, bx, cx})));
        int x2 = std::min(width_, static_cast<int>(std::max({ax, bx, cx})) + 1);
        int y1 = std::max(0, static_cast<int>(std::min({ay, by, cy})));
        int y2 = std::min(height_, static_cast<int>(std::max({ay, by, cy})) + 1);
        auto edge = [](double px, double py, double qx, double qy, double x, double y) {
            return (qx - px) * (y - py) - (qy - py) * (x - px);
        };
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x) {
                double sx = x + 0.5, sy = y + 0.5;
                double e1 = edge(ax, ay, bx, by, sx, sy);
                double e2 = edge(bx, by, cx, cy, sx, sy);
                double e3 = edge(cx, cy, ax, ay, sx, sy);
                if ((e1 >= 0 && e2 >= 0 && e3 >= 0) || (e1 <= 0 && e2 <= 0 && e3 <= 0))
                    pixels_[Index(x, y)] = p;
            }
    }

    // Text with its top-left corner at (x, y), each font cell scale x scale.
    void DrawText(const std::string &text, int x, int y, int scale, Pixel p) {
        for (size_t i = 0; i < text.size(); ++i) {
            int gx = x + static_cast<int>(i) * kGlyphAdvance * scale;
            for (int row = 0; row < kGlyphHeight; ++row)
                for (int col = 0; col < kGlyphWidth; ++col)
                    if (GlyphCell(text[i], col, row))
                        FillRect(gx + col * scale, y + row * scale, gx + (col + 1) * scale,
                                 y + (row + 1) * scale, p);
        }
    }

    // Text centred horizontally on column cx.
    void DrawTextCentred(const std::string &text, int cx, int y, int scale, Pixel p) {
        DrawText(text, cx - TextWidth(text, scale) / 2, y, scale, p);
    }

private:
    size_t Index(int x, int y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
    }

    int width_;
    int height_;
    std::vector<Pixel> pixels_;
};

// A colour with straight (not premultiplied) alpha.
struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

using IndexedCanvas = Canvas<uint8_t>;
using RgbaCanvas = Canvas<Rgba>;

// The library's 32-bit pixel layout: alpha, red, green, blue bytes per pixel.
// premultiply: colour bytes multiplied by alpha, as pictures stored with an
// alpha channel are read; opaque pictures are the same either way.
std::vector<uint8_t> ToArgb(const RgbaCanvas &canvas, bool premultiply);

}  // namespace quillon_tools
