// Handle export: the navigation buttons of AddButton, placed in frame 0 and,
// for previous and next, once per slide.
#include "api/movie_record.h"
#include "interactive/actions.h"
#include "interactive/navigation.h"

using namespace quillon;

namespace {

// AddButton's kinds, as quillon.h numbers them.
enum ButtonKind : int32_t {
    kPictureOnly = QUILLON_BUTTON_PICTURE,  // a picture in frame 0, no button
    kPlayButton = QUILLON_BUTTON_PLAY,
    kStopButton = QUILLON_BUTTON_STOP,
    kFirstButton = QUILLON_BUTTON_FIRST,
    kLastButton = QUILLON_BUTTON_LAST,
    kPreviousButton = QUILLON_BUTTON_PREVIOUS,  // one button per slide from here on
    kNextButton = QUILLON_BUTTON_NEXT,
};

// The three pictures of a navigation button.
struct Faces {
    std::unique_ptr<ImageShape> up, over, down;

    std::unique_ptr<Button> MakeButton() const {
        auto button = std::make_unique<Button>(up.get(), over.get(), down.get(), down.get());
        button->SetDepth(kNavigationDepth);
        return button;
    }
};

std::unique_ptr<ImageShape> Picture(MovieContext &context, const void *pixels, int32_t x,
                                    int32_t y, int32_t width, int32_t height, uint8_t alpha) {
    return std::make_unique<ImageShape>(
        context, Twips::FromPixels(x), Twips::FromPixels(y), Twips::FromPixels(x + width), Twips::FromPixels(y + height),
        BitmapPicture::DirectColour(static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                    static_cast<const uint8_t *>(pixels), alpha));
}

QuillonStatus CheckButton(QuillonMovie &m, int32_t kind, int32_t x, int32_t y, int32_t width,
                          int32_t height) {
    if (!m.currentMovie) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no movie");
    if (kind < kPictureOnly || kind > kNextButton)
        return Fail(m, QUILLON_ERROR_ARGUMENT, "a button kind other than 0 to 6");
    if (!IsBitmapSide(width) || !IsBitmapSide(height))
        return Fail(m, SideStatus(IsBitmapSide(width) ? height : width),
                    "a picture side outside 1 to 65535 pixels");
    if (x < -kMaxPixels || y < -kMaxPixels || x > kMaxPixels - width || y > kMaxPixels - height)
        return Fail(m, QUILLON_ERROR_LIMIT, "a corner beyond 53687091 pixels");
    // Previous, next and last read every slide frame.
    if (kind >= kLastButton && (m.slideCount < 1 || m.slidesRecorded < m.slideCount))
        return Fail(m, QUILLON_ERROR_ARGUMENT, "not every slide is recorded yet");
    return QUILLON_OK;
}

// The frame a button of kind goes to from frame 0, the first slide.
int32_t FirstTarget(const QuillonMovie &m, int32_t kind) {
    switch (kind) {
    case kFirstButton: return 0;
    case kNextButton: return m.slideFrames[1];
    default: return m.slideFrames[static_cast<size_t>(m.slideCount - 1)];  // last, and previous
    }
}

// The navigation of a button kind that moves between slides.
Navigation NavigationOf(int32_t kind) {
    switch (kind) {
    case kFirstButton: return Navigation::First;
    case kLastButton: return Navigation::Last;
    case kPreviousButton: return Navigation::Previous;
    default: return Navigation::Next;
    }
}

// One button per slide: on slide i the previous one is taken off and a new
// button to the neighbouring slide is placed. The slide after the last is
// entry slideCount, frame 0. The classic face goes on past a button that
// found no character id left.
QuillonStatus PlacePerSlide(QuillonMovie &m, const Faces &faces, int32_t kind,
                            std::unique_ptr<Button> button) {
    QuillonStatus status = QUILLON_OK;
    for (int32_t i = 1; i < m.slideCount && (status == QUILLON_OK || m.classicFace); ++i) {
        Frame *frame = m.currentMovie->GetFrame(m.slideFrames[static_cast<size_t>(i)]);
        frame->HideItem(button.get());
        button = faces.MakeButton();
        size_t target = static_cast<size_t>(kind == kPreviousButton ? i - 1 : i + 1);
        AttachNavigation(*button, NavigationOf(kind), m.slideFrames[target], m.navigation);
        QuillonStatus shown = ShowIn(m, *frame, button.get());
        if (status == QUILLON_OK) status = shown;
    }
    return status;
}

}  // namespace

extern "C" {

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_button(
    QuillonMovie *movie, int32_t kind, const void *up, const void *over, const void *down,
    int32_t x, int32_t y, int32_t width, int32_t height) {
    return Guarded(movie, [&](QuillonMovie &m) {
        QuillonStatus status = CheckButton(m, kind, x, y, width, height);
        if (status != QUILLON_OK) return status;
        Frame &first = *m.currentMovie->GetFrame(0);
        if (kind == kPictureOnly) {
            auto picture = Picture(m.context, up, x, y, width, height, 1);
            picture->SetDepth(kButtonPictureDepth);
            return ShowIn(m, first, picture.get());
        }
        Faces faces{Picture(m.context, up, x, y, width, height, 0),
                    Picture(m.context, over, x, y, width, height, 0),
                    Picture(m.context, down, x, y, width, height, 0)};
        auto button = faces.MakeButton();
        if (kind == kPlayButton) button->AttachAction(PlayDescriptor(), kOverDownToOverUp);
        else if (kind == kStopButton) button->AttachAction(StopDescriptor(), kOverDownToOverUp);
        else AttachNavigation(*button, NavigationOf(kind), FirstTarget(m, kind), m.navigation);
        status = ShowIn(m, first, button.get());
        if ((status == QUILLON_OK || m.classicFace) && kind >= kPreviousButton) {
            QuillonStatus perSlide = PlacePerSlide(m, faces, kind, std::move(button));
            if (status == QUILLON_OK) status = perSlide;
        }
        return status;
    });
}

}  // extern "C"
