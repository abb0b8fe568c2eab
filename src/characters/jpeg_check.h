// The check a JPEG passes before it becomes a slide: a walk over its markers
// that accepts only what every player's decoder of DefineBitsJPEG2 takes,
// baseline sequential 8-bit Huffman-coded greyscale or YCbCr, at exactly the
// size it is to be shown.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// Why a JPEG was refused.
enum class JpegFault {
    None,
    NotJpeg,       // no SOI marker at the start
    Truncated,     // a marker segment runs past the end of the data
    NoEnd,         // the data ends before the EOI marker
    Malformed,     // a segment or marker that breaks the format's rules
    Progressive,   // SOF2
    Lossless,      // SOF3
    Arithmetic,    // arithmetic-coded frames (SOF9 to SOF15) or a DAC segment
    Hierarchical,  // differential frames (SOF5 to SOF7), DHP or EXP
    Extended,      // SOF1: extended sequential, with 8-bit samples
    Precision,     // samples or quantisation values of more than 8 bits
    Components,    // neither 1 nor 3 colour components (CMYK, YCCK, ...)
    Colours,       // 3 components that the Adobe marker says are not YCbCr
    WrongSize,     // not the size asked for
    TooLarge,      // more bytes than one tag's 32-bit length can count
};

struct JpegCheck {
    JpegFault fault = JpegFault::None;
    const char *message = "";  // what is wrong, for the host: a literal, "" when accepted
    size_t length = 0;    // bytes up to and including EOI when accepted
    bool Accepted() const { return fault == JpegFault::None; }
};

// Walks SOI, APPn, COM, DQT, DHT, DRI, SOF0, SOS with its entropy-coded data
// (stuffed bytes and RSTn markers), as many scans as there are, and EOI.
// Bytes after EOI are left out of `length`, so the slide does not carry them.
JpegCheck CheckJpeg(const uint8_t *data, size_t size, uint32_t width, uint32_t height);

}  // namespace quillon
