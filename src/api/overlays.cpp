// Exports: sprites and info overlays.
#include "api/library_state.h"
#include "quillon.h"

using namespace quillon;

namespace {

ImageShape *SpriteAt(int32_t index) {
    LibraryState &s = State();
    if (index < 0 || static_cast<size_t>(index) >= s.sprites.size()) return nullptr;
    return s.sprites[static_cast<size_t>(index)].get();
}

int32_t ClampCount(int32_t count) {
    return count < 0 ? 0 : (count > kMaxTableEntries ? kMaxTableEntries : count);
}

}  // namespace

extern "C" {

QUILLON_API void QUILLON_CALL SetSpritesCount(int32_t count) {
    LibraryState &s = State();
    s.sprites.clear();
    s.sprites.resize(static_cast<size_t>(ClampCount(count)));
    s.hasSpriteTable = true;
}

QUILLON_API void QUILLON_CALL AddSprite(int32_t index, const void *pixels, int32_t width,
                                        int32_t height) {
    LibraryState &s = State();
    if (index < 0 || static_cast<size_t>(index) >= s.sprites.size()) return;
    if (!IsBitmapSide(width) || !IsBitmapSide(height)) return;
    // The shape starts at the origin; its place on the stage is its translation.
    auto sprite = std::make_unique<ImageShape>(
        Twips(), Twips(), Twips::FromPixels(width), Twips::FromPixels(height),
        BitmapPicture::DirectColour(static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                    static_cast<const uint8_t *>(pixels), 1));
    sprite->SetDepth(kSpriteDepth);
    s.sprites[static_cast<size_t>(index)] = std::move(sprite);
}

QUILLON_API void QUILLON_CALL TranslateSprite(int32_t index, int32_t x, int32_t y) {
    if (ImageShape *sprite = SpriteAt(index))
        sprite->SetTranslate(Twips::FromPixels(x), Twips::FromPixels(y));
}

QUILLON_API void QUILLON_CALL ShowSprite(int32_t index) {
    Frame *frame = State().CurrentFrame();
    ImageShape *sprite = SpriteAt(index);
    if (frame && sprite) frame->ShowItem(sprite);
}

QUILLON_API void QUILLON_CALL HideSprite(int32_t index) {
    Frame *frame = State().CurrentFrame();
    ImageShape *sprite = SpriteAt(index);
    if (frame && sprite) frame->HideItem(sprite);
}

QUILLON_API void QUILLON_CALL SetInfoCount(int32_t count) {
    LibraryState &s = State();
    if (s.hasInfoTable) RemoveAndDestroyAllInfo();
    s.infos.clear();
    s.infos.resize(static_cast<size_t>(ClampCount(count)));
    s.hasInfoTable = true;
}

QUILLON_API void QUILLON_CALL AddInfo(int32_t index, int32_t x1, int32_t y1, int32_t x2,
                                      int32_t y2, const unsigned char *pixels,
                                      const unsigned char *palette, int32_t colourCount) {
    LibraryState &s = State();
    Frame *frame = s.CurrentFrame();
    if (!frame || index < 0 || static_cast<size_t>(index) >= s.infos.size()) return;
    int64_t width = static_cast<int64_t>(x2) - x1 + 1;
    int64_t height = static_cast<int64_t>(y2) - y1 + 1;
    if (width < 1 || width > QUILLON_MAX_PICTURE_SIDE || height < 1 ||
        height > QUILLON_MAX_PICTURE_SIDE)
        return;
    // A filled entry is replaced: its overlay leaves the current frame first.
    std::unique_ptr<ImageShape> &entry = s.infos[static_cast<size_t>(index)];
    if (entry) {
        frame->HideItem(entry.get());
        entry.reset();
    }
    // The picture covers its last column and row: (x2 + 1, y2 + 1) is the
    // far corner, so every pixel is 20 twips wide.
    auto after = [](int32_t v) { return Twips::FromPixels(v == INT32_MAX ? v : v + 1); };
    auto info = std::make_unique<ImageShape>(
        Twips::FromPixels(x1), Twips::FromPixels(y1), after(x2), after(y2),
        BitmapPicture::ColourMapped(static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                    pixels, palette, colourCount));
    info->SetDepth(kInfoDepth);
    frame->ShowItem(info.get());
    entry = std::move(info);
}

QUILLON_API void QUILLON_CALL RemoveAndDestroyAllInfo(void) {
    LibraryState &s = State();
    if (Frame *frame = s.CurrentFrame()) {
        for (auto &info : s.infos)
            if (info) frame->HideItem(info.get());
    } else if (s.currentMovie) {
        return;  // before the first frame there is no frame to remove them from
    }
    s.infos.clear();
    s.hasInfoTable = false;
}

}  // extern "C"
