// Resampler: a Kaiser-windowed sinc filter, tabulated per phase, run over a
// sliding window of input frames (one array per channel) that is refilled a
// block at a time.
#include "sound/resampler.h"

#include <cmath>
#include <cstring>

namespace quillon {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kZeroCrossings = 16;  // on each side, at the lower rate
constexpr double kCutoff = 0.90;         // of the lower rate's Nyquist frequency
constexpr double kBeta = 7.5;            // Kaiser window shape
constexpr uint32_t kMaxTablePhases = 2048;
constexpr uint32_t kBlockFrames = 4096;

uint64_t Gcd(uint64_t a, uint64_t b) {
    while (b) {
        uint64_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

// The modified Bessel function of the first kind, order 0, by its series.
double BesselI0(double x) {
    double sum = 1, term = 1, q = x * x / 4;
    for (int k = 1; k < 60 && term > sum * 1e-12; ++k) {
        term *= q / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

// Coefficients are fixed point with 14 fraction bits: integer arithmetic
// gives the same samples on every machine and compiler.
constexpr int kFractionBits = 14;

// The filter sum over taps frames. GCC turns this loop into multiply-adds of
// eight samples at a time with its full vectoriser cost model, which the
// build asks for on this file; at -O2 it would stay scalar.
int32_t Dot(const int16_t *c, const int16_t *x, size_t taps) {
    int32_t sum = 0;
    for (size_t j = 0; j < taps; ++j) sum += c[j] * x[j];
    return sum;
}

// A filter sum back to 16 bits, rounded to nearest and clamped.
int16_t Round16(int32_t sum) {
    const int32_t v = (sum + (1 << (kFractionBits - 1))) >> kFractionBits;
    return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

}  // namespace

Resampler::Resampler(FrameSource &source, uint32_t channels, uint32_t inHalfHertz,
                     uint32_t outHalfHertz)
    : source_(source), channels_(channels == 2 ? 2 : 1) {
    const uint64_t g = Gcd(inHalfHertz, outHalfHertz);
    step_ = inHalfHertz / g;
    phases_ = outHalfHertz / g;
    tablePhases_ = static_cast<uint32_t>(phases_ < kMaxTablePhases ? phases_ : kMaxTablePhases);

    // Cut-off in cycles per input frame; the window spans kZeroCrossings
    // zero crossings of the sinc on either side, rounded up to whole groups
    // of four taps.
    const double scale = outHalfHertz < inHalfHertz ? static_cast<double>(outHalfHertz) / inHalfHertz : 1.0;
    const double cutoff = 0.5 * kCutoff * scale;
    const double halfWidth = kZeroCrossings / (2 * cutoff);
    const uint32_t half = 4 * static_cast<uint32_t>(std::ceil(halfWidth / 4));
    taps_ = 2 * half;

    // Phase q (output time q / tablePhases_ past input frame i) weighs input
    // frames i - half + 1 ... i + half; tap j is frame i - half + 1 + j, at
    // distance x = half - 1 - j + q / tablePhases_ before the output time.
    // Each phase is scaled to a gain of exactly 1 at 0 Hz: its rounded
    // coefficients add up to 1 << kFractionBits.
    table_.assign(static_cast<size_t>(tablePhases_ + 1) * taps_, 0);
    const double i0Beta = BesselI0(kBeta);
    std::vector<double> h(taps_);
    for (uint32_t q = 0; q <= tablePhases_; ++q) {
        double sum = 0;
        for (uint32_t j = 0; j < taps_; ++j) {
            const double x = static_cast<double>(half) - 1 - j + static_cast<double>(q) / tablePhases_;
            const double r = x / halfWidth;
            double v = 0;
            if (r > -1 && r < 1) {
                const double a = 2 * cutoff * x;
                const double sinc = a == 0 ? 1 : std::sin(kPi * a) / (kPi * a);
                v = 2 * cutoff * sinc * BesselI0(kBeta * std::sqrt(1 - r * r)) / i0Beta;
            }
            h[j] = v;
            sum += v;
        }
        int16_t *row = &table_[static_cast<size_t>(q) * taps_];
        int32_t total = 0;
        uint32_t largest = 0;
        for (uint32_t j = 0; j < taps_; ++j) {
            row[j] = static_cast<int16_t>(std::lround(h[j] / sum * (1 << kFractionBits)));
            total += row[j];
            if (row[j] > row[largest]) largest = j;
        }
        row[largest] = static_cast<int16_t>(row[largest] + ((1 << kFractionBits) - total));
    }

    // Before the first input frame lies silence: the window starts half a
    // filter early, zero filled.
    for (uint32_t ch = 0; ch < channels_; ++ch) buffer_[ch].assign(kBlockFrames + taps_, 0);
    bufferStart_ = -static_cast<int64_t>(half) + 1;
    bufferFrames_ = half - 1;
    block_.assign(static_cast<size_t>(kBlockFrames) * channels_, 0);
}

// Makes the window reach input frame needed: drops the frames before the
// filter's first tap and appends blocks from the source (silence once the
// source is exhausted).
void Resampler::Refill(int64_t needed) {
    const int64_t first = position_ - static_cast<int64_t>(taps_ / 2) + 1;
    const uint32_t drop = static_cast<uint32_t>(first - bufferStart_);
    for (uint32_t ch = 0; ch < channels_; ++ch)
        std::memmove(buffer_[ch].data(), buffer_[ch].data() + drop,
                     static_cast<size_t>(bufferFrames_ - drop) * sizeof(int16_t));
    bufferStart_ = first;
    bufferFrames_ -= drop;
    while (bufferStart_ + bufferFrames_ <= needed) {
        const uint32_t room = static_cast<uint32_t>(buffer_[0].size()) - bufferFrames_;
        const uint32_t want = room < kBlockFrames ? room : kBlockFrames;
        const uint32_t got = sourceDone_ ? 0 : source_.Read(block_.data(), want);
        if (got < want) sourceDone_ = true;
        for (uint32_t ch = 0; ch < channels_; ++ch) {
            int16_t *to = buffer_[ch].data() + bufferFrames_;
            for (uint32_t i = 0; i < got; ++i) to[i] = block_[static_cast<size_t>(i) * channels_ + ch];
            for (uint32_t i = got; i < want; ++i) to[i] = 0;
        }
        bufferFrames_ += want;
    }
}

uint32_t Resampler::Read(int16_t *out, uint32_t frames) {
    const int64_t half = taps_ / 2;
    const int64_t whole = static_cast<int64_t>(step_ / phases_);
    const uint64_t fraction = step_ % phases_;
    for (uint32_t n = 0; n < frames; ++n) {
        const int64_t last = position_ + half;
        if (last >= bufferStart_ + bufferFrames_) Refill(last);
        const uint32_t q = tablePhases_ == phases_
                               ? static_cast<uint32_t>(remainder_)
                               : static_cast<uint32_t>((remainder_ * tablePhases_ + phases_ / 2) / phases_);
        const int16_t *c = &table_[static_cast<size_t>(q) * taps_];
        const size_t at = static_cast<size_t>(position_ - half + 1 - bufferStart_);
        for (uint32_t ch = 0; ch < channels_; ++ch)
            out[static_cast<size_t>(n) * channels_ + ch] = Round16(Dot(c, buffer_[ch].data() + at, taps_));
        position_ += whole;
        remainder_ += fraction;
        if (remainder_ >= phases_) {
            remainder_ -= phases_;
            position_ += 1;
        }
    }
    return frames;
}

}  // namespace quillon
