// The WAV reader on files built byte by byte: what it accepts and how it
// converts the samples, what it refuses, and the damaged files it must read
// or refuse without looping, reading garbage or allocating what the file
// declares.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include <unistd.h>

#include <gtest/gtest.h>

#include "sound/wave_reader.h"
#include "support/allocation_hook.h"
#include "support/table.h"
#include "wav_builder.h"

namespace quillon {
namespace {

using test::Bytes, test::Cat, test::Chunk, test::CodecFmt, test::ExtensibleFmt, test::FmtContent;
using test::PcmWav, test::Riff, test::Wav;
using test::largestAllocation, test::watchAllocations;

using Samples = std::vector<int16_t>;

struct WaveCase {
    const char *name;
    Bytes file;
    bool ok;
    SoundFormat format;  // expected afterwards
    Samples samples;     // what Read hands out, at the file's rate
    bool resampled = false;
};

Bytes Data(size_t n) {
    Bytes d(n);
    for (size_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(i * 7 + 3);
    return d;
}

Bytes Prefix(const Bytes &b, size_t n) { return Bytes(b.begin(), b.begin() + n); }

// A "fmt " content whose extra-information size (after the 16 common
// fields) says size, whatever follows.
Bytes WithExtraSize(Bytes fmt, uint16_t size) {
    fmt[16] = static_cast<uint8_t>(size);
    fmt[17] = static_cast<uint8_t>(size >> 8);
    return fmt;
}

// Samples of bytes: 16-bit little-endian, or 8-bit unsigned widened.
Samples As16(const Bytes &b) { return test::FromSamples16(b); }
Samples As8(const Bytes &b) { return test::FromSamples8(b); }

// A mono IMA ADPCM block of 8 bytes: sample 1000, step index 20, codes
// 7 1 F 8 4 3 0 C; and a mono Microsoft ADPCM block of 11 bytes: predictor
// 1 (512, -256), delta 20, samples 500 and 400, codes 7 F 0 1 8 E 2 3.
const Bytes kImaBlock{0xE8, 0x03, 0x14, 0x00, 0x17, 0x8F, 0x34, 0xC0};
const Samples kImaSamples{1000, 1093, 1132, 951, 925, 1138, 1338, 1364, 1151};
const Bytes kMsBlock{0x01, 0x14, 0x00, 0xF4, 0x01, 0x90, 0x01, 0x7F, 0x01, 0x8E, 0x23};
const Samples kMsSamples{400, 500, 740, 933, 1126, 1356, 1322, 1090, 1034, 1215};

// "fmt " contents at 22050 Hz, mono: 16-bit PCM, IMA ADPCM in blocks of 8
// bytes (9 samples), Microsoft ADPCM in blocks of 11 bytes (10 samples).
const Bytes kFmt16 = FmtContent(1, 1, 22050, 16);
const Bytes kImaFmt = CodecFmt(0x11, 1, 22050, 8, 4, {9, 0});
const Bytes kMsFmt = CodecFmt(2, 1, 22050, 11, 4, test::MsAdpcmFields(10));

// What kFmt16 with Data(8) reads as: 4 frames of 22 kHz 16-bit mono.
const SoundFormat kFour16{1, 2, 1, 0, 4};
const Samples kData8 = As16(Data(8));

const Bytes kMono16 = PcmWav(1, 22050, 16, Data(1000));
// fmt content offsets in kMono16: chunk at 12, content at 20; channels at
// 22, rate at 24, bits at 34.

const WaveCase kCases[] = {
    {"Canonical22kMono16", kMono16, true, {1, 2, 1, 0, 500}, As16(Data(1000))},
    {"Stereo44k8Bit", PcmWav(2, 44100, 8, Data(1000)), true, {1, 3, 0, 1, 500}, As8(Data(1000))},
    {"Rate11025", PcmWav(2, 11025, 16, Data(12)), true, {1, 1, 1, 1, 3}, As16(Data(12))},
    {"OddDataCountsWholeFrames", PcmWav(1, 22050, 16, Data(7)), true, {1, 2, 1, 0, 3},
     As16(Data(6))},
    {"EmptyData", PcmWav(1, 22050, 16, {}), true, {1, 2, 1, 0, 0}, {}},
    {"FmtWithExtraField", Wav(FmtContent(1, 1, 22050, 16, true), Data(8)), true, kFour16,
     kData8},
    // 19 bytes without the pad byte that should follow: the next chunk id
    // stands right after the content.
    {"LongFmtSkippedBySize", Wav(Cat({FmtContent(1, 1, 22050, 8), Bytes{9, 9, 9}}), Data(8)), true,
     {1, 2, 0, 0, 8}, As8(Data(8))},

    // Rates within 0.1% of a SWF rate play at it as they are; any other rate
    // from 4000 to 192000 is resampled to the lowest SWF rate at or above it
    // (44.1 kHz at most): sampleCount counts the frames at that rate.
    {"Rate5512", PcmWav(1, 5512, 16, Data(10)), true, {1, 0, 1, 0, 5}, As16(Data(10))},
    {"Rate44056IsWithinATenthOfAPercent", PcmWav(1, 44056, 16, Data(10)), true, {1, 3, 1, 0, 5},
     As16(Data(10))},
    {"Rate44055IsResampled", PcmWav(1, 44055, 16, Data(20)), true, {1, 3, 1, 0, 10},
     As16(Data(20)), true},
    {"Rate4000To5512", PcmWav(1, 4000, 16, Data(800)), true, {1, 0, 1, 0, 551}, As16(Data(800)),
     true},  // 400 frames * 5512.5 / 4000 = 551.25
    {"Rate8000To11025", PcmWav(1, 8000, 16, Data(10)), true, {1, 1, 1, 0, 7}, As16(Data(10)),
     true},  // 5 * 11025 / 8000 = 6.9
    {"Rate16000To22050", PcmWav(2, 16000, 16, Data(64)), true, {1, 2, 1, 1, 22}, As16(Data(64)),
     true},  // 16 * 22050 / 16000 = 22.05
    {"Rate32000To44100", PcmWav(1, 32000, 8, Data(320)), true, {1, 3, 0, 0, 441}, As8(Data(320)),
     true},
    {"Rate48000To44100", PcmWav(1, 48000, 16, Data(960)), true, {1, 3, 1, 0, 441},
     As16(Data(960)), true},
    {"Rate192000To44100", PcmWav(1, 192000, 16, Data(3840)), true, {1, 3, 1, 0, 441},
     As16(Data(3840)), true},
    {"Rate3999Refused", PcmWav(1, 3999, 16, Data(10)), false, {1, 0, 0, 0, 0}, {}},
    {"Rate192001Refused", PcmWav(1, 192001, 16, Data(10)), false, {1, 0, 0, 0, 0}, {}},

    // A second format chunk replaces the first whole: stereo IMA ADPCM,
    // then 16-bit mono PCM (whose block align is not used).
    {"SecondFmtReplacesTheFirst",
     Riff(Cat({Chunk("fmt ", CodecFmt(0x11, 2, 22050, 16, 4, {9, 0})),
               Chunk("fmt ", test::CommonFields(1, 1, 22050, 16, 16)), Chunk("data", Data(64))})),
     true, {1, 2, 1, 0, 32}, As16(Data(64))},

    // Chunks other than "fmt " and "data" are skipped wherever they stand;
    // an odd-sized one is followed by its pad byte.
    {"ListBeforeDataSkipped", Wav(kFmt16, Data(8), Chunk("LIST", Bytes(26, 'x'))), true,
     kFour16, kData8},
    {"FactBeforeDataSkipped", Wav(kFmt16, Data(8), Chunk("fact", Bytes(4, 0))), true,
     kFour16, kData8},
    {"JunkAndBextBeforeFmt",
     Riff(Cat({Chunk("JUNK", Bytes(28, 0)), Chunk("bext", Bytes(602, 'b')),
               Chunk("fmt ", FmtContent(1, 2, 44100, 16)), Chunk("data", Data(8))})), true,
     {1, 3, 1, 1, 2}, As16(Data(8))},
    {"OddChunkAndItsPadByte", Wav(kFmt16, Data(8), Cat({Chunk("LIST", Bytes(5, 'x')), Bytes{0}})),
     true, kFour16, kData8},
    {"OddChunkWithoutItsPadByte", Wav(kFmt16, Data(8), Chunk("LIST", Bytes(5, 'x'))), true,
     kFour16, kData8},
    {"ChunksAfterTheData", Riff(Cat({Chunk("fmt ", kFmt16), Chunk("data", Data(8)),
                                     Chunk("LIST", Bytes(12, 'x'))})),
     true, kFour16, kData8},

    // Sizes that writers leave unpatched or wrong: the samples run to the
    // end of the file, in whole frames.
    {"RiffAndDataSizesZero", Riff(Cat({Chunk("fmt ", kFmt16), Chunk("data", Data(9), 0)}), 0), true,
     kFour16, kData8},
    {"DataSizeFFFFFFFF",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 2, 44100, 16)), Chunk("data", Data(16), 0xFFFFFFFF)}),
          0xFFFFFFFF), true, {1, 3, 1, 1, 4}, As16(Data(16))},
    // In a file whose RIFF size is right, a data size of 0 is an empty sound.
    {"DataSizeZeroInAConsistentFile",
     Riff(Cat({Chunk("fmt ", kFmt16), Chunk("data", {}), Chunk("LIST", Bytes(8, 'x'))})), true,
     {1, 2, 1, 0, 0}, {}},
    {"DataLongerThanFile", Riff(Cat({Chunk("fmt ", kFmt16), Chunk("data", Data(8), 1000)}), 1036),
     true, kFour16, kData8},
    {"DataOf4GiB", Riff(Cat({Chunk("fmt ", kFmt16), Chunk("data", Data(8), 0xFFFFFF00)}), 0xFFFFFFFF),
     true, kFour16, kData8},
    {"RiffEndsBeforeTheData", Riff(Cat({Chunk("fmt ", kFmt16), Chunk("data", Data(8))}), 30), true,
     kFour16, kData8},
    {"EndsInData", Prefix(kMono16, 501), true, {1, 2, 1, 0, 228}, As16(Data(456))},

    // Sample formats converted to 16 bits.
    {"TwentyFourBits",
     PcmWav(2, 44100, 24, Bytes{0x00, 0x80, 0x00, 0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x80, 0x7F, 0xFF, 0xFF}),
     true, {1, 3, 1, 1, 2}, {128, 0, -32767, -1}},
    {"ThirtyTwoBits", PcmWav(1, 22050, 32, test::Samples32({0x12345678, INT32_MIN, INT32_MAX})),
     true, {1, 2, 1, 0, 3}, {0x1234, -32768, 32767}},
    {"Float32",
     Wav(FmtContent(3, 1, 44100, 32, true),
         test::Floats32({0.5f, -0.25f, 1.5f, std::numeric_limits<float>::quiet_NaN()}),
         Chunk("fact", Bytes{4, 0, 0, 0})),
     true, {1, 3, 1, 0, 4}, {16384, -8192, 32767, 0}},
    {"Float64", Wav(FmtContent(3, 2, 22050, 64, true), test::Floats64({0.25, -1.0, -2.0, 0.999999})),
     true, {1, 2, 1, 1, 2}, {8192, -32768, -32768, 32767}},
    {"ExtensiblePcm16", Wav(ExtensibleFmt(2, 22050, 16, 16, 3, 1), Data(8)), true, {1, 2, 1, 1, 2},
     As16(Data(8))},
    {"ExtensiblePcm24In24",
     Wav(ExtensibleFmt(1, 44100, 24, 20, 4, 1), Bytes{0x00, 0x00, 0x40, 0x00, 0x00, 0xC0}), true,
     {1, 3, 1, 0, 2}, {16384, -16384}},
    {"ExtensibleFloat", Wav(ExtensibleFmt(1, 48000, 32, 32, 4, 3), test::Floats32({0.125f, -0.125f})),
     true, {1, 3, 1, 0, 2}, {4096, -4096}, true},

    // More than two channels are mixed down to stereo. FL, FR, FC: each
    // side takes its front channel at 1 and the centre at 0.7071, scaled
    // to add up to 1 (38390 and 27146 of 65536).
    {"ThreeChannelsMixedDown",
     PcmWav(3, 22050, 16, test::Samples16({3000, 3000, 3000, 1000, -1000, 0})), true,
     {1, 2, 1, 1, 2}, {3000, 3000, 586, -586}},
    // 5.1 in the usual order FL FR FC LFE BL BR: the low-frequency channel
    // goes nowhere.
    {"SixChannels8BitMixedDown",
     PcmWav(6, 44100, 8, Bytes{0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0x80, 0x80, 0x80, 0xFF, 0x80, 0x80}),
     true, {1, 3, 0, 1, 2}, {16384, 16384, 0, 0}},
    // A channel mask naming FC alone for the single channel beyond two.
    {"ExtensibleMaskPicksTheSpeakers",
     Wav(ExtensibleFmt(3, 22050, 16, 16, 0x4 | 0x200 | 0x400, 1), test::Samples16({2000, 2000, 2000})),
     true, {1, 2, 1, 1, 1}, {2000, 2000}},

    // G.711, a byte a sample (values of the standard's tables).
    {"MuLaw",
     Wav(FmtContent(7, 1, 8000, 8, true), Bytes{0xFF, 0x00, 0x80, 0x7F, 0x0F, 0xEF, 0x55, 0xAA}), true,
     {1, 1, 1, 0, 11}, {0, -32124, 32124, 0, -16764, 132, -716, 5372}, true},
    {"ALawStereo",
     Wav(FmtContent(6, 2, 11025, 8, true), Bytes{0xD5, 0x55, 0xAA, 0x2A, 0x80, 0x00, 0xFF, 0x7F}),
     true, {1, 1, 1, 1, 4}, {8, -8, 32256, -32256, 5504, -5504, 848, -848}},
    {"ExtensibleALaw", Wav(ExtensibleFmt(1, 22050, 8, 8, 4, 6), Bytes{0xD5, 0xAA}), true,
     {1, 2, 1, 0, 2}, {8, 32256}},
    {"ExtensibleMuLaw", Wav(ExtensibleFmt(1, 8000, 8, 8, 4, 7), Bytes{0xFF, 0x00}), true,
     {1, 1, 1, 0, 3}, {0, -32124}, true},

    // IMA ADPCM: per channel a header (first sample, step index, reserved
    // byte), then 4 bytes per channel holding 8 codes, low nibble first.
    // The samples are those the IMA algorithm gives, as sox decodes them.
    {"ImaAdpcmBlock", Wav(kImaFmt, kImaBlock), true, {1, 2, 1, 0, 9}, kImaSamples},
    {"ImaAdpcmStereoBlock",
     Wav(CodecFmt(0x11, 2, 22050, 16, 4, {9, 0}),
         Bytes{0x64, 0x00, 0x0A, 0x00, 0x9C, 0xFF, 0x1E, 0x00, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC,
               0xDE, 0xF0}),
     true, {1, 2, 1, 1, 9},
     {100, -100, 111, -181, 117, -224, 135, -344, 150, -457, 177, -648, 218, -935, 213, -897, 289, -1418}},
    // Samples per block missing: the block align says 9.
    {"ImaAdpcmWithoutSamplesPerBlock", Wav(CodecFmt(0x11, 1, 22050, 8, 4, {}), kImaBlock), true,
     {1, 2, 1, 0, 9}, kImaSamples},
    // A last block cut short gives the frames it holds whole: the header's
    // sample, then none of the half group.
    {"ImaAdpcmLastBlockCutShort", Wav(kImaFmt, Cat({kImaBlock, Prefix(kImaBlock, 6)})), true,
     {1, 2, 1, 0, 10}, Cat({kImaSamples, {1000}})},
    {"ImaAdpcmLastBlockWithoutItsHeader", Wav(kImaFmt, Cat({kImaBlock, Prefix(kImaBlock, 3)})), true,
     {1, 2, 1, 0, 9}, kImaSamples},
    // The fact chunk ends the sound inside the last block (padding) ...
    {"ImaAdpcmFactCutsThePadding",
     Wav(kImaFmt, Cat({kImaBlock, kImaBlock}), Chunk("fact", {15, 0, 0, 0})), true,
     {1, 2, 1, 0, 15}, Cat({kImaSamples, Samples(kImaSamples.begin(), kImaSamples.begin() + 6)})},
    // ... and is ignored where it cannot be right: before the last block,
    // beyond the data (a file cut short), or 0.
    {"ImaAdpcmStaleFactIgnored",
     Wav(kImaFmt, Cat({kImaBlock, kImaBlock}), Chunk("fact", {5, 0, 0, 0})), true, {1, 2, 1, 0, 18},
     Cat({kImaSamples, kImaSamples})},
    {"ImaAdpcmFactBeyondTheDataIgnored", Wav(kImaFmt, kImaBlock, Chunk("fact", {100, 0, 0, 0})), true,
     {1, 2, 1, 0, 9}, kImaSamples},
    {"ImaAdpcmFactZeroIgnored", Wav(kImaFmt, kImaBlock, Chunk("fact", {0, 0, 0, 0})), true,
     {1, 2, 1, 0, 9}, kImaSamples},
    // A step index beyond the table silences its block alone.
    {"ImaAdpcmBadStepIndexSilencesItsBlock",
     Wav(kImaFmt, Cat({Bytes{0xE8, 0x03, 89, 0x00, 0x17, 0x8F, 0x34, 0xC0}, kImaBlock})), true,
     {1, 2, 1, 0, 18}, Cat({Samples(9, 0), kImaSamples})},
    // Three channels (FL FR FC), blocks of the headers alone: one frame
    // each, mixed down as PCM is.
    {"ImaAdpcmThreeChannelsMixedDown",
     Wav(CodecFmt(0x11, 3, 22050, 12, 4, {1, 0}),
         test::Samples16({3000, 0, 3000, 0, 3000, 0, 1000, 0, -1000, 0, 0, 0})),
     true, {1, 2, 1, 1, 2}, {3000, 3000, 586, -586}},
    {"ExtensibleImaAdpcm", Wav(ExtensibleFmt(1, 22050, 4, 4, 4, 0x11, 8, {9, 0}), kImaBlock), true,
     {1, 2, 1, 0, 9}, kImaSamples},
    {"ImaAdpcmSamplesPerBlockBeyondTheBlockRefused",
     Wav(CodecFmt(0x11, 1, 22050, 8, 4, {10, 0}), kImaBlock), false, {1, 2, 0, 0, 0}, {}},
    {"ImaAdpcmBlockAlignBelowTheHeadersRefused", Wav(CodecFmt(0x11, 2, 22050, 6, 4, {}), kImaBlock),
     false, {1, 2, 0, 1, 0}, {}},
    // An extra-information size beyond the chunk counts as far as the
    // chunk goes: samples per block missing, so the block align says 9 (the
    // next chunk's "da" would say 24932).
    {"ImaAdpcmExtraSizeBeyondItsChunk",
     Wav(WithExtraSize(CodecFmt(0x11, 1, 22050, 8, 4, {}), 2), kImaBlock), true, {1, 2, 1, 0, 9},
     kImaSamples},
    {"ExtensibleExtraSizeBeyondItsChunk",
     Wav(WithExtraSize(ExtensibleFmt(1, 22050, 4, 4, 4, 0x11, 8), 30), kImaBlock), true,
     {1, 2, 1, 0, 9}, kImaSamples},
    {"ImaAdpcmThreeBitsRefused", Wav(CodecFmt(0x11, 1, 22050, 8, 3, {}), kImaBlock), false,
     {1, 2, 0, 0, 0}, {}},

    // Microsoft ADPCM: per channel a predictor index, delta, latest sample
    // and the one before (which plays first), then 4-bit codes, high nibble
    // first; the predicted sample is (s1 * c1 + s2 * c2) / 256 rounded
    // down. As sox and ffmpeg decode them.
    {"MsAdpcmBlock", Wav(kMsFmt, kMsBlock), true, {1, 2, 1, 0, 10}, kMsSamples},
    {"MsAdpcmStereoBlock",
     Wav(CodecFmt(2, 2, 22050, 18, 4, test::MsAdpcmFields(6)),
         Bytes{0x00, 0x04, 0x10, 0x00, 0x2C, 0x01, 0x18, 0xFC, 0xE8, 0x03, 0x30, 0xF8, 0xD0, 0x07,
               0x1F, 0x72, 0x88, 0x0C}),
     true, {1, 2, 1, 1, 6}, {-2000, 2000, -1000, 1000, -984, 637, -872, 1135, -1176, -864, -1176, -3702}},
    // An eighth coefficient pair of the file's own (128, 64), as sox decodes it.
    {"MsAdpcmOwnCoefficients",
     Wav(CodecFmt(2, 1, 22050, 11, 4, test::MsAdpcmFields(10, {128, 64})),
         Bytes{0x07, 0x20, 0x00, 0xA8, 0xFD, 0x44, 0xFD, 0x31, 0xF9, 0x44, 0x07}),
     true, {1, 2, 1, 0, 10}, {-700, -600, -379, -312, -276, -370, -46, 132, 54, 522}},
    // Samples per block alone: the seven standard pairs.
    {"MsAdpcmWithoutCoefficients", Wav(CodecFmt(2, 1, 22050, 11, 4, {10, 0}), kMsBlock), true,
     {1, 2, 1, 0, 10}, kMsSamples},
    {"ExtensibleMsAdpcmWithoutFields", Wav(ExtensibleFmt(1, 22050, 4, 4, 4, 2, 11), kMsBlock), true,
     {1, 2, 1, 0, 10}, kMsSamples},
    // Cut after the header and one byte: the two header samples, two codes.
    {"MsAdpcmLastBlockCutShort", Wav(kMsFmt, Cat({kMsBlock, Prefix(kMsBlock, 8)})), true,
     {1, 2, 1, 0, 14}, Cat({kMsSamples, Samples(kMsSamples.begin(), kMsSamples.begin() + 4)})},
    {"MsAdpcmPredictorBeyondTheTableSilencesItsBlock",
     Wav(kMsFmt,
         Cat({kMsBlock, Bytes{0x07, 0x14, 0x00, 0xF4, 0x01, 0x90, 0x01, 0x7F, 0x01, 0x8E, 0x23}})),
     true, {1, 2, 1, 0, 20}, Cat({kMsSamples, Samples(10, 0)})},
    {"MsAdpcmCoefficientsMissingRefused",
     Wav(CodecFmt(2, 1, 22050, 11, 4, Prefix(test::MsAdpcmFields(10), 16)), kMsBlock), false,
     {1, 2, 0, 0, 0}, {}},
    {"MsAdpcmSamplesPerBlockBeyondTheBlockRefused",
     Wav(CodecFmt(2, 1, 22050, 11, 4, test::MsAdpcmFields(11)), kMsBlock), false, {1, 2, 0, 0, 0}, {}},

    // Refused.
    {"FloatOf16BitsRefused", Wav(FmtContent(3, 1, 44100, 16, true), Data(8)), false,
     {1, 3, 0, 0, 0}, {}},
    {"ALawOf16BitsRefused", Wav(FmtContent(6, 1, 8000, 16, true), Data(8)), false,
     {1, 1, 0, 0, 0}, {}},
    {"GsmRefused", Wav(CodecFmt(0x31, 1, 8000, 65, 0, {0x40, 0x01}), Data(65)), false,
     {1, 1, 0, 0, 0}, {}},
    {"ExtensibleMp3Refused", Wav(ExtensibleFmt(1, 22050, 0, 0, 4, 0x55, 1), Data(8)), false,
     {1, 2, 0, 0, 0}, {}},
    {"ExtensibleWithoutItsFieldsRefused", Wav(FmtContent(0xFFFE, 1, 22050, 16, true), Data(8)), false,
     {1, 2, 0, 0, 0}, {}},
    {"DataBeforeFmtRefused", Riff(Cat({Chunk("data", Data(8)), Chunk("fmt ", kFmt16)})), false,
     {1, 0, 0, 0, 0}, {}},
    {"ShortFmtRefused", Wav(Prefix(kFmt16, 14), Data(8)), false, {1, 0, 0, 0, 0}, {}},
    {"NoDataChunk", Riff(Chunk("fmt ", kFmt16)), false, {1, 2, 1, 0, 0}, {}},
    {"TwelveBytesNoChunks", Riff({}), false, {1, 0, 0, 0, 0}, {}},
    {"NotRiff", Cat({Bytes{'R', 'I', 'F', 'X'}, Prefix(PcmWav(1, 22050, 16, {}), 44)}), false,
     {1, 0, 0, 0, 0}, {}},
    {"NotWave", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}, false, {1, 0, 0, 0, 0}, {}},
    {"EmptyFile", {}, false, {1, 0, 0, 0, 0}, {}},
    // A chunk before the data that runs past the end of the file: garbage.
    {"JunkBeyondTheFileRefused", Wav(kFmt16, Data(8), Chunk("JUNK", Bytes(4, 0), 400)), false,
     {1, 2, 1, 0, 0}, {}},
    // A size that wraps a 32-bit position back onto the format chunk itself
    // (12 + 8 + 0xFFFFFFF8 = 2^32 + 12): the walk must fail, not loop.
    {"ChunkSizeWrapsToItself", Riff(Chunk("fmt ", kFmt16, 0xFFFFFFF8), 0xFFFFFFFF), false,
     {1, 0, 0, 0, 0}, {}},
    // ... or backwards onto the RIFF size field (2^32 + 4).
    {"ChunkSizeWrapsBackwards", Riff(Chunk("fmt ", kFmt16, 0xFFFFFFF0), 0xFFFFFFFF), false,
     {1, 0, 0, 0, 0}, {}},

    // Files that end inside a header field fail; a partial field is not used.
    {"EndsInRiffSize", Prefix(kMono16, 6), false, {1, 0, 0, 0, 0}, {}},
    {"EndsInWaveId", Prefix(kMono16, 10), false, {1, 0, 0, 0, 0}, {}},
    {"EndsInChunkHeader", Prefix(kMono16, 17), false, {1, 0, 0, 0, 0}, {}},
    {"EndsInSampleRate", Prefix(kMono16, 27), false, {1, 0, 0, 0, 0}, {}},
    {"EndsInBitsField", Prefix(kMono16, 35), false, {1, 0, 0, 0, 0}, {}},
    {"EndsInDataHeader", Prefix(kMono16, 40), false, {1, 2, 1, 0, 0}, {}},

    // Channel counts and sample sizes outside what is read.
    {"ZeroChannelsRefused", PcmWav(0, 22050, 16, Data(8)), false, {1, 0, 0, 0, 0}, {}},
    {"SixtyFiveChannelsRefused", PcmWav(65, 22050, 16, Data(130)), false, {1, 0, 0, 0, 0}, {}},
    {"TwelveBitsRefused", PcmWav(1, 22050, 12, Data(8)), false, {1, 2, 0, 0, 0}, {}},
    {"ZeroBitsRefused", PcmWav(1, 11025, 0, Data(8)), false, {1, 1, 0, 0, 0}, {}},
};

// Opens and reads all samples, a few frames at a time so that blocks of
// every size meet.
bool ReadAll(std::FILE *f, SoundFormat &format, Samples &samples, WaveReader &reader) {
    if (!reader.Open(f, format)) return false;
    int16_t buffer[2 * 37];
    for (uint32_t n = 1;; n = n % 37 + 1) {
        uint32_t got = reader.Read(buffer, n);
        samples.insert(samples.end(), buffer, buffer + got * reader.OutputChannels());
        if (got < n) break;
    }
    return true;
}

class WaveRead : public ::testing::TestWithParam<WaveCase> {};

TEST_P(WaveRead, FormatAndSamples) {
    const WaveCase &c = GetParam();
    std::FILE *f = test::TempFileWith(c.file);
    ASSERT_NE(f, nullptr);
    SoundFormat format;
    format.rate = 77;  // the reader clears what it does not set
    Samples samples;
    WaveReader reader;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    bool ok = ReadAll(f, format, samples, reader);
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    std::fclose(f);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(format.compression, c.format.compression);
    EXPECT_EQ(format.rate, c.format.rate);
    EXPECT_EQ(format.is16Bit, c.format.is16Bit);
    EXPECT_EQ(format.stereo, c.format.stereo);
    EXPECT_EQ(format.sampleCount, c.format.sampleCount);
    EXPECT_EQ(samples, c.samples);
    if (ok) {
        EXPECT_EQ(reader.NeedsResampling(), c.resampled);
        EXPECT_EQ(reader.OutputChannels(), c.format.stereo + 1u);
        EXPECT_EQ(reader.FileFrames() * reader.OutputChannels(), c.samples.size());
    }
    EXPECT_EQ(out, "");  // the reader prints nothing
    EXPECT_EQ(err, "");
}

INSTANTIATE_TEST_SUITE_P(Table, WaveRead, ::testing::ValuesIn(kCases), test::RowName());

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
                WaveReader reader;
                bool ok = f && reader.Open(f, format);
                std::_Exit(ok ? 1 : 0);
            },
            ::testing::ExitedWithCode(0), "")
            << "chunk size " << size;
    }
}

// Whatever the chunk sizes declare, and however long the data, the reader
// holds one block of the file at a time.
struct AllocationCase {
    const char *name;
    Bytes file;
    size_t frames;
};

const AllocationCase kAllocationCases[] = {
    {"DeclaredHugeData",
     Riff(Cat({Chunk("fmt ", FmtContent(1, 2, 44100, 16)), Chunk("data", Data(64), 0xFFFFFF00)}),
          0xFFFFFFFF), 16},
    {"TwoMegabytesOfSamples", PcmWav(2, 44100, 16, Data(2 << 20)), (2 << 20) / 4},
    {"SixChannels24Bit", PcmWav(6, 48000, 24, Data(18 << 16)), 1 << 16},
    {"ImaAdpcmStereo", test::ImaAdpcmWav(test::Sine(2 << 18, 440, 44100, 9000), 2, 44100, 2048),
     1 << 18},
};

class WaveReadAllocation : public ::testing::TestWithParam<AllocationCase> {};

TEST_P(WaveReadAllocation, StaysWithinABlock) {
    const AllocationCase &c = GetParam();
    std::FILE *f = test::TempFileWith(c.file);
    ASSERT_NE(f, nullptr);
    SoundFormat format;
    WaveReader reader;
    std::vector<int16_t> buffer(2 * 5000);
    size_t frames = 0;
    largestAllocation = 0;
    watchAllocations = true;
    bool ok = reader.Open(f, format);
    while (ok) {
        uint32_t got = reader.Read(buffer.data(), 5000);
        frames += got;
        if (got < 5000) break;
    }
    watchAllocations = false;
    std::fclose(f);
    EXPECT_TRUE(ok);
    EXPECT_EQ(frames, c.frames);
    EXPECT_GT(largestAllocation.load(), 0u);  // the watch itself works
    EXPECT_LE(largestAllocation.load(), size_t{64} << 10);
}

INSTANTIATE_TEST_SUITE_P(Table, WaveReadAllocation, ::testing::ValuesIn(kAllocationCases), test::RowName());

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
