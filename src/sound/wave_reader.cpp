// WAV reader: a walk over the RIFF chunks up to the samples (the format
// chunk read into a WaveEncoding and, for ADPCM, a block decoder), then the
// samples block by block. Whatever the file declares, it allocates no more
// than a block.
#include "sound/wave_reader.h"

#include <cmath>
#include <cstring>

#include "platform/files.h"
#include "swf/format.h"

namespace quillon {

namespace {

constexpr uint32_t kFmt = ChunkId("fmt ");
constexpr uint32_t kData = ChunkId("data");
constexpr uint32_t kFact = ChunkId("fact");  // the frame count of compressed data

// The "fmt " chunk: 16 bytes of common fields (tag, channels, rate, bytes
// per second, block align, bits per sample), then for formats other than
// PCM the size of the extra information (UI16) and the extra information.
// WAVE_FORMAT_EXTENSIBLE's takes 22 bytes: valid bits (UI16), channel mask
// (UI32) and the sub-format GUID, whose last 14 bytes are these and whose
// first two are a format tag.
constexpr uint32_t kCommonFieldsBytes = 16;
constexpr uint32_t kExtraStart = kCommonFieldsBytes + 2;
constexpr uint32_t kExtensibleBytes = 22;
constexpr uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                   0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr uint32_t kMaxChannels = 64;
constexpr uint32_t kLowestRate = 4000, kHighestRate = 192000;
constexpr size_t kBlockBytes = 16384;  // file bytes read at a time
// The most of an ADPCM format chunk's own fields that is read: samples per
// block, the coefficient count and 256 coefficient pairs.
constexpr uint32_t kMaxCodecFields = 4 + 4 * 256;
// Mixing weights are fixed point with 16 fraction bits.
constexpr int32_t kWeightOne = 1 << 16;

// What the format chunk says. For WAVE_FORMAT_EXTENSIBLE, formatTag is the
// sub-format's (0 for a GUID outside the family).
struct FmtFields {
    uint32_t formatTag = 0, channels = 0, samplesPerSecond = 0, blockAlign = 0, bits = 0;
    uint32_t channelMask = 0;
    std::vector<uint8_t> codecFields;  // ADPCM's own fields
};

// The common fields; false when the chunk is too short to hold them.
bool ReadCommonFields(std::FILE *file, uint32_t chunkSize, FmtFields &fmt) {
    bool complete = true;
    fmt.formatTag = ReadUI16(file, &complete);
    fmt.channels = ReadUI16(file, &complete);
    fmt.samplesPerSecond = ReadUI32(file, &complete);
    ReadUI32(file, &complete);  // average bytes per second: the rest says it
    fmt.blockAlign = ReadUI16(file, &complete);
    fmt.bits = ReadUI16(file, &complete);
    return complete && chunkSize >= kCommonFieldsBytes;
}

// The extra information: the extensible fields, then ADPCM's own fields.
// Its size is believed only as far as the chunk goes: beyond lies the next
// chunk. False when the file ends first or an extensible chunk is short.
bool ReadExtraFields(std::FILE *file, uint32_t chunkSize, FmtFields &fmt) {
    bool complete = true;
    uint64_t extraLeft = 0;  // bytes of it not read yet
    if (fmt.formatTag != kFormatPcm && chunkSize >= kExtraStart) {
        const uint32_t extra = ReadUI16(file, &complete);
        extraLeft = extra < chunkSize - kExtraStart ? extra : chunkSize - kExtraStart;
        if (fmt.formatTag == kFormatExtensible) {
            if (extra < kExtensibleBytes || chunkSize < kExtraStart + kExtensibleBytes) return false;
            ReadUI16(file, &complete);  // valid bits: the samples are read whole
            fmt.channelMask = ReadUI32(file, &complete);
            uint8_t guid[16] = {0};
            if (std::fread(guid, 1, 16, file) != 16) complete = false;
            const bool known = std::memcmp(guid + 2, kGuidTail, sizeof kGuidTail) == 0;
            fmt.formatTag = known ? static_cast<uint32_t>(guid[0] | guid[1] << 8) : 0;
            extraLeft -= kExtensibleBytes;
        }
    }
    if (IsBlockFormat(fmt.formatTag)) {
        fmt.codecFields.resize(extraLeft < kMaxCodecFields ? extraLeft : kMaxCodecFields);
        if (std::fread(fmt.codecFields.data(), 1, fmt.codecFields.size(), file) != fmt.codecFields.size())
            complete = false;
    }
    return complete;
}

// The rate code that samplesPerSecond plays at: the SWF rate within 0.1% of
// it (exact), or else the lowest SWF rate above it, 44.1 kHz at most.
uint8_t SwfRateCode(uint32_t samplesPerSecond, bool &exact) {
    const uint64_t twice = 2ull * samplesPerSecond;
    for (uint8_t code = 0; code <= kSoundRate44k; ++code) {
        const uint64_t rate = kSoundRateHalfHertz[code];
        const uint64_t off = twice > rate ? twice - rate : rate - twice;
        if (off * 1000 <= rate) {
            exact = true;
            return code;
        }
    }
    exact = false;
    for (uint8_t code = 0; code <= kSoundRate44k; ++code)
        if (kSoundRateHalfHertz[code] >= twice) return code;
    return kSoundRate44k;
}

int16_t Clamp16(int64_t v) {
    return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

}  // namespace

uint32_t SwfRateHalfHertz(uint8_t rateCode) { return kSoundRateHalfHertz[rateCode & kSoundRate44k]; }

bool WaveReader::Open(std::FILE *file, SoundFormat &format) {
    format = SoundFormat{};
    format.compression = kSoundAdpcm;
    file_ = file;
    frames_ = framesRead_ = 0;
    channels_ = 0;
    blocks_.reset();
    decodedFrames_ = decodedAt_ = 0;
    RiffChunks chunk;
    if (!chunk.Open(file)) return false;
    bool haveFormat = false;
    uint32_t factFrames = 0;
    while (chunk.Next()) {
        if (chunk.Id() == kData) return haveFormat && StartData(chunk, factFrames, format);
        // Any other chunk running past the end of the file: garbage.
        if (chunk.End() > chunk.FileLength()) return false;
        if (chunk.Id() == kFmt) {
            if (!ReadFormat(chunk.Size(), format)) return false;
            haveFormat = true;
        } else if (chunk.Id() == kFact && chunk.Size() >= 4) {
            bool complete = true;
            factFrames = ReadUI32(file, &complete);
            if (!complete) factFrames = 0;
        }  // others skipped: LIST, bext, JUNK, ...
    }
    return false;
}

bool WaveReader::ReadFormat(uint32_t chunkSize, SoundFormat &format) {
    FmtFields fmt;
    if (!ReadCommonFields(file_, chunkSize, fmt)) return false;
    if (fmt.channels < 1 || fmt.channels > kMaxChannels) return false;
    format.stereo = fmt.channels > 1 ? 1 : 0;
    if (fmt.samplesPerSecond < kLowestRate || fmt.samplesPerSecond > kHighestRate) return false;
    bool exact = false;
    format.rate = SwfRateCode(fmt.samplesPerSecond, exact);
    if (!ReadExtraFields(file_, chunkSize, fmt)) return false;
    const WaveEncoding *encoding = FindWaveEncoding(fmt.formatTag, fmt.bits);
    if (!encoding) return false;
    std::unique_ptr<BlockDecoder> blocks;
    if (!encoding->decode) {
        blocks = MakeBlockDecoder({fmt.formatTag, fmt.channels, fmt.blockAlign, fmt.bits,
                                   std::move(fmt.codecFields)});
        if (!blocks) return false;
    }
    encoding_ = encoding;
    blocks_ = std::move(blocks);
    format.is16Bit = encoding->soundSize;
    channels_ = fmt.channels;
    frameBytes_ = blocks_ ? fmt.blockAlign : fmt.channels * (fmt.bits / 8);
    sampleRate_ = fmt.samplesPerSecond;
    resample_ = !exact;
    if (fmt.channels > 2) MixWeights(fmt.channelMask);
    return true;
}

bool WaveReader::StartData(const RiffChunks &chunk, uint32_t factFrames, SoundFormat &format) {
    uint64_t bytes = chunk.Size();
    const uint64_t available = chunk.FileLength() - chunk.Content();
    // A size of 0 where the RIFF size is wrong too (never patched), of
    // 0xFFFFFFFF (written into a pipe) or beyond the end of the file: the
    // samples run to the end of the file.
    if (chunk.Size() == 0xFFFFFFFF || bytes > available || (bytes == 0 && !chunk.RiffSizeAgrees()))
        bytes = available;
    frames_ = CountFrames(bytes, factFrames);
    bytesLeft_ = bytes;
    format.sampleCount = SampleCount(format);
    AllocateBuffers();
    if (!SeekTo(file_, chunk.Content())) {
        format.sampleCount = 0;
        frames_ = 0;
        return false;
    }
    return true;
}

uint64_t WaveReader::CountFrames(uint64_t bytes, uint32_t factFrames) const {
    const uint64_t frames = bytes / frameBytes_;
    if (!blocks_) return frames;
    const uint64_t blockFrames = frames * blocks_->FramesPerBlock() + blocks_->FramesIn(bytes % frameBytes_);
    // Encoders pad the last block; the fact chunk says where the sound
    // ends. A count elsewhere is stale: the data decides.
    if (factFrames > 0 && factFrames < blockFrames && blockFrames - factFrames < blocks_->FramesPerBlock())
        return factFrames;
    return blockFrames;
}

uint32_t WaveReader::SampleCount(const SoundFormat &format) const {
    uint64_t frames = frames_;
    if (resample_) {
        const uint64_t in = 2ull * sampleRate_, out = SwfRateHalfHertz(format.rate);
        frames = (frames_ * out + in / 2) / in;
    }
    // The sample count and the tag's length are 32-bit fields: a sound ends
    // after 2^32 - 1 frames mono (27 hours at 44.1 kHz), or 0xCC000000
    // frames stereo (21.5 hours; 4.28 GB of 5-bit codes).
    const uint64_t limit = format.stereo ? 0xCC000000ull : 0xFFFFFFFFull;
    return static_cast<uint32_t>(frames < limit ? frames : limit);
}

void WaveReader::AllocateBuffers() {
    if (blocks_) {
        raw_.assign(frameBytes_, 0);
        decoded_.assign(static_cast<size_t>(blocks_->FramesPerBlock()) * channels_, 0);
        return;
    }
    raw_.assign(kBlockBytes > frameBytes_ ? kBlockBytes - kBlockBytes % frameBytes_ : frameBytes_, 0);
    if (channels_ > 2) wide_.assign(raw_.size() / frameBytes_ * channels_, 0);
}

// Mixing more than two channels down to stereo: front left and right go to
// their side whole, the other side speakers at -3 dB, centre and unknown
// channels to both sides at -3 dB, the low-frequency channel nowhere. Each
// side's weights add up to 1, so nothing clips and a signal present on every
// channel keeps its level. The speakers follow the channel mask, or for a
// file without one the usual order (FL, FR, FC, LFE, BL, BR, ...). Weights
// are fixed point with 16 fraction bits, so every machine mixes alike.
void WaveReader::MixWeights(uint32_t channelMask) {
    if (channelMask == 0) channelMask = 0xFFFFFFFF;
    constexpr double kSide = 0.70710678118654752;
    // Per speaker bit: 1 left, 2 right, 3 centre, 0 none (LFE).
    static const uint8_t kSpeaker[18] = {1, 2, 3, 0, 1, 2, 1, 2, 3, 1, 2, 3, 1, 3, 2, 1, 3, 2};
    std::vector<double> w(2 * channels_, 0.0);
    uint32_t bit = 0;
    for (uint32_t c = 0; c < channels_; ++c) {
        while (bit < 32 && !(channelMask >> bit & 1)) ++bit;
        const uint8_t speaker = bit < 18 ? kSpeaker[bit] : 3;
        const double whole = bit < 2 ? 1.0 : kSide;
        if (speaker == 1) w[2 * c] = whole;
        if (speaker == 2) w[2 * c + 1] = whole;
        if (speaker == 3) w[2 * c] = w[2 * c + 1] = kSide;
        if (bit < 32) ++bit;
    }
    weights_.assign(2 * channels_, 0);
    for (uint32_t side = 0; side < 2; ++side) {
        double sum = 0;
        for (uint32_t c = 0; c < channels_; ++c) sum += w[2 * c + side];
        for (uint32_t c = 0; c < channels_; ++c)
            weights_[2 * c + side] =
                static_cast<int32_t>(std::lround((sum > 0 ? w[2 * c + side] / sum : 1.0 / channels_) * kWeightOne));
    }
}

void WaveReader::MixDown(const int16_t *wide, size_t frames, int16_t *out) const {
    for (size_t f = 0; f < frames; ++f) {
        int64_t left = 0, right = 0;
        for (uint32_t c = 0; c < channels_; ++c) {
            left += static_cast<int64_t>(weights_[2 * c]) * wide[f * channels_ + c];
            right += static_cast<int64_t>(weights_[2 * c + 1]) * wide[f * channels_ + c];
        }
        out[2 * f] = Clamp16((left + kWeightOne / 2) >> 16);
        out[2 * f + 1] = Clamp16((right + kWeightOne / 2) >> 16);
    }
}

uint32_t WaveReader::Read(int16_t *out, uint32_t frames) {
    if (blocks_) return ReadBlocks(out, frames);
    const uint32_t blockFrames = static_cast<uint32_t>(raw_.size() / (frameBytes_ ? frameBytes_ : 1));
    uint32_t done = 0;
    while (done < frames && framesRead_ < frames_) {
        uint64_t n = frames - done;
        if (n > blockFrames) n = blockFrames;
        if (n > frames_ - framesRead_) n = frames_ - framesRead_;
        const size_t got = std::fread(raw_.data(), frameBytes_, static_cast<size_t>(n), file_);
        if (got == 0) {  // the file is shorter than when it was opened
            frames_ = framesRead_;
            break;
        }
        int16_t *to = out + static_cast<size_t>(done) * OutputChannels();
        if (channels_ > 2) {
            encoding_->decode(raw_.data(), got * channels_, wide_.data());
            MixDown(wide_.data(), got, to);
        } else {
            encoding_->decode(raw_.data(), got * channels_, to);
        }
        done += static_cast<uint32_t>(got);
        framesRead_ += got;
    }
    return done;
}

// ADPCM: one block at a time, read (no further than the data goes) and
// decoded whole, then handed out.
uint32_t WaveReader::ReadBlocks(int16_t *out, uint32_t frames) {
    const uint32_t outChannels = OutputChannels();
    uint32_t done = 0;
    while (done < frames && framesRead_ < frames_) {
        if (decodedAt_ == decodedFrames_) {
            const size_t want = bytesLeft_ < raw_.size() ? static_cast<size_t>(bytesLeft_) : raw_.size();
            const size_t got = std::fread(raw_.data(), 1, want, file_);
            bytesLeft_ -= got;
            decodedFrames_ = blocks_->Decode(raw_.data(), got, decoded_.data());
            decodedAt_ = 0;
            if (decodedFrames_ == 0) {  // the file is shorter than when it was opened
                frames_ = framesRead_;
                break;
            }
        }
        uint64_t n = frames - done;
        if (n > decodedFrames_ - decodedAt_) n = decodedFrames_ - decodedAt_;
        if (n > frames_ - framesRead_) n = frames_ - framesRead_;
        const int16_t *from = decoded_.data() + static_cast<size_t>(decodedAt_) * channels_;
        int16_t *to = out + static_cast<size_t>(done) * outChannels;
        if (channels_ > 2) MixDown(from, static_cast<size_t>(n), to);
        else std::memcpy(to, from, sizeof(int16_t) * static_cast<size_t>(n) * channels_);
        done += static_cast<uint32_t>(n);
        decodedAt_ += static_cast<uint32_t>(n);
        framesRead_ += n;
    }
    return done;
}

}  // namespace quillon
