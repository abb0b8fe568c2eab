// The WAV reader on files built byte by byte: what it accepts, what it
// refuses, and the damaged files it must refuse without looping, reading
// garbage or allocating what the file does not hold.
#include <atomic>
#include <cstdlib>
#include <new>

#include <unistd.h>

#include <gtest/gtest.h>

#include "sound/wave_reader.h"
#include "support/bytes.h"
#include "wav_builder.h"

// The largest array allocation while a test watches; the reader allocates
// its sample buffer with new[].
namespace {
std::atomic<bool> watchAllocations{false};
std::atomic<size_t> largestAllocation{0};
}  // namespace

void *operator new[](size_t size) {
    if (watchAllocations && size > largestAllocation) largestAllocation = size;
    if (void *p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete[](void *p, size_t) noexcept { std::free(p); }

namespace quillon {
namespace {

using test::Bytes;
using test::Cat;
using test::Chunk;
using test::FmtContent;
using test::PcmWav;
using test::Riff;

struct WaveCase {
    const char *name;
    Bytes file;
    bool ok;
    SoundFormat format;  // expected afterwards
    uint32_t size;       // data bytes handed over
};

Bytes Data(size_t n) {
    Bytes d(n);
    for (size_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(i * 7 + 3);
    return d;
}

Bytes Prefix(const Bytes &b, size_t n) { return Bytes(b.begin(), b.begin() + n); }

const Bytes kMono16 = PcmWav(1, 22050, 16, Data(1000));
// fmt content offsets in kMono16: chunk at 12, content at 20; channels at
// 22, rate at 24, bits at 34.

const WaveCase kCases[] = {
    {"Canonical22kMono16", kMono16, true, {1, 2, 1, 0, 500}, 1000},
    {"Stereo44k8Bit", PcmWav(2, 44100, 8, Data(1000)), true, {1, 3, 0, 1, 500}, 1000},
    {"Rate8000Is5k", PcmWav(1, 8000, 16, Data(10)), true, {1, 0, 1, 0, 5}, 10},
    {"Rate11025", PcmWav(2, 11025, 16, Data(12)), true, {1, 1, 1, 1, 3}, 12},
    {"Rate48000Refused", PcmWav(1, 48000, 16, Data(10)), false, {1, 0, 0, 0, 0}, 0},
    {"Rate16000Refused", PcmWav(1, 16000, 16, Data(10)), false, {1, 0, 0, 0, 0}, 0},
    {"OddDataCountsWholeFrames", PcmWav(1, 22050, 16, Data(7)), true, {1, 2, 1, 0, 3}, 7},
    {"EmptyData", PcmWav(1, 22050, 16, {}), true, {1, 2, 1, 0, 0}, 0},
    {"FmtWithExtraField",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16, true)), Chunk("data", Data(8))})), true,
     {1, 2, 1, 0, 4}, 8},
    {"LongFmtSkippedBySize",
     Riff(Cat({Chunk("fmt ", Cat({FmtContent(1, 1, 22050, 8), Bytes{9, 9, 9}})),
               Chunk("data", Data(8))})), true, {1, 2, 0, 0, 8}, 8},
    {"ListBeforeDataRefused",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16)), Chunk("LIST", Bytes(26, 'x')),
               Chunk("data", Data(8))})), false, {1, 2, 1, 0, 0}, 0},
    {"FactBeforeDataRefused",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16)), Chunk("fact", Bytes(4, 0)),
               Chunk("data", Data(8))})), false, {1, 2, 1, 0, 0}, 0},
    {"FloatFormatRefused",
     Riff(Cat({Chunk("fmt ", FmtContent(3, 1, 44100, 32, true)), Chunk("data", Data(8))})), false,
     {1, 3, 0, 0, 0}, 0},
    {"DataBeforeFmtRefused",
     Riff(Cat({Chunk("data", Data(8)), Chunk("fmt ", FmtContent(1, 1, 22050, 16))})), false,
     {1, 0, 0, 0, 0}, 0},
    {"NoDataChunk", Riff(Chunk("fmt ", FmtContent(1, 1, 22050, 16))), false, {1, 2, 1, 0, 0}, 0},
    {"TwelveBytesNoChunks", Riff({}), false, {1, 0, 0, 0, 0}, 0},
    {"NotRiff", Cat({Bytes{'R', 'I', 'F', 'X'}, Prefix(PcmWav(1, 22050, 16, {}), 44)}), false,
     {1, 0, 0, 0, 0}, 0},
    {"NotWave", Cat({Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}}), false,
     {1, 0, 0, 0, 0}, 0},
    {"EmptyFile", {}, false, {1, 0, 0, 0, 0}, 0},

    // A data chunk declaring more than the file holds: refused before its
    // buffer is allocated (see DeclaredHugeDataAllocatesNothing).
    {"DataLongerThanFile",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16)), Chunk("data", Data(8), 1000)}), 1036),
     false, {1, 2, 1, 0, 0}, 0},
    {"DataOf4GiB",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16)), Chunk("data", Data(8), 0xFFFFFF00)}),
          0xFFFFFFFF),
     false, {1, 2, 1, 0, 0}, 0},
    // A chunk running past the RIFF end.
    {"ChunkBeyondRiffEnd",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16)), Chunk("data", Data(8))}), 30), false,
     {1, 2, 1, 0, 0}, 0},
    // A size that wraps a 32-bit position back onto the format chunk itself
    // (12 + 8 + 0xFFFFFFF8 = 2^32 + 12): the walk must fail, not loop.
    {"ChunkSizeWrapsToItself",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16), 0xFFFFFFF8)}), 0xFFFFFFFF), false,
     {1, 0, 0, 0, 0}, 0},
    // ... or backwards onto the RIFF size field (2^32 + 4); that end lies
    // within the RIFF size but beyond the file.
    {"ChunkSizeWrapsBackwards",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16), 0xFFFFFFF0)}), 0xFFFFFFFF), false,
     {1, 2, 1, 0, 0}, 0},

    // Files that end inside a header field fail; a partial field is not used.
    {"EndsInRiffSize", Prefix(kMono16, 6), false, {1, 0, 0, 0, 0}, 0},
    {"EndsInWaveId", Prefix(kMono16, 10), false, {1, 0, 0, 0, 0}, 0},
    {"EndsInChunkHeader", Prefix(kMono16, 17), false, {1, 0, 0, 0, 0}, 0},
    // 22050 = 22 56 00 00: three bytes would still give the 22 kHz code.
    {"EndsInSampleRate", Prefix(kMono16, 27), false, {1, 0, 0, 0, 0}, 0},
    // Bits 16 = 10 00: the first byte alone would still say 16 bits.
    {"EndsInBitsField", Prefix(kMono16, 35), false, {1, 2, 0, 0, 0}, 0},
    {"EndsInDataHeader", Prefix(kMono16, 40), false, {1, 2, 1, 0, 0}, 0},
    {"EndsInData", Prefix(kMono16, 500), false, {1, 2, 1, 0, 0}, 0},

    // Channels and sample sizes that the format fields cannot describe.
    {"ZeroChannelsRefused", PcmWav(0, 22050, 16, Data(8)), false, {1, 0, 0, 0, 0}, 0},
    {"ThreeChannelsRefused", PcmWav(3, 22050, 16, Data(12)), false, {1, 0, 0, 0, 0}, 0},
    {"SixChannelsRefused", PcmWav(6, 44100, 8, Data(12)), false, {1, 0, 0, 0, 0}, 0},
    {"TwelveBitsRefused", PcmWav(1, 22050, 12, Data(8)), false, {1, 2, 0, 0, 0}, 0},
    {"TwentyFourBitsRefused", PcmWav(2, 44100, 24, Data(12)), false, {1, 3, 0, 1, 0}, 0},
    {"ZeroBitsRefused", PcmWav(1, 11025, 0, Data(8)), false, {1, 1, 0, 0, 0}, 0},
};

class WaveRead : public ::testing::TestWithParam<WaveCase> {};

TEST_P(WaveRead, FormatAndData) {
    const WaveCase &c = GetParam();
    std::FILE *f = test::TempFileWith(c.file);
    ASSERT_NE(f, nullptr);
    SoundFormat format;
    format.rate = 77;  // the reader clears what it does not set
    std::unique_ptr<uint8_t[]> data;
    uint32_t size = 12345;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    bool ok = ReadWave(f, format, data, size);
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    std::fclose(f);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(format.compression, c.format.compression);
    EXPECT_EQ(format.rate, c.format.rate);
    EXPECT_EQ(format.is16Bit, c.format.is16Bit);
    EXPECT_EQ(format.stereo, c.format.stereo);
    EXPECT_EQ(format.sampleCount, c.format.sampleCount);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(data != nullptr, c.ok);
    if (c.ok && c.size > 0) {
        // The data chunk's bytes: the last c.size bytes of these files.
        Bytes want(c.file.end() - c.size, c.file.end());
        EXPECT_EQ(test::ToHex(Bytes(data.get(), data.get() + size)), test::ToHex(want));
    }
    EXPECT_EQ(out, "");  // Trace prints nothing
    EXPECT_EQ(err, "");
}

INSTANTIATE_TEST_SUITE_P(Table, WaveRead, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

// Chunk sizes that would wrap a 32-bit position back to the start of the
// walk: the read must end (false) within seconds, in a child process that an
// alarm kills if the walk loops.
TEST(WaveReaderDeathTest, WrappingChunkSizesEndTheWalk) {
    const uint32_t sizes[] = {0xFFFFFFF8, 0xFFFFFFF0, 0xFFFFFFEC};
    for (uint32_t size : sizes) {
        Bytes file = Riff(Chunk("fmt ", FmtContent(1, 1, 22050, 16), size), 0xFFFFFFFF);
        EXPECT_EXIT(
            {
                alarm(5);
                std::FILE *f = test::TempFileWith(file);
                SoundFormat format;
                std::unique_ptr<uint8_t[]> data;
                uint32_t n = 0;
                bool ok = f && ReadWave(f, format, data, n);
                std::_Exit(ok ? 1 : 0);
            },
            ::testing::ExitedWithCode(0), "")
            << "chunk size " << size;
    }
}

TEST(WaveReader, DeclaredHugeDataAllocatesNothing) {
    Bytes file = Riff(Cat({Chunk("fmt ", FmtContent(1, 2, 44100, 16)),
                           Chunk("data", Data(64), 0xFFFFFF00)}), 0xFFFFFFFF);
    std::FILE *f = test::TempFileWith(file);
    ASSERT_NE(f, nullptr);
    SoundFormat format;
    std::unique_ptr<uint8_t[]> data;
    uint32_t size = 0;
    largestAllocation = 0;
    watchAllocations = true;
    bool ok = ReadWave(f, format, data, size);
    watchAllocations = false;
    std::fclose(f);
    EXPECT_FALSE(ok);
    EXPECT_LT(largestAllocation.load(), size_t{1} << 20);
}

TEST(WaveReader, AllocatesTheDataChunkOnce) {
    std::FILE *f = test::TempFileWith(PcmWav(1, 22050, 16, Data(5000)));
    ASSERT_NE(f, nullptr);
    SoundFormat format;
    std::unique_ptr<uint8_t[]> data;
    uint32_t size = 0;
    largestAllocation = 0;
    watchAllocations = true;
    bool ok = ReadWave(f, format, data, size);
    watchAllocations = false;
    std::fclose(f);
    EXPECT_TRUE(ok);
    EXPECT_EQ(largestAllocation.load(), 5000u);  // the watch itself works
}

TEST(WaveReader, ReadIntegersLittleEndian) {
    std::FILE *f = test::TempFileWith({0x52, 0x49, 0x46, 0x46, 0x34, 0x12, 0xAB});
    ASSERT_NE(f, nullptr);
    bool complete = true;
    EXPECT_EQ(ReadUI32(f, &complete), 0x46464952u);
    EXPECT_EQ(ReadUI16(f, &complete), 0x1234u);
    EXPECT_TRUE(complete);
    EXPECT_EQ(ReadUI16(f, &complete), 0x00ABu);  // one byte left: the other counts as 0
    EXPECT_FALSE(complete);
    std::fclose(f);
}

}  // namespace
}  // namespace quillon
