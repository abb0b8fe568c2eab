// JPEG bitmaps: the stream copied once, referenced by the tag as an external
// block and copied straight into the file.
#include "characters/jpeg_bitmap.h"

#include <cstring>

namespace quillon {

JpegBitmap::JpegBitmap(MovieContext &context, const uint8_t *jpeg, size_t size, uint16_t width,
                       uint16_t height)
    : BitmapTag(context), width_(width), height_(height), size_(static_cast<uint32_t>(size)) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size_ ? size_ : 1]);
    if (size_) std::memcpy(copy.get(), jpeg, size_);
    data_ = std::move(copy);
}

void JpegBitmap::Write(SwfStream &stream) {
    SwfStream body;
    body.WriteUI16(CharacterId());
    body.AppendBlock(data_.get(), size_);
    stream.WriteTag(TagCode::DefineBitsJPEG2, body.Length(), &body);
}

}  // namespace quillon
