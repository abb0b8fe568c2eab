// LosslessBitmap: a host picture as a zlib-compressed DefineBitsLossless (20)
// or DefineBitsLossless2 (36) character.
#pragma once

#include <cstdint>
#include <memory>

#include "characters/bitmap_tag.h"

namespace quillon {

// The BitmapFormat values the library writes: 8-bit colour-mapped pixels
// after a colour table, and 32-bit pixels (alpha or a pad byte, then red,
// green, blue). Formats up to 3 carry a colour table.
constexpr uint8_t kColourMappedBitmap = 3;
constexpr uint8_t kDirectColourBitmap = 5;
// A colour table's size byte holds the entry count less one.
constexpr int32_t kMaxColourTableEntries = 256;

class LosslessBitmap : public BitmapTag {
public:
    // Reads colourCount palette entries (3 bytes each, 4 with alpha) and the
    // pixels and compresses them at level 9 as it goes, keeping no copy. A
    // colour-mapped picture (8 bits per pixel) reads width bytes per row and
    // pads each row with zeros to a multiple of 4 bytes, as readers of the
    // format expect; direct colour rows (32 bits a pixel) are always aligned.
    // colourCount is clamped to 0..kMaxColourTableEntries. The palette is read
    // only when it holds entries. If compression fails the bitmap has no data.
    LosslessBitmap(MovieContext &context, uint8_t format, uint16_t width, uint16_t height, int32_t colourCount,
                   const uint8_t *palette, const uint8_t *pixels, uint8_t alpha);
    void Write(SwfStream &stream) override;
    // A tag for the same picture under the same id, sharing the compressed
    // data: the picture is compressed once however many movies show it.
    std::unique_ptr<LosslessBitmap> Copy() const {
        return std::unique_ptr<LosslessBitmap>(new LosslessBitmap(*this));
    }
    std::unique_ptr<BitmapTag> CopyTag() const override { return Copy(); }

    uint8_t Format() const { return format_; }
    uint16_t Width() const { return width_; }
    uint16_t Height() const { return height_; }
    int32_t ColourCount() const { return colourCount_; }
    const uint8_t *Compressed() const { return compressed_.get(); }
    uint32_t CompressedSize() const { return compressedSize_; }
    // Bytes that were compressed: palette plus padded pixel rows.
    uint32_t UncompressedSize() const { return uncompressedSize_; }

private:
    LosslessBitmap(const LosslessBitmap &) = default;

    uint8_t format_;
    uint16_t width_, height_;
    int32_t colourCount_;
    uint8_t alpha_;
    uint32_t compressedSize_ = 0;
    uint32_t uncompressedSize_ = 0;
    std::shared_ptr<const uint8_t[]> compressed_;  // the zlib stream, shared by copies
};

// Bytes of one stored pixel row: colour-mapped rows padded to a multiple of
// 4, direct colour rows of 4 bytes per pixel, other formats
// (width * 2^format + 7) / 8.
uint32_t BitmapRowBytes(uint8_t format, uint32_t width);

}  // namespace quillon
