// Handle exports: navigation buttons, the pause button and hyperlinks.
#include "api/movie_record.h"
#include "interactive/actions.h"

using namespace quillon;

namespace {

// The picture of a button from width x height 32-bit pixels, covering
// exactly its pixels: (x, y) to (x + width, y + height), 20 twips a pixel.
std::unique_ptr<ImageShape> ButtonPicture(MovieContext &context, const void *pixels, int32_t x,
                                          int32_t y, int32_t width, int32_t height,
                                          uint8_t alpha) {
    return std::make_unique<ImageShape>(
        context, Twips::FromPixels(x), Twips::FromPixels(y), Twips::FromPixels(x + width), Twips::FromPixels(y + height),
        BitmapPicture::DirectColour(static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                    static_cast<const uint8_t *>(pixels), alpha));
}

QuillonStatus CheckButtonRect(QuillonMovie &m, int32_t x, int32_t y, int32_t width,
                              int32_t height) {
    if (!IsBitmapSide(width) || !IsBitmapSide(height))
        return Fail(m, SideStatus(IsBitmapSide(width) ? height : width),
                    "a picture side outside 1 to 65535 pixels");
    if (x < -kMaxPixels || y < -kMaxPixels || x > kMaxPixels - width || y > kMaxPixels - height)
        return Fail(m, QUILLON_ERROR_LIMIT, "a corner beyond 53687091 pixels");
    return QUILLON_OK;
}

// Shows a button in the current frame and puts it into the next slot of the
// table. The classic face takes the slot also when the button could not be
// shown.
QuillonStatus AddToTable(QuillonMovie &m, Frame &frame, std::unique_ptr<Button> button) {
    QuillonStatus status = ShowIn(m, frame, button.get());
    if (status != QUILLON_OK && !m.classicFace) return status;
    m.lastButtonSlot += 1;
    m.buttonSlotUsed[m.lastButtonSlot] = 1;
    m.buttonSlots[m.lastButtonSlot] = std::move(button);
    return status;
}

QuillonStatus NeedSlot(QuillonMovie &m, Frame **frame) {
    QuillonStatus status = NeedFrame(m, frame);
    if (status != QUILLON_OK) return status;
    if (m.lastButtonSlot + 1 >= kButtonSlots)
        return Fail(m, QUILLON_ERROR_LIMIT, "the table holds 100 buttons already");
    return QUILLON_OK;
}

}  // namespace

extern "C" {

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_init_button_list(QuillonMovie *movie) {
    return Guarded(movie, [](QuillonMovie &m) {
        for (int i = 0; i < kButtonSlots; ++i) m.buttonSlotUsed[i] = 0;
        return QUILLON_OK;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_remove_buttons(QuillonMovie *movie) {
    return Guarded(movie, [](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = NeedFrame(m, &frame);
        if (status != QUILLON_OK) return status;
        for (int i = 0; i < kButtonSlots; ++i)
            if (m.buttonSlotUsed[i]) frame->HideItem(m.buttonSlots[i].get());
        for (int i = 0; i < kButtonSlots; ++i) {
            m.buttonSlotUsed[i] = 0;
            m.buttonSlots[i].reset();
        }
        m.lastButtonSlot = -1;
        return QUILLON_OK;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_pause_button(QuillonMovie *movie,
                                                                      const void *pixels,
                                                                      int32_t x, int32_t y,
                                                                      int32_t width,
                                                                      int32_t height) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = NeedSlot(m, &frame);
        if (status == QUILLON_OK) status = CheckButtonRect(m, x, y, width, height);
        if (status != QUILLON_OK) return status;
        auto face = ButtonPicture(m.context, pixels, x, y, width, height, 1);
        auto button = std::make_unique<Button>(face.get(), face.get(), face.get(), face.get());
        button->AttachAction(PlayDescriptor(), kOverDownToOverUp);
        return AddToTable(m, *frame, std::move(button));
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_hyperlink(QuillonMovie *movie,
                                                                   const char *url,
                                                                   const char *target,
                                                                   int32_t x1, int32_t y1,
                                                                   int32_t x2, int32_t y2) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = NeedSlot(m, &frame);
        if (status != QUILLON_OK) return status;
        // An invisible area (black, fully transparent) that only catches the mouse.
        RectItem area(Twips::FromPixels(x1), Twips::FromPixels(y1), Twips::FromPixels(x2), Twips::FromPixels(y2));
        area.SetFillColour(Colour{0, 0, 0, 0});
        area.SetLineColour(Colour{0, 0, 0, 0});
        auto button = std::make_unique<Button>(&area, &area, &area, &area);
        button->AttachAction(GetURLDescriptor(url, target), kOverDownToOverUp);
        return AddToTable(m, *frame, std::move(button));
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_goto_area(QuillonMovie *movie,
                                                                   int32_t slide, int32_t x1,
                                                                   int32_t y1, int32_t x2,
                                                                   int32_t y2) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = NeedSlot(m, &frame);
        if (status != QUILLON_OK) return status;
        if (slide < 0 || slide >= m.slideCount)
            return Fail(m, QUILLON_ERROR_ARGUMENT, "a slide outside 0 to slideCount - 1");
        GoTo goTo;
        goTo.stopSounds = m.navigation.stopSounds;
        // A slide recorded later: the area goes where it is recorded.
        if (slide < m.slidesRecorded) goTo.frame = m.slideFrames[static_cast<size_t>(slide)];
        else goTo.laterFrame = m.laterSlides.Cell(slide, m.currentMovie->Generation());
        return AddToTable(m, *frame, MakeGoToArea(Twips::FromPixels(x1).value(), Twips::FromPixels(y1).value(),
                                                  Twips::FromPixels(x2).value(), Twips::FromPixels(y2).value(), goTo));
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_set_navigation(QuillonMovie *movie,
                                                                    unsigned flags) {
    return Guarded(movie, [&](QuillonMovie &m) {
        if (flags & ~(QUILLON_NAVIGATION_KEYS | QUILLON_NAVIGATION_STOPS_SOUNDS))
            return Fail(m, QUILLON_ERROR_ARGUMENT, "a navigation flag the library does not know");
        m.navigation.keys = (flags & QUILLON_NAVIGATION_KEYS) != 0;
        m.navigation.stopSounds = (flags & QUILLON_NAVIGATION_STOPS_SOUNDS) != 0;
        return QUILLON_OK;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_automatic_hyperlink(
    QuillonMovie *movie, int32_t frameNumber, const char *url, const char *target) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = FrameFor(m, frameNumber, &frame);
        if (status == QUILLON_OK) frame->AddActions(GetURLDescriptor(url, target));
        return status;
    });
}

}  // extern "C"
