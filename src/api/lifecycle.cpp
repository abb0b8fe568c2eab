// Exports: creating, extending, writing and destroying the movie.
#include "api/library_state.h"
#include "quillon.h"

using namespace quillon;

extern "C" {

QUILLON_API void QUILLON_CALL CreateMovie(int32_t width, int32_t height, int32_t slideCount,
                                          int32_t frameRate) {
    LibraryState &s = State();
    if (s.currentMovie) DestroyMovie();
    auto clampSide = [](int32_t v) { return v < 0 ? 0 : (v > kMaxPixels ? kMaxPixels : v); };
    width = clampSide(width);
    height = clampSide(height);
    if (slideCount < 0) slideCount = 0;
    if (slideCount > kMaxSlides) slideCount = kMaxSlides;
    s.currentMovie = std::make_unique<Movie>();
    s.currentMovie->SetSize(Twips::FromPixels(width), Twips::FromPixels(height));
    s.currentMovie->SetFrameRate(frameRate);
    s.stageWidthPixels = width;
    s.stageHeightPixels = height;
    s.animatedList.reset();
    s.slideCount = slideCount;
    s.slideFrames.assign(static_cast<size_t>(slideCount) + 1, 0);
    s.slidesRecorded = 0;
}

QUILLON_API void QUILLON_CALL DuplicateFrame(void) {
    LibraryState &s = State();
    if (!s.currentMovie || s.currentFrame >= kMaxFrame) return;
    s.currentFrame += 1;
    s.currentMovie->GetFrame(s.currentFrame);
}

QUILLON_API void QUILLON_CALL NextSlide(void) {
    LibraryState &s = State();
    if (!s.currentMovie || s.currentFrame < 0 || s.slidesRecorded >= s.slideCount) return;
    s.slideFrames[static_cast<size_t>(s.slidesRecorded)] = s.currentFrame;
    s.slidesRecorded += 1;
}

QUILLON_API void QUILLON_CALL WriteMovie(const char *fileName) {
    LibraryState &s = State();
    if (!s.currentMovie) return;
    s.currentMovie->WriteFile(fileName);
}

QUILLON_API void QUILLON_CALL DestroyMovie(void) {
    LibraryState &s = State();
    if (!s.currentMovie) return;
    // The list takes its items off the current frame, so it goes first.
    DestroyAnimatedList();
    s.currentMovie.reset();
    s.currentFrame = -1;
    s.slideFrames.clear();
    s.slideCount = 0;
}

}  // extern "C"
