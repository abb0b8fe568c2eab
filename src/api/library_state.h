// LibraryState: the one process-wide record that the exports share.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "animation/animated_list.h"
#include "characters/shapes.h"
#include "interactive/button.h"
#include "movie/movie.h"
#include "quillon.h"
#include "swf/format.h"

namespace quillon {

constexpr int kButtonSlots = 100;
// The header's frame count is 16 bits: frames 0 to 65534.
constexpr int32_t kMaxFrame = 65534;
// Table sizes beyond these are clamped, so a wild count cannot exhaust memory.
constexpr int32_t kMaxSlides = QUILLON_MAX_SLIDES;
constexpr int32_t kMaxTableEntries = 65536;

// A picture side usable as a bitmap dimension: 1 to QUILLON_MAX_PICTURE_SIDE
// pixels.
inline bool IsBitmapSide(int32_t pixels) {
    return pixels >= 1 && pixels <= QUILLON_MAX_PICTURE_SIDE;
}

struct LibraryState {
    std::unique_ptr<Movie> currentMovie;
    int32_t currentFrame = -1;  // -1 before the first frame
    int32_t stageWidthPixels = 0;
    int32_t stageHeightPixels = 0;
    int32_t slideCount = 0;
    // slideCount + 1 frame numbers; the last is 0 (the slide after the last
    // is frame 0). Empty when there is no movie.
    std::vector<int32_t> slideFrames;
    int32_t slidesRecorded = 0;  // the next slideFrames index
    std::unique_ptr<AnimatedList> animatedList;

    // Pause buttons and hyperlink areas that RemoveButtons takes off again;
    // filled strictly in order at lastButtonSlot + 1.
    int32_t buttonSlotUsed[kButtonSlots] = {};
    std::unique_ptr<Button> buttonSlots[kButtonSlots];
    int32_t lastButtonSlot = -1;

    std::vector<std::unique_ptr<ImageShape>> sprites;  // spriteCount entries
    bool hasSpriteTable = false;
    std::vector<std::unique_ptr<ImageShape>> infos;    // infoCount entries
    bool hasInfoTable = false;

    // The current frame of the current movie, or null when there is no movie
    // or no frame has begun yet.
    Frame *CurrentFrame();
    // Frame n of the current movie (n = -1: the current frame), or null when
    // there is no movie, n is below -1 or past the last frame a movie can
    // hold, or n is -1 before the first frame.
    Frame *FrameAt(int32_t n);
    // Releases the button table, the sprite and info tables and the movie:
    // everything the library holds. Run when the library is unloaded.
    void ReleaseAll();
};

// The process-wide record, made on first use.
LibraryState &State();
// Releases everything the library holds, the record included, so that an
// unloaded library leaves no byte behind. A later State() starts afresh.
void ReleaseState();

}  // namespace quillon
