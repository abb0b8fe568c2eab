// SwfStream: the one output primitive. A bit writer (fields packed most
// significant bit first) and little-endian byte writer that references large
// payloads as external blocks instead of copying them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "swf/format.h"

namespace quillon {

// A payload that a stream refers to without copying it. The data belongs to
// whoever registered it and must stay valid until the stream holding the
// reference has been written out.
struct ExternalBlock {
    uint32_t offset;      // own bytes that precede the block in the output
    const uint8_t *data;  // the payload, read-only, not owned
    uint32_t size;        // payload length in bytes, never 0
};

class SwfStream {
public:
    SwfStream();
    SwfStream(const SwfStream &) = delete;
    SwfStream &operator=(const SwfStream &) = delete;

    // ---- Bit primitives ------------------------------------------------
    // Appends the n (0..32) lowest bits of value, most significant first.
    // Higher bits are dropped, so a negative value comes out as its n-bit
    // two's complement.
    void WriteBits(uint32_t value, uint32_t n);
    // Completes a partly filled byte with zero bits; nothing when aligned.
    void FlushBits();

    // ---- Byte writers (no implicit alignment) -------------------------
    void WriteUI8(uint32_t value);
    void WriteUI16(uint32_t value);
    void WriteUI32(uint32_t value);

    // ---- External blocks and streams ----------------------------------
    // Records a reference to size bytes at data, placed at the current
    // committed position. A zero-size block is not recorded. Call it on a
    // byte boundary: pending bits would come out after the block.
    void AppendBlock(const uint8_t *data, uint32_t size);
    // Appends the source's content, moving its blocks here. The source keeps
    // its own bytes but loses its blocks; its pending bits are not carried.
    void AppendStream(SwfStream &source);
    // Tag header (short form for lengths up to 62, long form from 63 on),
    // then the body if one is given.
    void WriteTag(TagCode code, uint32_t length, SwfStream *body);

    // ---- Output --------------------------------------------------------
    // Own bytes plus the sizes of all blocks; pending bits do not count.
    uint32_t Length() const;
    // Writes the content to file and empties the stream, keeping its buffer;
    // pending bits stay pending. Returns false when any fwrite fell short.
    bool WriteToFile(std::FILE *file);
    // Writable pointer to own byte 0, for patching committed bytes in place.
    uint8_t *Data() { return bytes_.data(); }
    uint32_t Committed() const { return static_cast<uint32_t>(bytes_.size()); }
    uint32_t FreeBits() const { return freeBits_; }
    const std::vector<ExternalBlock> &Blocks() const { return blocks_; }
    // The whole content as one byte vector (blocks inlined), for tests and
    // tools; the block list is left as it is.
    std::vector<uint8_t> Content() const;

private:
    // Own bytes; bytes_.size() is the committed count (complete bytes).
    std::vector<uint8_t> bytes_;
    // Free bits of the byte under construction: 8 = nothing pending,
    // 1..7 = 8 - freeBits_ bits pending. Never 0 between operations.
    uint32_t freeBits_ = 8;
    // The byte under construction, filled from the most significant end;
    // bits not yet written are 0.
    uint8_t pendingByte_ = 0;
    // Referenced payloads, ordered by non-decreasing offset (they are only
    // ever registered at the current committed count).
    std::vector<ExternalBlock> blocks_;
};

// Width of a bit field: extra plus the number of significant bits of value
// (0 significant bits for value 0). extra = 1 for a signed field.
uint32_t BitCount(uint32_t value, uint16_t extra);
// Largest magnitude of four signed values (INT32_MIN stays as it is).
int32_t MaxAbs(int32_t a, int32_t b, int32_t c, int32_t d);

}  // namespace quillon
