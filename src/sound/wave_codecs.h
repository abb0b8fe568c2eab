// The sample encodings of WAV files that the reader takes, as a table from
// format tag and sample size to decoder: PCM and IEEE float, G.711 mu-law
// and A-law (a byte a sample), and the block-based IMA ADPCM and Microsoft
// ADPCM, whose every block opens with a header per channel that restarts
// the decoder, so that each block decodes on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quillon {

// WAV format tags. WAVE_FORMAT_EXTENSIBLE names the encoding in a
// sub-format GUID whose first two bytes are one of the others.
constexpr uint32_t kFormatPcm = 0x0001;
constexpr uint32_t kFormatMsAdpcm = 0x0002;
constexpr uint32_t kFormatFloat = 0x0003;
constexpr uint32_t kFormatALaw = 0x0006;
constexpr uint32_t kFormatMuLaw = 0x0007;
constexpr uint32_t kFormatImaAdpcm = 0x0011;
constexpr uint32_t kFormatExtensible = 0xFFFE;

// Turns count samples of file bytes (little-endian) into 16-bit samples:
// integers rounded to their upper 16 bits, 8-bit PCM unsigned around 128,
// floats full scale at 1.0 (NaN is silence).
using SampleDecoder = void (*)(const uint8_t *bytes, size_t count, int16_t *out);

// How the samples of one format tag and sample size are stored.
struct WaveEncoding {
    uint32_t formatTag;
    uint32_t bitsPerSample;
    uint8_t soundSize;     // the SWF SoundSize of the sound: 0 only for 8-bit PCM
    SampleDecoder decode;  // null for ADPCM, decoded block by block (MakeBlockDecoder)
};

// The encoding of formatTag with bitsPerSample, or null when the reader
// takes none: PCM of 8 (unsigned), 16, 24 or 32 bits, float of 32 or 64,
// A-law and mu-law of 8, IMA and Microsoft ADPCM of 4.
const WaveEncoding *FindWaveEncoding(uint32_t formatTag, uint32_t bitsPerSample);
// Whether formatTag is one of the block-based codecs (fields of their own
// in the format chunk).
inline bool IsBlockFormat(uint32_t formatTag) {
    return formatTag == kFormatImaAdpcm || formatTag == kFormatMsAdpcm;
}

// G.711: one code byte to a 16-bit sample. mu-law 0xFF and 0x7F are 0,
// 0x00 is -32124, 0x80 is 32124; A-law 0xD5 is 8, 0x55 is -8, 0xAA is
// 32256, 0x2A is -32256.
int16_t MuLawToLinear(uint8_t code);
int16_t ALawToLinear(uint8_t code);

// A decoder of one block-based codec with its block size and channels.
class BlockDecoder {
public:
    virtual ~BlockDecoder() = default;

    uint32_t Channels() const { return channels_; }
    uint32_t BlockBytes() const { return blockBytes_; }
    // Sample frames in a whole block (1 to 131 058).
    uint32_t FramesPerBlock() const { return framesPerBlock_; }

    // The sample frames that the first bytes of a block hold whole:
    // FramesPerBlock() for bytes >= BlockBytes(), 0 when even the headers
    // are not all there (a block cut short at the end of the file).
    virtual uint32_t FramesIn(size_t bytes) const = 0;
    // Decodes FramesIn(bytes) frames of block into out (that many frames
    // of Channels() samples, interleaved) and returns their number. A
    // block whose header names a step or predictor outside its table
    // decodes as silence.
    virtual uint32_t Decode(const uint8_t *block, size_t bytes, int16_t *out) const = 0;

protected:
    BlockDecoder(uint32_t channels, uint32_t blockBytes, uint32_t framesPerBlock)
        : channels_(channels), blockBytes_(blockBytes), framesPerBlock_(framesPerBlock) {}

    uint32_t channels_;        // 1 to 64
    uint32_t blockBytes_;      // the format chunk's block align
    uint32_t framesPerBlock_;  // at least 1, at most what blockBytes_ holds
};

// What the "fmt " chunk says of a block-based codec.
struct BlockFormat {
    uint32_t formatTag = 0;  // kFormatImaAdpcm or kFormatMsAdpcm
    uint32_t channels = 0;
    uint32_t blockAlign = 0;
    uint32_t bitsPerSample = 0;
    // The codec's own fields: for a plain format chunk the bytes after the
    // extra-information size, for WAVE_FORMAT_EXTENSIBLE those after the
    // sub-format GUID. Samples per block (UI16), and for Microsoft ADPCM the
    // number of coefficient pairs (UI16) and the pairs (SI16 each).
    std::vector<uint8_t> extra;
};

// The decoder for format, or null when its fields do not fit together: not 4 bits per sample, a block align
// too small for the block headers of its channels, samples per block
// beyond what a block holds, fewer coefficients than announced, or a
// coefficient table of more than 256 pairs. Samples per block missing or 0
// are taken from the block align; Microsoft ADPCM without coefficients
// gets the seven standard pairs.
std::unique_ptr<BlockDecoder> MakeBlockDecoder(const BlockFormat &format);

}  // namespace quillon
