// JpegBitmap: a JPEG picture as a DefineBitsJPEG2 (21) character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "characters/bitmap_tag.h"

namespace quillon {

// DefineBitsJPEG2's body is the character id, then the JPEG stream from SOI
// to EOI, encoding tables and image in one: players decode it whole. The
// data is written as given, so it must have passed CheckJpeg (baseline,
// 8-bit, greyscale or YCbCr), which every player's decoder takes.
class JpegBitmap : public BitmapTag {
public:
    // Copies size bytes of JPEG data; width and height are the picture's, as
    // its frame header says. The id is drawn from context at once.
    JpegBitmap(MovieContext &context, const uint8_t *jpeg, size_t size, uint16_t width,
               uint16_t height);
    void Write(SwfStream &stream) override;
    std::unique_ptr<BitmapTag> CopyTag() const override {
        return std::unique_ptr<BitmapTag>(new JpegBitmap(*this));
    }

    uint16_t Width() const { return width_; }
    uint16_t Height() const { return height_; }
    const uint8_t *Data() const { return data_.get(); }
    uint32_t Size() const { return size_; }

private:
    JpegBitmap(const JpegBitmap &) = default;

    uint16_t width_, height_;
    uint32_t size_;
    std::shared_ptr<const uint8_t[]> data_;  // the JPEG stream, shared by copies
};

}  // namespace quillon
