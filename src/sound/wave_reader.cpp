// WAV reader: a walk over the RIFF chunks as writers really store them, then
// the samples block by block. Every position is computed in 64 bits and
// checked against the file's length before it is used, so no chunk size can
// make the walk wrap, loop or allocate more than a block.
#include "sound/wave_reader.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "movie/tag.h"

namespace quillon {

namespace {

constexpr uint32_t kRiff = 0x46464952;  // "RIFF"
constexpr uint32_t kWave = 0x45564157;  // "WAVE"
constexpr uint32_t kFmt = 0x20746D66;   // "fmt "
constexpr uint32_t kData = 0x61746164;  // "data"
constexpr uint32_t kFact = 0x74636166;  // "fact": the frame count of compressed data

constexpr uint32_t kFormatPcm = 0x0001;
constexpr uint32_t kFormatFloat = 0x0003;
constexpr uint32_t kFormatExtensible = 0xFFFE;
// The last 14 bytes of the sub-format GUID of WAVE_FORMAT_EXTENSIBLE; its
// first two bytes are the format tag (PCM or float).
constexpr uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                   0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr uint32_t kMaxChannels = 64;
constexpr uint32_t kLowestRate = 4000, kHighestRate = 192000;
constexpr size_t kBlockBytes = 16384;  // file bytes read at a time
// The most of an ADPCM format chunk's own fields that is read: samples per
// block, the coefficient count and 256 coefficient pairs.
constexpr uint32_t kMaxCodecFields = 4 + 4 * 256;

const char *FormatTagName(uint32_t tag) {
    switch (tag) {
    case 0x0001: return "WAVE_FORMAT_PCM\n";
    case 0x0002: return "WAVE_FORMAT_ADPCM\n";
    case 0x0003: return "WAVE_FORMAT_IEEE_FLOAT\n";
    case 0x0005: return "WAVE_FORMAT_IBM_CVSD\n";
    case 0x0006: return "WAVE_FORMAT_ALAW\n";
    case 0x0007: return "WAVE_FORMAT_MULAW\n";
    case 0x0010: return "WAVE_FORMAT_OKI_ADPCM";
    case 0x0011: return "WAVE_FORMAT_DVI_ADPCM or WAVE_FORMAT_IMA_ADPCM\n";
    case 0x0015: return "WAVE_FORMAT_DIGISTD\n";
    case 0x0016: return "WAVE_FORMAT_DIGIFIX\n";
    case 0x0020: return "WAVE_FORMAT_YAMAHA_ADPCM\n";
    case 0x0021: return "WAVE_FORMAT_SONARC\n";
    case 0x0022: return "WAVE_FORMAT_DSPGROUP_TRUESPEECH\n";
    case 0x0023: return "WAVE_FORMAT_ECHOSC1\n";
    case 0x0024: return "WAVE_FORMAT_AUDIOFILE_AF18\n";
    case 0x0101: return "IBM_FORMAT_MULAW\n";
    case 0x0102: return "IBM_FORMAT_ALAW\n";
    case 0x0103: return "IBM_FORMAT_ADPCM\n";
    case 0x0200: return "WAVE_FORMAT_CREATIVE_ADPCM\n";
    case 0xFFFE: return "WAVE_FORMAT_EXTENSIBLE\n";
    default: return "WAVE_FORMAT_UNKNOWN";
    }
}

// 64-bit file positions: long has 32 bits on Windows, where a WAV file of
// more than 2 GiB (an hour of 96 kHz 24-bit stereo) would not be found.
int64_t Tell(std::FILE *file) {
#if defined(_WIN32)
    return _ftelli64(file);
#else
    return std::ftell(file);
#endif
}

bool SeekTo(std::FILE *file, uint64_t position) {
#if defined(_WIN32)
    return position <= static_cast<uint64_t>(INT64_MAX) &&
           _fseeki64(file, static_cast<int64_t>(position), SEEK_SET) == 0;
#else
    return position <= static_cast<uint64_t>(LONG_MAX) &&
           std::fseek(file, static_cast<long>(position), SEEK_SET) == 0;
#endif
}

// The file's length in bytes, or -1; the position is restored.
int64_t FileLength(std::FILE *file) {
    const int64_t here = Tell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const int64_t end = Tell(file);
    if (!SeekTo(file, static_cast<uint64_t>(here))) return -1;
    return end;
}

// The SWF rates in half-hertz, by rate code.
constexpr uint32_t kSwfRates[4] = {11025, 22050, 44100, 88200};

// The rate code that samplesPerSecond plays at: the SWF rate within 0.1% of
// it (exact), or else the lowest SWF rate above it, 44.1 kHz at most.
uint8_t SwfRateCode(uint32_t samplesPerSecond, bool &exact) {
    const uint64_t twice = 2ull * samplesPerSecond;
    for (uint8_t code = 0; code < 4; ++code) {
        uint64_t off = twice > kSwfRates[code] ? twice - kSwfRates[code] : kSwfRates[code] - twice;
        if (off * 1000 <= kSwfRates[code]) {
            exact = true;
            return code;
        }
    }
    exact = false;
    for (uint8_t code = 0; code < 4; ++code)
        if (kSwfRates[code] >= twice) return code;
    return 3;
}

int16_t Clamp16(int64_t v) {
    return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

// A float sample, full scale at 1.0, rounded to 16 bits; NaN is silence.
int16_t FloatTo16(double x) {
    if (!(x == x)) return 0;
    double v = x * 32768.0;
    return Clamp16(v <= -32768.0 ? -32768 : (v >= 32767.0 ? 32767 : std::lround(v)));
}

uint32_t LE32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

uint32_t SwfRateHalfHertz(uint8_t rateCode) { return kSwfRates[rateCode & 3]; }

uint32_t ReadUI32(std::FILE *file, bool *complete) {
    uint8_t b[4] = {0, 0, 0, 0};
    if (std::fread(b, 1, 4, file) != 4 && complete) *complete = false;
    return LE32(b);
}

uint16_t ReadUI16(std::FILE *file, bool *complete) {
    uint8_t b[2] = {0, 0};
    if (std::fread(b, 1, 2, file) != 2 && complete) *complete = false;
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

bool WaveReader::Open(std::FILE *file, SoundFormat &format) {
    format = SoundFormat{};
    format.compression = 1;
    file_ = file;
    frames_ = framesRead_ = 0;
    channels_ = 0;
    blocks_.reset();
    decodedFrames_ = decodedAt_ = 0;
    bool complete = true;
    bool haveFact = false;
    uint32_t factFrames = 0;

    if (ReadUI32(file, &complete) != kRiff || !complete) {
        Trace("Not a RIFF format file\n");
        return false;
    }
    const uint32_t riffSize = ReadUI32(file, &complete);
    if (ReadUI32(file, &complete) != kWave || !complete) {
        Trace("Not a WAVE file\n");
        return false;
    }
    const int64_t length = FileLength(file);
    if (length < 12) return false;
    const uint64_t fileLength = static_cast<uint64_t>(length);
    // Writers that stream never patch the RIFF size: it is noted, and the
    // chunks are walked up to the end of the file whatever it says.
    const bool riffAgrees = static_cast<uint64_t>(riffSize) + 8 == fileLength;
    if (!riffAgrees)
        Trace("RIFF size %lu, file of %lu bytes\n", static_cast<unsigned long>(riffSize),
              static_cast<unsigned long>(fileLength));

    bool haveFormat = false;
    uint64_t position = 12;
    while (position + 8 <= fileLength) {
        if (!SeekTo(file, position)) return false;
        const uint32_t id = ReadUI32(file, &complete);
        const uint32_t chunkSize = ReadUI32(file, &complete);
        if (!complete) {
            Trace("Truncated chunk header\n");
            return false;
        }
        const uint64_t content = position + 8;
        const uint64_t end = content + chunkSize;  // 64 bits: a huge size cannot wrap
        Trace("\n----- Chunk ID %lx, Size %ld -----\n", static_cast<unsigned long>(id),
              static_cast<long>(chunkSize));

        if (id == kData) {
            Trace("Data Chunk\n");
            if (!haveFormat) {
                Trace("Warning Format Chunk not defined before Data Chunk\n");
                return false;
            }
            uint64_t bytes = chunkSize;
            const uint64_t available = fileLength - content;
            if (chunkSize == 0xFFFFFFFF || chunkSize > available || (chunkSize == 0 && !riffAgrees)) {
                Trace("Warning Read %lu of %lu bytes: the samples run to the end of the file\n",
                      static_cast<unsigned long>(available), static_cast<unsigned long>(chunkSize));
                bytes = available;
            }
            frames_ = bytes / frameBytes_;
            if (blocks_) {
                frames_ = frames_ * blocks_->FramesPerBlock() + blocks_->FramesIn(bytes % frameBytes_);
                // Encoders pad the last block; the fact chunk says where the
                // sound ends. A count elsewhere is stale: the data decides.
                if (haveFact && factFrames > 0 && factFrames < frames_ &&
                    frames_ - factFrames < blocks_->FramesPerBlock())
                    frames_ = factFrames;
                else if (haveFact && factFrames != frames_)
                    Trace("fact chunk of %lu frames ignored: the data holds %lu\n",
                          static_cast<unsigned long>(factFrames), static_cast<unsigned long>(frames_));
            }
            bytesLeft_ = bytes;
            uint64_t outFrames = frames_;
            if (resample_) {
                const uint64_t in = 2ull * sampleRate_, out = SwfRateHalfHertz(format.rate);
                outFrames = (frames_ * out + in / 2) / in;
            }
            // The sample count and the tag's length are 32-bit fields: a
            // sound ends after 2^32 - 1 frames mono (27 hours at 44.1 kHz),
            // or 0xCC000000 frames stereo (21.5 hours; 4.28 GB of data).
            const uint64_t limit = format.stereo ? 0xCC000000ull : 0xFFFFFFFFull;
            if (outFrames > limit) {
                Trace("Sound cut to %lu sample frames\n", static_cast<unsigned long>(limit));
                outFrames = limit;
            }
            format.sampleCount = static_cast<uint32_t>(outFrames);
            if (blocks_) {
                raw_.assign(frameBytes_, 0);
                decoded_.assign(static_cast<size_t>(blocks_->FramesPerBlock()) * channels_, 0);
            } else {
                raw_.assign(kBlockBytes > frameBytes_ ? kBlockBytes - kBlockBytes % frameBytes_ : frameBytes_, 0);
                if (channels_ > 2) wide_.assign(raw_.size() / frameBytes_ * channels_, 0);
            }
            if (!SeekTo(file, content)) {
                format.sampleCount = 0;
                return false;
            }
            return true;
        }
        if (end > fileLength) {
            Trace("Chunk ends %lu bytes beyond the end of the file\n",
                  static_cast<unsigned long>(end - fileLength));
            return false;
        }
        if (id == kFmt) {
            if (!ReadFormat(chunkSize, format)) return false;
            haveFormat = true;
        } else if (id == kFact && chunkSize >= 4) {
            factFrames = ReadUI32(file, &complete);
            haveFact = complete;
            Trace("Fact Chunk: %lu sample frames\n", static_cast<unsigned long>(factFrames));
        } else {
            Trace("Unknown Chunk\n");  // skipped: LIST, bext, JUNK, ...
        }
        position = end;
        // The pad byte after an odd-sized chunk. A writer that left it out
        // is recognised by a chunk id there: ids never begin with a zero.
        if (chunkSize % 2 == 1 && end < fileLength) {
            uint8_t pad = 1;
            if (SeekTo(file, end) && std::fread(&pad, 1, 1, file) == 1 && pad == 0) position += 1;
        }
    }
    return false;
}

bool WaveReader::ReadFormat(uint32_t chunkSize, SoundFormat &format) {
    bool complete = true;
    Trace("Format Chunk\n");
    Trace("Common Fields:\n");
    uint32_t formatTag = ReadUI16(file_, &complete);
    Trace("  Format Tag %04lXh:  ", static_cast<unsigned long>(formatTag));
    Trace(FormatTagName(formatTag));
    const uint32_t channels = ReadUI16(file_, &complete);
    if (!complete || chunkSize < 16) {
        Trace("Truncated format chunk\n");
        return false;
    }
    Trace("  %u Channels\n", channels);
    if (channels < 1 || channels > kMaxChannels) {
        Trace("%u channels unsupported\n", channels);
        return false;
    }
    format.stereo = channels > 1 ? 1 : 0;
    const uint32_t samplesPerSecond = ReadUI32(file_, &complete);
    Trace("  %u Samples Per Second\n", samplesPerSecond);
    if (samplesPerSecond < kLowestRate || samplesPerSecond > kHighestRate) {
        Trace("Sample rate %d unsupported\n", static_cast<int>(samplesPerSecond));
        return false;
    }
    bool exact = false;
    format.rate = SwfRateCode(samplesPerSecond, exact);
    const uint32_t averageBytes = ReadUI32(file_, &complete);
    Trace("  %u Average Bytes Per Second\n", averageBytes);
    const uint32_t blockAlign = ReadUI16(file_, &complete);
    Trace("  Block Align %u\n", blockAlign);
    Trace("Format Specific Fields:\n");
    const uint32_t bits = ReadUI16(file_, &complete);
    Trace("  %u Bits Per Sample\n", bits);
    uint32_t channelMask = 0;
    // The bytes of the extra information not read yet.
    uint64_t extraLeft = 0;
    if (formatTag != kFormatPcm && chunkSize >= 18) {
        const uint32_t extra = ReadUI16(file_, &complete);
        Trace("  %d Bytes of extra information\n", static_cast<int>(extra));
        extraLeft = extra < chunkSize - 18 ? extra : chunkSize - 18;
        if (formatTag == kFormatExtensible) {
            if (extra < 22 || chunkSize < 40) {
                Trace("  NOT YET SUPPORTED\n");
                return false;
            }
            const uint32_t validBits = ReadUI16(file_, &complete);
            channelMask = ReadUI32(file_, &complete);
            uint8_t guid[16] = {0};
            if (std::fread(guid, 1, 16, file_) != 16) complete = false;
            formatTag = static_cast<uint32_t>(guid[0] | guid[1] << 8);
            Trace("  %u valid bits, channel mask %lx, sub-format %04lXh\n", validBits,
                  static_cast<unsigned long>(channelMask), static_cast<unsigned long>(formatTag));
            if (std::memcmp(guid + 2, kGuidTail, sizeof kGuidTail) != 0) formatTag = 0;
            extraLeft -= 22;
        }
    }
    // An ADPCM format's own fields: after the extra size, or in an
    // extensible chunk after the sub-format.
    BlockFormat blockFormat{formatTag, channels, blockAlign, bits, {}};
    if (formatTag == kFormatImaAdpcm || formatTag == kFormatMsAdpcm) {
        blockFormat.extra.resize(extraLeft < kMaxCodecFields ? extraLeft : kMaxCodecFields);
        if (std::fread(blockFormat.extra.data(), 1, blockFormat.extra.size(), file_) !=
            blockFormat.extra.size())
            complete = false;
    }
    if (!complete) {
        Trace("Truncated format chunk\n");
        return false;
    }
    if (formatTag == kFormatPcm && bits == 8) encoding_ = Encoding::kUnsigned8;
    else if (formatTag == kFormatPcm && bits == 16) encoding_ = Encoding::kSigned16;
    else if (formatTag == kFormatPcm && bits == 24) encoding_ = Encoding::kSigned24;
    else if (formatTag == kFormatPcm && bits == 32) encoding_ = Encoding::kSigned32;
    else if (formatTag == kFormatFloat && bits == 32) encoding_ = Encoding::kFloat32;
    else if (formatTag == kFormatFloat && bits == 64) encoding_ = Encoding::kFloat64;
    else if (formatTag == kFormatMuLaw && bits == 8) encoding_ = Encoding::kMuLaw;
    else if (formatTag == kFormatALaw && bits == 8) encoding_ = Encoding::kALaw;
    else if (formatTag == kFormatImaAdpcm || formatTag == kFormatMsAdpcm) {
        blocks_ = MakeBlockDecoder(blockFormat);
        if (!blocks_) return false;
        encoding_ = Encoding::kBlocks;
    } else {
        if (formatTag == kFormatPcm || formatTag == kFormatFloat || formatTag == kFormatMuLaw ||
            formatTag == kFormatALaw)
            Trace("%u bits per sample unsupported\n", bits);
        else
            Trace("  NOT YET SUPPORTED\n");
        return false;
    }
    format.is16Bit = encoding_ == Encoding::kUnsigned8 ? 0 : 1;
    channels_ = channels;
    frameBytes_ = blocks_ ? blockAlign : channels * (bits / 8);
    sampleRate_ = samplesPerSecond;
    resample_ = !exact;
    if (channels > 2) MixWeights(channelMask);
    return true;
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
                static_cast<int32_t>(std::lround((sum > 0 ? w[2 * c + side] / sum : 1.0 / channels_) * 65536));
    }
}

void WaveReader::MixDown(const int16_t *wide, size_t frames, int16_t *out) const {
    for (size_t f = 0; f < frames; ++f) {
        int64_t left = 0, right = 0;
        for (uint32_t c = 0; c < channels_; ++c) {
            left += static_cast<int64_t>(weights_[2 * c]) * wide[f * channels_ + c];
            right += static_cast<int64_t>(weights_[2 * c + 1]) * wide[f * channels_ + c];
        }
        out[2 * f] = Clamp16((left + 32768) >> 16);
        out[2 * f + 1] = Clamp16((right + 32768) >> 16);
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
        if (got == 0) {
            Trace("Warning the file ends %lu sample frames early\n",
                  static_cast<unsigned long>(frames_ - framesRead_));
            frames_ = framesRead_;
            break;
        }
        const size_t count = got * channels_;
        int16_t *wide = channels_ > 2 ? wide_.data() : out + static_cast<size_t>(done) * channels_;
        const uint8_t *p = raw_.data();
        switch (encoding_) {
        case Encoding::kUnsigned8:
            for (size_t i = 0; i < count; ++i) wide[i] = static_cast<int16_t>((p[i] - 128) * 256);
            break;
        case Encoding::kSigned16:
            for (size_t i = 0; i < count; ++i)
                wide[i] = static_cast<int16_t>(static_cast<uint16_t>(p[2 * i] | p[2 * i + 1] << 8));
            break;
        case Encoding::kSigned24:
            for (size_t i = 0; i < count; ++i, p += 3) {
                const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 |
                                                       static_cast<uint32_t>(p[1]) << 16 |
                                                       static_cast<uint32_t>(p[2]) << 24) >> 8;
                wide[i] = Clamp16((v + 128) >> 8);
            }
            break;
        case Encoding::kSigned32:
            for (size_t i = 0; i < count; ++i, p += 4)
                wide[i] = Clamp16((static_cast<int64_t>(static_cast<int32_t>(LE32(p))) + 32768) >> 16);
            break;
        case Encoding::kFloat32:
            for (size_t i = 0; i < count; ++i, p += 4) {
                const uint32_t u = LE32(p);
                float f;
                std::memcpy(&f, &u, 4);
                wide[i] = FloatTo16(f);
            }
            break;
        case Encoding::kFloat64:
            for (size_t i = 0; i < count; ++i, p += 8) {
                const uint64_t u = LE32(p) | static_cast<uint64_t>(LE32(p + 4)) << 32;
                double d;
                std::memcpy(&d, &u, 8);
                wide[i] = FloatTo16(d);
            }
            break;
        case Encoding::kMuLaw:
            for (size_t i = 0; i < count; ++i) wide[i] = MuLawToLinear(p[i]);
            break;
        case Encoding::kALaw:
            for (size_t i = 0; i < count; ++i) wide[i] = ALawToLinear(p[i]);
            break;
        case Encoding::kBlocks: break;  // ReadBlocks
        }
        if (channels_ > 2) MixDown(wide, got, out + static_cast<size_t>(done) * 2);
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
            if (decodedFrames_ == 0) {
                Trace("Warning the file ends %lu sample frames early\n",
                      static_cast<unsigned long>(frames_ - framesRead_));
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
