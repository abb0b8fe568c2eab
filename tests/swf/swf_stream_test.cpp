// Bit writer, byte writers, tag headers and external blocks, as byte tables.
#include <cstdio>

#include <gtest/gtest.h>

#include "support/table.h"
#include "swf/swf_stream.h"

namespace quillon {
namespace {

using test::StreamHex, test::ToHex;

class StreamBytes : public test::WriteBytes {};

TEST_P(StreamBytes, WritesExactly) { ExpectWritten(); }

const test::WriteCase kStreamCases[] = {
    {"ThreeBitsAndOne", [](SwfStream &s) { s.WriteBits(5, 3); s.WriteBits(1, 1); s.FlushBits(); }, "B0"},
    {"NineBitsAcross", [](SwfStream &s) { s.WriteBits(1, 1); s.WriteBits(0x1FF, 9); s.FlushBits(); }, "FF C0"},
    {"ByteNotAligned", [](SwfStream &s) { s.WriteBits(1, 1); s.WriteUI8(0xFF); s.FlushBits(); }, "FF 80"},
    {"ThirtyTwoBitsAfterTwo", [](SwfStream &s) { s.WriteBits(3, 2); s.WriteBits(0xABCDEF01, 32); s.FlushBits(); }, "EA F3 7B C0 40"},
    {"LittleEndian", [](SwfStream &s) { s.WriteUI16(0x1234); s.WriteUI32(0x89ABCDEF); }, "34 12 EF CD AB 89"},
    {"NegativeFourBits", [](SwfStream &s) { s.WriteBits(static_cast<uint32_t>(-3), 4); s.FlushBits(); }, "D0"},
    {"HighBitsDropped", [](SwfStream &s) { s.WriteBits(0x1FF, 3); s.FlushBits(); }, "E0"},
    {"ZeroWidthWritesNothing", [](SwfStream &s) { s.WriteBits(0xFFFFFFFF, 0); s.FlushBits(); }, ""},
    {"DoubleFlush", [](SwfStream &s) { s.WriteBits(1, 1); s.FlushBits(); s.FlushBits(); }, "80"},
    {"ShortTag", [](SwfStream &s) { s.WriteTag(TagCode::PlaceObject2, 6, nullptr); }, "86 06"},
    {"ShowFrame", [](SwfStream &s) { s.WriteTag(TagCode::ShowFrame, 0, nullptr); }, "40 00"},
    {"Length62IsShort", [](SwfStream &s) { s.WriteTag(TagCode::DoAction, 62, nullptr); }, "3E 03"},
    {"Length63IsLong", [](SwfStream &s) { s.WriteTag(TagCode::DoAction, 63, nullptr); }, "3F 03 3F 00 00 00"},
    {"Length100IsLong", [](SwfStream &s) { s.WriteTag(TagCode::DefineBitsLossless, 100, nullptr); }, "3F 05 64 00 00 00"},
};

INSTANTIATE_TEST_SUITE_P(Table, StreamBytes, ::testing::ValuesIn(kStreamCases), test::RowName());

// The bytes WriteToFile writes into a temporary file, as hex.
std::string WrittenHex(SwfStream &s) {
    std::FILE *f = std::tmpfile();
    if (!f) return "no temporary file";
    bool written = s.WriteToFile(f);
    std::rewind(f);
    std::vector<uint8_t> got(64);
    got.resize(std::fread(got.data(), 1, got.size(), f));
    std::fclose(f);
    return written ? ToHex(got) : "WriteToFile failed";
}

TEST(SwfStream, FieldFillingPendingByteCommitsIt) {
    SwfStream s;
    s.WriteBits(0, 3);
    s.WriteBits(0, 5);
    EXPECT_EQ(s.Committed(), 1u);
    EXPECT_EQ(s.FreeBits(), 8u);
}

TEST(SwfStream, LengthIgnoresPendingBits) {
    SwfStream s;
    EXPECT_EQ(s.Length(), 0u);
    s.WriteBits(1, 3);
    EXPECT_EQ(s.Length(), 0u);
}

TEST(SwfStream, BlocksTravelWithTheBody) {
    static const uint8_t payload[] = {0xAA, 0xBB, 0xCC};
    SwfStream body;
    body.WriteUI16(7);
    body.WriteUI8(3);
    body.AppendBlock(payload, 3);
    body.WriteUI8(9);
    EXPECT_EQ(body.Length(), 7u);

    SwfStream movie;
    movie.WriteUI8(0x11);
    movie.WriteTag(TagCode::DefineBitsLossless, body.Length(), &body);
    EXPECT_TRUE(body.Blocks().empty());
    EXPECT_EQ(body.Length(), 4u);  // own bytes stay, the payload moved
    ASSERT_EQ(movie.Blocks().size(), 1u);
    EXPECT_EQ(movie.Blocks()[0].data, payload);  // referenced, not copied

    EXPECT_EQ(WrittenHex(movie), "11 07 05 07 00 03 AA BB CC 09");
    EXPECT_TRUE(movie.Blocks().empty());
}

TEST(SwfStream, BlocksAtSameOffsetKeepOrderAndEdgesWork) {
    static const uint8_t a[] = {1}, b[] = {2, 3}, c[] = {4};
    SwfStream s;
    s.AppendBlock(a, 1);  // before any own byte
    s.AppendBlock(b, 2);  // same offset, after a
    s.WriteUI8(0xEE);
    s.AppendBlock(c, 1);  // after every own byte
    EXPECT_EQ(StreamHex(s), "01 02 03 EE 04");
    EXPECT_EQ(WrittenHex(s), "01 02 03 EE 04");
}

TEST(SwfStream, AppendWithoutBlocksCopiesCommittedBytesOnly) {
    SwfStream body;
    body.WriteUI8(0x42);
    body.WriteBits(1, 3);  // pending, lost on append
    SwfStream s;
    s.AppendStream(body);
    EXPECT_EQ(StreamHex(s), "42");
}

TEST(SwfStream, AppendIntoUnalignedStreamShiftsBytes) {
    SwfStream body;
    body.WriteUI8(0xFF);
    SwfStream s;
    s.WriteBits(0, 4);
    s.AppendStream(body);
    s.FlushBits();
    EXPECT_EQ(StreamHex(s), "0F F0");
}

TEST(SwfStream, WriteToFileReportsShortWrites) {
    std::FILE *full = std::fopen("/dev/full", "wb");
    if (!full) GTEST_SKIP() << "/dev/full is not available";
    std::setvbuf(full, nullptr, _IONBF, 0);
    SwfStream s;
    s.WriteUI32(1);
    EXPECT_FALSE(s.WriteToFile(full));
    std::fclose(full);
}

struct WidthCase {
    uint32_t value;
    uint16_t extra;
    uint32_t bits;
};

TEST(BitCount, Table) {
    const WidthCase cases[] = {
        {0, 1, 1}, {1, 0, 1}, {255, 1, 9}, {256, 0, 9}, {0, 0, 0},
        {0x7FFFFFFF, 1, 32}, {0x80000000u, 0, 32}, {0xFFFFFFFFu, 0, 32},
    };
    for (const auto &c : cases)
        EXPECT_EQ(BitCount(c.value, c.extra), c.bits) << c.value << " extra " << c.extra;
}

TEST(MaxAbs, Table) {
    EXPECT_EQ(MaxAbs(-300, 20, 0, 5), 300);
    EXPECT_EQ(MaxAbs(0, 0, 0, 0), 0);
    EXPECT_EQ(MaxAbs(1, -2, 3, -4), 4);
    EXPECT_EQ(MaxAbs(INT32_MIN, 5, 0, 0), 5);  // INT32_MIN stays negative
}

}  // namespace
}  // namespace quillon
