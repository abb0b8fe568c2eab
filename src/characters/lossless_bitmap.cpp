// Lossless bitmaps: palette and pixels compressed once, referenced by the
// tag as an external block and copied straight into the file.
#include "characters/lossless_bitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <zlib.h>

namespace quillon {

uint32_t BitmapRowBytes(uint8_t format, uint32_t width) {
    if (format == kColourMappedBitmap) return (width + 3) & ~3u;
    if (format == kDirectColourBitmap) return width * 4;
    uint64_t bits = static_cast<uint64_t>(width) << (format < 32 ? format : 0);
    return static_cast<uint32_t>((bits + 7) / 8);
}

namespace {

// Feeds one zlib stream at level 9 piece by piece: the bytes are those that
// compress2 gives for the same input in one buffer, without a copy of the
// input. The output is gathered in pieces and kept in one buffer of exactly
// its size, since a deck holds every slide's data until the movie is written.
class Deflater {
public:
    Deflater() { ok_ = deflateInit(&z_, 9) == Z_OK; }
    ~Deflater() {
        if (ok_) deflateEnd(&z_);
    }
    Deflater(const Deflater &) = delete;
    Deflater &operator=(const Deflater &) = delete;

    // size bytes from data, or zero bytes when data is null.
    void Feed(const uint8_t *data, size_t size) {
        static const uint8_t zeros[4096] = {};
        while (ok_ && size > 0) {
            size_t piece = data ? std::min<size_t>(size, 1u << 30) : std::min(size, sizeof zeros);
            Run(data ? data : zeros, piece, Z_NO_FLUSH);
            if (data) data += piece;
            size -= piece;
        }
    }

    // Ends the stream; false (and no data) when zlib failed.
    bool Finish(std::unique_ptr<uint8_t[]> &out, uint32_t &outSize) {
        if (ok_) Run(nullptr, 0, Z_FINISH);
        if (!ok_ || total_ > UINT32_MAX) return false;
        out.reset(new uint8_t[total_ ? total_ : 1]);
        size_t at = 0;
        for (size_t i = 0; i < pieces_.size(); ++i) {
            size_t used = i + 1 < pieces_.size() ? kPiece : total_ - at;
            std::memcpy(out.get() + at, pieces_[i].get(), used);
            at += used;
        }
        outSize = static_cast<uint32_t>(total_);
        return true;
    }

private:
    static constexpr size_t kPiece = 32768;

    void Run(const uint8_t *data, size_t size, int flush) {
        z_.next_in = const_cast<Bytef *>(data);
        z_.avail_in = static_cast<uInt>(size);
        for (;;) {
            if (z_.avail_out == 0) {
                // Owned before the list grows, so a failed growth frees it.
                std::unique_ptr<uint8_t[]> piece(new uint8_t[kPiece]);
                pieces_.push_back(std::move(piece));
                z_.next_out = pieces_.back().get();
                z_.avail_out = kPiece;
            }
            uInt before = z_.avail_out, inBefore = z_.avail_in;
            int result = deflate(&z_, flush);
            total_ += before - z_.avail_out;
            if (result == Z_STREAM_END) return;
            bool stuck = before == z_.avail_out && inBefore == z_.avail_in;
            if ((result != Z_OK && result != Z_BUF_ERROR) || (stuck && flush == Z_FINISH)) {
                ok_ = false;
                return;
            }
            // Done with this input once zlib has taken all of it and left
            // room in the output (for Z_FINISH, only Z_STREAM_END ends it).
            if (flush == Z_NO_FLUSH && (z_.avail_in == 0 || stuck) && z_.avail_out != 0) return;
        }
    }

    z_stream z_{};
    bool ok_ = false;
    std::vector<std::unique_ptr<uint8_t[]>> pieces_;
    size_t total_ = 0;
};

}  // namespace

LosslessBitmap::LosslessBitmap(MovieContext &context, uint8_t format, uint16_t width,
                               uint16_t height, int32_t colourCount, const uint8_t *palette,
                               const uint8_t *pixels, uint8_t alpha)
    : BitmapTag(context), format_(format), width_(width), height_(height),
      colourCount_(std::clamp(colourCount, 0, kMaxColourTableEntries)),
      alpha_(alpha) {
    // A colour-mapped picture's table size byte holds colourCount - 1, so a
    // picture without colours would declare 256 entries that are not there
    // and a reader would take its pixels for the palette. It gets 256 black
    // entries instead; the palette buffer is not read.
    bool blackTable = format <= kColourMappedBitmap && colourCount_ == 0;
    size_t entries = static_cast<size_t>(blackTable ? kMaxColourTableEntries : colourCount_);
    size_t paletteBytes = entries * (alpha ? 4 : 3);
    size_t sourceRow = format == kColourMappedBitmap ? width : BitmapRowBytes(format, width);
    size_t storedRow = BitmapRowBytes(format, width);
    size_t n = paletteBytes + storedRow * height;

    // The compressed input is the palette, then every row of sourceRow bytes
    // padded with zeros to storedRow; a missing buffer reads as zeros.
    Deflater deflater;
    deflater.Feed(paletteBytes && !blackTable ? palette : nullptr, paletteBytes);
    if (pixels && sourceRow == storedRow) {
        deflater.Feed(pixels, sourceRow * height);
    } else {
        for (size_t row = 0; row < height; ++row) {
            deflater.Feed(pixels ? pixels + row * sourceRow : nullptr, sourceRow);
            deflater.Feed(nullptr, storedRow - sourceRow);
        }
    }
    std::unique_ptr<uint8_t[]> compressed;
    if (deflater.Finish(compressed, compressedSize_)) {
        compressed_ = std::move(compressed);
        uncompressedSize_ = static_cast<uint32_t>(n);
    }
}

void LosslessBitmap::Write(SwfStream &stream) {
    SwfStream body;
    body.WriteUI16(CharacterId());
    body.WriteUI8(format_);
    body.WriteUI16(width_);
    body.WriteUI16(height_);
    if (format_ <= kColourMappedBitmap) body.WriteUI8(static_cast<uint32_t>(colourCount_ - 1));  // 256 -> FF
    body.AppendBlock(compressed_.get(), compressedSize_);
    stream.WriteTag(alpha_ ? TagCode::DefineBitsLossless2 : TagCode::DefineBitsLossless,
                    body.Length(), &body);
}

}  // namespace quillon
