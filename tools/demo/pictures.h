// What quillon-demo draws: its five slides and the pictures of its sprite,
// logo and pause button.
#pragma once

#include <cstdint>
#include <vector>

namespace quillon_tools {

// The stage, and the slides its footer counts.
constexpr int kWidth = 640, kHeight = 480, kSlides = 5;

// Each begins the next frame (CreateFrame) with the slide's 8-bit picture.
void ShowTitleSlide();
void ShowShapesSlide();
void ShowLinksSlide();
void ShowAnimationSlide();
void ShowSoundSlide();

// 32-bit pictures with alpha, colour premultiplied by alpha: the sprite, a
// shaded ball of size x size pixels with soft edges; the kind-0 button, a
// round "Q" badge; the pause button, a translucent plate that says how to
// go on.
std::vector<uint8_t> Ball(int size);
std::vector<uint8_t> Logo(int size);
std::vector<uint8_t> PausePlate(int w, int h);

}  // namespace quillon_tools
