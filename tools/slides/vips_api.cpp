// libvips by its soname (QUILLON_VIPS, from the build), its functions and
// GLib's looked up through its handle.
#include "slides/vips_api.h"

#include <dlfcn.h>

namespace quillon_tools {

const VipsApi &Vips() {
    static const VipsApi api = [] {
        VipsApi v;
        void *library = dlopen(QUILLON_VIPS, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char *why = dlerror();
            v.error = std::string("libvips cannot be loaded: ") + (why ? why : QUILLON_VIPS);
            return v;
        }
#define QUILLON_VIPS_RESOLVE(f)                                          \
        v.f = reinterpret_cast<decltype(v.f)>(dlsym(library, #f));       \
        if (!v.f) {                                                      \
            v.error = "libvips cannot be loaded: " #f " is missing";     \
            return v;                                                    \
        }
        QUILLON_VIPS_FUNCTIONS(QUILLON_VIPS_RESOLVE)
#undef QUILLON_VIPS_RESOLVE
        return v;
    }();
    return api;
}

}  // namespace quillon_tools
