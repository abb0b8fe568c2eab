// JPEG files made by libjpeg for the tests: a smooth test picture in each
// colour model and coding the encoder knows, and the picture itself, to
// compare a decode with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon::test {

enum class JpegColours { Grey, YCbCr, Rgb, Cmyk, Ycck };

struct JpegRecipe {
    uint32_t width = 32, height = 16;
    JpegColours colours = JpegColours::YCbCr;
    bool subsampled = true;   // YCbCr 4:2:0; false: 4:4:4
    bool progressive = false;
    bool arithmetic = false;  // SOF9 (SOF10 when progressive too)
    int restartInterval = 0;  // a restart marker every that many MCUs
    bool comment = false;     // a COM segment after the markers libjpeg writes
    int quality = 90;
};

// The picture: 3 bytes a pixel (grey pictures repeat the grey), gradients
// with a bright disc, so that every block holds some detail.
std::vector<uint8_t> JpegSourcePixels(uint32_t width, uint32_t height);
// The picture encoded as asked; empty when libjpeg refused.
std::vector<uint8_t> MakeJpeg(const JpegRecipe &recipe);
// The offset of the first marker segment FF code among those before the
// first scan's data, or 0 when there is none.
size_t FindJpegMarker(const std::vector<uint8_t> &jpeg, uint8_t code);

}  // namespace quillon::test
