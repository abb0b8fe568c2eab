// Lossless bitmaps: palette and pixels compressed once, referenced by the
// tag as an external block and copied straight into the file.
#include "characters/lossless_bitmap.h"

#include <cstring>
#include <vector>

#include <zlib.h>

namespace quillon {

uint32_t BitmapRowBytes(uint8_t format, uint32_t width) {
    if (format == 3) return (width + 3) & ~3u;
    if (format == 5) return width * 4;
    uint64_t bits = static_cast<uint64_t>(width) << (format < 32 ? format : 0);
    return static_cast<uint32_t>((bits + 7) / 8);
}

LosslessBitmap::LosslessBitmap(uint8_t format, uint16_t width, uint16_t height,
                               int32_t colourCount, const uint8_t *palette,
                               const uint8_t *pixels, uint8_t alpha)
    : characterId_(NextCharacterId()), idEpoch_(CharacterIdEpoch()), format_(format), width_(width), height_(height),
      colourCount_(colourCount < 0 ? 0 : (colourCount > 256 ? 256 : colourCount)),
      alpha_(alpha) {
    size_t paletteBytes = static_cast<size_t>(colourCount_) * (alpha ? 4 : 3);
    size_t sourceRow = format == 3 ? width : BitmapRowBytes(format, width);
    size_t storedRow = BitmapRowBytes(format, width);
    size_t n = paletteBytes + storedRow * height;

    std::vector<uint8_t> work(n, 0);
    if (paletteBytes && palette) std::memcpy(work.data(), palette, paletteBytes);
    if (pixels) {
        for (size_t row = 0; row < height; ++row)
            std::memcpy(work.data() + paletteBytes + row * storedRow, pixels + row * sourceRow,
                        sourceRow);
    }
    // zlib's own bound, so compress2 can never run out of room; the result
    // is then kept in a buffer of exactly its size, since a deck holds every
    // slide's data until the movie is written.
    uLongf size = compressBound(static_cast<uLong>(n));
    std::unique_ptr<uint8_t[]> out(new uint8_t[size]);
    if (compress2(out.get(), &size, work.data(), static_cast<uLong>(n), 9) == Z_OK) {
        compressed_.reset(new uint8_t[size]);
        std::memcpy(compressed_.get(), out.get(), size);
        compressedSize_ = static_cast<uint32_t>(size);
        uncompressedSize_ = static_cast<uint32_t>(n);
    }
}

void LosslessBitmap::RenewIdIfStale() {
    if (idEpoch_ == CharacterIdEpoch()) return;
    characterId_ = NextCharacterId();
    idEpoch_ = CharacterIdEpoch();
}

void LosslessBitmap::Write(SwfStream &stream) {
    SwfStream body;
    body.WriteUI16(characterId_);
    body.WriteUI8(format_);
    body.WriteUI16(width_);
    body.WriteUI16(height_);
    if (format_ <= 3) body.WriteUI8(static_cast<uint32_t>(colourCount_ - 1));  // 256 -> FF
    body.AppendBlock(compressed_.get(), compressedSize_);
    stream.WriteTag(alpha_ ? 36 : 20, body.Length(), &body);
}

}  // namespace quillon
