// The compressed data of a lossless bitmap is exactly what zlib's compress2
// at level 9 gives for the palette followed by the rows, each padded with
// zeros to its stored length, for every shape of picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <zlib.h>

#include "characters/lossless_bitmap.h"
#include "support/bytes.h"

namespace quillon {
namespace {

struct Case {
    const char *name;
    uint8_t format;
    uint16_t width, height;
    int32_t colourCount;
    uint8_t alpha;
    bool nullPixels;
};

// Text-like content: runs, repeats and noise, so that the compressor's
// matching really works across row boundaries.
std::vector<uint8_t> Pixels(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        v[i] = (i / 37) % 3 == 0 ? static_cast<uint8_t>(x) : static_cast<uint8_t>((i / 5) & 7);
    }
    return v;
}

std::vector<uint8_t> Compress2(const std::vector<uint8_t> &input) {
    uLongf size = compressBound(static_cast<uLong>(input.size()));
    std::vector<uint8_t> out(size);
    EXPECT_EQ(compress2(out.data(), &size, input.data(), static_cast<uLong>(input.size()), 9), Z_OK);
    out.resize(size);
    return out;
}

TEST(BitmapCompression, EqualsCompress2OfPaletteAndPaddedRows) {
    const Case cases[] = {
        {"aligned slide", 3, 800, 60, 256, 0, false},
        {"322 wide", 3, 322, 120, 16, 0, false},
        {"1 x 1", 3, 1, 1, 2, 0, false},
        {"10 x 2", 3, 10, 2, 2, 0, false},
        {"odd rows, no palette", 3, 13, 7, 0, 0, false},
        {"alpha palette", 3, 7, 9, 5, 1, false},
        {"no pixels given", 3, 5, 4, 3, 0, true},
        {"32-bit with alpha", 5, 33, 17, 0, 1, false},
        {"32-bit", 5, 2, 1, 0, 0, false},
        {"wide enough for several output pieces", 3, 1999, 200, 256, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        size_t entry = c.alpha ? 4 : 3;
        size_t sourceRow = c.format == 3 ? c.width : static_cast<size_t>(c.width) * 4;
        size_t storedRow = c.format == 3 ? (c.width + 3u) & ~3u : sourceRow;
        std::vector<uint8_t> palette = Pixels(static_cast<size_t>(c.colourCount) * entry + 1, 7);
        std::vector<uint8_t> pixels = Pixels(sourceRow * c.height, c.width);

        // A colour-mapped picture without colours stores 256 black entries.
        std::vector<uint8_t> expected =
            c.format == 3 && c.colourCount == 0
                ? std::vector<uint8_t>(256 * entry, 0)
                : std::vector<uint8_t>(palette.begin(), palette.begin() + c.colourCount * entry);
        for (size_t row = 0; row < c.height; ++row) {
            for (size_t i = 0; i < storedRow; ++i)
                expected.push_back(i < sourceRow && !c.nullPixels ? pixels[row * sourceRow + i] : 0);
        }
        std::vector<uint8_t> want = Compress2(expected);

        LosslessBitmap bitmap(test::Ids(), c.format, c.width, c.height, c.colourCount, palette.data(),
                              c.nullPixels ? nullptr : pixels.data(), c.alpha);
        std::vector<uint8_t> have(bitmap.Compressed(), bitmap.Compressed() + bitmap.CompressedSize());
        EXPECT_EQ(bitmap.UncompressedSize(), expected.size());
        ASSERT_EQ(have.size(), want.size());
        EXPECT_EQ(have, want) << "have " << test::ToHex(have).substr(0, 96) << "\nwant "
                              << test::ToHex(want).substr(0, 96);
    }
}

}  // namespace
}  // namespace quillon
