// SWF ADPCM encoder: IMA step sizes with the SWF index tables for 2- to 5-bit
// codes, one pass, constant state, bytes appended as soon as they complete.
#include "sound/adpcm_encoder.h"

#include <cstdlib>

#include "sound/ima_steps.h"

namespace quillon {

namespace {

// Step index adjustments by the magnitude part of a code, per code size.
const int32_t kAdjust2[] = {-1, 2};
const int32_t kAdjust3[] = {-1, -1, 2, 4};
const int32_t kAdjust4[] = {-1, -1, -1, -1, 2, 4, 6, 8};
const int32_t kAdjust5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
const int32_t *const kAdjustments[] = {kAdjust2, kAdjust3, kAdjust4, kAdjust5};

// The most the packet header's step index field holds.
constexpr int32_t kLargestInitialIndex = (1 << kAdpcmStepIndexBits) - 1;

// The smallest index whose step covers diff; kLargestInitialIndex when none
// below it does.
int32_t InitialIndex(int32_t diff) {
    for (int32_t j = 0; j < kLargestInitialIndex; ++j)
        if (kImaStepTable[j] >= diff) return j;
    return kLargestInitialIndex;
}

}  // namespace

AdpcmEncoder::AdpcmEncoder(uint32_t formatCode, int32_t bitsPerCode)
    : stereo_(formatCode & kSoundStereoFlag ? 1 : 0),
      input8Bit_(formatCode & kSound16BitFlag ? 0 : 1),
      bitsPerCode_(ClampBitsPerCode(bitsPerCode)) {}

void AdpcmEncoder::Encode(const uint8_t *samples, uint32_t frames, std::vector<uint8_t> &out) {
    const uint32_t channels = static_cast<uint32_t>(stereo_) + 1;
    const uint32_t framesPerPiece = kWorkSamples / channels;
    int16_t work[kWorkSamples];
    if (frames == 0) {
        EncodeFrames(nullptr, 0, out);  // the code size alone
        return;
    }
    while (frames > 0) {
        uint32_t n = frames < framesPerPiece ? frames : framesPerPiece;
        uint32_t count = n * channels;
        if (input8Bit_) {
            for (uint32_t i = 0; i < count; ++i)
                work[i] = static_cast<int16_t>((samples[i] - 128) * 256);
            samples += count;
        } else {
            for (uint32_t i = 0; i < count; ++i)
                work[i] = static_cast<int16_t>(static_cast<uint16_t>(samples[2 * i] | samples[2 * i + 1] << 8));
            samples += 2 * count;
        }
        EncodeFrames(work, n, out);
        frames -= n;
    }
}

void AdpcmEncoder::EncodeFrames(const int16_t *samples, uint32_t frames,
                                std::vector<uint8_t> &out) {
    const int32_t channels = stereo_ + 1;
    const int32_t *adjust = kAdjustments[bitsPerCode_ - kAdpcmMinBitsPerCode];
    if (!codeSizeWritten_) {
        PutBits(bitsPerCode_ - kAdpcmMinBitsPerCode, kAdpcmCodeSizeBits, out);
        codeSizeWritten_ = true;
    }
    for (uint32_t f = 0; f < frames; ++f) {
        framesDone_ += 1;
        const int16_t *frame = samples + static_cast<size_t>(f) * channels;
        if (framesDone_ % kAdpcmFramesPerPacket == 1) {
            for (int32_t c = 0; c < channels; ++c) {
                int32_t s = frame[c];
                int32_t diff = f + 1 < frames ? std::abs(frame[channels + c] - s) : 0;
                int32_t index = InitialIndex(diff);
                predicted_[c] = s;
                PutBits(s, kAdpcmFirstSampleBits, out);
                stepIndex_[c] = index;
                PutBits(index, kAdpcmStepIndexBits, out);
            }
            continue;
        }
        for (int32_t c = 0; c < channels; ++c) {
            int32_t delta = frame[c] - predicted_[c];
            int32_t sign = 0;
            if (delta < 0) {
                sign = 1 << (bitsPerCode_ - 1);
                delta = -delta;
            }
            int32_t step = kImaStepTable[stepIndex_[c]];
            int32_t code = 0;
            int32_t vpdiff = 0;
            // Comparing with "at least" sets the lowest magnitude bit once
            // the step has shifted down to 0, even for a zero difference.
            for (int32_t mask = 1 << (bitsPerCode_ - 2); mask != 0; mask >>= 1) {
                if (delta >= step) {
                    code |= mask;
                    delta -= step;
                    vpdiff += step;
                }
                step >>= 1;
            }
            vpdiff += step;
            int32_t p = sign ? predicted_[c] - vpdiff : predicted_[c] + vpdiff;
            predicted_[c] = p < -32768 ? -32768 : (p > 32767 ? 32767 : p);
            int32_t index = stepIndex_[c] + adjust[code];
            stepIndex_[c] = index < 0 ? 0 : (index > kImaLastStepIndex ? kImaLastStepIndex : index);
            PutBits(code | sign, bitsPerCode_, out);
        }
    }
}

void AdpcmEncoder::Finish(std::vector<uint8_t> &out) {
    Drain(out);
    if (bitCount_ > 0) {
        PutBits(0, 8 - bitCount_, out);
        Drain(out);
    }
}

void AdpcmEncoder::PutBits(int32_t value, int32_t n, std::vector<uint8_t> &out) {
    if (bitCount_ + n > 32) Drain(out);
    bitBuffer_ = (bitBuffer_ << n) | (static_cast<uint32_t>(value) & ((1u << n) - 1));
    bitCount_ += n;
}

void AdpcmEncoder::Drain(std::vector<uint8_t> &out) {
    while (bitCount_ >= 8) {
        out.push_back(static_cast<uint8_t>(bitBuffer_ >> (bitCount_ - 8)));
        bitCount_ -= 8;
    }
}

int32_t ClampBitsPerCode(int32_t bitsPerCode) {
    return bitsPerCode < kAdpcmMinBitsPerCode
               ? kAdpcmMinBitsPerCode
               : (bitsPerCode > kAdpcmMaxBitsPerCode ? kAdpcmMaxBitsPerCode : bitsPerCode);
}

uint64_t AdpcmEncodedSize(uint64_t frames, int channels, int bitsPerCode) {
    uint64_t bits = kAdpcmCodeSizeBits;
    const uint64_t full = frames / kAdpcmFramesPerPacket, rest = frames % kAdpcmFramesPerPacket;
    bits += full * channels * (kAdpcmPacketHeaderBits + (kAdpcmFramesPerPacket - 1ull) * bitsPerCode);
    if (rest) bits += channels * (kAdpcmPacketHeaderBits + (rest - 1) * bitsPerCode);
    return (bits + 7) / 8;
}

}  // namespace quillon
