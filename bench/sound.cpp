// WAV files for the sound benchmarks, written a block at a time.
#include "sound.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sound/wav_builder.h"

namespace quillon::bench {

using test::PutLE;

// The signal: a chord with a slow vibrato and a little noise, frame by
// frame; noise carries the generator's state from one sample to the next.
void MusicFrame(uint64_t i, uint32_t rate, uint32_t channels, uint32_t &noise, int16_t *out) {
    const double kNotes[3] = {220.0, 277.18, 329.63};
    const double t = static_cast<double>(i) / rate;
    const double vibrato = 1 + 0.003 * std::sin(2 * M_PI * 5 * t);
    for (uint32_t c = 0; c < channels; ++c) {
        double v = 0;
        for (int n = 0; n < 3; ++n)
            v += std::sin(2 * M_PI * kNotes[n] * (n + c + 1) * vibrato * t) / (n + 1);
        noise = noise * 1664525 + 1013904223;
        v = 7000 * v + static_cast<int32_t>(noise >> 22) - 512;
        out[c] = static_cast<int16_t>(std::lround(v));
    }
}

bool WriteMusicWav(const std::string &path, uint32_t rate, uint32_t channels, double seconds) {
    const uint64_t frames = static_cast<uint64_t>(seconds * rate);
    const uint32_t dataBytes = static_cast<uint32_t>(frames * channels * 2);
    // The header declares the samples that follow it, block by block.
    std::vector<uint8_t> b = test::Riff(
        test::Cat({test::Chunk("fmt ", test::FmtContent(1, static_cast<uint16_t>(channels), rate, 16)),
                   test::Chunk("data", {}, dataBytes)}),
        36 + dataBytes);
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    uint32_t noise = 12345;
    int16_t frame[2];
    for (uint64_t i = 0; i < frames && ok; ) {
        b.clear();
        for (uint64_t end = std::min<uint64_t>(frames, i + 8192); i < end; ++i) {
            MusicFrame(i, rate, channels, noise, frame);
            for (uint32_t c = 0; c < channels; ++c) PutLE(b, static_cast<uint16_t>(frame[c]), 2);
        }
        ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    }
    return std::fclose(f) == 0 && ok;
}

bool WriteMusicImaAdpcmWav(const std::string &path, uint32_t rate, uint32_t channels,
                           double seconds) {
    const uint64_t frames = static_cast<uint64_t>(seconds * rate);
    std::vector<int16_t> samples(frames * channels);
    uint32_t noise = 12345;
    for (uint64_t i = 0; i < frames; ++i) MusicFrame(i, rate, channels, noise, &samples[i * channels]);
    // Blocks of 1024 bytes per channel, as ffmpeg and sox write them.
    const test::Bytes file = test::ImaAdpcmWav(samples, static_cast<uint16_t>(channels), rate,
                                               static_cast<uint16_t>(1024 * channels));
    return test::WriteBytes(path, file);
}

std::string ScratchPath(const char *name) {
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/quillon-bench-" + std::to_string(getpid()) +
           "-" + name;
}

}  // namespace quillon::bench
