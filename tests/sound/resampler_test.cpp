// The resampler against ideal tones: a tone in the passband comes out at the
// new rate with its amplitude, frequency and phase (no delay, no drift over
// a long sound), a tone beyond the lower Nyquist frequency does not come
// out, silence and a constant stay what they are.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "sound/resampler.h"
#include "support/table.h"

namespace quillon {
namespace {

// A sine (in both channels, the right one at -6 dB and inverted), or a
// constant when frequency is 0, for frames frames.
class Tone : public FrameSource {
public:
    Tone(double frequency, double rate, uint32_t channels, uint64_t frames, double amplitude = 16000)
        : frequency_(frequency), rate_(rate), channels_(channels), frames_(frames),
          amplitude_(amplitude) {}
    static double At(double frequency, double t, double amplitude) {
        return frequency == 0 ? amplitude : amplitude * std::sin(2 * M_PI * frequency * t);
    }
    uint32_t Read(int16_t *out, uint32_t frames) override {
        uint32_t k = 0;
        for (; k < frames && n_ < frames_; ++k, ++n_) {
            double v = At(frequency_, n_ / rate_, amplitude_);
            out[k * channels_] = static_cast<int16_t>(std::lround(v));
            if (channels_ == 2) out[k * 2 + 1] = static_cast<int16_t>(std::lround(-v / 2));
        }
        return k;
    }

private:
    double frequency_, rate_;
    uint32_t channels_;
    uint64_t frames_, n_ = 0;
    double amplitude_;
};

std::vector<int16_t> Resample(Tone &tone, uint32_t channels, uint32_t inHalfHertz,
                              uint32_t outHalfHertz, uint64_t frames) {
    Resampler r(tone, channels, inHalfHertz, outHalfHertz);
    std::vector<int16_t> out(frames * channels);
    // Blocks of uneven sizes, as the encoder asks for whole packets.
    for (uint64_t done = 0; done < frames;) {
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(frames - done, 1000 + done % 3000));
        EXPECT_EQ(r.Read(out.data() + done * channels, n), n);
        done += n;
    }
    return out;
}

struct PassCase {
    const char *name;
    uint32_t inHalfHertz, outHalfHertz, channels;
    double frequency;
    double minSnr;  // against the ideal tone at the new rate, in dB
};

// Ten seconds each: an error in the step or the phase would shift the tone
// by far more than its period by the end.
const PassCase kPassCases[] = {
    {"From48kTo44k1", 96000, 88200, 2, 1000, 70},
    {"From48kTo44k1At16k", 96000, 88200, 1, 16000, 70},
    {"From96kTo44k1", 192000, 88200, 1, 5000, 70},
    {"From192kTo44k1", 384000, 88200, 2, 12000, 66},
    {"From8kTo11k025", 16000, 22050, 1, 440, 70},
    {"From8kTo11k025At3k", 16000, 22050, 2, 3000, 70},
    {"From16kTo22k05", 32000, 44100, 2, 2500, 70},
    {"From4kTo5k5125", 8000, 11025, 1, 300, 70},
    {"From32kTo44k1", 64000, 88200, 1, 9000, 70},
    {"From44055To44100", 88110, 88200, 1, 7000, 70},
    // Ratios of more than 2048 phases: the phase is the nearest of 2048.
    {"From4001To5k5125", 8002, 11025, 1, 1000, 66},
    {"From191999To44k1", 383998, 88200, 1, 3000, 66},
};

class ResamplerPass : public ::testing::TestWithParam<PassCase> {};

TEST_P(ResamplerPass, KeepsTheToneAndItsTiming) {
    const PassCase &c = GetParam();
    const double inRate = c.inHalfHertz / 2.0, outRate = c.outHalfHertz / 2.0;
    const uint64_t inFrames = static_cast<uint64_t>(10 * inRate);
    const uint64_t outFrames = static_cast<uint64_t>(10 * outRate);
    Tone tone(c.frequency, inRate, c.channels, inFrames);
    std::vector<int16_t> out = Resample(tone, c.channels, c.inHalfHertz, c.outHalfHertz, outFrames);
    // Away from the abrupt start and end, where the filter meets silence.
    double signal = 0, noise = 0;
    for (uint64_t n = 200; n + 200 < outFrames; ++n) {
        for (uint32_t ch = 0; ch < c.channels; ++ch) {
            double want = Tone::At(c.frequency, n / outRate, ch == 0 ? 16000 : -8000);
            double got = out[n * c.channels + ch];
            signal += want * want;
            noise += (got - want) * (got - want);
        }
    }
    double snr = 10 * std::log10(signal / noise);
    RecordProperty("snr_db", std::to_string(snr));
    EXPECT_GE(snr, c.minSnr);
}

INSTANTIATE_TEST_SUITE_P(Table, ResamplerPass, ::testing::ValuesIn(kPassCases), test::RowName());

struct GainCase {
    const char *name;
    uint32_t inHalfHertz, outHalfHertz;
    double ofNyquist;  // the tone's frequency, of the lower rate's Nyquist frequency
    double minDb, maxDb;
    // Upsampling: the tone at inRate - ofNyquist * Nyquist, and its image at
    // ofNyquist * Nyquist measured.
    bool image = false;
};

// The filter's response at the edges of its bands.
const GainCase kGainCases[] = {
    {"FlatTo75PercentDown", 96000, 88200, 0.75, -0.02, 0.02},
    {"FlatTo75PercentUp", 16000, 22050, 0.75, -0.02, 0.02},
    {"SixDecibelsAt90Percent", 96000, 88200, 0.90, -6.5, -5.5},
    {"StopFrom103PercentDown", 96000, 88200, 1.03, -200, -60},
    {"StopAt110PercentDown", 192000, 88200, 1.10, -200, -65},
    {"StopAt150PercentDown", 384000, 88200, 1.50, -200, -65},
    {"ImageFrom103PercentUp", 44100, 88200, 1.03, -200, -60, true},
    {"ImageAt120PercentUp", 16000, 22050, 1.20, -200, -65, true},
};

class ResamplerGain : public ::testing::TestWithParam<GainCase> {};

TEST_P(ResamplerGain, AtTheBandEdges) {
    const GainCase &c = GetParam();
    const double inRate = c.inHalfHertz / 2.0, outRate = c.outHalfHertz / 2.0;
    const double lowerNyquist = std::min(inRate, outRate) / 2;
    const double measured = c.ofNyquist * lowerNyquist;
    const double frequency = c.image ? inRate - measured : measured;
    ASSERT_LT(frequency, inRate / 2);
    Tone tone(frequency, inRate, 1, static_cast<uint64_t>(2 * inRate));
    const uint64_t outFrames = static_cast<uint64_t>(2 * outRate);
    std::vector<int16_t> out = Resample(tone, 1, c.inHalfHertz, c.outHalfHertz, outFrames);
    // The amplitude at the measured frequency (Goertzel) over the middle
    // second, against the input's.
    const double w = 2 * M_PI * measured / outRate;
    double s1 = 0, s2 = 0;
    const uint64_t first = outFrames / 4, count = outFrames / 2;
    for (uint64_t n = first; n < first + count; ++n) {
        double s0 = out[n] + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    double magnitude = std::sqrt(s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2);
    double db = 20 * std::log10(2 * magnitude / count / 16000 + 1e-12);
    RecordProperty("gain_db", std::to_string(db));
    EXPECT_GE(db, c.minDb);
    EXPECT_LE(db, c.maxDb);
}

INSTANTIATE_TEST_SUITE_P(Table, ResamplerGain, ::testing::ValuesIn(kGainCases), test::RowName());

// A short tone of amplitude 10000, resampled: the exact samples, taken from
// this resampler and held against the ideal tone at the new rate (a few
// units off it in the middle, more where the filter meets the silence
// before the first input frame and after the last). Rounding, the choice
// of phase and the coefficients all show here, where the bounds above
// leave them room.
struct GoldenCase {
    const char *name;
    uint32_t inHalfHertz, outHalfHertz, inFrames;
    double frequency;
    std::vector<int16_t> out;
};

const GoldenCase kGoldenCases[] = {
    // 147 phases, every one tabulated.
    {"From48kTo44k1", 96000, 88200, 48, 1000,
     {59,    1384,  2841,  4120,  5417,  6522,  7555,  8394,  9088,  9586,  9894,  10003,
      9902,  9609,  9115,  8441,  7593,  6588,  5457,  4210,  2881,  1491,  70,    -1348,
      -2742, -4081, -5335, -6484, -7499, -8363, -9056, -9565, -9884, -10000, -9912, -9625,
      -9149, -8469, -7649, -6629, -5532, -4255, -2966, -1546, -137,  59,    -41,   31}},
    // 11025 phases: each output takes the nearest of the 2048 tabulated.
    {"From4001To5k5125", 8002, 11025, 32, 300,
     {122,   3016,  6489,  8582,  9684,  9967,  8888,  6746,  3976,  656,   -2771, -5794,
      -8190, -9659, -9969, -9138, -7264, -4528, -1276, 2120,  5275,  7819,  9454,  10000,
      9388,  7674,  5099,  1922,  -1514, -4710, -7375, -9282, -9971, -9523, -8173, -5620,
      -2400, 677,   4138,  7253,  8607,  9846,  10663, 6917,  786,   -992,  362,   205}},
};

class ResamplerGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(ResamplerGolden, GivesExactlyTheseSamples) {
    const GoldenCase &c = GetParam();
    Tone tone(c.frequency, c.inHalfHertz / 2.0, 1, c.inFrames, 10000);
    EXPECT_EQ(Resample(tone, 1, c.inHalfHertz, c.outHalfHertz, c.out.size()), c.out);
}

INSTANTIATE_TEST_SUITE_P(Table, ResamplerGolden, ::testing::ValuesIn(kGoldenCases), test::RowName());

// A constant stays exactly that constant (each phase's coefficients add up
// to one), silence stays silence, and after the end of the source the
// output runs out into silence.
TEST(Resampler, ConstantsAndTheEnd) {
    for (double level : {0.0, 12345.0, -32768.0, 32767.0}) {
        Tone tone(0, 48000, 2, 48000, level);
        std::vector<int16_t> out = Resample(tone, 2, 96000, 88200, 44100 + 1000);
        for (uint64_t n = 100; n < 44000; ++n) {
            ASSERT_EQ(out[2 * n], static_cast<int16_t>(level)) << "frame " << n << " level " << level;
            ASSERT_EQ(out[2 * n + 1], static_cast<int16_t>(std::lround(-level / 2))) << "frame " << n;
        }
        for (uint64_t n = 44100 + 100; n < 44100 + 1000; ++n) ASSERT_EQ(out[2 * n], 0) << "frame " << n;
    }
}

}  // namespace
}  // namespace quillon
