// Rubber outlines, attractor highlights and the list that steps them.
#include "animation/animated_list.h"

namespace quillon {

RubberItem::RubberItem(int32_t kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                       int32_t lineWidth, Colour colour, Frame &frame)
    : x1_(x1), y1_(y1), x2_(x2), y2_(y2), lineWidth_(lineWidth) {
    name_ = "Rubber";
    if (kind == kEllipseRubber)
        shape_ = std::make_unique<EllipseItem>(Twips(x1), Twips(y1), Twips(x2), Twips(y2));
    else
        shape_ = std::make_unique<RectItem>(Twips(x1), Twips(y1), Twips(x2), Twips(y2));
    shape_->SetLineWidth(Twips(lineWidth));
    shape_->SetLineColour(colour);
    shape_->ClearFill();
    shape_->SetDepth(kRubberDepth);
    frame.ShowItem(shape_.get());
}

void RubberItem::Step(Frame &frame) {
    if (shrinking_ == 0) {
        int32_t k = 3 * (step_ + 1);
        if (x1_ + k < x2_ - k && y1_ + k < y2_ - k) {
            step_ += 1;
        } else {
            shrinking_ = 1;
            if (step_ > 0) step_ -= 1;
            else shrinking_ = 0;
        }
    } else {
        if (step_ > 0) step_ -= 1;
        else shrinking_ = 0;
    }

    int32_t m = 3 * step_;
    double fx = static_cast<double>((x2_ - m) - (x1_ + m)) / (x2_ - x1_);
    double fy = static_cast<double>((y2_ - m) - (y1_ + m)) / (y2_ - y1_);
    frame.HideItem(shape_.get());
    // The scale acts about the stage origin; this translation keeps the
    // centre where it was.
    shape_->SetTranslate(static_cast<int32_t>((1 - fx) * ((x1_ + x2_) / 2) * kTwipsPerPixel),
                         static_cast<int32_t>((1 - fy) * ((y1_ + y2_) / 2) * kTwipsPerPixel));
    // 65535, not 65536: even at rest the shape carries a placement matrix.
    shape_->SetScale(static_cast<int32_t>(65535.0 * fx + 0.5),
                     static_cast<int32_t>(65535.0 * fy + 0.5));
    // Written as a 16-bit width: a wider line than that is clamped.
    double width = Twips(lineWidth_) / fx;
    shape_->SetLineWidth(width > 65535.0 ? 65535 : static_cast<int32_t>(width));
    frame.ShowItem(shape_.get());
}

void RubberItem::RemoveFrom(Frame &frame) { frame.HideItem(shape_.get()); }

AttractorItem::AttractorItem(int32_t count, const int32_t *rects, Colour colour,
                             Colour highlight, Frame &frame)
    : count_(count) {
    name_ = "AtAttractor";
    for (int32_t i = 0; i < count_; ++i) {
        const int32_t *r = rects + 4 * i;
        boxes_[i] = std::make_unique<RectItem>(Twips(r[0]), Twips(r[1]), Twips(r[2]), Twips(r[3]));
        boxes_[i]->SetFillColour(colour);
        boxes_[i]->SetLineColour(colour);
        boxes_[i]->SetDepth(kAttractorBoxDepth);
        frame.ShowItem(boxes_[i].get());
        highlights_[i] = std::make_unique<RectItem>(Twips(r[0]), Twips(r[1]), Twips(r[2]), Twips(r[3]));
        highlights_[i]->SetFillColour(highlight);
        highlights_[i]->SetLineColour(highlight);
        highlights_[i]->SetDepth(kHighlightBehindDepth);
        frame.ShowItem(highlights_[i].get());
    }
}

void AttractorItem::Step(Frame &frame) {
    // The highlight goes back behind its box; the next one comes in front.
    RectItem *current = highlights_[step_].get();
    frame.HideItem(current);
    current->SetDepth(kHighlightBehindDepth);
    frame.ShowItem(current);
    step_ = (step_ + 1) % count_;
    RectItem *next = highlights_[step_].get();
    frame.HideItem(next);
    next->SetDepth(kHighlightInFrontDepth);
    frame.ShowItem(next);
}

void AttractorItem::RemoveFrom(Frame &frame) {
    for (int32_t i = 0; i < count_; ++i) {
        frame.HideItem(boxes_[i].get());
        frame.HideItem(highlights_[i].get());
    }
}

void AnimatedList::Step(Frame &frame) {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) (*it)->Step(frame);
}

void AnimatedList::RemoveFrom(Frame &frame) {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) (*it)->RemoveFrom(frame);
}

}  // namespace quillon
