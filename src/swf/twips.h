// Twips: the unit of every coordinate, length and size in the file, 1/20 of
// a pixel. A value type, so that pixels (plain ints) and twips never mix
// unnoticed: a pixel count becomes twips only through FromPixels, and a twip
// value leaves the type only through value(), where a field is written.
#pragma once

#include <cstdint>

namespace quillon {

constexpr int32_t kTwipsPerPixel = 20;
// Pixel coordinates beyond this do not fit the 31-bit twip fields.
constexpr int32_t kMaxPixels = 53687091;

class Twips {
public:
    constexpr Twips() = default;
    // The pixels clamped to +-kMaxPixels first, so the result always fits.
    static constexpr Twips FromPixels(int32_t pixels) {
        int32_t clamped = pixels > kMaxPixels ? kMaxPixels : (pixels < -kMaxPixels ? -kMaxPixels : pixels);
        return Twips(clamped * kTwipsPerPixel);
    }
    static constexpr Twips FromTwips(int32_t twips) { return Twips(twips); }
    constexpr int32_t value() const { return value_; }

    constexpr Twips operator-() const { return Twips(-value_); }
    constexpr Twips operator+(Twips other) const { return Twips(value_ + other.value_); }
    constexpr Twips operator-(Twips other) const { return Twips(value_ - other.value_); }
    constexpr Twips &operator+=(Twips other) {
        value_ += other.value_;
        return *this;
    }
    constexpr Twips &operator-=(Twips other) {
        value_ -= other.value_;
        return *this;
    }
    constexpr bool operator==(Twips other) const { return value_ == other.value_; }
    constexpr bool operator!=(Twips other) const { return value_ != other.value_; }
    constexpr bool operator<(Twips other) const { return value_ < other.value_; }
    constexpr bool operator>(Twips other) const { return value_ > other.value_; }
    constexpr bool operator<=(Twips other) const { return value_ <= other.value_; }
    constexpr bool operator>=(Twips other) const { return value_ >= other.value_; }

private:
    constexpr explicit Twips(int32_t twips) : value_(twips) {}

    int32_t value_ = 0;
};

// A twip count written out, for constants and tests: 20_tw is one pixel.
constexpr Twips operator""_tw(unsigned long long twips) {
    return Twips::FromTwips(static_cast<int32_t>(twips));
}

}  // namespace quillon
