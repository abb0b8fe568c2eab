// WAV files built byte by byte for the sound tests, the ffmpeg check, the
// fuzz seed corpus and the sound benchmarks: RIFF header, chunks, PCM
// signals and IMA ADPCM; and samples read back, with their signal-to-noise
// ratio against a reference.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "sound/ima_steps.h"

namespace quillon::test {

using Bytes = std::vector<uint8_t>;

inline void PutLE(Bytes &out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Bytes or samples one after another.
template <class T>
std::vector<T> Cat(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> out;
    for (const auto &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A chunk: 4-character id, 4-byte size (the content's length unless
// declaredSize is given), the content.
inline Bytes Chunk(const char *id, const Bytes &content, int64_t declaredSize = -1) {
    Bytes out(id, id + 4);
    PutLE(out, declaredSize < 0 ? static_cast<uint32_t>(content.size())
                                : static_cast<uint32_t>(declaredSize), 4);
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

// The common fields of a "fmt " chunk: format tag, channels, rate, average
// bytes per second, block align, bits.
inline Bytes CommonFields(uint16_t formatTag, uint16_t channels, uint32_t rate,
                          uint16_t blockAlign, uint16_t bits) {
    Bytes out;
    PutLE(out, formatTag, 2);
    PutLE(out, channels, 2);
    PutLE(out, rate, 4);
    PutLE(out, rate * blockAlign, 4);
    PutLE(out, blockAlign, 2);
    PutLE(out, bits, 2);
    return out;
}

// The "fmt " content of uncompressed samples, with their block align;
// withExtra appends an extra-information size of 0.
inline Bytes FmtContent(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bits,
                        bool withExtra = false) {
    Bytes out = CommonFields(formatTag, channels, rate,
                             static_cast<uint16_t>(channels * ((bits + 7u) / 8u)), bits);
    if (withExtra) PutLE(out, 0, 2);
    return out;
}

// The "fmt " content of WAVE_FORMAT_EXTENSIBLE: the common fields with tag
// FFFE, then extra size 22, valid bits, channel mask and the sub-format GUID
// (subFormat, then the fixed tail 00 00 00 00 10 00 80 00 00 AA 00 38 9B 71).
// A compressed sub-format gives its blockAlign, and its own fields follow
// the GUID (the extra size counts them).
inline Bytes ExtensibleFmt(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t validBits,
                           uint32_t channelMask, uint16_t subFormat, uint16_t blockAlign = 0,
                           const Bytes &codecFields = {}) {
    Bytes out = blockAlign ? CommonFields(0xFFFE, channels, rate, blockAlign, bits)
                           : FmtContent(0xFFFE, channels, rate, bits);
    PutLE(out, 22 + static_cast<uint32_t>(codecFields.size()), 2);
    PutLE(out, validBits, 2);
    PutLE(out, channelMask, 4);
    PutLE(out, subFormat, 2);
    out.insert(out.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38,
                           0x9B, 0x71});
    out.insert(out.end(), codecFields.begin(), codecFields.end());
    return out;
}

// The "fmt " content of a compressed format: the common fields with its
// block align and bits per sample, the extra size, then the format's own
// fields (for IMA ADPCM samples per block; for Microsoft ADPCM samples per
// block, the number of coefficient pairs and the pairs).
inline Bytes CodecFmt(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t blockAlign,
                      uint16_t bits, const Bytes &codecFields) {
    Bytes out = CommonFields(formatTag, channels, rate, blockAlign, bits);
    PutLE(out, static_cast<uint32_t>(codecFields.size()), 2);
    out.insert(out.end(), codecFields.begin(), codecFields.end());
    return out;
}

// Microsoft ADPCM's own fields: samples per block and the seven standard
// coefficient pairs, then any further pairs.
inline Bytes MsAdpcmFields(uint16_t samplesPerBlock, const std::vector<int16_t> &morePairs = {}) {
    static const int16_t kStandard[14] = {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232};
    Bytes out;
    PutLE(out, samplesPerBlock, 2);
    PutLE(out, static_cast<uint32_t>(7 + morePairs.size() / 2), 2);
    for (int16_t c : kStandard) PutLE(out, static_cast<uint16_t>(c), 2);
    for (int16_t c : morePairs) PutLE(out, static_cast<uint16_t>(c), 2);
    return out;
}

// "RIFF", size (the bytes that follow the size field unless declared),
// "WAVE", then the chunks.
inline Bytes Riff(const Bytes &chunks, int64_t declaredSize = -1) {
    Bytes out{'R', 'I', 'F', 'F'};
    PutLE(out, declaredSize < 0 ? static_cast<uint32_t>(chunks.size() + 4)
                                : static_cast<uint32_t>(declaredSize), 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E'});
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

// A file of a "fmt " chunk (its content fmt), the chunks between, and the
// data chunk.
inline Bytes Wav(const Bytes &fmt, const Bytes &data, const Bytes &between = {}) {
    return Riff(Cat({Chunk("fmt ", fmt), between, Chunk("data", data)}));
}

// The canonical 44-byte-header PCM file.
inline Bytes PcmWav(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes &data) {
    return Wav(FmtContent(1, channels, rate, bits), data);
}

// IMA ADPCM data of samples (16-bit, channels interleaved) in blocks of
// blockAlign bytes (4 * channels + a multiple of 4 * channels), the last
// block filled up with silence: what a plain IMA encoder writes.
inline Bytes ImaAdpcmData(const std::vector<int16_t> &samples, uint32_t channels, uint32_t blockAlign) {
    static const int8_t kIndexAdjust[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    const uint32_t perBlock = 1 + (blockAlign - 4 * channels) * 2 / channels;
    const size_t frames = samples.size() / channels;
    std::vector<int32_t> index(channels, 0);
    Bytes out;
    for (size_t first = 0; first < frames; first += perBlock) {
        auto at = [&](size_t f, uint32_t c) -> int32_t { return f < frames ? samples[f * channels + c] : 0; };
        const size_t block = out.size();
        out.resize(block + blockAlign, 0);
        for (uint32_t c = 0; c < channels; ++c) {
            int32_t predicted = at(first, c);
            out[block + 4 * c] = static_cast<uint8_t>(predicted);
            out[block + 4 * c + 1] = static_cast<uint8_t>(predicted >> 8);
            out[block + 4 * c + 2] = static_cast<uint8_t>(index[c]);
            for (uint32_t k = 0; k + 1 < perBlock; ++k) {
                const int32_t step = quillon::kImaStepTable[index[c]];
                int32_t delta = at(first + 1 + k, c) - predicted, code = 0;
                if (delta < 0) code = 8, delta = -delta;
                int32_t diff = step >> 3;
                if (delta >= step) code |= 4, delta -= step, diff += step;
                if (delta >= step >> 1) code |= 2, delta -= step >> 1, diff += step >> 1;
                if (delta >= step >> 2) code |= 1, diff += step >> 2;
                predicted += code & 8 ? -diff : diff;
                predicted = predicted < -32768 ? -32768 : (predicted > 32767 ? 32767 : predicted);
                index[c] = std::min(88, std::max(0, index[c] + kIndexAdjust[code & 7]));
                uint8_t &byte = out[block + 4 * channels + (k / 8) * 4 * channels + 4 * c + (k % 8) / 2];
                byte = static_cast<uint8_t>(byte | code << (k % 2 ? 4 : 0));
            }
        }
    }
    return out;
}

// A WAV file of IMA ADPCM with its fact chunk (the frames before padding).
inline Bytes ImaAdpcmWav(const std::vector<int16_t> &samples, uint16_t channels, uint32_t rate,
                         uint16_t blockAlign) {
    const uint32_t perBlock = 1 + (blockAlign - 4u * channels) * 2 / channels;
    Bytes fields, fact;
    PutLE(fields, perBlock, 2);
    PutLE(fact, static_cast<uint32_t>(samples.size() / channels), 4);
    return Wav(CodecFmt(0x11, channels, rate, blockAlign, 4, fields),
               ImaAdpcmData(samples, channels, blockAlign), Chunk("fact", fact));
}

// Values as little-endian bytes, each of its own size; floats as their
// IEEE bits.
template <class T>
Bytes LittleEndian(const std::vector<T> &values) {
    using Bits = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
    Bytes out;
    for (T v : values) {
        Bits bits = 0;
        if constexpr (std::is_floating_point_v<T>)
            std::memcpy(&bits, &v, sizeof v);
        else
            bits = static_cast<Bits>(v);
        PutLE(out, bits, sizeof v);
    }
    return out;
}
inline Bytes Samples16(const std::vector<int16_t> &samples) { return LittleEndian(samples); }
inline Bytes Samples32(const std::vector<int32_t> &samples) { return LittleEndian(samples); }
inline Bytes Floats32(const std::vector<float> &samples) { return LittleEndian(samples); }
inline Bytes Floats64(const std::vector<double> &samples) { return LittleEndian(samples); }

// 16-bit little-endian samples of bytes (a trailing odd byte is dropped).
inline std::vector<int16_t> FromSamples16(const Bytes &bytes) {
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return out;
}

// 8-bit unsigned samples widened to 16 bits: 0x80 is 0, 0x00 is -32768,
// 0xFF is 32512.
inline std::vector<int16_t> FromSamples8(const Bytes &bytes) {
    std::vector<int16_t> out;
    for (uint8_t v : bytes) out.push_back(static_cast<int16_t>((v - 128) * 256));
    return out;
}

// The signal-to-noise ratio in dB of got against ref over their first n
// samples: 999 where they are equal, NaN (below any bound) where ref is
// silence.
inline double SnrDb(const std::vector<int16_t> &ref, const std::vector<int16_t> &got, size_t n) {
    double signal = 0, noise = 0;
    for (size_t i = 0; i < n; ++i) {
        signal += static_cast<double>(ref[i]) * ref[i];
        noise += static_cast<double>(got[i] - ref[i]) * (got[i] - ref[i]);
    }
    if (signal == 0) return std::nan("");
    return noise > 0 ? 10 * std::log10(signal / noise) : 999;
}

// A sine of the given frequency and amplitude, 16-bit mono.
inline std::vector<int16_t> Sine(uint32_t frames, double frequency, uint32_t rate,
                                 double amplitude) {
    std::vector<int16_t> out(frames);
    for (uint32_t i = 0; i < frames; ++i)
        out[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * frequency * i / rate)));
    return out;
}

// 8-bit unsigned stereo: a sweep from f0 to f1 on the left, the same sweep
// at half the amplitude and opposite phase on the right.
inline Bytes StereoSweep8(uint32_t frames, double f0, double f1, uint32_t rate) {
    Bytes out;
    double phase = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        double f = f0 + (f1 - f0) * i / frames;
        phase += 2 * M_PI * f / rate;
        double v = std::sin(phase);
        out.push_back(static_cast<uint8_t>(std::lround(128 + 100 * v)));
        out.push_back(static_cast<uint8_t>(std::lround(128 - 50 * v)));
    }
    return out;
}

inline bool WriteBytes(const std::string &path, const Bytes &bytes) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// An anonymous temporary file holding bytes, positioned at its start.
inline std::FILE *TempFileWith(const Bytes &bytes) {
    std::FILE *f = std::tmpfile();
    if (!f) return nullptr;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

}  // namespace quillon::test
