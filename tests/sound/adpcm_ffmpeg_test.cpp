// An independent decoder for the encoder's output: the ADPCM data goes into
// a streaming-sound movie (SoundStreamHead, one SoundStreamBlock), ffmpeg
// decodes that to raw 16-bit PCM, and the result must match the input in
// length and come within 20 dB signal-to-noise of it.
#include <cstdlib>
#include <iostream>

#include <gtest/gtest.h>

#include "movie/movie.h"
#include "sound/adpcm_encoder.h"
#include "support/table.h"
#include "wav_builder.h"

namespace quillon {
namespace {

using test::Bytes;

using test::RawTag;

// rate: SWF rate code 0..3; the stream is ADPCM, 16-bit.
bool WriteStreamingMovie(const std::string &path, const std::vector<uint8_t> &adpcm,
                         uint32_t rateCode, uint32_t stereo, uint32_t frames) {
    uint8_t format = static_cast<uint8_t>(rateCode << 2 | 1 << 1 | stereo);
    Bytes head{format, static_cast<uint8_t>(1 << 4 | format)};
    test::PutLE(head, frames > 0xFFFF ? 0xFFFF : frames, 2);
    MovieWriter writer;
    writer.AddTag(std::make_unique<RawTag>(TagCode::SoundStreamHead, head));
    writer.AddTag(std::make_unique<RawTag>(TagCode::SoundStreamBlock, Bytes(adpcm)));
    writer.AddTag(std::make_unique<ShowFrameTag>());
    uint64_t saves = 0;
    return writer.WriteFile(path.c_str(), 11000_tw, 8000_tw, 12, saves);
}

struct DecodeCase {
    const char *name;
    uint32_t rateCode;    // SWF rate code
    uint32_t formatCode;  // rateCode * 4 + is16Bit * 2 + stereo
    uint32_t frames;
    Bytes raw;            // the WAV data chunk's bytes
};

// Frame counts of at least three packets whose last byte holds fewer padding
// bits than one code of all channels, so that a decoder that counts samples
// from the data length finds exactly these frames.
const DecodeCase kCases[] = {
    {"Sine1kMono16At22050", 2, 2 * 4 + 2, 12290, test::Samples16(test::Sine(12290, 1000, 22050, 16000))},
    {"SweepStereo8At44100", 3, 3 * 4 + 1, 13000, test::StereoSweep8(13000, 200, 8000, 44100)},
};

class FfmpegDecodes : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(FfmpegDecodes, ToTheInputLengthWithinTwentyDecibels) {
    const DecodeCase &c = GetParam();
    const uint32_t channels = (c.formatCode & 1) + 1;
    ASSERT_GT(c.frames, 2u * 4096u);
    ASSERT_EQ(std::system("ffmpeg -version >/dev/null 2>&1"), 0)
        << "ffmpeg is needed: scripts/install-deps installs it (scripts/deps/sound.apt)";

    AdpcmEncoder encoder(c.formatCode, 5);
    std::vector<uint8_t> adpcm;
    encoder.Encode(c.raw.data(), c.frames, adpcm);
    encoder.Finish(adpcm);
    uint64_t bits = 2 + channels * ((c.frames / 4096) * (22 + 4095 * 5ull) +
                                    (c.frames % 4096 ? 22 + (c.frames % 4096 - 1) * 5ull : 0));
    ASSERT_LT(adpcm.size() * 8 - bits, 5u * channels) << "choose another frame count";

    std::string dir = test::TempDir();
    std::string swf = dir + "/stream.swf", pcm = dir + "/decoded.raw";
    ASSERT_TRUE(WriteStreamingMovie(swf, adpcm, c.rateCode, c.formatCode & 1, c.frames));
    std::string command = "ffmpeg -nostdin -v error -y -i '" + swf +
                          "' -f s16le -acodec pcm_s16le '" + pcm + "' 2>'" + dir + "/ffmpeg.log'";
    int status = std::system(command.c_str());
    ASSERT_EQ(status, 0) << command << "\n" << test::ToHex(test::ReadFileBytes(dir + "/ffmpeg.log"));

    Bytes decoded = test::ReadFileBytes(pcm);
    // The reference: 8-bit input widened the way the format defines it.
    std::vector<int16_t> reference =
        c.formatCode & 2 ? test::FromSamples16(c.raw) : test::FromSamples8(c.raw);
    ASSERT_EQ(reference.size(), static_cast<size_t>(c.frames) * channels);
    ASSERT_EQ(decoded.size(), reference.size() * 2) << "decoded frames differ from the input";
    double snr = test::SnrDb(reference, test::FromSamples16(decoded), reference.size());
    std::cout << "[ SNR      ] " << c.name << ": " << snr << " dB over " << c.frames
              << " frames, " << channels << " channel(s)\n";
    RecordProperty("snr_db", std::to_string(snr));
    EXPECT_GE(snr, 20.0);
}

INSTANTIATE_TEST_SUITE_P(Table, FfmpegDecodes, ::testing::ValuesIn(kCases), test::RowName());

}  // namespace
}  // namespace quillon
