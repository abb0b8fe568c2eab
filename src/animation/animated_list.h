// Animated lists: effects that change a little in every frame.
#pragma once

namespace quillon {

class AnimatedList {
public:
    virtual ~AnimatedList() = default;
};

}  // namespace quillon
