// Handle exports: slide pictures and stops.
#include "api/movie_record.h"
#include "interactive/actions.h"

using namespace quillon;

extern "C" {

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_slide(QuillonMovie *movie,
                                                               const unsigned char *pixels,
                                                               const unsigned char *palette,
                                                               int32_t colourCount) {
    return Guarded(movie, [&](QuillonMovie &m) {
        if (!m.currentMovie) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no movie");
        if (m.currentFrame >= kMaxFrame) return Fail(m, QUILLON_ERROR_LIMIT, "a frame past 65534");
        Frame *frame = m.currentMovie->GetFrame(m.currentFrame + 1);
        QuillonStatus status = QUILLON_OK;
        // A stage that no bitmap can cover gets the frame but no picture.
        if (IsBitmapSide(m.stageWidthPixels) && IsBitmapSide(m.stageHeightPixels)) {
            ImageShape slide(m.context, Twips(), Twips(), Twips::FromPixels(m.stageWidthPixels), Twips::FromPixels(m.stageHeightPixels),
                             BitmapPicture::ColourMapped(static_cast<uint16_t>(m.stageWidthPixels),
                                                         static_cast<uint16_t>(m.stageHeightPixels),
                                                         pixels, palette, colourCount));
            status = ShowIn(m, *frame, &slide);
        }
        // The classic face keeps the frame of a picture it could not show.
        if (status == QUILLON_OK || m.classicFace) m.currentFrame += 1;
        return status;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_add_jpeg_slide(QuillonMovie *movie,
                                                                    const unsigned char *jpeg,
                                                                    size_t size) {
    return Guarded(movie, [&](QuillonMovie &m) {
        if (jpeg == nullptr || size == 0) return Fail(m, QUILLON_ERROR_ARGUMENT, "no JPEG data");
        if (!m.currentMovie) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no movie");
        if (m.currentFrame >= kMaxFrame) return Fail(m, QUILLON_ERROR_LIMIT, "a frame past 65534");
        // Checked before the frame is begun: a refused JPEG adds nothing.
        JpegCheck check;
        auto slide = MakeJpegSlide(m.context, jpeg, size, m.stageWidthPixels, m.stageHeightPixels, check);
        if (!slide)
            return Fail(m, check.fault == JpegFault::TooLarge ? QUILLON_ERROR_LIMIT : QUILLON_ERROR_DATA,
                        check.message);
        QuillonStatus status = ShowIn(m, *m.currentMovie->GetFrame(m.currentFrame + 1), slide.get());
        if (status == QUILLON_OK) m.currentFrame += 1;
        return status;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_stop_frame(QuillonMovie *movie,
                                                                int32_t frameNumber) {
    return Guarded(movie, [&](QuillonMovie &m) {
        Frame *frame = nullptr;
        QuillonStatus status = FrameFor(m, frameNumber, &frame);
        if (status == QUILLON_OK) frame->AddActions(StopDescriptor());
        return status;
    });
}

}  // extern "C"
