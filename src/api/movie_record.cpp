// What every export needs of a movie record: its frames, showing an item
// with a status, and making and closing the movie.
#include "api/movie_record.h"

using namespace quillon;

Frame *QuillonMovie::CurrentFrame() {
    if (!currentMovie || currentFrame < 0) return nullptr;
    return currentMovie->GetFrame(currentFrame);
}

Frame *QuillonMovie::FrameAt(int32_t n) {
    if (n == -1) return CurrentFrame();
    if (!currentMovie || n < 0 || n > kMaxFrame) return nullptr;
    return currentMovie->GetFrame(n);
}

void QuillonMovie::ReleaseAll() {
    for (int i = 0; i < kButtonSlots; ++i) {
        buttonSlots[i].reset();
        buttonSlotUsed[i] = 0;
    }
    lastButtonSlot = -1;
    sprites.clear();
    hasSpriteTable = false;
    infos.clear();
    hasInfoTable = false;
    CloseMovie(*this);
}

namespace quillon {

QuillonStatus NeedFrame(QuillonMovie &m, Frame **frame) {
    if (!m.currentMovie) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no movie");
    *frame = m.CurrentFrame();
    if (*frame == nullptr) return Fail(m, QUILLON_ERROR_ARGUMENT, "no frame has begun yet");
    return QUILLON_OK;
}

QuillonStatus FrameFor(QuillonMovie &m, int32_t n, Frame **frame) {
    if (n == -1) return NeedFrame(m, frame);
    if (!m.currentMovie) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no movie");
    if (n < -1) return Fail(m, QUILLON_ERROR_ARGUMENT, "a frame number below -1");
    if (n > kMaxFrame) return Fail(m, QUILLON_ERROR_LIMIT, "a frame past 65534");
    *frame = m.currentMovie->GetFrame(n);
    return QUILLON_OK;
}

QuillonStatus ShowIn(QuillonMovie &m, Frame &frame, FrameItem *item) {
    size_t before = frame.Tags().size();
    frame.ShowItem(item);
    if (frame.Tags().size() == before)
        return Fail(m, QUILLON_ERROR_LIMIT, "no character id is left until the movie is written");
    return QUILLON_OK;
}

void OpenMovie(QuillonMovie &m, int32_t width, int32_t height, int32_t slideCount,
               int32_t frameRate) {
    auto clampSide = [](int32_t v) { return v < 0 ? 0 : (v > kMaxPixels ? kMaxPixels : v); };
    width = clampSide(width);
    height = clampSide(height);
    if (slideCount < 0) slideCount = 0;
    if (slideCount > kMaxSlides) slideCount = kMaxSlides;
    // Everything that needs memory first: without it the old movie stays.
    auto movie = std::make_unique<Movie>(m.context);
    movie->SetSize(Twips::FromPixels(width), Twips::FromPixels(height));
    movie->SetFrameRate(frameRate);
    std::vector<int32_t> slides(static_cast<size_t>(slideCount) + 1, 0);
    CloseMovie(m);
    m.slideFrames.swap(slides);
    m.currentMovie = std::move(movie);
    m.stageWidthPixels = width;
    m.stageHeightPixels = height;
    m.slideCount = slideCount;
    m.slidesRecorded = 0;
}

void CloseMovie(QuillonMovie &m) noexcept {
    // The list's items would only be taken off frames that go with the movie.
    m.animatedList.reset();
    m.currentMovie.reset();
    m.currentFrame = -1;
    m.slideFrames.clear();
    m.slideCount = 0;
}

}  // namespace quillon
