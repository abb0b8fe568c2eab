// AdpcmEncoder: PCM samples to the SWF ADPCM bit stream (code size field,
// then packets of kAdpcmFramesPerPacket sample frames, each opening with a
// raw sample and a step index per channel), written most significant bit
// first.
#pragma once

#include <cstdint>
#include <vector>

#include "swf/format.h"

namespace quillon {

class AdpcmEncoder {
public:
    // formatCode: rate * 4 + is16Bit * 2 + stereo; bit 0 selects two
    // interleaved channels, bit 1 clear selects 8-bit unsigned input.
    // bitsPerCode: 2 to 5, sign bit included; other values are clamped.
    AdpcmEncoder(uint32_t formatCode, int32_t bitsPerCode);

    // Encodes frames sample frames of raw input (8-bit unsigned, or 16-bit
    // signed little-endian), widening through a fixed buffer of kWorkSamples.
    // May be called repeatedly; the state carries over.
    void Encode(const uint8_t *samples, uint32_t frames, std::vector<uint8_t> &out);
    // The core: frames of 16-bit samples, interleaved left, right. A packet
    // that starts at the last frame of the call has no next frame to size
    // its first step from, and starts with step index 0.
    void EncodeFrames(const int16_t *samples, uint32_t frames, std::vector<uint8_t> &out);
    // Moves the last bits out, padding the final byte with zero bits. Called
    // once, after the last Encode.
    void Finish(std::vector<uint8_t> &out);

    // Appends the low n (1..16) bits of value.
    void PutBits(int32_t value, int32_t n, std::vector<uint8_t> &out);
    // Moves every complete byte of the bit buffer to out.
    void Drain(std::vector<uint8_t> &out);

    int32_t Predicted(int channel) const { return predicted_[channel]; }
    int32_t StepIndex(int channel) const { return stepIndex_[channel]; }
    uint32_t FramesDone() const { return framesDone_; }

    // Pieces of this many samples hold whole packets (mono or stereo), so
    // that a packet's second frame is always in the same piece as its first.
    static constexpr uint32_t kWorkSamples = kAdpcmFramesPerPacket;

private:
    int32_t stereo_;       // 1: two channels, interleaved left, right
    int32_t input8Bit_;    // 1: 8-bit unsigned input, 0: 16-bit signed
    int32_t bitsPerCode_;  // 2..5
    uint32_t framesDone_ = 0;   // frames encoded so far (wraps at 2^32, a multiple of a packet)
    bool codeSizeWritten_ = false;  // the code size opens the stream once
    int32_t predicted_[2] = {0, 0};  // decoder's sample, -32768..32767
    int32_t stepIndex_[2] = {0, 0};  // 0..88 after a code
    uint32_t bitBuffer_ = 0;  // pending bits, newest at the low end
    int32_t bitCount_ = 0;    // valid bits in bitBuffer_, 0..32
};

// Bytes that encoding frames sample frames produces: the code size, per
// packet and channel its header and one code per further frame, rounded up
// to whole bytes.
uint64_t AdpcmEncodedSize(uint64_t frames, int channels, int bitsPerCode);

// bitsPerCode clamped to kAdpcmMinBitsPerCode .. kAdpcmMaxBitsPerCode.
int32_t ClampBitsPerCode(int32_t bitsPerCode);

}  // namespace quillon
