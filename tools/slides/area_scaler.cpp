// The area-averaging scaler and the EXIF turns of the picture reader.
#include "slides/area_scaler.h"

#include <algorithm>
#include <cmath>

namespace quillon_tools {

AreaScaler::AreaScaler(int sourceWidth, int sourceHeight, RgbaCanvas &target)
    : sw_(sourceWidth), sh_(sourceHeight), target_(target),
      sx_(static_cast<double>(sourceWidth) / target.Width()),
      sy_(static_cast<double>(sourceHeight) / target.Height()),
      row_(static_cast<size_t>(target.Width()) * 3) {
    for (int x = 0; x < target.Width(); ++x) {
        double x0 = x * sx_, x1 = (x + 1) * sx_;
        Span s;
        s.first = static_cast<int>(x0);
        for (int u = s.first; u < std::min(sw_, static_cast<int>(std::ceil(x1))); ++u) {
            double w = std::min(x1, u + 1.0) - std::max(x0, static_cast<double>(u));
            if (w > 0) s.weights.push_back(w);
            else if (s.weights.empty()) ++s.first;
        }
        for (double w : s.weights) s.total += w;
        spans_.push_back(std::move(s));
    }
}

void AreaScaler::ScaleAcross(const uint8_t *rgb) {
    for (int x = 0; x < target_.Width(); ++x) {
        const Span &s = spans_[static_cast<size_t>(x)];
        double sum[3] = {0, 0, 0};
        const uint8_t *p = rgb + static_cast<size_t>(s.first) * 3;
        for (double w : s.weights) {
            sum[0] += p[0] * w;
            sum[1] += p[1] * w;
            sum[2] += p[2] * w;
            p += 3;
        }
        for (int c = 0; c < 3; ++c) row_[static_cast<size_t>(x) * 3 + c] = sum[c] / s.total;
    }
}

void AreaScaler::AddRow(int v, const uint8_t *rgb) {
    const int tw = target_.Width(), th = target_.Height();
    if (tw == sw_ && th == sh_) {  // the same size: the pixels as they are
        for (int x = 0; x < tw; ++x, rgb += 3) target_.Set(x, v, Rgba{rgb[0], rgb[1], rgb[2], 255});
        return;
    }
    ScaleAcross(rgb);
    // The target rows this source row covers a part of.
    int first = static_cast<int>(v / sy_), last = std::min(th - 1, static_cast<int>((v + 1) / sy_));
    for (int y = first; y <= last; ++y) {
        double y0 = y * sy_, y1 = (y + 1) * sy_;
        double w = std::min(y1, v + 1.0) - std::max(y0, static_cast<double>(v));
        if (w <= 0) continue;
        Pending &p = Row(y);
        for (size_t i = 0; i < row_.size(); ++i) p.sum[i] += row_[i] * w;
        p.total += w;
    }
    // Rows whose sources are all in are done.
    while (!pending_.empty() && ((pending_.front().y + 1) * sy_ <= v + 1 || v + 1 == sh_)) {
        Finish(pending_.front());
        spare_.push_back(std::move(pending_.front()));
        pending_.pop_front();
    }
}

AreaScaler::Pending &AreaScaler::Row(int y) {
    for (Pending &p : pending_)
        if (p.y == y) return p;
    Pending p;
    if (!spare_.empty()) {
        p = std::move(spare_.back());
        spare_.pop_back();
    }
    p.y = y;
    p.sum.assign(row_.size(), 0);
    p.total = 0;
    pending_.push_back(std::move(p));
    return pending_.back();
}

void AreaScaler::Finish(const Pending &p) {
    for (int x = 0; x < target_.Width(); ++x) {
        auto c = [&](int k) {
            return static_cast<uint8_t>(std::lround(p.sum[static_cast<size_t>(x) * 3 + k] / p.total));
        };
        target_.Set(x, p.y, Rgba{c(0), c(1), c(2), 255});
    }
}

void TurnUpright(int orientation, const RgbaCanvas &stored, RgbaCanvas &upright) {
    const int w = stored.Width(), h = stored.Height();
    bool swap = orientation >= 5;
    upright.Resize(swap ? h : w, swap ? w : h);
    for (int y = 0; y < upright.Height(); ++y)
        for (int x = 0; x < upright.Width(); ++x) {
            int u = x, v = y;
            switch (orientation) {
            case 2: u = w - 1 - x; break;
            case 3: u = w - 1 - x; v = h - 1 - y; break;
            case 4: v = h - 1 - y; break;
            case 5: u = y; v = x; break;
            case 6: u = y; v = h - 1 - x; break;
            case 7: u = w - 1 - y; v = h - 1 - x; break;
            case 8: u = w - 1 - y; v = x; break;
            default: break;
            }
            upright.Set(x, y, stored.At(u, v));
        }
}

}  // namespace quillon_tools
