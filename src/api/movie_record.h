// QuillonMovie: everything one movie of the exports holds, and Guarded, the
// one place where exceptions become statuses.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "animation/animated_list.h"
#include "characters/shapes.h"
#include "interactive/button.h"
#include "interactive/navigation.h"
#include "movie/movie.h"
#include "quillon.h"
#include "quillon_movie.h"
#include "swf/format.h"

namespace quillon {

constexpr int kButtonSlots = 100;
// The header's frame count is 16 bits: frames 0 to 65534.
constexpr int32_t kMaxFrame = 65534;
// Table sizes beyond these are clamped, so a wild count cannot exhaust memory.
constexpr int32_t kMaxSlides = QUILLON_MAX_SLIDES;
constexpr int32_t kMaxTableEntries = 65536;

// A picture side usable as a bitmap dimension: 1 to 65535 pixels.
inline bool IsBitmapSide(int32_t pixels) {
    return pixels >= 1 && pixels <= QUILLON_MAX_PICTURE_SIDE;
}
// The status of a picture side that is not one: below 1 is a bad argument,
// above 65535 beyond what the file can hold.
inline QuillonStatus SideStatus(int32_t pixels) {
    return pixels < 1 ? QUILLON_ERROR_ARGUMENT : QUILLON_ERROR_LIMIT;
}

}  // namespace quillon

struct QuillonMovie {
    // Ids, generations and temporary names of every movie made here: the
    // classic face's ids go on counting across CreateMovie and DestroyMovie.
    quillon::MovieContext context;
    std::unique_ptr<quillon::Movie> currentMovie;  // null only in the classic face
    int32_t currentFrame = -1;                     // -1 before the first frame
    int32_t stageWidthPixels = 0;
    int32_t stageHeightPixels = 0;
    int32_t slideCount = 0;
    // slideCount + 1 frame numbers; the last is 0 (the slide after the last
    // is frame 0). Empty when there is no movie.
    std::vector<int32_t> slideFrames;
    int32_t slidesRecorded = 0;  // the next slideFrames index
    std::unique_ptr<quillon::AnimatedList> animatedList;
    // quillon_movie_set_navigation's flags, for the buttons and go-to areas
    // added after it.
    quillon::NavigationStyle navigation;
    // The frames of slides that go-to areas named before they were recorded.
    quillon::LaterSlides laterSlides;

    // Pause buttons and hyperlink areas that RemoveButtons takes off again;
    // filled strictly in order at lastButtonSlot + 1.
    int32_t buttonSlotUsed[quillon::kButtonSlots] = {};
    std::unique_ptr<quillon::Button> buttonSlots[quillon::kButtonSlots];
    int32_t lastButtonSlot = -1;

    std::vector<std::unique_ptr<quillon::ImageShape>> sprites;  // spriteCount entries
    bool hasSpriteTable = false;
    std::vector<std::unique_ptr<quillon::ImageShape>> infos;  // infoCount entries
    bool hasInfoTable = false;

    // The text of the last failed call: a literal, so that saying it never
    // needs memory.
    const char *error = "";
    // The classic face's movie: its calls keep what they did when they fail
    // for another reason than memory, as the 27 exports always did.
    bool classicFace = false;
    // The classic face: a call ran out of memory since the movie was made or
    // last written, so WriteMovie writes nothing.
    bool failed = false;

    // The current frame of the current movie, or null when there is no movie
    // or no frame has begun yet.
    quillon::Frame *CurrentFrame();
    // Frame n of the current movie (n = -1: the current frame), or null when
    // there is no movie, n is below -1 or past the last frame a movie can
    // hold, or n is -1 before the first frame.
    quillon::Frame *FrameAt(int32_t n);
    // Releases the button table, the sprite and info tables and the movie:
    // everything the record holds but its context.
    void ReleaseAll();
};

namespace quillon {

// Notes why the call failed and returns status.
inline QuillonStatus Fail(QuillonMovie &m, QuillonStatus status, const char *why) {
    m.error = why;
    return status;
}

// The status of frame n for calls that take "-1: the current frame", with the
// frame in *frame when it is QUILLON_OK.
QuillonStatus FrameFor(QuillonMovie &m, int32_t n, Frame **frame);
// The current frame in *frame, or ARGUMENT when there is no movie or no
// frame has begun yet.
QuillonStatus NeedFrame(QuillonMovie &m, Frame **frame);
// Shows item in frame; LIMIT when the frame gained nothing (no character id
// was left for the item).
QuillonStatus ShowIn(QuillonMovie &m, Frame &frame, FrameItem *item);
// Makes the movie of CreateMovie's parameters (the classic face's movie
// keeps its context, tables and failure mark).
void OpenMovie(QuillonMovie &m, int32_t width, int32_t height, int32_t slideCount,
               int32_t frameRate);
// Takes the animated list and the movie away, unwritten.
void CloseMovie(QuillonMovie &m) noexcept;

// Runs call(m) and turns every exception into a status: memory, or any other
// failure, is QUILLON_ERROR_MEMORY. What the movie's frames and placements
// gained is taken back when the call fails: always in the handle face, only
// when memory ran out in the classic face (whose other failures keep what
// they did).
template <class Call>
QuillonStatus Guarded(QuillonMovie *movie, Call &&call) {
    if (movie == nullptr) return QUILLON_ERROR_ARGUMENT;
    Movie *model = movie->currentMovie.get();
    if (model != nullptr) model->BeginChange();
    QuillonStatus status;
    try {
        status = call(*movie);
    } catch (const std::bad_alloc &) {
        status = Fail(*movie, QUILLON_ERROR_MEMORY, "out of memory");
    } catch (...) {
        status = Fail(*movie, QUILLON_ERROR_MEMORY, "the call could not be finished");
    }
    // A call that made a new movie has nothing to take back.
    if (model != nullptr && movie->currentMovie.get() == model) {
        if (status != QUILLON_OK && (!movie->classicFace || status == QUILLON_ERROR_MEMORY))
            model->UndoChange();
        else
            model->EndChange();
    }
    return status;
}

}  // namespace quillon
