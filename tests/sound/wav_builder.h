// WAV files built byte by byte for the sound tests, the ffmpeg check and the
// fuzz seed corpus: RIFF header, chunks and PCM signals.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace quillon::test {

using Bytes = std::vector<uint8_t>;

inline void PutLE(Bytes &out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
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

// The "fmt " content: format tag, channels, rate, average bytes per second,
// block align, bits; withExtra appends an extra-information size of 0.
inline Bytes FmtContent(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bits,
                        bool withExtra = false) {
    Bytes out;
    uint32_t align = channels * ((bits + 7u) / 8u);
    PutLE(out, formatTag, 2);
    PutLE(out, channels, 2);
    PutLE(out, rate, 4);
    PutLE(out, rate * align, 4);
    PutLE(out, align, 2);
    PutLE(out, bits, 2);
    if (withExtra) PutLE(out, 0, 2);
    return out;
}

// The "fmt " content of WAVE_FORMAT_EXTENSIBLE: the common fields with tag
// FFFE, then extra size 22, valid bits, channel mask and the sub-format GUID
// (subFormat, then the fixed tail 00 00 00 00 10 00 80 00 00 AA 00 38 9B 71).
inline Bytes ExtensibleFmt(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t validBits,
                           uint32_t channelMask, uint16_t subFormat) {
    Bytes out = FmtContent(0xFFFE, channels, rate, bits);
    PutLE(out, 22, 2);
    PutLE(out, validBits, 2);
    PutLE(out, channelMask, 4);
    PutLE(out, subFormat, 2);
    out.insert(out.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38,
                           0x9B, 0x71});
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

// The canonical 44-byte-header PCM file.
inline Bytes PcmWav(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes &data) {
    return Riff(Cat({Chunk("fmt ", FmtContent(1, channels, rate, bits)), Chunk("data", data)}));
}

inline Bytes Samples16(const std::vector<int16_t> &samples) {
    Bytes out;
    for (int16_t s : samples) PutLE(out, static_cast<uint16_t>(s), 2);
    return out;
}

inline Bytes Samples32(const std::vector<int32_t> &samples) {
    Bytes out;
    for (int32_t s : samples) PutLE(out, static_cast<uint32_t>(s), 4);
    return out;
}

inline Bytes Floats32(const std::vector<float> &samples) {
    Bytes out;
    for (float f : samples) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        PutLE(out, u, 4);
    }
    return out;
}

inline Bytes Floats64(const std::vector<double> &samples) {
    Bytes out;
    for (double d : samples) {
        uint64_t u;
        std::memcpy(&u, &d, 8);
        PutLE(out, static_cast<uint32_t>(u), 4);
        PutLE(out, static_cast<uint32_t>(u >> 32), 4);
    }
    return out;
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
