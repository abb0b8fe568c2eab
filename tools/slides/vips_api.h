// libvips, loaded when the first picture needs it: a deck of plain PNGs
// never maps it and the hundred libraries it brings (its loaders' codecs,
// GLib, ...), which would take more memory and starting time than the
// whole deck.
#pragma once

#include <vips/vips.h>

#include <string>

namespace quillon_tools {

#define QUILLON_VIPS_FUNCTIONS(X) \
    X(g_free) \
    X(g_log_set_handler) \
    X(g_object_unref) \
    X(vips_cache_set_max) \
    X(vips_cast_uchar) \
    X(vips_colourspace) \
    X(vips_copy) \
    X(vips_concurrency_set) \
    X(vips_error_buffer_copy) \
    X(vips_error_clear) \
    X(vips_extract_band) \
    X(vips_foreign_find_load) \
    X(vips_format_sizeof) \
    X(vips_icc_transform) \
    X(vips_image_get_int) \
    X(vips_image_get_interpretation) \
    X(vips_image_get_orientation) \
    X(vips_image_get_typeof) \
    X(vips_image_new_from_memory) \
    X(vips_image_new_from_file) \
    X(vips_init) \
    X(vips_jpegsave_buffer) \
    X(vips_region_new) \
    X(vips_region_prepare)

struct VipsApi {
#define QUILLON_VIPS_POINTER(f) decltype(&::f) f = nullptr;
    QUILLON_VIPS_FUNCTIONS(QUILLON_VIPS_POINTER)
#undef QUILLON_VIPS_POINTER
    std::string error;  // why libvips could not be loaded; empty when it was
};

// Loads libvips once for the process (thread-safe) and gives its functions.
const VipsApi &Vips();

}  // namespace quillon_tools
