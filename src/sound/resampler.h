// Resampler: band-limited sample rate conversion of a FrameSource, for WAV
// files whose rate is not one of the four SWF rates.
#pragma once

#include <cstdint>
#include <vector>

#include "sound/wave_reader.h"

namespace quillon {

// A windowed-sinc interpolator (Kaiser window) evaluated through a table of
// filter phases. Output frame n lies at input time n * in / out exactly: the
// position is kept as a whole frame and a remainder in integers, so a long
// sound keeps its length and pitch; the remainder picks one of at most 2048
// phases (a timing error below 1/4096 of an input frame).
//
// The filter: the cut-off (-6 dB) sits at 90% of the Nyquist frequency of
// the lower of the two rates, with 16 zero crossings on either side of the
// centre at that rate, a Kaiser window (beta 7.5) and 14-bit coefficients.
// tests/sound/resampler_test.cpp holds it to its bands: flat within 0.02 dB
// up to 75% of that Nyquist frequency, what would fold back (or, upsampling,
// the images) 60 dB down from 103% on and 65 dB from 110%, and a tone in the
// passband 70 dB above its difference from the ideal tone at the new rate.
// Coefficients and sums are integers, so every machine gives the same
// samples.
class Resampler : public FrameSource {
public:
    // channels: 1 or 2, interleaved. Rates in half-hertz (5512.5 Hz is 11025).
    Resampler(FrameSource &source, uint32_t channels, uint32_t inHalfHertz, uint32_t outHalfHertz);

    // Always gives all frames asked for; after the end of the source the
    // filter's tail runs out into silence.
    uint32_t Read(int16_t *out, uint32_t frames) override;

    uint32_t Taps() const { return taps_; }

private:
    void Refill(int64_t needed);

    FrameSource &source_;
    uint32_t channels_;
    uint64_t step_;       // input advance per output frame, in 1/phases_ of a frame ...
    uint64_t phases_;     // ... of which there are this many (out / gcd)
    uint32_t tablePhases_;  // phases tabulated: phases_, or 2048 when that is more
    uint32_t taps_;         // filter length in input frames (a multiple of 8)
    std::vector<int16_t> table_;  // (tablePhases_ + 1) x taps_ coefficients

    int64_t position_ = 0;   // input frame at or before the next output frame
    uint64_t remainder_ = 0; // its fraction, 0 .. phases_ - 1
    std::vector<int16_t> buffer_[2];  // per channel: input frames [bufferStart_, bufferStart_ + bufferFrames_)
    int64_t bufferStart_ = 0;
    uint32_t bufferFrames_ = 0;
    bool sourceDone_ = false;
    std::vector<int16_t> block_;  // one block read from the source
};

}  // namespace quillon
