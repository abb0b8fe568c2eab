// WaveReader: walks the RIFF chunks of a WAV file up to its samples, fills
// the SWF sound format fields, and then hands the samples out block by block
// as 16-bit frames of one or two channels, decoding the encodings of
// sound/wave_codecs on the way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "sound/riff_chunks.h"
#include "sound/wave_codecs.h"

namespace quillon {

// The SWF sound format fields that a DefineSound carries.
struct SoundFormat {
    uint8_t compression = 0;   // SoundFormat code; the reader sets kSoundAdpcm
    uint8_t rate = 0;          // SoundRate: 0 = 5.5 kHz, 1 = 11 kHz, 2 = 22 kHz, 3 = 44 kHz
    uint8_t is16Bit = 0;       // 0: 8-bit input samples, 1: 16 bits or more (SoundSize)
    uint8_t stereo = 0;        // 0 mono, 1 stereo (SoundType)
    uint32_t sampleCount = 0;  // sample frames of the sound as the movie plays it
};

// Where sample frames come from: 16-bit signed samples, one or two channels
// interleaved (left, right).
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Fills out with up to frames sample frames and returns how many it
    // gave; fewer only once the samples are exhausted.
    virtual uint32_t Read(int16_t *out, uint32_t frames) = 0;
};

// The SWF rate that a file's samplesPerSecond plays at, in half-hertz so that
// 5512.5 Hz is exact: 11025, 22050, 44100 or 88200.
uint32_t SwfRateHalfHertz(uint8_t rateCode);

class WaveReader : public FrameSource {
public:
    // Walks the chunks of file (open, mode "rb", at its start) up to the
    // samples. Accepts RIFF/WAVE whose "fmt " chunk describes PCM (format tag
    // 1: 8-bit unsigned, 16-, 24- or 32-bit signed), IEEE float (tag 3: 32
    // or 64 bits), A-law (6) or mu-law (7) of 8 bits, IMA ADPCM (0x11) or
    // Microsoft ADPCM (2) of 4 bits, or WAVE_FORMAT_EXTENSIBLE with one of
    // these sub-formats, 1 to 64 channels, 4000 to 192000 samples per
    // second, followed somewhere by a "data" chunk. ADPCM data is a run of
    // blocks of the block align; a last block cut short gives the frames it
    // holds whole. A "fact" chunk cuts ADPCM data to its frame count when
    // that ends inside the last block (the rest is the encoder's padding);
    // any other count is ignored. Chunks of any other kind are skipped
    // wherever they stand, as is the pad byte after an odd-sized chunk; a
    // later format chunk replaces an earlier one, and the size of its extra
    // information counts no further than the chunk goes. A
    // data size of 0 (in a file whose RIFF size disagrees with its length),
    // 0xFFFFFFFF or beyond the end of the file means the samples run to the
    // end of the file; they are cut to whole sample frames.
    // On true, format is complete: rate is the SWF rate the sound plays at
    // (see NeedsResampling), is16Bit is 0 only for 8-bit PCM, stereo is 1
    // for two channels or more, and sampleCount is the number of frames at
    // the SWF rate. On false (not RIFF/WAVE, no usable format chunk, ADPCM
    // fields that do not fit together (see MakeBlockDecoder), a data chunk
    // before the format chunk, a chunk other than "data" running past the
    // end of the file, no data chunk), format keeps the fields read before
    // the refusal with sampleCount 0. Reports nothing else; allocates a
    // fixed few kilobytes whatever the file declares, and for ADPCM one
    // block and its samples (at most 64 KiB and 256 KiB).
    bool Open(std::FILE *file, SoundFormat &format);

    // After a successful Open: the file's samples per second, and whether
    // that lies more than 0.1% away from the SWF rate in format (the
    // samples must then be resampled to it).
    uint32_t SampleRate() const { return sampleRate_; }
    bool NeedsResampling() const { return resample_; }
    // Channels handed out by Read: 1 or 2. More than two are mixed down.
    uint32_t OutputChannels() const { return channels_ > 1 ? 2 : 1; }
    // Whole sample frames in the file's data.
    uint64_t FileFrames() const { return frames_; }

    // The next sample frames, converted to 16 bits (and mixed down to
    // stereo): fewer than asked only at the end of the data, or where the
    // file turns out shorter than it was when opened.
    uint32_t Read(int16_t *out, uint32_t frames) override;

private:
    // The steps of Open: the format chunk, then at the data chunk the
    // frames it holds (factFrames: the fact chunk's count, or 0), the
    // sample count at the SWF rate and the buffers.
    bool ReadFormat(uint32_t chunkSize, SoundFormat &format);
    bool StartData(const RiffChunks &chunk, uint32_t factFrames, SoundFormat &format);
    uint64_t CountFrames(uint64_t bytes, uint32_t factFrames) const;
    uint32_t SampleCount(const SoundFormat &format) const;
    void AllocateBuffers();
    void MixWeights(uint32_t channelMask);
    // Frames of channels_ samples mixed down to stereo by weights_.
    void MixDown(const int16_t *wide, size_t frames, int16_t *out) const;
    uint32_t ReadBlocks(int16_t *out, uint32_t frames);

    std::FILE *file_ = nullptr;
    const WaveEncoding *encoding_ = nullptr;  // set with the format chunk
    uint32_t channels_ = 0;    // in the file
    uint32_t frameBytes_ = 0;  // bytes per sample frame in the file; per block for ADPCM
    uint32_t sampleRate_ = 0;
    bool resample_ = false;
    uint64_t frames_ = 0;      // sample frames in the data
    uint64_t framesRead_ = 0;
    std::vector<uint8_t> raw_;    // one block of file bytes
    std::vector<int16_t> wide_;   // one block of samples, all channels, before mixing down
    std::vector<int32_t> weights_;  // mixing down: left and right weight per file channel (1.0 = 65536)
    // ADPCM: the decoder, the data bytes not read yet, and the block
    // decoded last (decodedFrames_ frames, handed out up to decodedAt_).
    std::unique_ptr<BlockDecoder> blocks_;
    uint64_t bytesLeft_ = 0;
    std::vector<int16_t> decoded_;
    uint32_t decodedFrames_ = 0, decodedAt_ = 0;
};

}  // namespace quillon
