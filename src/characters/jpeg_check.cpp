// The JPEG marker walk. A JPEG is a series of marker segments (FF, a marker
// byte, a big-endian length that counts itself, the contents); each SOS
// segment is followed by entropy-coded data, in which a data byte FF is
// written FF 00 and FF D0 to FF D7 are restart markers, up to the next
// marker. Fill bytes FF may precede any marker.
#include "characters/jpeg_check.h"

#include <cstring>

namespace quillon {

namespace {

enum JpegMarker : uint8_t {
    kSof0 = 0xC0,  // baseline sequential: the one frame kind accepted
    kSof1 = 0xC1,
    kSof2 = 0xC2,
    kSof3 = 0xC3,
    kDht = 0xC4,
    kSof5 = 0xC5,
    kSof7 = 0xC7,
    kJpg = 0xC8,
    kSof9 = 0xC9,
    kDac = 0xCC,
    kSof15 = 0xCF,
    kRst0 = 0xD0,
    kRst7 = 0xD7,
    kSoi = 0xD8,
    kEoi = 0xD9,
    kSos = 0xDA,
    kDqt = 0xDB,
    kDnl = 0xDC,
    kDri = 0xDD,
    kDhp = 0xDE,
    kExp = 0xDF,
    kApp0 = 0xE0,
    kApp14 = 0xEE,  // Adobe's: says how three or four components are coded
    kApp15 = 0xEF,
    kCom = 0xFE,
};

// Baseline decoders keep two Huffman tables of each class and four
// quantisation tables.
constexpr int kHuffmanTables = 2;
constexpr int kQuantisationTables = 4;
constexpr int kMaxComponents = 3;
// The Adobe marker's transform for three components coded as YCbCr.
constexpr uint8_t kAdobeYCbCr = 1;
// A tag's length field is 32 bits; the id takes 2 bytes of it.
constexpr uint64_t kMaxJpegBytes = UINT32_MAX - 2;

class JpegWalk {
public:
    JpegWalk(const uint8_t *data, size_t size) : d_(data), size_(size) {}
    JpegCheck Run(uint32_t width, uint32_t height);

private:
    bool Fail(JpegFault fault, const char *message) {
        if (result_.Accepted()) {
            result_.fault = fault;
            result_.message = message;
        }
        return false;
    }
    bool Segment(uint8_t marker, const uint8_t *s, size_t n);
    bool FrameKind(uint8_t marker);
    bool Frame(uint8_t marker, const uint8_t *s, size_t n);
    bool Quantisation(const uint8_t *s, size_t n);
    bool Huffman(const uint8_t *s, size_t n);
    bool Scan(const uint8_t *s, size_t n);
    void Adobe(const uint8_t *s, size_t n);
    bool SkipEntropyData();
    bool AtEnd();

    const uint8_t *d_;
    size_t size_, pos_ = 0;
    JpegCheck result_;
    uint32_t width_ = 0, height_ = 0;
    bool haveFrame_ = false, haveScan_ = false;
    int components_ = 0;
    uint8_t componentIds_[kMaxComponents] = {}, componentTables_[kMaxComponents] = {};
    bool quantisation_[kQuantisationTables] = {};
    bool huffman_[2][kHuffmanTables] = {};  // [DC 0 or AC 1][table]
    int adobeTransform_ = -1;               // -1: no Adobe marker
};

uint32_t Be16(const uint8_t *p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }

JpegCheck JpegWalk::Run(uint32_t width, uint32_t height) {
    width_ = width;
    height_ = height;
    if (size_ < 2 || d_[0] != 0xFF || d_[1] != kSoi) {
        Fail(JpegFault::NotJpeg, "not JPEG data: it does not start with the SOI marker FF D8");
        return result_;
    }
    pos_ = 2;
    for (;;) {
        // A marker, after any fill bytes FF.
        if (pos_ < size_ && d_[pos_] != 0xFF) {
            Fail(JpegFault::Malformed, "JPEG data holds stray bytes where a marker should be");
            break;
        }
        while (pos_ < size_ && d_[pos_] == 0xFF) ++pos_;
        if (pos_ >= size_) {
            Fail(JpegFault::NoEnd, "JPEG data ends without its EOI marker");
            break;
        }
        uint8_t marker = d_[pos_++];
        if (marker == kEoi) {
            if (AtEnd()) result_.length = pos_;
            if (pos_ > kMaxJpegBytes)
                Fail(JpegFault::TooLarge, "JPEG data too large for one tag (4 GiB)");
            break;
        }
        bool standalone = marker == 0x01 || marker == kSoi || (marker >= kRst0 && marker <= kRst7);
        if (standalone || marker == 0x00) {
            Fail(JpegFault::Malformed, "a JPEG marker (SOI, RSTn or TEM) outside its place");
            break;
        }
        if (size_ - pos_ < 2 || Be16(d_ + pos_) < 2 || size_ - pos_ < Be16(d_ + pos_)) {
            Fail(JpegFault::Truncated, "JPEG data cut short inside a marker segment");
            break;
        }
        size_t n = Be16(d_ + pos_) - 2;
        const uint8_t *s = d_ + pos_ + 2;
        pos_ += n + 2;
        if (!Segment(marker, s, n)) break;
        if (marker == kSos && !SkipEntropyData()) break;
    }
    if (!result_.Accepted()) result_.length = 0;
    return result_;
}

// What the end of the image needs: a frame, a scan, and a colour model
// the players decode.
bool JpegWalk::AtEnd() {
    if (!haveFrame_ || !haveScan_)
        return Fail(JpegFault::Malformed, "JPEG data ends before its frame header or its first scan");
    if (components_ == 3 && adobeTransform_ >= 0 && adobeTransform_ != kAdobeYCbCr)
        return Fail(JpegFault::Colours,
                    "a JPEG whose three components are not YCbCr (its Adobe transform is not 1)");
    return true;
}

bool JpegWalk::Segment(uint8_t marker, const uint8_t *s, size_t n) {
    if (marker >= kSof0 && marker <= kSof15 && marker != kDht && marker != kJpg && marker != kDac)
        return Frame(marker, s, n);
    switch (marker) {
    case kDht: return Huffman(s, n);
    case kDqt: return Quantisation(s, n);
    case kSos: return Scan(s, n);
    case kDri:
        return n == 2 || Fail(JpegFault::Malformed, "JPEG restart interval segment of a wrong length");
    case kDac:
        return Fail(JpegFault::Arithmetic, "an arithmetic-coded JPEG (DAC); only Huffman coding is taken");
    case kDhp:
    case kExp: return Fail(JpegFault::Hierarchical, "a hierarchical JPEG; only baseline JPEG is taken");
    case kDnl: return Fail(JpegFault::Malformed, "JPEG whose height comes late, in a DNL marker");
    case kCom: return true;
    default: break;
    }
    if (marker >= kApp0 && marker <= kApp15) {
        if (marker == kApp14) Adobe(s, n);
        return true;
    }
    return Fail(JpegFault::Malformed, "a JPEG marker that baseline JPEG has not");
}

// The frame kinds other than baseline, each refused with its reason.
bool JpegWalk::FrameKind(uint8_t marker) {
    if (marker >= kSof9)
        return Fail(JpegFault::Arithmetic,
                    "an arithmetic-coded JPEG (SOF9 to SOF15); only baseline JPEG is taken");
    if (marker >= kSof5 && marker <= kSof7)
        return Fail(JpegFault::Hierarchical,
                    "a hierarchical JPEG (SOF5 to SOF7); only baseline JPEG is taken");
    if (marker == kSof2)
        return Fail(JpegFault::Progressive, "a progressive JPEG (SOF2); only baseline JPEG is taken");
    if (marker == kSof3)
        return Fail(JpegFault::Lossless, "a lossless JPEG (SOF3); only baseline JPEG is taken");
    return true;
}

bool JpegWalk::Frame(uint8_t marker, const uint8_t *s, size_t n) {
    if (haveFrame_) return Fail(JpegFault::Malformed, "JPEG with a second frame header");
    if (!FrameKind(marker)) return false;
    if (n < 6 || n != 6 + 3u * s[5])
        return Fail(JpegFault::Malformed, "JPEG frame header of a wrong length");
    if (s[0] != 8)
        return Fail(JpegFault::Precision, "a JPEG of 12-bit samples; only 8-bit is taken");
    if (marker == kSof1)
        return Fail(JpegFault::Extended, "an extended sequential JPEG (SOF1); only baseline (SOF0) is taken");
    components_ = s[5];
    if (components_ != 1 && components_ != kMaxComponents)
        return Fail(JpegFault::Components,
                    "a JPEG of neither 1 nor 3 colour components (CMYK and YCCK have 4)");
    uint32_t height = Be16(s + 1), width = Be16(s + 3);
    if (width != width_ || height != height_)
        return Fail(JpegFault::WrongSize, "a JPEG of another size than the stage's");
    for (int i = 0; i < components_; ++i) {
        const uint8_t *c = s + 6 + 3 * i;
        uint8_t h = c[1] >> 4, v = c[1] & 15;
        if (h < 1 || h > 4 || v < 1 || v > 4 || c[2] >= kQuantisationTables)
            return Fail(JpegFault::Malformed, "JPEG frame header with a wrong sampling factor or table");
        componentIds_[i] = c[0];
        componentTables_[i] = c[2];
    }
    haveFrame_ = true;
    return true;
}

bool JpegWalk::Quantisation(const uint8_t *s, size_t n) {
    while (n > 0) {
        uint8_t precision = s[0] >> 4, table = s[0] & 15;
        if (precision != 0)
            return Fail(JpegFault::Precision, "JPEG with a 16-bit quantisation table; only 8-bit is taken");
        if (table >= kQuantisationTables || n < 65)
            return Fail(JpegFault::Malformed, "JPEG quantisation table segment of a wrong form");
        quantisation_[table] = true;
        s += 65;
        n -= 65;
    }
    return true;
}

bool JpegWalk::Huffman(const uint8_t *s, size_t n) {
    while (n > 0) {
        uint8_t kind = s[0] >> 4, table = s[0] & 15;
        if (kind > 1 || table >= kHuffmanTables || n < 17)
            return Fail(JpegFault::Malformed, "JPEG Huffman table segment of a wrong form for baseline");
        size_t codes = 0;
        for (int i = 1; i <= 16; ++i) codes += s[i];
        if (codes > 256 || n < 17 + codes)
            return Fail(JpegFault::Malformed, "JPEG Huffman table segment of a wrong length");
        huffman_[kind][table] = true;
        s += 17 + codes;
        n -= 17 + codes;
    }
    return true;
}

// A sequential scan: its components in the frame, their tables defined
// before it, the whole spectrum (Ss 0, Se 63) without successive
// approximation.
bool JpegWalk::Scan(const uint8_t *s, size_t n) {
    if (!haveFrame_) return Fail(JpegFault::Malformed, "JPEG scan before the frame header");
    if (n < 1 || s[0] < 1 || s[0] > components_ || n != 4 + 2u * s[0])
        return Fail(JpegFault::Malformed, "JPEG scan header of a wrong length");
    for (int i = 0; i < s[0]; ++i) {
        const uint8_t *c = s + 1 + 2 * i;
        const uint8_t *id = static_cast<const uint8_t *>(std::memchr(componentIds_, c[0], components_));
        uint8_t dc = c[1] >> 4, ac = c[1] & 15;
        if (!id || dc >= kHuffmanTables || ac >= kHuffmanTables || !huffman_[0][dc] ||
            !huffman_[1][ac] || !quantisation_[componentTables_[id - componentIds_]])
            return Fail(JpegFault::Malformed, "JPEG scan of a component or table not defined before it");
    }
    const uint8_t *tail = s + 1 + 2 * s[0];
    if (tail[0] != 0 || tail[1] != 63 || tail[2] != 0)
        return Fail(JpegFault::Malformed, "JPEG scan that is not sequential over the whole spectrum");
    haveScan_ = true;
    return true;
}

// "Adobe", version (2), flags0 (2), flags1 (2), transform (1).
void JpegWalk::Adobe(const uint8_t *s, size_t n) {
    if (n >= 12 && std::memcmp(s, "Adobe", 5) == 0) adobeTransform_ = s[11];
}

const char *const kEndsInScan = "JPEG data ends inside its scan, without its EOI marker";

// Moves pos_ to the FF of the marker that ends the entropy-coded data.
bool JpegWalk::SkipEntropyData() {
    for (;;) {
        const void *ff = pos_ < size_ ? std::memchr(d_ + pos_, 0xFF, size_ - pos_) : nullptr;
        if (!ff) return Fail(JpegFault::NoEnd, kEndsInScan);
        pos_ = static_cast<const uint8_t *>(ff) - d_;
        size_t next = pos_ + 1;
        while (next < size_ && d_[next] == 0xFF) ++next;  // fill bytes
        if (next >= size_) return Fail(JpegFault::NoEnd, kEndsInScan);
        uint8_t byte = d_[next];
        if (byte != 0x00 && (byte < kRst0 || byte > kRst7)) return true;
        pos_ = next + 1;  // a stuffed zero or a restart marker: the data goes on
    }
}

}  // namespace

JpegCheck CheckJpeg(const uint8_t *data, size_t size, uint32_t width, uint32_t height) {
    if (!data) size = 0;
    return JpegWalk(data, size).Run(width, height);
}

}  // namespace quillon
