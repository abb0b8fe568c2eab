// Exports: navigation buttons, the pause button and hyperlinks.
#include "api/library_state.h"
#include "interactive/actions.h"
#include "quillon.h"

using namespace quillon;

namespace {

// The picture of a button from width x height 32-bit pixels, covering
// exactly its pixels: (x, y) to (x + width, y + height), 20 twips a pixel.
std::unique_ptr<ImageShape> ButtonPicture(const void *pixels, int32_t x, int32_t y,
                                          int32_t width, int32_t height, uint8_t alpha) {
    return std::make_unique<ImageShape>(
        Twips::FromPixels(x), Twips::FromPixels(y), Twips::FromPixels(x + width),
        Twips::FromPixels(y + height),
        BitmapPicture::DirectColour(static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                    static_cast<const uint8_t *>(pixels), alpha));
}

bool ValidButtonRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    return IsBitmapSide(width) && IsBitmapSide(height) && x >= -kMaxPixels && y >= -kMaxPixels &&
           x <= kMaxPixels - width && y <= kMaxPixels - height;
}

// Puts a button into the next slot of the table and shows it in frame.
void AddToTable(LibraryState &s, Frame *frame, std::unique_ptr<Button> button) {
    s.lastButtonSlot += 1;
    s.buttonSlotUsed[s.lastButtonSlot] = 1;
    s.buttonSlots[s.lastButtonSlot] = std::move(button);
    frame->ShowItem(s.buttonSlots[s.lastButtonSlot].get());
}

bool TableFull(const LibraryState &s) { return s.lastButtonSlot + 1 >= kButtonSlots; }

}  // namespace

extern "C" {

QUILLON_API void QUILLON_CALL InitButtonList(void) {
    LibraryState &s = State();
    for (int i = 0; i < kButtonSlots; ++i) s.buttonSlotUsed[i] = 0;
}

QUILLON_API void QUILLON_CALL RemoveButtons(void) {
    LibraryState &s = State();
    Frame *frame = s.CurrentFrame();
    if (!frame) return;
    for (int i = 0; i < kButtonSlots; ++i) {
        if (s.buttonSlotUsed[i]) frame->HideItem(s.buttonSlots[i].get());
        s.buttonSlotUsed[i] = 0;
        s.buttonSlots[i].reset();
    }
    s.lastButtonSlot = -1;
}

QUILLON_API void QUILLON_CALL AddPauseButton(const void *pixels, int32_t x, int32_t y,
                                             int32_t width, int32_t height) {
    LibraryState &s = State();
    Frame *frame = s.CurrentFrame();
    if (!frame || TableFull(s) || !ValidButtonRect(x, y, width, height)) return;
    auto face = ButtonPicture(pixels, x, y, width, height, 1);
    auto button = std::make_unique<Button>(face.get(), face.get(), face.get(), face.get());
    button->AttachAction(PlayDescriptor(), kOverDownToOverUp);
    AddToTable(s, frame, std::move(button));
}

QUILLON_API void QUILLON_CALL AddHyperLink(const char *url, const char *target, int32_t x1,
                                           int32_t y1, int32_t x2, int32_t y2) {
    LibraryState &s = State();
    Frame *frame = s.CurrentFrame();
    if (!frame || TableFull(s)) return;
    // An invisible area (black, fully transparent) that only catches the mouse.
    RectItem area(Twips::FromPixels(x1), Twips::FromPixels(y1), Twips::FromPixels(x2),
                  Twips::FromPixels(y2));
    area.SetFillColour(Colour{0, 0, 0, 0});
    area.SetLineColour(Colour{0, 0, 0, 0});
    auto button = std::make_unique<Button>(&area, &area, &area, &area);
    button->AttachAction(GetURLDescriptor(url, target), kOverDownToOverUp);
    AddToTable(s, frame, std::move(button));
}

QUILLON_API void QUILLON_CALL AddAutomaticHyperLink(int32_t frameNumber, const char *url,
                                                    const char *target) {
    Frame *frame = State().FrameAt(frameNumber);
    if (frame) frame->AddActions(GetURLDescriptor(url, target));
}

QUILLON_API void QUILLON_CALL AddButton(int32_t kind, const void *up, const void *over,
                                        const void *down, int32_t x, int32_t y, int32_t width,
                                        int32_t height) {
    LibraryState &s = State();
    if (!s.currentMovie || kind < QUILLON_BUTTON_PICTURE || kind > QUILLON_BUTTON_NEXT ||
        !ValidButtonRect(x, y, width, height))
        return;
    // Previous, next and last read every slide frame.
    if (kind >= QUILLON_BUTTON_LAST && (s.slideCount < 1 || s.slidesRecorded < s.slideCount)) return;
    Movie &movie = *s.currentMovie;
    const std::vector<int32_t> &slides = s.slideFrames;
    int32_t last = s.slideCount - 1;

    if (kind == QUILLON_BUTTON_PICTURE) {
        auto picture = ButtonPicture(up, x, y, width, height, 1);
        picture->SetDepth(kButtonPictureDepth);
        movie.GetFrame(0)->ShowItem(picture.get());
        return;
    }

    auto upShape = ButtonPicture(up, x, y, width, height, 0);
    auto overShape = ButtonPicture(over, x, y, width, height, 0);
    auto downShape = ButtonPicture(down, x, y, width, height, 0);
    auto makeButton = [&]() {
        auto button = std::make_unique<Button>(upShape.get(), overShape.get(), downShape.get(),
                                               downShape.get());
        button->SetDepth(kNavigationDepth);
        return button;
    };
    auto button = makeButton();
    switch (kind) {
    case QUILLON_BUTTON_PLAY: button->AttachAction(PlayDescriptor(), kOverDownToOverUp); break;
    case QUILLON_BUTTON_STOP: button->AttachAction(StopDescriptor(), kOverDownToOverUp); break;
    case QUILLON_BUTTON_FIRST: button->AttachAction(GotoFrameDescriptor(0), kOverDownToOverUp); break;
    case QUILLON_BUTTON_LAST:
    case QUILLON_BUTTON_PREVIOUS:  // on frame 0, the first slide: previous is the last
        button->AttachAction(GotoFrameDescriptor(slides[last]), kOverDownToOverUp);
        break;
    case QUILLON_BUTTON_NEXT: button->AttachAction(GotoFrameDescriptor(slides[1]), kOverDownToOverUp); break;
    }
    movie.GetFrame(0)->ShowItem(button.get());
    if (kind < QUILLON_BUTTON_PREVIOUS) return;  // one button per slide from here on

    // One button per slide: on slide i the previous one is taken off and a
    // new button to the neighbouring slide is placed. The slide after the
    // last is entry slideCount, frame 0.
    for (int32_t i = 1; i < s.slideCount; ++i) {
        Frame *frame = movie.GetFrame(slides[i]);
        frame->HideItem(button.get());
        button = makeButton();
        int32_t target = kind == QUILLON_BUTTON_PREVIOUS ? slides[i - 1] : slides[i + 1];
        button->AttachAction(GotoFrameDescriptor(target), kOverDownToOverUp);
        frame->ShowItem(button.get());
    }
}

}  // extern "C"
