// The input language of the exports fuzz target, shared by the target and
// its seed writer: a sequence of calls, each an operation byte followed by
// its arguments. Integers are a mode byte and its payload, so that small,
// 16-bit, full 32-bit and limit values are all one mutation away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/quillon_api.h"

namespace quillon::fuzz {

// One operation per export, in the order of the hosts' export list.
enum Op : uint8_t {
#define QUILLON_FUZZ_OP(name, ret, args) k##name,
    QUILLON_EXPORTS(QUILLON_FUZZ_OP)
#undef QUILLON_FUZZ_OP
    kOpCount
};

// Integer modes.
enum IntMode : uint8_t { kSmall, kWord, kRaw, kLimit, kModes };

// Values at the edges of the library's limits.
inline const int32_t kLimits[] = {
    0, 1, -1, 2, 3, 4, 7, 9, 10, 11, 99, 100, 101, 255, 256, 257, 819, 820, 65534,
    65535, 65536, 53687091, 53687092, INT32_MAX, INT32_MIN, INT32_MAX - 1, -53687091,
    -65536,
};

class Reader {
public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool Done() const { return at_ >= size_; }
    // Past the end every byte reads as 0.
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    int32_t Int() {
        switch (Byte() % kModes) {
        case kSmall: return static_cast<int8_t>(Byte());
        case kWord: return static_cast<int16_t>(Word());
        case kRaw: {
            uint32_t v = Word();
            return static_cast<int32_t>(v | (static_cast<uint32_t>(Word()) << 16));
        }
        default: return kLimits[Byte() % (sizeof kLimits / sizeof kLimits[0])];
        }
    }
    // A text without NUL: empty, up to 63 bytes of the input, or long (up
    // to 130000 bytes) of a repeated input byte.
    std::string Text() {
        uint8_t mode = Byte();
        std::string s;
        if (mode < 64) {
            for (uint8_t i = 0; i < mode; ++i) s.push_back(static_cast<char>(Byte() | 1));
        } else if (mode < 128) {
            s.assign(static_cast<size_t>(Word()) * 2, static_cast<char>(Byte() | 1));
        }
        return s;
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

// Builds inputs in the same language, for the seed corpus.
class Writer {
public:
    Writer &Call(Op op) { return Put(static_cast<uint8_t>(op)); }
    Writer &Put(uint8_t b) {
        bytes.push_back(b);
        return *this;
    }
    Writer &Int(int32_t v) {
        uint32_t u = static_cast<uint32_t>(v);
        Put(kRaw);
        for (int i = 0; i < 4; ++i) Put(static_cast<uint8_t>(u >> (8 * i)));
        return *this;
    }
    Writer &Text(const std::string &s) {
        Put(static_cast<uint8_t>(s.size() < 64 ? s.size() : 63));
        for (size_t i = 0; i < s.size() && i < 63; ++i) Put(static_cast<uint8_t>(s[i]));
        return *this;
    }
    std::vector<uint8_t> bytes;
};

}  // namespace quillon::fuzz
