// The ADPCM encoder against hand-derived bit streams: code sizes 2 to 5,
// mono and stereo, 8- and 16-bit input, packet boundaries.
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "sound/adpcm_encoder.h"
#include "support/table.h"
#include "wav_builder.h"

namespace quillon {
namespace {

using test::Bytes, test::Hex, test::ToHex;

// formatCode bits: 0 stereo, 1 16-bit input.
constexpr uint32_t kMono16 = 2, kStereo16 = 3, kMono8 = 0, kStereo8 = 1;

std::vector<uint8_t> EncodeAll(uint32_t formatCode, int bits, const Bytes &raw,
                               AdpcmEncoder *keep = nullptr) {
    AdpcmEncoder local(formatCode, bits);
    AdpcmEncoder &e = keep ? *keep : local;
    uint32_t frameBytes = ((formatCode & 2) ? 2 : 1) * ((formatCode & 1) ? 2 : 1);
    std::vector<uint8_t> out;
    e.Encode(raw.data(), static_cast<uint32_t>(raw.size() / frameBytes), out);
    e.Finish(out);
    return out;
}

struct AdpcmCase {
    const char *name;
    uint32_t formatCode;
    int bits;
    Bytes raw;              // input as the WAV data chunk holds it
    const char *bytes;      // the whole output
    int32_t predicted;      // channel 0 afterwards (INT32_MIN: not checked)
    int32_t stepIndex;      // channel 0 afterwards (-1: not checked)
};

constexpr int32_t kAny = INT32_MIN;

const AdpcmCase kCases[] = {
    {"NoFrames", kMono16, 5, {}, "C0", kAny, -1},
    // A zero difference still sets the lowest magnitude bit: 00001.
    {"Equal1000", kMono16, 5, test::Samples16({1000, 1000}), "C0 FA 00 08", 1000, 0},
    {"ZeroThenMinus100", kMono16, 5, test::Samples16({0, -100}), "C0 00 1C B8", -98, 27},
    {"ZeroThen30000", kMono16, 5, test::Samples16({0, 30000}), "C0 00 3F 78", 5859, 79},
    {"FullSwing", kMono16, 5, test::Samples16({32767, -32768}), "DF FF FF F8", 26908, -1},
    {"Stereo", kStereo16, 5, test::Samples16({100, -100, 200, -200}), "C0 19 1C FF 9C 70 F7", kAny, -1},
    // The halved step is added even for a zero difference.
    {"TwoBitZeros", kMono16, 2, test::Samples16({0, 0}), "00 00 00 00", 3, 0},
    {"ThreeBitZeros", kMono16, 3, test::Samples16({0, 0}), "40 00 00 00", 1, 0},
    {"FourBitZeros", kMono16, 4, test::Samples16({0, 0}), "80 00 00 00", 0, 0},
    // 8-bit input: b becomes (b - 128) * 256. One frame: the packet starts
    // at the last frame, so its index is 0.
    {"EightBitMid", kMono8, 5, {0x80}, "C0 00 00", 0, 0},
    {"EightBitLowest", kMono8, 5, {0x00}, "E0 00 00", -32768, 0},
    {"EightBitHighest", kMono8, 5, {0xFF}, "DF C0 00", 32512, 0},
    // Left 0xE8 -> 26624, right 0x03 -> -32000; equal next frames: index 0.
    {"EightBitStereo", kStereo8, 5, {0xE8, 0x03, 0xE8, 0x03}, "DA 00 00 83 00 00 21", 26624, 0},
};

class AdpcmBytes : public ::testing::TestWithParam<AdpcmCase> {};

TEST_P(AdpcmBytes, EncodesExactly) {
    const AdpcmCase &c = GetParam();
    AdpcmEncoder e(c.formatCode, c.bits);
    EXPECT_EQ(ToHex(EncodeAll(c.formatCode, c.bits, c.raw, &e)), ToHex(Hex(c.bytes)));
    if (c.predicted != kAny) {
        EXPECT_EQ(e.Predicted(0), c.predicted);
    }
    if (c.stepIndex >= 0) {
        EXPECT_EQ(e.StepIndex(0), c.stepIndex);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, AdpcmBytes, ::testing::ValuesIn(kCases), test::RowName());

// Long inputs: the size, and the bytes at the start and at the end.
struct LongCase {
    const char *name;
    uint32_t formatCode;
    Bytes raw;
    size_t size;
    const char *head;
    const char *tail;
};

Bytes Zeros16Then(uint32_t zeros, const std::vector<int16_t> &last) {
    return test::Samples16(test::Cat({std::vector<int16_t>(zeros, 0), last}));
}

const LongCase kLongCases[] = {
    // One full packet: 2 + 22 + 4095 * 5 = 20499 bits.
    {"Packet4096", kMono16, Zeros16Then(4096, {}), 2563, "C0 00 00 08 42 10 84",
     "84 21 08 42 10 84 20"},
    // A second packet header for frame 4097: 20521 bits, index 0.
    {"Packet4097", kMono16, Zeros16Then(4096, {1234}), 2566, "C0 00 00 08 42 10 84",
     "84 21 08 42 10 84 20 9A 40 00"},
    // Stereo: both channels' headers for the last frame, index 0 each.
    {"Stereo4097", kStereo16, Zeros16Then(2 * 4096, {5, -5}), 5130, "C0 00 00 00 00 00 21",
     "42 10 84 21 08 42 10 00 50 3F FE C0"},
};

class AdpcmLong : public ::testing::TestWithParam<LongCase> {};

TEST_P(AdpcmLong, SizeHeadAndTail) {
    const LongCase &c = GetParam();
    std::vector<uint8_t> out = EncodeAll(c.formatCode, 5, c.raw);
    ASSERT_EQ(out.size(), c.size);
    Bytes head = Hex(c.head), tail = Hex(c.tail);
    EXPECT_EQ(ToHex(Bytes(out.begin(), out.begin() + head.size())), ToHex(head));
    EXPECT_EQ(ToHex(Bytes(out.end() - tail.size(), out.end())), ToHex(tail));
    uint32_t channels = (c.formatCode & 1) + 1;
    EXPECT_EQ(AdpcmEncodedSize(c.raw.size() / 2 / channels, channels, 5), c.size);
}

INSTANTIATE_TEST_SUITE_P(Table, AdpcmLong, ::testing::ValuesIn(kLongCases), test::RowName());

// A packet that starts at the last frame of the input must not look at the
// memory behind it: a far-off value there would raise the index.
TEST(AdpcmEncoder, LastFramePacketNeverReadsPastTheSamples) {
    std::vector<int16_t> samples(4097 + 1, 0);
    samples[4096] = 1234;
    samples[4097] = 30000;  // not part of the input
    AdpcmEncoder e(kMono16, 5);
    std::vector<uint8_t> out;
    e.EncodeFrames(samples.data(), 4097, out);
    e.Finish(out);
    EXPECT_EQ(e.StepIndex(0), 0);
    EXPECT_EQ(e.Predicted(0), 1234);
    EXPECT_EQ(ToHex(Bytes(out.end() - 3, out.end())), "9A 40 00");
}

TEST(AdpcmEncoder, SizeFollowsTheFormula) {
    const uint32_t counts[] = {1, 2, 4095, 4096, 4097, 8192, 8193, 70000};
    for (uint32_t stereo = 0; stereo < 2; ++stereo)
        for (int bits = 2; bits <= 5; ++bits)
            for (uint32_t frames : counts) {
                Bytes raw(static_cast<size_t>(frames) * 2 * (stereo + 1));
                std::mt19937 rng(frames + bits);
                for (auto &b : raw) b = static_cast<uint8_t>(rng());
                uint64_t bitsTotal = 2;
                for (uint32_t left = frames; left > 0;) {
                    uint32_t block = left < 4096 ? left : 4096;
                    bitsTotal += (stereo + 1) * (22 + (block - 1) * static_cast<uint64_t>(bits));
                    left -= block;
                }
                SCOPED_TRACE(testing::Message() << "frames " << frames << " bits " << bits
                                                << " stereo " << stereo);
                EXPECT_EQ(EncodeAll(kMono16 | stereo, bits, raw).size(), (bitsTotal + 7) / 8);
            }
}

// Widening 8-bit input through the working buffer gives the same stream as
// widening everything first and encoding it in one call.
TEST(AdpcmEncoder, EightBitPiecesEqualOneWideningPass) {
    for (uint32_t stereo = 0; stereo < 2; ++stereo) {
        const uint32_t frames = 10001;
        Bytes raw(frames * (stereo + 1));
        std::mt19937 rng(7 + stereo);
        for (auto &b : raw) b = static_cast<uint8_t>(rng());
        std::vector<int16_t> wide = test::FromSamples8(raw);
        AdpcmEncoder eight(kMono8 | stereo, 5), sixteen(kMono16 | stereo, 5);
        std::vector<uint8_t> a, b;
        eight.Encode(raw.data(), frames, a);
        eight.Finish(a);
        sixteen.EncodeFrames(wide.data(), frames, b);
        sixteen.Finish(b);
        EXPECT_EQ(a, b) << "stereo " << stereo;
        EXPECT_EQ(a.size(), AdpcmEncodedSize(frames, stereo + 1, 5));
    }
}

// The code size opens the stream once, however the input is split.
TEST(AdpcmEncoder, StateCarriesOverBetweenCalls) {
    Bytes raw = test::Samples16(test::Sine(5000, 440, 22050, 12000));
    std::vector<uint8_t> whole = EncodeAll(kMono16, 4, raw);
    AdpcmEncoder e(kMono16, 4);
    std::vector<uint8_t> parts;
    e.Encode(raw.data(), 0, parts);
    e.Encode(raw.data(), 4096, parts);
    e.Encode(raw.data() + 2 * 4096, 5000 - 4096, parts);
    e.Finish(parts);
    EXPECT_EQ(ToHex(parts), ToHex(whole));
    EXPECT_EQ(e.FramesDone(), 5000u);
}

TEST(AdpcmEncoder, PutBitsAndDrain) {
    AdpcmEncoder e(kMono16, 5);
    std::vector<uint8_t> out;
    e.PutBits(-1, 3, out);       // 111
    e.PutBits(0x12345, 16, out); // 0010 0011 0100 0101
    e.PutBits(1, 1, out);
    e.Drain(out);
    EXPECT_EQ(ToHex(out), "E4 68");  // 1110 0100 0110 1000, 4 bits left
    e.Finish(out);
    EXPECT_EQ(ToHex(out), "E4 68 B0");
}

}  // namespace
}  // namespace quillon
