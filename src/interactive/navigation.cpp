// Navigation actions, their keys and the go-to area.
#include "interactive/navigation.h"

namespace quillon {

const std::vector<ButtonKey> &NavigationKeys(Navigation kind) {
    static const std::vector<ButtonKey> first{kKeyHome}, last{kKeyEnd},
        previous{kKeyLeft, kKeyPageUp}, next{kKeyRight, kKeyPageDown, kKeySpace};
    switch (kind) {
    case Navigation::First: return first;
    case Navigation::Last: return last;
    case Navigation::Previous: return previous;
    case Navigation::Next: break;
    }
    return next;
}

namespace {

// 81 02 00 frame(UI16), the frame read when the action is written.
class LaterGotoFrameAction : public Action {
public:
    explicit LaterGotoFrameAction(std::shared_ptr<const int32_t> frame) : frame_(std::move(frame)) {}
    void Write(SwfStream &stream) const override {
        GotoFrameAction(static_cast<uint16_t>(*frame_ & 0xFFFF)).Write(stream);
    }

private:
    std::shared_ptr<const int32_t> frame_;
};

class LaterGotoFrameDescriptor : public ActionDescriptor {
public:
    explicit LaterGotoFrameDescriptor(std::shared_ptr<const int32_t> frame) : frame_(std::move(frame)) {}
    std::unique_ptr<Action> MakeAction() const override {
        return std::make_unique<LaterGotoFrameAction>(frame_);
    }

private:
    std::shared_ptr<const int32_t> frame_;
};

}  // namespace

std::shared_ptr<const int32_t> LaterSlides::Cell(int32_t slide, uint64_t generation) {
    if (generation != generation_) {
        cells_.clear();
        generation_ = generation;
    }
    for (const auto &cell : cells_)
        if (cell.first == slide) return cell.second;
    cells_.emplace_back(slide, std::make_shared<int32_t>(0));
    return cells_.back().second;
}

void LaterSlides::Recorded(int32_t slide, int32_t frame, uint64_t generation) {
    if (generation != generation_) return;
    for (auto &cell : cells_)
        if (cell.first == slide) *cell.second = frame;
}

void AttachGoTo(Button &button, const GoTo &goTo, const std::vector<ButtonKey> &keys) {
    const StopSoundsDescriptor stopSounds;
    const GotoFrameDescriptor gotoFrame(goTo.frame);
    const LaterGotoFrameDescriptor laterFrame(goTo.laterFrame);
    const StopDescriptor stop;
    std::vector<const ActionDescriptor *> steps;
    if (goTo.stopSounds) steps.push_back(&stopSounds);
    if (goTo.laterFrame) steps.push_back(&laterFrame);
    else steps.push_back(&gotoFrame);
    if (goTo.stopThere) steps.push_back(&stop);
    for (const ActionDescriptor *step : steps) button.AttachAction(*step, kOverDownToOverUp);
    for (ButtonKey key : keys)
        for (const ActionDescriptor *step : steps) button.AttachKeyAction(*step, key);
}

void AttachNavigation(Button &button, Navigation kind, int32_t frame, NavigationStyle style) {
    static const std::vector<ButtonKey> none;
    AttachGoTo(button, GoTo{frame, style.stopSounds, false}, style.keys ? NavigationKeys(kind) : none);
}

std::unique_ptr<AreaButton> MakeGoToArea(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                         GoTo goTo) {
    auto area = std::make_unique<AreaButton>(x1, y1, x2, y2);
    goTo.stopThere = true;
    AttachGoTo(*area, goTo);
    return area;
}

}  // namespace quillon
