// Handle exports: making, extending, writing and releasing a movie.
#include "api/movie_record.h"

using namespace quillon;

extern "C" {

QUILLON_API QuillonMovie *QUILLON_CALL quillon_movie_new(int32_t width, int32_t height,
                                                         int32_t slideCount, int32_t frameRate) {
    std::unique_ptr<QuillonMovie> movie(new (std::nothrow) QuillonMovie());
    if (!movie) return nullptr;
    QuillonStatus status = Guarded(movie.get(), [&](QuillonMovie &m) {
        OpenMovie(m, width, height, slideCount, frameRate);
        return QUILLON_OK;
    });
    return status == QUILLON_OK ? movie.release() : nullptr;
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_reset(QuillonMovie *movie, int32_t width,
                                                           int32_t height, int32_t slideCount,
                                                           int32_t frameRate) {
    return Guarded(movie, [&](QuillonMovie &m) {
        OpenMovie(m, width, height, slideCount, frameRate);
        return QUILLON_OK;
    });
}

QUILLON_API void QUILLON_CALL quillon_movie_free(QuillonMovie *movie) { delete movie; }

QUILLON_API const char *QUILLON_CALL quillon_movie_error(const QuillonMovie *movie) {
    return movie ? movie->error : "no movie was given (NULL)";
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_write(QuillonMovie *movie,
                                                           const char *fileName) {
    return Guarded(movie, [&](QuillonMovie &m) {
        if (!m.currentMovie) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no movie");
        bool named = fileName != nullptr && *fileName != '\0';
        if (!m.currentMovie->WriteFile(named ? fileName : nullptr)) {
            if (!named) return Fail(m, QUILLON_ERROR_ARGUMENT, "no file name was given");
            return Fail(m, QUILLON_ERROR_FILE, "the file could not be written");
        }
        m.failed = false;
        return QUILLON_OK;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_duplicate_frame(QuillonMovie *movie) {
    return Guarded(movie, [&](QuillonMovie &m) {
        if (!m.currentMovie) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no movie");
        if (m.currentFrame >= kMaxFrame) return Fail(m, QUILLON_ERROR_LIMIT, "a frame past 65534");
        m.currentMovie->GetFrame(m.currentFrame + 1);
        m.currentFrame += 1;
        return QUILLON_OK;
    });
}

QUILLON_API QuillonStatus QUILLON_CALL quillon_movie_next_slide(QuillonMovie *movie) {
    return Guarded(movie, [&](QuillonMovie &m) {
        if (!m.currentMovie) return Fail(m, QUILLON_ERROR_ARGUMENT, "there is no movie");
        if (m.currentFrame < 0) return Fail(m, QUILLON_ERROR_ARGUMENT, "no frame has begun yet");
        if (m.slidesRecorded >= m.slideCount)
            return Fail(m, QUILLON_ERROR_ARGUMENT, "every slide was recorded already");
        m.slideFrames[static_cast<size_t>(m.slidesRecorded)] = m.currentFrame;
        m.laterSlides.Recorded(m.slidesRecorded, m.currentFrame, m.currentMovie->Generation());
        m.slidesRecorded += 1;
        return QUILLON_OK;
    });
}

}  // extern "C"
