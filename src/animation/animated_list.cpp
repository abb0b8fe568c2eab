// Rubber outlines, attractor highlights and the list that steps them.
#include "animation/animated_list.h"

namespace quillon {

RubberItem::RubberItem(int32_t kind, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                       int32_t lineWidth, Colour colour, Frame &frame)
    : x1_(x1), y1_(y1), x2_(x2), y2_(y2), lineWidth_(lineWidth) {
    Twips tx1 = Twips::FromPixels(x1), ty1 = Twips::FromPixels(y1);
    Twips tx2 = Twips::FromPixels(x2), ty2 = Twips::FromPixels(y2);
    if (kind == kEllipseRubber)
        shape_ = std::make_unique<EllipseItem>(tx1, ty1, tx2, ty2);
    else
        shape_ = std::make_unique<RectItem>(tx1, ty1, tx2, ty2);
    shape_->SetLineWidth(Twips::FromPixels(lineWidth));
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
    shape_->SetTranslate(
        Twips::FromTwips(static_cast<int32_t>((1 - fx) * ((x1_ + x2_) / 2) * kTwipsPerPixel)),
        Twips::FromTwips(static_cast<int32_t>((1 - fy) * ((y1_ + y2_) / 2) * kTwipsPerPixel)));
    // Scaled from one less than the 16.16 one, so even at rest the shape
    // carries a placement matrix.
    const double full = kFixedOne - 1;
    shape_->SetScale(static_cast<int32_t>(full * fx + 0.5), static_cast<int32_t>(full * fy + 0.5));
    // Written as a UI16 width: a wider line than that is clamped.
    const double widest = kMaxUI16;
    double width = Twips::FromPixels(lineWidth_).value() / fx;
    shape_->SetLineWidth(Twips::FromTwips(static_cast<int32_t>(width > widest ? widest : width)));
    frame.ShowItem(shape_.get());
}

void RubberItem::RemoveFrom(Frame &frame) { frame.HideItem(shape_.get()); }

AttractorItem::AttractorItem(int32_t count, const int32_t *rects, Colour colour,
                             Colour highlight, Frame &frame)
    : count_(count) {
    for (int32_t i = 0; i < count_; ++i) {
        const int32_t *r = rects + 4 * i;
        Twips x1 = Twips::FromPixels(r[0]), y1 = Twips::FromPixels(r[1]);
        Twips x2 = Twips::FromPixels(r[2]), y2 = Twips::FromPixels(r[3]);
        boxes_[i] = std::make_unique<RectItem>(x1, y1, x2, y2);
        boxes_[i]->SetFillColour(colour);
        boxes_[i]->SetLineColour(colour);
        boxes_[i]->SetDepth(kAttractorBoxDepth);
        frame.ShowItem(boxes_[i].get());
        highlights_[i] = std::make_unique<RectItem>(x1, y1, x2, y2);
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
