// Button faces: a bordered plate with a white symbol.
#include "common/nav_buttons.h"

#include <algorithm>

#include "common/canvas.h"
#include "quillon.h"

namespace quillon_tools {

namespace {

RgbaCanvas Face(int32_t kind, int w, int h, Rgba plate, Rgba border) {
    RgbaCanvas c(w, h, plate);
    int t = std::max(1, h / 16);
    c.StrokeRect(0, 0, w, h, t, border);
    const Rgba ink{255, 255, 255, 255};
    double cx = w / 2.0, cy = h / 2.0, s = h * 0.28;  // half the symbol's height
    auto right = [&](double x) { c.FillTriangle(x, cy - s, x, cy + s, x + s * 1.4, cy, ink); };
    auto left = [&](double x) { c.FillTriangle(x, cy - s, x, cy + s, x - s * 1.4, cy, ink); };
    int bar = std::max(2, static_cast<int>(s / 3));
    switch (kind) {
    case QUILLON_BUTTON_PLAY: right(cx - s * 0.6); break;
    case QUILLON_BUTTON_STOP:
        c.FillRect(static_cast<int>(cx - s), static_cast<int>(cy - s), static_cast<int>(cx + s),
                   static_cast<int>(cy + s), ink);
        break;
    case QUILLON_BUTTON_FIRST:
        c.FillRect(static_cast<int>(cx - s * 1.1), static_cast<int>(cy - s),
                   static_cast<int>(cx - s * 1.1) + bar, static_cast<int>(cy + s), ink);
        left(cx + s * 0.9);
        break;
    case QUILLON_BUTTON_LAST:
        right(cx - s * 0.9);
        c.FillRect(static_cast<int>(cx + s * 1.1) - bar, static_cast<int>(cy - s),
                   static_cast<int>(cx + s * 1.1), static_cast<int>(cy + s), ink);
        break;
    case QUILLON_BUTTON_PREVIOUS: left(cx + s * 0.7); break;
    case QUILLON_BUTTON_NEXT: right(cx - s * 0.7); break;
    }
    return c;
}

}  // namespace

ButtonFaces DrawButtonFaces(int32_t kind, int width, int height) {
    ButtonFaces f;
    f.up = ToArgb(Face(kind, width, height, Rgba{40, 70, 140, 255}, Rgba{20, 30, 70, 255}), false);
    f.over = ToArgb(Face(kind, width, height, Rgba{70, 110, 200, 255}, Rgba{255, 200, 60, 255}), false);
    f.down = ToArgb(Face(kind, width, height, Rgba{20, 40, 90, 255}, Rgba{255, 200, 60, 255}), false);
    return f;
}

ButtonRow LayOutButtonRow(int stageWidth, int stageHeight, int count) {
    ButtonRow r;
    r.height = std::clamp(std::min(stageWidth, stageHeight) / 12, 12, 48);
    r.width = r.height * 3 / 2;
    r.gap = r.height / 4;
    r.y = stageHeight - r.gap - r.height;
    r.x0 = stageWidth - r.gap - count * r.width - (count - 1) * r.gap;
    return r;
}

bool FitButtonRow(int slideWidth, int slideHeight, int count, ButtonPlace place, ButtonRow &row,
                  int &stripHeight) {
    int side = std::clamp(std::min(slideWidth, slideHeight) / 12, 12, 48);
    for (; side >= kMinButtonSide; --side) {
        int width = side * 3 / 2, gap = std::max(1, side / 4);
        bool fitsAcross = count * width + (count + 1) * gap <= slideWidth;
        bool fitsDown = place == ButtonPlace::Under || side + 2 * gap <= slideHeight;
        if (!fitsAcross || !fitsDown) continue;
        row.height = side;
        row.width = width;
        row.gap = gap;
        row.x0 = slideWidth - gap - count * width - (count - 1) * gap;
        row.y = place == ButtonPlace::Under ? slideHeight + gap : slideHeight - gap - side;
        stripHeight = place == ButtonPlace::Under ? side + 2 * gap : 0;
        return true;
    }
    return false;
}

void AddButtonRow(std::initializer_list<int32_t> kinds, const ButtonRow &row) {
    int i = 0;
    for (int32_t kind : kinds) {
        ButtonFaces f = DrawButtonFaces(kind, row.width, row.height);
        AddButton(kind, f.up.data(), f.over.data(), f.down.data(), row.X(i++), row.y, row.width,
                  row.height);
    }
}

}  // namespace quillon_tools
