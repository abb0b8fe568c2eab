// Lossless bitmaps: tag bodies, the compressed palette and rows (row padding
// of colour-mapped pictures), colour count limits and ids.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "characters/lossless_bitmap.h"
#include "movie/tag.h"
#include "support/bytes.h"
#include "support/swf_reader.h"

namespace quillon {
namespace {

using test::Hex, test::ToHex, test::SwfTag;

// The bytes a bitmap's zlib data inflates to; empty when it does not.
std::vector<uint8_t> Inflated(const SwfTag &tag) {
    std::vector<uint8_t> out;
    EXPECT_TRUE(test::InflateBitmap(tag, out));
    return out;
}

std::vector<uint8_t> Bytes(size_t n, uint8_t first, uint8_t step = 1) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(first + i * step);
    return v;
}

// What a bitmap's zlib data holds: the first paletteBytes of palette, then
// rows of rowBytes from pixels (read one after the other), each followed by
// pad zeros.
std::vector<uint8_t> Stored(const std::vector<uint8_t> &palette, size_t paletteBytes,
                            const std::vector<uint8_t> &pixels, size_t rowBytes, size_t rows, size_t pad) {
    std::vector<uint8_t> v(palette.begin(), palette.begin() + static_cast<long>(paletteBytes));
    for (size_t r = 0; r < rows; ++r) {
        auto row = pixels.begin() + static_cast<long>(r * rowBytes);
        v.insert(v.end(), row, row + static_cast<long>(rowBytes));
        v.insert(v.end(), pad, 0);
    }
    return v;
}

TEST(LosslessBitmap, BodiesAndUncompressedData) {
    const std::vector<uint8_t> palette = Bytes(300 * 4, 0x10), black(768, 0);
    const std::vector<uint8_t> pixels = Bytes(64 * 64 * 4, 0x80, 3);
    struct Row {
        const char *name;
        uint8_t format;
        uint16_t width, height;
        int32_t colourCount;
        uint8_t alpha;
        uint16_t code;
        const char *bodyStart;           // after the 2-byte id
        std::vector<uint8_t> inflated;   // palette, then the stored rows
    } rows[] = {
        // 10 x 2: rows of 10 bytes padded to 12 with zeros.
        {"Format3Width10", 3, 10, 2, 2, 0, 20, "03 0A 00 02 00 01", Stored(palette, 6, pixels, 10, 2, 2)},
        // Widths that are multiples of 4 are stored as given.
        {"Format3Width8", 3, 8, 3, 4, 0, 20, "03 08 00 03 00 03", Stored(palette, 12, pixels, 8, 3, 0)},
        {"Format3Width1", 3, 1, 3, 1, 0, 20, "03 01 00 03 00 00", Stored(palette, 3, pixels, 1, 3, 3)},
        {"Format3Width7", 3, 7, 2, 1, 0, 20, "03 07 00 02 00 00", Stored(palette, 3, pixels, 7, 2, 1)},
        {"Format3Palette256", 3, 4, 1, 256, 0, 20, "03 04 00 01 00 FF", Stored(palette, 768, pixels, 4, 1, 0)},
        // Outside 0..256 the count is clamped: no more palette is read than
        // the table byte can describe.
        {"Format3Palette300", 3, 4, 1, 300, 0, 20, "03 04 00 01 00 FF", Stored(palette, 768, pixels, 4, 1, 0)},
        // No colours: the table byte FF declares 256 entries, so 256 black
        // ones are stored rather than none (a reader would take the pixels
        // for the palette).
        {"Format3Palette0", 3, 4, 1, 0, 0, 20, "03 04 00 01 00 FF", Stored(black, 768, pixels, 4, 1, 0)},
        {"Format3PaletteNegative", 3, 4, 1, -7, 0, 20, "03 04 00 01 00 FF", Stored(black, 768, pixels, 4, 1, 0)},
        // A colour-mapped picture with alpha has 4-byte entries and code 36.
        {"Format3Alpha", 3, 4, 1, 2, 1, 36, "03 04 00 01 00 01", Stored(palette, 8, pixels, 4, 1, 0)},
        {"Format5Alpha2x1", 5, 2, 1, 0, 1, 36, "05 02 00 01 00", Stored(palette, 0, pixels, 8, 1, 0)},
        {"Format5NoAlpha3x2", 5, 3, 2, 0, 0, 20, "05 03 00 02 00", Stored(palette, 0, pixels, 12, 2, 0)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        test::NextIdWillBe(3);
        LosslessBitmap bitmap(test::Ids(), row.format, row.width, row.height, row.colourCount, palette.data(),
                              pixels.data(), row.alpha);
        EXPECT_EQ(bitmap.CharacterId(), 3);
        SwfTag tag;
        ASSERT_TRUE(test::ReadWrittenTag(bitmap, tag));
        EXPECT_EQ(tag.code, row.code);
        std::vector<uint8_t> start = Hex("03 00 " + std::string(row.bodyStart));
        ASSERT_GT(tag.body.size(), start.size() + 2);
        EXPECT_EQ(ToHex(std::vector<uint8_t>(tag.body.begin(), tag.body.begin() + static_cast<long>(start.size()))),
                  ToHex(start));
        std::vector<uint8_t> zlibData(tag.body.begin() + static_cast<long>(start.size()), tag.body.end());
        EXPECT_EQ(zlibData[0], 0x78);
        EXPECT_EQ(zlibData[1], 0xDA);  // level 9
        EXPECT_EQ(zlibData.size(), bitmap.CompressedSize());
        EXPECT_EQ(ToHex(Inflated(tag)), ToHex(row.inflated));
        EXPECT_EQ(bitmap.UncompressedSize(), row.inflated.size());
        EXPECT_EQ(tag.longHeader, tag.body.size() > 62);
    }
}

TEST(LosslessBitmap, PaletteIsNotReadWhenEmpty) {
    const uint8_t pixels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    LosslessBitmap bitmap(test::Ids(), 5, 2, 1, 0, nullptr, pixels, 1);
    SwfTag tag;
    ASSERT_TRUE(test::ReadWrittenTag(bitmap, tag));
    EXPECT_EQ(ToHex(Inflated(tag)), "01 02 03 04 05 06 07 08");
    EXPECT_EQ(tag.body.size(), 7 + bitmap.CompressedSize());
}

// The host's buffers are copied: changing them afterwards changes nothing.
TEST(LosslessBitmap, CopiesTheHostBuffers) {
    std::vector<uint8_t> palette = {1, 2, 3}, pixels = {9, 9, 9, 9};
    LosslessBitmap bitmap(test::Ids(), 3, 4, 1, 1, palette.data(), pixels.data(), 0);
    palette.assign(3, 0);
    pixels.assign(4, 0);
    SwfTag tag;
    ASSERT_TRUE(test::ReadWrittenTag(bitmap, tag));
    EXPECT_EQ(ToHex(Inflated(tag)), "01 02 03 09 09 09 09");
}

// Large incompressible pictures: compressBound, not a smaller guess, is the
// room compress2 needs.
TEST(LosslessBitmap, IncompressiblePixelsRoundTrip) {
    std::mt19937 random(3);
    for (uint16_t side : {1, 2, 3, 5, 17, 255}) {
        SCOPED_TRACE(side);
        std::vector<uint8_t> pixels(side * side * 4u);
        for (auto &p : pixels) p = static_cast<uint8_t>(random());
        LosslessBitmap bitmap(test::Ids(), 5, side, side, 0, nullptr, pixels.data(), 0);
        SwfTag tag;
        ASSERT_TRUE(test::ReadWrittenTag(bitmap, tag));
        EXPECT_EQ(Inflated(tag), pixels);
    }
}

TEST(LosslessBitmap, ConsecutiveIds) {
    test::Ids().ResetCharacterIds();
    const uint8_t pixels[4] = {};
    LosslessBitmap a(test::Ids(), 5, 1, 1, 0, nullptr, pixels, 0);
    LosslessBitmap b(test::Ids(), 5, 1, 1, 0, nullptr, pixels, 0);
    EXPECT_EQ(a.CharacterId(), 1);
    EXPECT_EQ(b.CharacterId(), 2);
    EXPECT_EQ(test::WrittenBytes(b)[2], 2);  // the order of writing does not change the ids
    EXPECT_EQ(test::WrittenBytes(a)[2], 1);
}

// The tag references its compressed data instead of copying it.
TEST(LosslessBitmap, DataTravelsAsAnExternalBlock) {
    std::vector<uint8_t> pixels(16 * 16 * 4, 7);
    LosslessBitmap bitmap(test::Ids(), 5, 16, 16, 0, nullptr, pixels.data(), 0);
    SwfStream s;
    bitmap.Write(s);
    ASSERT_EQ(s.Blocks().size(), 1u);
    EXPECT_EQ(s.Blocks()[0].data, bitmap.Compressed());
    EXPECT_EQ(s.Blocks()[0].size, bitmap.CompressedSize());
    EXPECT_EQ(s.Length(), s.Committed() + bitmap.CompressedSize());
}

}  // namespace
}  // namespace quillon
