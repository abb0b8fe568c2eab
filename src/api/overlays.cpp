// Handle exports: sprites and info overlays.
#include <climits>

#include "api/movie_record.h"

using namespace quillon;

namespace {

int32_t ClampCount(int32_t count) {
    return count < 0 ? 0 : (count > kMaxTableEntries ? kMaxTableEntries : count);
}

QuillonStatus FindSprite(QuillonMovie &m, int32_t index, ImageShape **sprite) {
    if (index < 0 || static_cast<size_t>(index) >= m.sprites.size() ||
        !m.sprites[static_cast<size_t>(index)])
        return Fail(m, QUILLON_ERROR_ARGUMENT, "no sprite at that index");
    *sprite = m.sprites[static_cast<size_t>(index)].get();
    return QUILLON_OK;
}

// The current frame and sprite index, for showing and hiding.
QuillonStatus FrameAndSprite(QuillonMovie &m, int32_t index, Frame **frame, ImageShape **sprite) {
    QuillonStatus status = NeedFrame(m, frame);
    return status == QUILLON_OK ? FindSprite(m, index, sprite) : status;
}

QuillonStatus CheckInfo(QuillonMovie &m, int32_t index, int64_t width, int64_t height) {
    if (index < 0 || static_cast<size_t>(index) >= m.infos.size())
        return Fail(m, QUILLON_ERROR_ARGUMENT, "an index outside the info table");
    if (width < 1 || height < 1) return Fail(m, QUILLON_ERROR_ARGUMENT, "x2 < x1 or y2 < y1");
    if (width > QUILLON_MAX_PICTURE_SIDE || height > QUILLON_MAX_PICTURE_SIDE)
        return Fail(m, QUILLON_ERROR_LIMIT, "a picture side over 65535 pixels");
    return QUILLON_OK;
}

}  // namespace

extern "C" {

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_set_sprite_count(QuillonMovie *movie,
                                                                      int32_t count) {
    return Guarded(movie, [&](QuillonMovie &m) {
        std::vector<std::unique_ptr<ImageShape>> table(static_cast<size_t>(ClampCount(count)));
        m.sprites.swap(table);
        m.hasSpriteTable = true;
        return QUILLON_OK;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_sprite(QuillonMovie *movie,
                                                                int32_t index, const void *pixels,
                                                                int32_t width, int32_t height) {
    return Guarded(movie, [&](QuillonMovie &m) {
        if (index < 0 || static_cast<size_t>(index) >= m.sprites.size())
            return Fail(m, QUILLON_ERROR_ARGUMENT, "an index outside the sprite table");
        if (!IsBitmapSide(width) || !IsBitmapSide(height))
            return Fail(m, SideStatus(IsBitmapSide(width) ? height : width),
                        "a picture side outside 1 to 65535 pixels");
        // The shape starts at the origin; its place on the stage is its translation.
        auto sprite = std::make_unique<ImageShape>(
            m.context, Twips(), Twips(), Twips::FromPixels(width), Twips::FromPixels(height),
            BitmapPicture::DirectColour(static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                        static_cast<const uint8_t *>(pixels), 1));
        sprite->SetDepth(kSpriteDepth);
        m.sprites[static_cast<size_t>(index)] = std::move(sprite);
        return QUILLON_OK;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_translate_sprite(QuillonMovie *movie,
                                                                      int32_t index, int32_t x,
                                                                      int32_t y) {
    return Guarded(movie, [&](QuillonMovie &m) {
        ImageShape *sprite = nullptr;
        QuillonStatus status = FindSprite(m, index, &sprite);
        if (status == QUILLON_OK) sprite->SetTranslate(Twips::FromPixels(x), Twips::FromPixels(y));
        return status;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_show_sprite(QuillonMovie *movie,
                                                                 int32_t index) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        ImageShape *sprite = nullptr;
        QuillonStatus status = FrameAndSprite(m, index, &frame, &sprite);
        return status == QUILLON_OK ? ShowIn(m, *frame, sprite) : status;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_hide_sprite(QuillonMovie *movie,
                                                                 int32_t index) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        ImageShape *sprite = nullptr;
        QuillonStatus status = FrameAndSprite(m, index, &frame, &sprite);
        if (status == QUILLON_OK) frame->HideItem(sprite);
        return status;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_set_info_count(QuillonMovie *movie,
                                                                    int32_t count) {
    return Guarded(movie, [&](QuillonMovie &m) {
        std::vector<std::unique_ptr<ImageShape>> table(static_cast<size_t>(ClampCount(count)));
        // The earlier table leaves the stage first, where there is a frame.
        if (Frame *frame = m.CurrentFrame())
            for (auto &info : m.infos)
                if (info) frame->HideItem(info.get());
        m.infos.swap(table);
        m.hasInfoTable = true;
        return QUILLON_OK;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_info(
    QuillonMovie *movie, int32_t index, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
    const unsigned char *pixels, const unsigned char *palette, int32_t colourCount) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        int64_t width = static_cast<int64_t>(x2) - x1 + 1;
        int64_t height = static_cast<int64_t>(y2) - y1 + 1;
        QuillonStatus status = NeedFrame(m, &frame);
        if (status == QUILLON_OK) status = CheckInfo(m, index, width, height);
        if (status != QUILLON_OK) return status;
        // The picture covers its last column and row: (x2 + 1, y2 + 1) is the
        // far corner, so every pixel is 20 twips wide.
        auto after = [](int32_t v) { return Twips::FromPixels(v == INT32_MAX ? v : v + 1); };
        auto info = std::make_unique<ImageShape>(
            m.context, Twips::FromPixels(x1), Twips::FromPixels(y1), after(x2), after(y2),
            BitmapPicture::ColourMapped(static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                        pixels, palette, colourCount));
        info->SetDepth(kInfoDepth);
        // A filled entry is replaced: its overlay leaves the current frame first.
        std::unique_ptr<ImageShape> &entry = m.infos[static_cast<size_t>(index)];
        if (entry) frame->HideItem(entry.get());
        status = ShowIn(m, *frame, info.get());
        if (status == QUILLON_OK || m.classicFace) entry = std::move(info);
        return status;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_remove_all_info(QuillonMovie *movie) {
    return Guarded(movie, [](QuillonMovie &m) {
        if (Frame *frame = m.CurrentFrame()) {
            for (auto &info : m.infos)
                if (info) frame->HideItem(info.get());
        } else if (m.currentMovie) {
            return Fail(m, QUILLON_ERROR_ARGUMENT, "no frame has begun yet");
        }
        m.infos.clear();
        m.hasInfoTable = false;
        return QUILLON_OK;
    });
}

}  // extern "C"
