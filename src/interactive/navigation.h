// Navigation: the actions that move a movie to another frame (from a
// navigation button, its keys or a go-to area), and the go-to area, an
// invisible button over part of a slide.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "characters/shapes.h"
#include "interactive/button.h"

namespace quillon {

// Where a navigation goes and what it does on the way: StopSounds first
// (a narration must not play on over the next slide's), GotoFrame, then
// Stop when the movie is to rest on the target frame.
struct GoTo {
    explicit GoTo(int32_t frame = 0, bool stopSounds = false, bool stopThere = false)
        : frame(frame), stopSounds(stopSounds), stopThere(stopThere) {}

    int32_t frame;
    bool stopSounds;
    bool stopThere;
    // When set, the frame is known only later (a slide not recorded yet):
    // the GotoFrame reads it from here when it is written, and frame is
    // not used.
    std::shared_ptr<const int32_t> laterFrame;
};

// The frames of slides that go-to areas name before the slides are
// recorded: one shared cell a slide, filled when the slide is recorded.
// A cell never filled holds frame 0, the first slide.
class LaterSlides {
public:
    // The cell of slide in the movie of generation (cells of an older
    // generation are dropped first).
    std::shared_ptr<const int32_t> Cell(int32_t slide, uint64_t generation);
    // Slide was recorded as frame.
    void Recorded(int32_t slide, int32_t frame, uint64_t generation);

private:
    std::vector<std::pair<int32_t, std::shared_ptr<int32_t>>> cells_;
    uint64_t generation_ = 0;
};

// The navigation buttons that may also answer keys.
enum class Navigation { First, Last, Previous, Next };

// Home -> first; End -> last; Left, Page Up -> previous; Right, Page Down,
// Space -> next.
const std::vector<ButtonKey> &NavigationKeys(Navigation kind);

// Attaches goTo's actions to the button's click and, with the same actions,
// a key press condition for each key.
void AttachGoTo(Button &button, const GoTo &goTo, const std::vector<ButtonKey> &keys = {});

// How navigation buttons and go-to areas behave: whether the buttons also
// answer their keys, and whether every navigation stops the sounds first.
// Both off by default, as the classic face's movies have them.
struct NavigationStyle {
    bool keys = false;
    bool stopSounds = false;
};

// Attaches to a navigation button of that kind the move to frame: for its
// click and, with style.keys, for its keys.
void AttachNavigation(Button &button, Navigation kind, int32_t frame, NavigationStyle style);

// A button whose four states are one InvisibleArea that it owns: a region
// of a slide that answers the mouse and shows nothing.
class AreaButton : public Button {
public:
    AreaButton(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
        : AreaButton(std::make_unique<InvisibleArea>(x1, y1, x2, y2)) {}

private:
    explicit AreaButton(std::unique_ptr<InvisibleArea> area)
        : Button(area.get(), area.get(), area.get(), area.get()), area_(std::move(area)) {}

    std::unique_ptr<InvisibleArea> area_;
};

// A go-to area over (x1, y1)-(x2, y2) twips: its click goes to goTo.frame
// and stops there (goTo.stopThere is taken as set).
std::unique_ptr<AreaButton> MakeGoToArea(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                         GoTo goTo);

}  // namespace quillon
