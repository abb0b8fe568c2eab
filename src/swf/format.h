// The format's words that every layer uses: the tag codes and the step from
// pixels to twips.
#pragma once

#include <cstdint>

namespace quillon {

// The codes of the tags this library writes (and SoundStreamBlock, which
// the tests write beside them). A tag's header holds the code in its upper
// 10 bits.
enum class TagCode : uint16_t {
    End = 0,
    ShowFrame = 1,
    RemoveObject = 5,
    DoAction = 12,
    DefineSound = 14,
    StartSound = 15,
    SoundStreamHead = 18,
    SoundStreamBlock = 19,
    DefineBitsLossless = 20,
    DefineBitsJPEG2 = 21,
    PlaceObject2 = 26,
    DefineShape3 = 32,
    DefineButton2 = 34,
    DefineBitsLossless2 = 36,
};

// The file version in the header, after the signature "FWS" (uncompressed).
constexpr uint8_t kSwfVersion = 4;

// Every coordinate and size in the file is in twips, 1/20 of a pixel.
constexpr int32_t kTwipsPerPixel = 20;
// Pixel coordinates beyond this do not fit the 31-bit twip fields.
constexpr int32_t kMaxPixels = 53687091;

// Pixels to twips, the pixels clamped to +-kMaxPixels first.
constexpr int32_t Twips(int32_t pixels) {
    return (pixels > kMaxPixels ? kMaxPixels : (pixels < -kMaxPixels ? -kMaxPixels : pixels)) *
           kTwipsPerPixel;
}

}  // namespace quillon
