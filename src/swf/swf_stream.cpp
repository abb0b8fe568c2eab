// SwfStream: bit packing, byte writers, external blocks and tag headers.
#include "swf/swf_stream.h"

namespace quillon {

SwfStream::SwfStream() { bytes_.reserve(1024); }

void SwfStream::WriteBits(uint32_t value, uint32_t n) {
    while (n > 0) {
        if (n > freeBits_) {
            // The top freeBits_ of the n field bits complete the pending byte.
            uint32_t top = (value << (32 - n)) >> (32 - freeBits_);
            pendingByte_ = static_cast<uint8_t>(pendingByte_ | top);
            bytes_.push_back(pendingByte_);
            n -= freeBits_;
            pendingByte_ = 0;
            freeBits_ = 8;
        } else {
            uint32_t bits = (value << (32 - n)) >> (32 - freeBits_);
            pendingByte_ = static_cast<uint8_t>(pendingByte_ | bits);
            freeBits_ -= n;
            n = 0;
            if (freeBits_ == 0) {
                bytes_.push_back(pendingByte_);
                pendingByte_ = 0;
                freeBits_ = 8;
            }
        }
    }
}

void SwfStream::FlushBits() {
    if (freeBits_ == 8) return;
    bytes_.push_back(pendingByte_);
    pendingByte_ = 0;
    freeBits_ = 8;
}

void SwfStream::WriteUI8(uint32_t value) { WriteBits(value & 0xFF, 8); }

void SwfStream::WriteUI16(uint32_t value) {
    WriteBits(value & 0xFF, 8);
    WriteBits((value >> 8) & 0xFF, 8);
}

void SwfStream::WriteUI32(uint32_t value) {
    WriteBits(value & 0xFF, 8);
    WriteBits((value >> 8) & 0xFF, 8);
    WriteBits((value >> 16) & 0xFF, 8);
    WriteBits((value >> 24) & 0xFF, 8);
}

void SwfStream::AppendBlock(const uint8_t *data, uint32_t size) {
    if (size == 0) return;
    blocks_.push_back(ExternalBlock{Committed(), data, size});
}

void SwfStream::AppendStream(SwfStream &source) {
    // Copy the source's own bytes i..end-1 here; byte by byte through the bit
    // writer when bits are pending, in one piece when aligned (same result).
    auto copy = [&](uint32_t from, uint32_t to) {
        if (from >= to) return;
        if (freeBits_ == 8) {
            bytes_.insert(bytes_.end(), source.bytes_.begin() + from, source.bytes_.begin() + to);
        } else {
            for (uint32_t i = from; i < to; ++i) WriteBits(source.bytes_[i], 8);
        }
    };
    uint32_t i = 0;
    for (const ExternalBlock &block : source.blocks_) {
        copy(i, block.offset);
        i = block.offset;
        AppendBlock(block.data, block.size);
    }
    source.blocks_.clear();
    copy(i, source.Committed());
}

void SwfStream::WriteTag(TagCode code, uint32_t length, SwfStream *body) {
    bool isLong = length >= kLongTagLength;
    uint32_t lengthField = isLong ? kLongTagLength : length;
    WriteUI16(((static_cast<uint32_t>(code) << kTagLengthBits) + lengthField) & kMaxUI16);
    if (isLong) WriteUI32(length);
    if (body != nullptr) AppendStream(*body);
}

uint32_t SwfStream::Length() const {
    uint32_t length = Committed();
    for (const ExternalBlock &block : blocks_) length += block.size;
    return length;
}

bool SwfStream::WriteToFile(std::FILE *file) {
    bool ok = true;
    auto put = [&](const uint8_t *data, size_t size) {
        if (size > 0 && std::fwrite(data, 1, size, file) != size) ok = false;
    };
    uint32_t a = 0;
    for (const ExternalBlock &block : blocks_) {
        if (block.offset != a) put(bytes_.data() + a, block.offset - a);
        put(block.data, block.size);
        a = block.offset;
    }
    blocks_.clear();
    if (Committed() > a) put(bytes_.data() + a, Committed() - a);
    bytes_.clear();
    return ok;
}

std::vector<uint8_t> SwfStream::Content() const {
    std::vector<uint8_t> out;
    out.reserve(Length());
    uint32_t a = 0;
    for (const ExternalBlock &block : blocks_) {
        out.insert(out.end(), bytes_.begin() + a, bytes_.begin() + block.offset);
        out.insert(out.end(), block.data, block.data + block.size);
        a = block.offset;
    }
    out.insert(out.end(), bytes_.begin() + a, bytes_.end());
    return out;
}

uint32_t BitCount(uint32_t value, uint16_t extra) {
    if (value == 0) return extra;
    uint32_t bits = 0;
    while (bits < 32 && (static_cast<uint64_t>(1) << bits) <= value) ++bits;
    return extra + bits;
}

int32_t MaxAbs(int32_t a, int32_t b, int32_t c, int32_t d) {
    auto magnitude = [](int32_t v) {
        // The most negative value has no positive counterpart; it stays.
        return v < 0 && v != INT32_MIN ? -v : v;
    };
    int32_t m = magnitude(a);
    for (int32_t v : {b, c, d}) {
        int32_t mv = magnitude(v);
        if (mv > m) m = mv;
    }
    return m;
}

}  // namespace quillon
