// WAV codecs: PCM and float by conversion, G.711 by formula, IMA ADPCM and
// Microsoft ADPCM block by block. Every read of a block stays inside the
// bytes it was given, whatever its header says; arithmetic is in integers,
// so every machine decodes alike.
#include "sound/wave_codecs.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "sound/ima_steps.h"

namespace quillon {

namespace {

int16_t Clamp16(int64_t v) {
    return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

int16_t SI16(const uint8_t *p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8)); }

uint32_t LE32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A float sample, full scale at 1.0, rounded to 16 bits; NaN is silence.
int16_t FloatTo16(double x) {
    if (!(x == x)) return 0;
    double v = x * 32768.0;
    return Clamp16(v <= -32768.0 ? -32768 : (v >= 32767.0 ? 32767 : std::lround(v)));
}

void DecodeUnsigned8(const uint8_t *p, size_t count, int16_t *out) {
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>((p[i] - 128) * 256);
}

void DecodeSigned16(const uint8_t *p, size_t count, int16_t *out) {
    for (size_t i = 0; i < count; ++i) out[i] = SI16(p + 2 * i);
}

void DecodeSigned24(const uint8_t *p, size_t count, int16_t *out) {
    for (size_t i = 0; i < count; ++i, p += 3) {
        const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                               static_cast<uint32_t>(p[2]) << 24) >> 8;
        out[i] = Clamp16((v + 128) >> 8);
    }
}

void DecodeSigned32(const uint8_t *p, size_t count, int16_t *out) {
    for (size_t i = 0; i < count; ++i, p += 4)
        out[i] = Clamp16((static_cast<int64_t>(static_cast<int32_t>(LE32(p))) + 32768) >> 16);
}

void DecodeFloat32(const uint8_t *p, size_t count, int16_t *out) {
    for (size_t i = 0; i < count; ++i, p += 4) {
        const uint32_t u = LE32(p);
        float f;
        std::memcpy(&f, &u, 4);
        out[i] = FloatTo16(f);
    }
}

void DecodeFloat64(const uint8_t *p, size_t count, int16_t *out) {
    for (size_t i = 0; i < count; ++i, p += 8) {
        const uint64_t u = LE32(p) | static_cast<uint64_t>(LE32(p + 4)) << 32;
        double d;
        std::memcpy(&d, &u, 8);
        out[i] = FloatTo16(d);
    }
}

void DecodeMuLaw(const uint8_t *p, size_t count, int16_t *out) {
    for (size_t i = 0; i < count; ++i) out[i] = MuLawToLinear(p[i]);
}

void DecodeALaw(const uint8_t *p, size_t count, int16_t *out) {
    for (size_t i = 0; i < count; ++i) out[i] = ALawToLinear(p[i]);
}

const WaveEncoding kEncodings[] = {
    {kFormatPcm, 8, 0, DecodeUnsigned8},       {kFormatPcm, 16, 1, DecodeSigned16},
    {kFormatPcm, 24, 1, DecodeSigned24},       {kFormatPcm, 32, 1, DecodeSigned32},
    {kFormatFloat, 32, 1, DecodeFloat32},      {kFormatFloat, 64, 1, DecodeFloat64},
    {kFormatMuLaw, 8, 1, DecodeMuLaw},         {kFormatALaw, 8, 1, DecodeALaw},
    {kFormatImaAdpcm, 4, 1, nullptr},          {kFormatMsAdpcm, 4, 1, nullptr},
};

// IMA ADPCM's step arithmetic as tables, by step index and the code's
// magnitude (its low 3 bits): the difference a code adds, step / 8 plus
// step, step / 2 and step / 4 for its bits 2, 1 and 0; and the step index
// that follows. Lookups instead of branches on each bit: codes are as good
// as random, and mispredicted branches would cost more than the rest.
struct ImaTables {
    int32_t diff[89][8];
    uint8_t next[89][8];
};

constexpr ImaTables MakeImaTables() {
    constexpr int8_t kIndexAdjust[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    ImaTables t{};
    for (int32_t index = 0; index <= kImaLastStepIndex; ++index)
        for (int32_t code = 0; code < 8; ++code) {
            const int32_t step = kImaStepTable[index];
            t.diff[index][code] = (step >> 3) + (code & 4 ? step : 0) + (code & 2 ? step >> 1 : 0) +
                                  (code & 1 ? step >> 2 : 0);
            const int32_t next = index + kIndexAdjust[code];
            t.next[index][code] =
                static_cast<uint8_t>(next < 0 ? 0 : (next > kImaLastStepIndex ? kImaLastStepIndex : next));
        }
    return t;
}

constexpr ImaTables kIma = MakeImaTables();

// IMA ADPCM: a block opens with, per channel, the first sample (SI16), the
// step index (UI8) and a reserved byte; then come groups of 4 bytes per
// channel, each holding 8 codes of that channel, low nibble first.
class ImaAdpcmDecoder : public BlockDecoder {
public:
    ImaAdpcmDecoder(uint32_t channels, uint32_t blockBytes, uint32_t framesPerBlock)
        : BlockDecoder(channels, blockBytes, framesPerBlock) {}

    static uint32_t Capacity(uint32_t channels, uint32_t blockBytes) {
        return 1 + 8 * ((blockBytes - 4 * channels) / (4 * channels));
    }

    uint32_t FramesIn(size_t bytes) const override {
        const size_t header = 4u * channels_;
        if (bytes > blockBytes_) bytes = blockBytes_;
        if (bytes < header) return 0;
        const size_t frames = 1 + 8 * ((bytes - header) / header);
        return frames < framesPerBlock_ ? static_cast<uint32_t>(frames) : framesPerBlock_;
    }

    uint32_t Decode(const uint8_t *block, size_t bytes, int16_t *out) const override {
        const uint32_t frames = FramesIn(bytes);
        if (frames == 0) return 0;
        for (uint32_t c = 0; c < channels_; ++c)
            if (block[4 * c + 2] > kImaLastStepIndex) {
                std::memset(out, 0, sizeof(int16_t) * frames * channels_);
                return frames;
            }
        const uint8_t *codes = block + 4 * channels_;
        for (uint32_t c = 0; c < channels_; ++c) {
            int32_t sample = SI16(block + 4 * c);
            int32_t index = block[4 * c + 2];
            out[c] = static_cast<int16_t>(sample);
            for (uint32_t f = 1; f < frames; ++f) {
                const uint32_t k = f - 1;  // code k of this channel: group k / 8, nibble k % 8
                const uint8_t byte = codes[(k / 8) * 4 * channels_ + 4 * c + (k % 8) / 2];
                const uint32_t code = k % 2 ? byte >> 4 : byte & 0x0F;
                const int32_t diff = kIma.diff[index][code & 7];
                const int32_t negative = -static_cast<int32_t>(code >> 3);  // 0 or all ones
                sample = Clamp16(sample + ((diff ^ negative) - negative));
                index = kIma.next[index][code & 7];
                out[f * channels_ + c] = static_cast<int16_t>(sample);
            }
        }
        return frames;
    }
};

// Microsoft ADPCM: a block opens with the predictor index (UI8) of every
// channel, then their deltas, their latest samples and the samples before
// those (SI16 each), which play first. Then come 4-bit codes, high nibble
// first, channels interleaved frame by frame.
class MsAdpcmDecoder : public BlockDecoder {
public:
    MsAdpcmDecoder(uint32_t channels, uint32_t blockBytes, uint32_t framesPerBlock,
                   std::vector<int16_t> coefficients)
        : BlockDecoder(channels, blockBytes, framesPerBlock),
          coefficients_(std::move(coefficients)) {}

    static uint32_t Capacity(uint32_t channels, uint32_t blockBytes) {
        return 2 + (blockBytes - 7 * channels) * 2 / channels;
    }

    uint32_t FramesIn(size_t bytes) const override {
        const size_t header = 7u * channels_;
        if (bytes > blockBytes_) bytes = blockBytes_;
        if (bytes < header) return 0;
        const size_t frames = 2 + (bytes - header) * 2 / channels_;
        return frames < framesPerBlock_ ? static_cast<uint32_t>(frames) : framesPerBlock_;
    }

    uint32_t Decode(const uint8_t *block, size_t bytes, int16_t *out) const override {
        // How the step (delta) grows with each code's magnitude, in 1/256.
        static const int32_t kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                                768, 614, 512, 409, 307, 230, 230, 230};
        const uint32_t frames = FramesIn(bytes);
        if (frames == 0) return 0;
        const size_t pairs = coefficients_.size() / 2;
        for (uint32_t c = 0; c < channels_; ++c)
            if (block[c] >= pairs) {
                std::memset(out, 0, sizeof(int16_t) * frames * channels_);
                return frames;
            }
        const uint8_t *codes = block + 7 * channels_;
        for (uint32_t c = 0; c < channels_; ++c) {
            const int64_t coef1 = coefficients_[2 * block[c]], coef2 = coefficients_[2 * block[c] + 1];
            int32_t delta = SI16(block + channels_ + 2 * c);
            int32_t sample1 = SI16(block + 3 * channels_ + 2 * c);
            int32_t sample2 = SI16(block + 5 * channels_ + 2 * c);
            out[c] = static_cast<int16_t>(sample2);
            if (frames > 1) out[channels_ + c] = static_cast<int16_t>(sample1);
            for (uint32_t f = 2; f < frames; ++f) {
                const uint32_t i = (f - 2) * channels_ + c;  // the code's nibble in the block
                const uint32_t code = i % 2 ? codes[i / 2] & 0x0F : codes[i / 2] >> 4;
                const int32_t signedCode = code >= 8 ? static_cast<int32_t>(code) - 16 : static_cast<int32_t>(code);
                const int64_t predicted = (sample1 * coef1 + sample2 * coef2) >> 8;  // rounded down
                const int16_t sample = Clamp16(predicted + static_cast<int64_t>(signedCode) * delta);
                sample2 = sample1;
                sample1 = sample;
                delta = static_cast<int32_t>(static_cast<int64_t>(kAdaptation[code]) * delta / 256);
                // The floor of the codec; the ceiling keeps the product above
                // within 32 bits on a run of damaged codes.
                if (delta < 16) delta = 16;
                if (delta > INT_MAX / 768) delta = INT_MAX / 768;
                out[f * channels_ + c] = sample;
            }
        }
        return frames;
    }

private:
    std::vector<int16_t> coefficients_;  // pairs coef1, coef2 in 1/256
};

// The seven pairs that every Microsoft ADPCM file carries.
const int16_t kStandardCoefficients[14] = {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232};

}  // namespace

int16_t MuLawToLinear(uint8_t code) {
    code = static_cast<uint8_t>(~code);
    const int32_t exponent = (code >> 4) & 7, mantissa = code & 0x0F;
    const int32_t magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return static_cast<int16_t>(code & 0x80 ? -magnitude : magnitude);
}

int16_t ALawToLinear(uint8_t code) {
    code ^= 0x55;
    const int32_t exponent = (code >> 4) & 7, mantissa = code & 0x0F;
    const int32_t magnitude =
        exponent == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (exponent - 1);
    return static_cast<int16_t>(code & 0x80 ? magnitude : -magnitude);
}

const WaveEncoding *FindWaveEncoding(uint32_t formatTag, uint32_t bitsPerSample) {
    for (const WaveEncoding &e : kEncodings)
        if (e.formatTag == formatTag && e.bitsPerSample == bitsPerSample) return &e;
    return nullptr;
}

std::unique_ptr<BlockDecoder> MakeBlockDecoder(const BlockFormat &format) {
    const bool ima = format.formatTag == kFormatImaAdpcm;
    const uint32_t channels = format.channels, align = format.blockAlign;
    if (!ima && format.formatTag != kFormatMsAdpcm) return nullptr;
    if (format.bitsPerSample != 4) return nullptr;
    const uint32_t header = (ima ? 4 : 7) * channels;
    if (channels == 0 || align < header) return nullptr;
    const uint8_t *extra = format.extra.data();
    const size_t extraBytes = format.extra.size();
    const uint32_t capacity =
        ima ? ImaAdpcmDecoder::Capacity(channels, align) : MsAdpcmDecoder::Capacity(channels, align);
    uint32_t framesPerBlock = extraBytes >= 2 ? static_cast<uint32_t>(extra[0] | extra[1] << 8) : 0;
    if (framesPerBlock > capacity) return nullptr;
    if (framesPerBlock == 0) framesPerBlock = capacity;
    if (ima) return std::make_unique<ImaAdpcmDecoder>(channels, align, framesPerBlock);

    std::vector<int16_t> coefficients(kStandardCoefficients, kStandardCoefficients + 14);
    if (extraBytes >= 4) {
        const uint32_t pairs = static_cast<uint32_t>(extra[2] | extra[3] << 8);
        if (pairs > 256 || extraBytes < 4 + 4 * size_t{pairs}) return nullptr;
        if (pairs > 0) {
            coefficients.resize(2 * pairs);
            for (uint32_t i = 0; i < 2 * pairs; ++i) coefficients[i] = SI16(extra + 4 + 2 * i);
        }
    }
    return std::make_unique<MsAdpcmDecoder>(channels, align, framesPerBlock, std::move(coefficients));
}

}  // namespace quillon
