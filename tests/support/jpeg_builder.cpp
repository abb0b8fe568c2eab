// Test JPEGs through libjpeg's encoder, written to memory.
#include "support/jpeg_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace quillon::test {

std::vector<uint8_t> JpegSourcePixels(uint32_t width, uint32_t height) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t *p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            double dx = x - width / 2.0, dy = y - height / 2.0;
            bool disc = std::sqrt(dx * dx + dy * dy) < std::min(width, height) / 4.0;
            p[0] = static_cast<uint8_t>(disc ? 240 : 40 + 160 * x / width);
            p[1] = static_cast<uint8_t>(disc ? 220 : 60 + 150 * y / height);
            p[2] = static_cast<uint8_t>(disc ? 60 : 200 - 100 * (x + y) / (width + height));
        }
    return rgb;
}

namespace {

// The source row in the encoder's input colour model: grey, RGB or CMYK.
void InputRow(const std::vector<uint8_t> &rgb, size_t y, const jpeg_compress_struct &c,
              std::vector<uint8_t> &row) {
    for (size_t x = 0; x < c.image_width; ++x) {
        const uint8_t *p = &rgb[(y * c.image_width + x) * 3];
        uint8_t *o = &row[x * c.input_components];
        if (c.input_components == 1) {
            o[0] = static_cast<uint8_t>((p[0] * 3 + p[1] * 6 + p[2]) / 10);
        } else if (c.input_components == 3) {
            o[0] = p[0], o[1] = p[1], o[2] = p[2];
        } else {
            o[0] = static_cast<uint8_t>(255 - p[0]), o[1] = static_cast<uint8_t>(255 - p[1]);
            o[2] = static_cast<uint8_t>(255 - p[2]), o[3] = 0;
        }
    }
}

void Configure(const JpegRecipe &recipe, jpeg_compress_struct &c) {
    c.image_width = recipe.width;
    c.image_height = recipe.height;
    bool fourInks = recipe.colours == JpegColours::Cmyk || recipe.colours == JpegColours::Ycck;
    c.input_components = recipe.colours == JpegColours::Grey ? 1 : fourInks ? 4 : 3;
    c.in_color_space = recipe.colours == JpegColours::Grey ? JCS_GRAYSCALE : fourInks ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, recipe.quality, TRUE);
    if (recipe.colours == JpegColours::Rgb) jpeg_set_colorspace(&c, JCS_RGB);
    if (recipe.colours == JpegColours::Ycck) jpeg_set_colorspace(&c, JCS_YCCK);
    if (!recipe.subsampled) c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
    if (recipe.progressive) jpeg_simple_progression(&c);
    c.arith_code = recipe.arithmetic ? TRUE : FALSE;
    c.restart_interval = static_cast<unsigned>(recipe.restartInterval);
}

}  // namespace

std::vector<uint8_t> MakeJpeg(const JpegRecipe &recipe) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    Configure(recipe, c);
    jpeg_start_compress(&c, TRUE);
    if (recipe.comment) {
        const char text[] = "made for Quillon's tests";
        jpeg_write_marker(&c, JPEG_COM, reinterpret_cast<const JOCTET *>(text), sizeof text - 1);
    }
    std::vector<uint8_t> rgb = JpegSourcePixels(recipe.width, recipe.height);
    std::vector<uint8_t> row(static_cast<size_t>(recipe.width) * c.input_components);
    JSAMPROW rows[1] = {row.data()};
    while (c.next_scanline < c.image_height) {
        InputRow(rgb, c.next_scanline, c, row);
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> jpeg(out, out + size);
    std::free(out);
    return jpeg;
}

size_t FindJpegMarker(const std::vector<uint8_t> &jpeg, uint8_t code) {
    size_t pos = 2;  // after SOI
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
        if (jpeg[pos + 1] == code) return pos;
        if (jpeg[pos + 1] == 0xDA) break;  // entropy-coded data follows
        pos += 2 + (jpeg[pos + 2] << 8 | jpeg[pos + 3]);
    }
    return 0;
}

}  // namespace quillon::test
