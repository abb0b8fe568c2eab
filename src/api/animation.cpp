// Handle exports: animated lists.
#include "api/movie_record.h"

using namespace quillon;

namespace {

bool InPixelRange(int32_t v) { return v >= -kMaxPixels && v <= kMaxPixels; }

// The current frame and a list to add to.
QuillonStatus NeedList(QuillonMovie &m, Frame **frame) {
    QuillonStatus status = NeedFrame(m, frame);
    if (status == QUILLON_OK && !m.animatedList)
        return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no animated list");
    return status;
}

// The handle face adds an item whole or not at all.
QuillonStatus NeedIds(QuillonMovie &m, uint32_t ids) {
    if (m.classicFace || m.context.CharacterIdsLeft() >= ids) return QUILLON_OK;
    return Fail(m, QUILLON_ERROR_LIMIT, "no character id is left until the movie is written");
}

// Adds an item that showed itself in frame when it was made; LIMIT when it
// could not (no character id was left).
QuillonStatus AddItem(QuillonMovie &m, Frame &frame, size_t tagsBefore,
                      std::unique_ptr<AnimatedItem> item) {
    bool shown = frame.Tags().size() > tagsBefore;
    if (shown || m.classicFace) m.animatedList->Add(std::move(item));
    return shown ? QUILLON_OK
                 : Fail(m, QUILLON_ERROR_LIMIT, "no character id is left until the movie is written");
}

}  // namespace

extern "C" {

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_init_animated_list(QuillonMovie *movie) {
    return Guarded(movie, [](QuillonMovie &m) {
        if (!m.currentMovie) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no movie");
        auto list = std::make_unique<AnimatedList>();
        if (m.animatedList)
            if (Frame *frame = m.CurrentFrame()) m.animatedList->RemoveFrom(*frame);
        m.animatedList = std::move(list);
        return QUILLON_OK;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_rubber(QuillonMovie *movie,
                                                                int32_t kind, int32_t x1,
                                                                int32_t y1, int32_t x2,
                                                                int32_t y2, int32_t lineWidth,
                                                                uint32_t colour) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = NeedList(m, &frame);
        if (status != QUILLON_OK) return status;
        if (kind != kEllipseRubber && kind != kRectangleRubber)
            return Fail(m, QUILLON_ERROR_ARGUMENT, "a rubber kind other than 0 and 1");
        // Equal corners would divide by zero when the scale is worked out.
        if (x1 == x2 || y1 == y2) return Fail(m, QUILLON_ERROR_ARGUMENT, "x1 = x2 or y1 = y2");
        for (int32_t v : {x1, y1, x2, y2, lineWidth})
            if (!InPixelRange(v)) return Fail(m, QUILLON_ERROR_LIMIT, "a value beyond 53687091 pixels");
        if ((status = NeedIds(m, 1)) != QUILLON_OK) return status;
        size_t before = frame->Tags().size();
        auto item = std::make_unique<RubberItem>(kind, x1, y1, x2, y2, lineWidth, HostColour(colour), *frame);
        return AddItem(m, *frame, before, std::move(item));
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_attractor(QuillonMovie *movie,
                                                                   int32_t count,
                                                                   const int32_t *rects,
                                                                   uint32_t colour,
                                                                   uint32_t highlightColour) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = NeedList(m, &frame);
        if (status != QUILLON_OK) return status;
        if (!rects) return Fail(m, QUILLON_ERROR_ARGUMENT, "no boxes were given (NULL)");
        // The item holds ten boxes, and a step divides by the count.
        if (count < 1 || count > AttractorItem::kMaxBoxes)
            return Fail(m, QUILLON_ERROR_ARGUMENT, "a box count outside 1 to 10");
        for (int32_t i = 0; i < 4 * count; ++i)
            if (!InPixelRange(rects[i])) return Fail(m, QUILLON_ERROR_LIMIT, "a value beyond 53687091 pixels");
        if ((status = NeedIds(m, 2 * static_cast<uint32_t>(count))) != QUILLON_OK) return status;
        size_t before = frame->Tags().size();
        auto item = std::make_unique<AttractorItem>(count, rects, HostColour(colour),
                                                    HostColour(highlightColour), *frame);
        return AddItem(m, *frame, before, std::move(item));
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_animate_list(QuillonMovie *movie) {
    return Guarded(movie, [](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = NeedList(m, &frame);
        if (status == QUILLON_OK) m.animatedList->Step(*frame);
        return status;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_destroy_animated_list(QuillonMovie *movie) {
    return Guarded(movie, [](QuillonMovie &m) {
        if (!m.animatedList) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no animated list");
        if (Frame *frame = m.CurrentFrame()) m.animatedList->RemoveFrom(*frame);
        m.animatedList.reset();
        return QUILLON_OK;
    });
}

}  // extern "C"
