// WAV files in the forms that ordinary tools write (ffmpeg and sox, some
// then damaged the way streaming recorders leave them) go through AddSound
// into a movie; ffmpeg decodes the movie's sound, which must keep the
// input's duration and pitch and come close to the input, resampled by sox
// to the movie's rate where the library resampled. Compressed inputs are
// compared with what ffmpeg (or sox, for what ffmpeg cannot read) decodes
// from them.
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "quillon.h"
#include "support/table.h"
#include "wav_builder.h"

namespace quillon {
namespace {

using test::Bytes;

constexpr double kTone = 440;  // Hz, in every input

// How the tool's file is changed before AddSound reads it.
enum class Damage {
    kNone,
    kSizesZero,       // RIFF and data sizes 0, as a recorder that never patched them
    kCutShort,        // the file ends 60% into the samples, inside a sample frame
    kOddChunkBefore,  // a 3-byte chunk and its pad byte just before the data
};

struct FormCase {
    const char *name;
    // Shell command writing the file {out}; {ffmpeg}RATE stands for ffmpeg
    // making a 2-second tone at RATE, {sine} for sox's 2-second tone.
    const char *make;
    double movieRate;  // the SWF rate the sound should play at, in Hz
    uint32_t movieChannels;
    double minSnr;     // dB
    // For a compressed input: the command that decodes {in} into the 16-bit
    // PCM WAV {out} that stands for the input in every comparison.
    const char *decode = "";
    // sox effects that make the reference from the input: where the tone is
    // on every channel, the mix carries channel 1 on both sides.
    const char *referenceMix = "";
    bool tone = true;  // false: speech, whose pitch is not measured
    // The input's length in seconds where the decoding above plays more:
    // sox decodes an ADPCM file's last block whole, padding and all, though
    // the fact chunk it wrote ends the sound before.
    double seconds = 0;
    Damage damage = Damage::kNone;
};

// The row's name in ctest's list, rather than the struct's bytes.
void PrintTo(const FormCase &form, std::ostream *os) { *os << form.name; }

const char kFfmpegTone[] =
    "ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:duration=2:sample_rate=";
const char kSoxTone[] = "synth 2 sine 440 vol 0.5";

const char kFfmpegDecode[] = "ffmpeg -nostdin -v error -y -i {in} -c:a pcm_s16le {out}";
const char kSoxDecode[] = "sox {in} -e signed-integer -b 16 {out}";

// Sine sources are mono; "-ac 2" copies the tone into both channels.
const FormCase kCases[] = {
    // ffmpeg writes a LIST/INFO chunk before the data.
    {"Ffmpeg44k1Stereo16", "{ffmpeg}44100 -ac 2 {out}", 44100, 2, 30},
    {"Ffmpeg48kMono16", "{ffmpeg}48000 {out}", 44100, 1, 30},
    // Float: WAVE_FORMAT_EXTENSIBLE with a fact chunk.
    {"Ffmpeg48kFloatStereo", "{ffmpeg}48000 -ac 2 -c:a pcm_f32le {out}", 44100, 2, 30},
    {"Ffmpeg44k1Double", "{ffmpeg}44100 -c:a pcm_f64le {out}", 44100, 1, 30},
    {"Ffmpeg22k05Int24", "{ffmpeg}22050 -c:a pcm_s24le {out}", 22050, 1, 30},
    {"Ffmpeg32kInt32Stereo", "{ffmpeg}32000 -ac 2 -c:a pcm_s32le {out}", 44100, 2, 30},
    {"Ffmpeg96kInt24", "{ffmpeg}96000 -c:a pcm_s24le {out}", 44100, 1, 30},
    // More than two channels: WAVE_FORMAT_EXTENSIBLE, mixed down to stereo.
    // The tone is on every channel, so each side of the mix (weights adding
    // up to 1, the low-frequency channel left out) carries it at its level.
    {"Ffmpeg48k5Point1", "{ffmpeg}48000 -af 'pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0' {out}",
     44100, 2, 30, "", "remix 1 1"},
    {"Ffmpeg22k05TwoPointOne",
     "{ffmpeg}22050 -filter_complex '[0]asplit=3[a][b][c];[a][b][c]amerge=inputs=3' {out}", 22050,
     2, 30, "", "remix 1 1"},
    // A bext chunk, a JUNK chunk (room for an RF64 header), and the sizes
    // 0xFFFFFFFF that ffmpeg leaves when it writes into a pipe.
    {"FfmpegBext", "{ffmpeg}44100 -write_bext 1 {out}", 44100, 1, 30},
    {"FfmpegJunk", "{ffmpeg}44100 -rf64 auto {out}", 44100, 1, 30},
    {"FfmpegIntoAPipe", "{ffmpeg}48000 -ac 2 -f wav - > {out}", 44100, 2, 30},
    // sox writes WAVE_FORMAT_EXTENSIBLE for 24 bits and float.
    {"Sox48kInt24Stereo", "sox -n -r 48000 -b 24 -c 2 {out} {sine}", 44100, 2, 30},
    {"Sox192kFloat", "sox -n -r 192000 -e floating-point -b 32 -c 1 {out} {sine}", 44100, 1, 30},
    // Rates that used to be snapped to a SWF rate code: 31% slow, 8% slow,
    // 10% fast.
    {"Sox8kUnsigned8", "sox -n -r 8000 -b 8 -e unsigned-integer -c 1 {out} {sine}", 11025, 1, 25},
    {"Sox12k", "sox -n -r 12000 -b 16 -c 1 {out} {sine}", 22050, 1, 30},
    {"Sox16k", "sox -n -r 16000 -b 16 -c 1 {out} {sine}", 22050, 1, 30},
    {"Sox24kStereo", "sox -n -r 24000 -b 16 -c 2 {out} {sine}", 44100, 2, 30},
    {"Sox40k", "sox -n -r 40000 -b 16 -c 1 {out} {sine}", 44100, 1, 30},
    {"Sox4k", "sox -n -r 4000 -b 16 -c 1 {out} {sine}", 5512.5, 1, 25},
    // Accepted before, and encoded as before.
    {"Sox11025Unsigned8", "sox -n -r 11025 -b 8 -e unsigned-integer -c 1 {out} {sine}", 11025, 1, 25},
    {"Sox22050Stereo16", "sox -n -r 22050 -b 16 -c 2 {out} {sine}", 22050, 2, 30},
    // Damaged after writing.
    {"RecorderSizesZero", "{ffmpeg}44100 {out}", 44100, 1, 30, "", "", true, 0, Damage::kSizesZero},
    {"CutShort", "sox -n -r 22050 -b 16 -c 2 {out} {sine}", 22050, 2, 30, "", "", true, 0,
     Damage::kCutShort},
    {"OddChunkBeforeData", "{ffmpeg}44100 {out}", 44100, 1, 30, "", "", true, 0,
     Damage::kOddChunkBefore},
    // The codecs of voice prompts, old recorders and games. ffmpeg's ADPCM
    // encoders fill the last block with silence and count it in the fact
    // chunk, and its decoder plays it; sox's fact chunk counts only the
    // samples.
    {"FfmpegMuLaw8k", "{ffmpeg}8000 -c:a pcm_mulaw {out}", 11025, 1, 30, kFfmpegDecode},
    {"FfmpegALaw8kStereo", "{ffmpeg}8000 -ac 2 -c:a pcm_alaw {out}", 11025, 2, 30, kFfmpegDecode},
    {"FfmpegMuLaw96kExtensible", "{ffmpeg}96000 -c:a pcm_mulaw {out}", 44100, 1, 30, kFfmpegDecode},
    {"FfmpegImaAdpcm22k05Stereo", "{ffmpeg}22050 -ac 2 -c:a adpcm_ima_wav {out}", 22050, 2, 30, kFfmpegDecode},
    {"FfmpegImaAdpcm44k1", "{ffmpeg}44100 -c:a adpcm_ima_wav {out}", 44100, 1, 30, kFfmpegDecode},
    {"FfmpegImaAdpcm96kExtensible", "{ffmpeg}96000 -c:a adpcm_ima_wav {out}", 44100, 1, 30, kFfmpegDecode},
    {"FfmpegMsAdpcm44k1", "{ffmpeg}44100 -c:a adpcm_ms {out}", 44100, 1, 30, kFfmpegDecode},
    {"FfmpegMsAdpcm16kStereo", "{ffmpeg}16000 -ac 2 -c:a adpcm_ms {out}", 22050, 2, 30, kFfmpegDecode},
    {"FfmpegMsAdpcm96kExtensible", "{ffmpeg}96000 -c:a adpcm_ms {out}", 44100, 1, 30, kFfmpegDecode},
    // Three channels, which ffmpeg neither writes nor reads in ADPCM.
    {"SoxImaAdpcm3Channels", "sox -n -r 22050 -e ima-adpcm -c 3 {out} {sine}", 22050, 2, 30,
     kSoxDecode, "remix 1 1", true, 2.0},
    {"SoxMsAdpcm3Channels", "sox -n -r 11025 -e ms-adpcm -c 3 {out} {sine}", 11025, 2, 30,
     kSoxDecode, "remix 1 1", true, 2.0},
    // A telephone prompt: speech at 8 kHz in mu-law, as voice-mail and
    // phone systems play them.
    {"TelephonePromptMuLaw8k",
     "espeak-ng --stdout 'Thank you for calling. Please hold, and the next free agent will be "
     "with you shortly.' | sox -t wav - -r 8000 -c 1 -e mu-law {out}",
     11025, 1, 20, kFfmpegDecode, "", false},
};

std::string Replace(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

uint32_t LE(const Bytes &b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

// Where the undamaged file keeps its samples, from its chunks.
struct Layout {
    uint32_t rate = 0, blockAlign = 0;
    size_t sizeField = 0, data = 0, dataSize = 0;  // offsets of the data size and the samples
    bool ok = false;
};

Layout Parse(const Bytes &b) {
    Layout l;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        uint32_t size = LE(b, at + 4, 4);
        if (std::equal(b.begin() + at, b.begin() + at + 4, "fmt ")) {
            l.rate = LE(b, at + 12, 4);
            l.blockAlign = LE(b, at + 20, 2);
        } else if (std::equal(b.begin() + at, b.begin() + at + 4, "data")) {
            l.sizeField = at + 4;
            l.data = at + 8;
            l.dataSize = size == 0xFFFFFFFF ? b.size() - l.data : size;
            l.ok = l.rate > 0 && l.blockAlign > 0 && l.data + l.dataSize <= b.size();
            return l;
        }
        at += 8 + size + (size & 1);
    }
    return l;
}

// Runs a shell command, its errors appended to the log; on failure, the
// command and the log.
::testing::AssertionResult Shell(const std::string &command, const std::string &log) {
    if (std::system((command + " 2>>'" + log + "'").c_str()) == 0)
        return ::testing::AssertionSuccess();
    Bytes text = test::ReadFileBytes(log);
    return ::testing::AssertionFailure() << command << "\n" << std::string(text.begin(), text.end());
}

// The tone's frequency on channel 0: rising crossings through zero (after
// dipping below a quarter of the peak, so noise near zero does not count
// twice), interpolated between samples, over the whole sound.
double ToneFrequency(const std::vector<int16_t> &s, uint32_t channels, double rate) {
    int peak = 1;
    for (size_t i = 0; i < s.size(); i += channels) peak = std::max(peak, std::abs(int{s[i]}));
    double first = -1, last = -1;
    int count = 0;
    bool armed = false;
    for (size_t i = channels; i < s.size(); i += channels) {
        if (s[i] < -peak / 4) armed = true;
        if (armed && s[i - channels] < 0 && s[i] >= 0) {
            double t = (i / channels - 1 + double(-s[i - channels]) / (s[i] - s[i - channels])) / rate;
            if (first < 0) first = t;
            last = t;
            ++count;
            armed = false;
        }
    }
    return count > 1 ? (count - 1) / (last - first) : 0;
}

class WavForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(WavForms, PlayAtTheirOwnSpeedAndPitch) {
    const FormCase &c = GetParam();
    const bool speech = std::string(c.make).find("espeak-ng") != std::string::npos;
    for (std::string tool : {"ffmpeg -version", "sox --version", speech ? "espeak-ng --version" : ""}) {
        ASSERT_TRUE(tool.empty() || std::system((tool + " >/dev/null 2>&1").c_str()) == 0)
            << tool << " fails: scripts/install-deps installs it (scripts/deps/sound.apt)";
    }
    const std::string dir = test::TempDir(), log = dir + "/tools.log";
    const std::string clean = dir + "/clean.wav", input = dir + "/input.wav",
                      pcmInput = dir + "/input-pcm.wav";
    const std::string swf = dir + "/movie.swf", decoded = dir + "/decoded.raw",
                      reference = dir + "/reference.raw";
    std::string make = Replace(Replace(Replace(c.make, "{ffmpeg}", kFfmpegTone), "{sine}", kSoxTone),
                               "{out}", "'" + clean + "'");
    ASSERT_TRUE(Shell(make, log));
    Bytes file = test::ReadFileBytes(clean);
    const Layout layout = Parse(file);
    ASSERT_TRUE(layout.ok) << "cannot find the samples of " << make;
    // The input as 16-bit PCM: the file itself, or its decoding.
    std::string source = clean;
    Layout pcm = layout;
    if (*c.decode) {
        source = pcmInput;
        std::string decode = Replace(Replace(c.decode, "{in}", "'" + clean + "'"), "{out}", "'" + pcmInput + "'");
        ASSERT_TRUE(Shell(decode, log));
        pcm = Parse(test::ReadFileBytes(pcmInput));
        ASSERT_TRUE(pcm.ok) << "cannot find the samples of " << decode;
    }
    uint64_t frames = pcm.dataSize / pcm.blockAlign;
    switch (c.damage) {
    case Damage::kNone: break;
    case Damage::kSizesZero:
        for (size_t at : {size_t{4}, layout.sizeField}) std::fill(file.begin() + at, file.begin() + at + 4, 0);
        break;
    case Damage::kCutShort:
        frames = frames * 6 / 10;
        file.resize(layout.data + frames * layout.blockAlign + layout.blockAlign / 2);
        break;
    case Damage::kOddChunkBefore: {
        Bytes odd{'n', 'o', 't', 'e', 3, 0, 0, 0, 'a', 'b', 'c', 0};
        file.insert(file.begin() + static_cast<std::ptrdiff_t>(layout.sizeField - 4), odd.begin(), odd.end());
        uint32_t riff = LE(file, 4, 4) + static_cast<uint32_t>(odd.size());
        for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
        break;
    }
    }
    ASSERT_TRUE(test::WriteBytes(input, file));

    // The movie, through the exports as a host makes it.
    static const uint8_t pixels[16 * 16] = {0};
    static const uint8_t palette[6] = {255, 255, 255, 0, 0, 0};
    CreateMovie(16, 16, 1, 12);
    CreateFrame(pixels, palette, 2);
    AddSound(input.c_str());
    StopFrame(-1);
    NextSlide();
    WriteMovie(swf.c_str());
    DestroyMovie();

    // Its sound, decoded by ffmpeg: the DefineSound is the second audio
    // stream, after the one that SoundStreamHead announces.
    std::string decode = "ffmpeg -nostdin -v error -y -i '" + swf +
                         "' -map 0:a:1 -f s16le -acodec pcm_s16le '" + decoded + "'";
    ASSERT_TRUE(Shell(decode, log));
    std::vector<int16_t> movie = test::FromSamples16(test::ReadFileBytes(decoded));
    const uint32_t ch = c.movieChannels;
    const double movieFrames = static_cast<double>(movie.size() / ch);

    // Duration and pitch.
    const double inputSeconds = c.seconds > 0 ? c.seconds : static_cast<double>(frames) / pcm.rate;
    const double movieSeconds = movieFrames / c.movieRate;
    EXPECT_NEAR(movieSeconds / inputSeconds, 1.0, 0.005)
        << movieFrames << " frames at " << c.movieRate << " Hz for " << frames << " at " << pcm.rate;
    const double frequency = c.tone ? ToneFrequency(movie, ch, c.movieRate) : 0;
    if (c.tone) {
        EXPECT_NEAR(frequency / kTone, 1.0, 0.005) << frequency << " Hz";
    }

    // Against the undamaged input, resampled by sox (without dither) where
    // the rate differs by more than 0.1%.
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", c.movieRate);
    std::string convert = "sox -D '" + source + "' -t raw -L -e signed-integer -b 16 -c " +
                          std::to_string(ch) + " '" + reference + "' " + c.referenceMix;
    if (std::fabs(pcm.rate / c.movieRate - 1) > 0.001) convert += std::string(" rate -v ") + rate;
    ASSERT_TRUE(Shell(convert, log));
    std::vector<int16_t> ref = test::FromSamples16(test::ReadFileBytes(reference));
    const size_t n = std::min(ref.size(), movie.size());
    ASSERT_GT(n, ch * c.movieRate);  // at least a second to compare
    const double snr = test::SnrDb(ref, movie, n);
    std::cout << "[ SNR      ] " << c.name << ": " << snr << " dB, " << movieFrames << " frames at "
              << c.movieRate << " Hz, tone " << frequency << " Hz\n";
    RecordProperty("snr_db", std::to_string(snr));
    EXPECT_GE(snr, c.minSnr);
}

INSTANTIATE_TEST_SUITE_P(Table, WavForms, ::testing::ValuesIn(kCases), test::RowName());

}  // namespace
}  // namespace quillon
