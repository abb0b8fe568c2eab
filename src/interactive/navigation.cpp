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

void AttachGoTo(Button &button, const GoTo &goTo, const std::vector<ButtonKey> &keys) {
    const StopSoundsDescriptor stopSounds;
    const GotoFrameDescriptor gotoFrame(goTo.frame);
    const StopDescriptor stop;
    std::vector<const ActionDescriptor *> steps;
    if (goTo.stopSounds) steps.push_back(&stopSounds);
    steps.push_back(&gotoFrame);
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
