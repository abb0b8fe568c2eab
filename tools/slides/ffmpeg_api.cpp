// FFmpeg's libraries by their sonames (QUILLON_AVFORMAT and
// QUILLON_SWRESAMPLE, from the build); libavcodec's and libavutil's
// functions are found through libavformat's handle, which loads them.
#include "slides/ffmpeg_api.h"

#include <dlfcn.h>

namespace quillon_tools {

const FfmpegApi &Ffmpeg() {
    static const FfmpegApi api = [] {
        FfmpegApi a;
        void *handles[2] = {dlopen(QUILLON_AVFORMAT, RTLD_NOW | RTLD_LOCAL),
                            dlopen(QUILLON_SWRESAMPLE, RTLD_NOW | RTLD_LOCAL)};
        for (void *handle : handles)
            if (!handle) {
                const char *why = dlerror();
                a.error = std::string("FFmpeg's libraries cannot be loaded: ") + (why ? why : "");
                return a;
            }
        auto find = [&handles](const char *name) -> void * {
            for (void *handle : handles)
                if (void *f = dlsym(handle, name)) return f;
            return nullptr;
        };
#define QUILLON_FFMPEG_RESOLVE(f)                                                 \
        a.f = reinterpret_cast<decltype(a.f)>(find(#f));                         \
        if (!a.f) {                                                              \
            a.error = "FFmpeg's libraries cannot be loaded: " #f " is missing";  \
            return a;                                                            \
        }
        QUILLON_FFMPEG_FUNCTIONS(QUILLON_FFMPEG_RESOLVE)
#undef QUILLON_FFMPEG_RESOLVE
        return a;
    }();
    return api;
}

}  // namespace quillon_tools
