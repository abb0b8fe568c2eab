// The SWF reader: header, tag walk, body decoders and the display list.
#include "support/swf_reader.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <zlib.h>

namespace quillon::test {

namespace {

// Reads bit fields most significant bit first, and little-endian integers
// from byte boundaries. Reading past the end sets `failed` and yields 0.
class BitReader {
public:
    explicit BitReader(const std::vector<uint8_t> &bytes) : bytes_(bytes) {}

    uint32_t UB(uint32_t n) {
        uint32_t v = 0;
        for (uint32_t i = 0; i < n; ++i) {
            if (bit_ >= bytes_.size() * 8) {
                failed = true;
                return 0;
            }
            uint32_t b = (bytes_[bit_ / 8] >> (7 - bit_ % 8)) & 1u;
            v = (v << 1) | b;
            ++bit_;
        }
        return v;
    }
    int32_t SB(uint32_t n) {
        uint32_t v = UB(n);
        if (n > 0 && n < 32 && (v >> (n - 1)) & 1u) v |= ~0u << n;
        return static_cast<int32_t>(v);
    }
    void Align() { bit_ = (bit_ + 7) / 8 * 8; }
    uint32_t U8() {
        Align();
        return UB(8);
    }
    uint32_t U16() {
        uint32_t lo = U8();
        return lo | (U8() << 8);
    }
    uint32_t U32() {
        uint32_t lo = U16();
        return lo | (U16() << 16);
    }
    std::string String() {
        std::string s;
        for (;;) {
            uint32_t c = U8();
            if (failed || c == 0) return s;
            s += static_cast<char>(c);
        }
    }
    size_t BytePos() const { return (bit_ + 7) / 8; }
    bool AtEnd() const { return bit_ % 8 == 0 && bit_ / 8 == bytes_.size(); }
    void Skip(size_t n) {
        Align();
        if (BytePos() + n > bytes_.size()) failed = true;
        else bit_ += n * 8;
    }

    bool failed = false;

private:
    const std::vector<uint8_t> &bytes_;
    size_t bit_ = 0;
};

// Sets error to what; false.
bool Failed(std::string &error, const std::string &what) {
    error = what;
    return false;
}

// The header of a DefineBitsLossless(2) body, and the bytes of one palette
// entry and of one stored row; false when the header is cut short.
bool ReadBitmapHeader(const SwfTag &tag, SwfBitmap &b, size_t &entry, size_t &row) {
    BitReader r(tag.body);
    b.id = static_cast<uint16_t>(r.U16());
    b.format = static_cast<uint8_t>(r.U8());
    b.width = static_cast<int32_t>(r.U16());
    b.height = static_cast<int32_t>(r.U16());
    b.colours = b.format == 3 ? static_cast<int32_t>(r.U8()) + 1 : 0;
    entry = tag.code == kDefineBitsLossless2 ? 4 : 3;
    row = b.format == 3 ? (static_cast<size_t>(b.width) + 3) / 4 * 4 : static_cast<size_t>(b.width) * 4;
    return !r.failed;
}

// A field width, then two signed fields of that width.
void ReadPair(BitReader &r, int32_t &a, int32_t &b) {
    uint32_t n = r.UB(5);
    a = r.SB(n);
    b = r.SB(n);
}

SwfMatrix ReadMatrix(BitReader &r) {
    SwfMatrix m;
    r.Align();
    if ((m.hasScale = r.UB(1) != 0)) ReadPair(r, m.scaleX, m.scaleY);
    if ((m.hasRotate = r.UB(1) != 0)) ReadPair(r, m.rotateSkew0, m.rotateSkew1);
    ReadPair(r, m.translateX, m.translateY);
    r.Align();
    return m;
}

void ReadCxformWithAlpha(BitReader &r) {
    r.Align();
    bool hasAdd = r.UB(1) != 0;
    bool hasMult = r.UB(1) != 0;
    uint32_t n = r.UB(4);
    if (hasMult) r.UB(4 * n);
    if (hasAdd) r.UB(4 * n);
    r.Align();
}

// The tag codes of the format with the version that brought each; a
// version-4 file holds none of a later version, nor a code the format does
// not define.
struct TagVersion {
    uint16_t code;
    uint8_t version;
};
constexpr TagVersion kTagVersions[] = {
    {0, 1}, {1, 1}, {2, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {8, 1}, {9, 1}, {10, 1}, {11, 1},
    {12, 3}, {13, 1}, {14, 1}, {15, 1}, {17, 2}, {18, 1}, {19, 1}, {20, 2}, {21, 2}, {22, 2},
    {23, 2}, {24, 2}, {26, 3}, {28, 3}, {32, 3}, {33, 3}, {34, 3}, {35, 3}, {36, 3}, {37, 4},
    {39, 3}, {43, 3}, {45, 3}, {46, 3}, {48, 3}, {56, 5}, {57, 5}, {58, 5}, {59, 6}, {60, 6},
    {61, 6}, {62, 6}, {64, 6}, {65, 7}, {66, 7}, {69, 8}, {70, 8}, {71, 8}, {73, 8}, {74, 8},
    {75, 8}, {76, 9}, {77, 1}, {78, 8}, {82, 9}, {83, 8}, {84, 8}, {86, 9}, {87, 9}, {88, 9},
    {89, 9}, {90, 10}, {91, 10}, {93, 19},
};

// The action codes of versions 3 and 4 (the frame and URL actions, then the
// stack machine); every other code came with version 5 or later.
bool IsVersion4Action(uint32_t code) {
    static const std::set<uint32_t> codes = {
        0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11,
        0x12, 0x13, 0x14, 0x15, 0x17, 0x18, 0x1C, 0x1D, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25,
        0x26, 0x27, 0x28, 0x29, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x81, 0x83,
        0x8A, 0x8B, 0x8C, 0x8D, 0x96, 0x99, 0x9A, 0x9D, 0x9E, 0x9F,
    };
    return codes.count(code) != 0;
}
constexpr uint32_t kActionPush = 0x96;

// Fill style types of DefineShape3 this reader decodes: a solid colour, a
// repeating and a clipped bitmap (0x42 and 0x43, the bitmaps without
// smoothing, came with version 8; gradients are not written).
constexpr uint32_t kSolidFill = 0x00, kRepeatingBitmapFill = 0x40, kClippedBitmapFill = 0x41;
// The high four bits of a button record's flags: reserved (0xC0) and, since
// version 8, a blend mode and a filter list.
constexpr uint32_t kButtonRecordLaterBits = 0xF0;
// Sound formats up to version 4: native and little-endian PCM, ADPCM, MP3.
constexpr uint32_t kLastVersion4SoundFormat = 3;

// How far (in twips) the outlines this library draws may stray: the
// rectangle outline ends one twip beyond its bounds, and the ellipse's
// truncated deltas need not close its path exactly.
constexpr int64_t kSlack = 16;

// Shared state of one file's walk.
class Walker {
public:
    Walker(SwfMovie &movie, std::string &error, const std::vector<uint16_t> *keys)
        : movie_(movie), error_(error), keys_(keys) {}

    // After the last tag: every key given was used.
    bool AllKeysUsed() {
        if (!keys_ || placed_ == keys_->size()) return true;
        error_ = std::to_string(keys_->size()) + " stacking keys given for " + std::to_string(placed_) +
                 " placements";
        return false;
    }

    bool Fail(const SwfTag &tag, const std::string &what) {
        error_ = "tag " + std::to_string(tag.code) + " at offset " + std::to_string(tag.offset) +
                 " (frame " + std::to_string(tag.frame) + "): " + what;
        return false;
    }

    bool Define(const SwfTag &tag, uint32_t id) {
        if (movie_.definitions.count(static_cast<uint16_t>(id)))
            return Fail(tag, "character " + std::to_string(id) + " defined twice");
        movie_.definitions[static_cast<uint16_t>(id)] = tag.code;
        return true;
    }
    bool Defined(uint32_t id) const { return movie_.definitions.count(static_cast<uint16_t>(id)) != 0; }

    bool Tag(const SwfTag &tag, size_t index) {
        const TagVersion *known = std::find_if(std::begin(kTagVersions), std::end(kTagVersions),
                                               [&](const TagVersion &t) { return t.code == tag.code; });
        if (known == std::end(kTagVersions)) return Fail(tag, "no tag of the format has this code");
        if (known->version > 4)
            return Fail(tag, "came with version " + std::to_string(known->version) + ", not in version 4");
        switch (tag.code) {
        case kPlaceObject2: return PlaceObject2(tag, index);
        case kRemoveObject: return RemoveObject(tag, index);
        case kDefineBitsLossless:
        case kDefineBitsLossless2: return Bitmap(tag);
        case kDefineBitsJPEG2: return Jpeg(tag);
        case kDefineShape3: return Shape(tag);
        case kDefineButton2: return Button(tag);
        case kDoAction: return DoAction(tag);
        case kDefineSound: return SoundFormat(tag, 2);
        case kSoundStreamHead:
        case kSoundStreamHead2: return SoundFormat(tag, 1);
        default: return true;
        }
    }

private:
    bool PlaceObject2(const SwfTag &tag, size_t index) {
        BitReader r(tag.body);
        uint32_t flags = r.U8();
        SwfPlacement p;
        p.frame = tag.frame;
        p.tagIndex = index;
        p.depth = static_cast<uint16_t>(r.U16());
        bool move = flags & 0x01, hasCharacter = flags & 0x02;
        if (flags & 0x80) return Fail(tag, "clip actions do not exist in version 4");
        if (hasCharacter) p.characterId = static_cast<uint16_t>(r.U16());
        if ((p.hasMatrix = (flags & 0x04) != 0)) p.matrix = ReadMatrix(r);
        if (flags & 0x08) ReadCxformWithAlpha(r);
        if (flags & 0x10) r.U16();
        if (flags & 0x20) r.String();
        if (flags & 0x40) r.U16();
        if (r.failed || !r.AtEnd()) return Fail(tag, "body does not end where the fields do");
        if (!hasCharacter || move) return Fail(tag, "the library places new characters only");
        if (!Defined(p.characterId))
            return Fail(tag, "places undefined character " + std::to_string(p.characterId));
        auto held = depths_.find(p.depth);
        if (held != depths_.end())
            return Fail(tag, "depth " + std::to_string(p.depth) + " already holds character " +
                                 std::to_string(held->second.character));
        int32_t key = -1;
        if (keys_) {
            if (placed_ >= keys_->size()) return Fail(tag, "more placements than stacking keys");
            key = (*keys_)[placed_];
            // The stage is kept in key order by depth, so the neighbours
            // below and above are the only ones to compare with.
            auto above = depths_.upper_bound(p.depth);
            auto misplaced = [&](const char *how, std::map<uint16_t, OnStage>::const_iterator other) {
                return Fail(tag, "key " + std::to_string(key) + " at depth " + std::to_string(p.depth) + how +
                                     std::to_string(other->second.key) + " at depth " + std::to_string(other->first));
            };
            if (above != depths_.end() && above->second.key < key) return misplaced(" is drawn behind key ", above);
            if (above != depths_.begin() && std::prev(above)->second.key > key)
                return misplaced(" is drawn in front of key ", std::prev(above));
        }
        ++placed_;
        depths_[p.depth] = OnStage{p.characterId, key};
        movie_.placements.push_back(p);
        return true;
    }

    bool RemoveObject(const SwfTag &tag, size_t index) {
        if (tag.body.size() != 4) return Fail(tag, "body is not 4 bytes");
        SwfPlacement p;
        p.remove = true;
        p.frame = tag.frame;
        p.tagIndex = index;
        p.characterId = static_cast<uint16_t>(tag.body[0] | tag.body[1] << 8);
        p.depth = static_cast<uint16_t>(tag.body[2] | tag.body[3] << 8);
        auto held = depths_.find(p.depth);
        if (held == depths_.end() || held->second.character != p.characterId)
            return Fail(tag, "removes character " + std::to_string(p.characterId) + " at depth " +
                                 std::to_string(p.depth) + ", which no placement of it holds");
        depths_.erase(held);
        movie_.placements.push_back(p);
        return true;
    }

    // The 4-bit sound format at the top of the byte at offset.
    bool SoundFormat(const SwfTag &tag, size_t offset) {
        if (tag.body.size() <= offset) return Fail(tag, "sound format cut short");
        uint32_t format = tag.body[offset] >> 4;
        if (format > kLastVersion4SoundFormat)
            return Fail(tag, "sound format " + std::to_string(format) + " is not in version 4");
        return true;
    }

    bool Bitmap(const SwfTag &tag) {
        SwfBitmap b;
        size_t entry, row;
        if (!ReadBitmapHeader(tag, b, entry, row)) return Fail(tag, "bitmap header cut short");
        if (b.format != 3 && b.format != 5) return Fail(tag, "bitmap format " + std::to_string(b.format));
        if (b.width == 0 || b.height == 0) return Fail(tag, "empty bitmap");
        size_t expected = static_cast<size_t>(b.colours) * entry + row * static_cast<size_t>(b.height);
        std::vector<uint8_t> data;
        if (!InflateBitmap(tag, data)) return Fail(tag, "zlib data does not decompress");
        if (data.size() != expected)
            return Fail(tag, "zlib data holds " + std::to_string(data.size()) + " bytes, not " +
                                 std::to_string(expected));
        return Define(tag, b.id);
    }

    bool Jpeg(const SwfTag &tag) {
        SwfBitmap b;
        std::string error;
        if (tag.body.size() < 2) return Fail(tag, "JPEG bitmap without its id");
        if (!DecodeJpeg(tag.body.data() + 2, tag.body.size() - 2, b, error))
            return Fail(tag, "JPEG does not decode: " + error);
        return Define(tag, static_cast<uint16_t>(tag.body[0] | tag.body[1] << 8));
    }

    bool Styles(const SwfTag &tag, BitReader &r, uint32_t &fills, uint32_t &lines) {
        fills = r.U8();
        if (fills == 0xFF) fills = r.U16();
        for (uint32_t i = 0; i < fills && !r.failed; ++i) {
            uint32_t type = r.U8();
            if (type == kSolidFill) {
                r.Skip(4);
            } else if (type == kRepeatingBitmapFill || type == kClippedBitmapFill) {
                uint32_t bitmap = r.U16();
                if (bitmap != 0xFFFF && !Defined(bitmap))
                    return Fail(tag, "fill of undefined bitmap " + std::to_string(bitmap));
                ReadMatrix(r);
            } else {
                return Fail(tag, "fill style type " + std::to_string(type));
            }
        }
        lines = r.U8();
        if (lines == 0xFF) lines = r.U16();
        for (uint32_t i = 0; i < lines && !r.failed; ++i) r.Skip(6);
        return true;
    }

    bool Shape(const SwfTag &tag) {
        BitReader r(tag.body);
        uint32_t id = r.U16();
        std::vector<int32_t> &b = movie_.shapeBounds[static_cast<uint16_t>(id)];
        uint32_t n = r.UB(5);
        b = {r.SB(n), r.SB(n), r.SB(n), r.SB(n)};  // xMin, xMax, yMin, yMax
        // The library writes the corners as the host gave them, so the
        // bounds may be inverted; the outline is checked against the box
        // that the corners span.
        int64_t xMin = std::min(b[0], b[1]), xMax = std::max(b[0], b[1]);
        int64_t yMin = std::min(b[2], b[3]), yMax = std::max(b[2], b[3]);
        uint32_t fills = 0, lines = 0;
        if (!Styles(tag, r, fills, lines)) return false;
        uint32_t fillBits = r.UB(4), lineBits = r.UB(4);
        // The pen: every point must lie within the bounds, and every path
        // must come back to where it began (both within kSlack twips).
        int64_t x = 0, y = 0, startX = 0, startY = 0;
        bool drawing = false;
        auto inside = [&](int64_t px, int64_t py) {
            return px >= xMin - kSlack && px <= xMax + kSlack && py >= yMin - kSlack && py <= yMax + kSlack;
        };
        auto closed = [&] {
            return !drawing || (std::llabs(x - startX) <= kSlack && std::llabs(y - startY) <= kSlack);
        };
        for (;;) {
            if (r.failed) return Fail(tag, "shape records cut short");
            if (r.UB(1) == 0) {
                uint32_t state = r.UB(5);
                if (state == 0) break;  // EndShapeRecord
                if (state & 0x01) {
                    uint32_t m = r.UB(5);
                    if (!closed()) return Fail(tag, "a path does not come back to its start");
                    x = startX = r.SB(m);
                    y = startY = r.SB(m);
                    drawing = false;
                    if (!inside(x, y)) return Fail(tag, "moves outside the shape's bounds");
                }
                uint32_t f0 = state & 0x02 ? r.UB(fillBits) : 0;
                uint32_t f1 = state & 0x04 ? r.UB(fillBits) : 0;
                uint32_t l = state & 0x08 ? r.UB(lineBits) : 0;
                if (f0 > fills || f1 > fills || l > lines)
                    return Fail(tag, "style index beyond the style arrays");
                if (state & 0x10) {
                    if (!Styles(tag, r, fills, lines)) return false;
                    fillBits = r.UB(4);
                    lineBits = r.UB(4);
                }
            } else {
                bool straight = r.UB(1) == 1;
                uint32_t m = r.UB(4) + 2;
                if (straight) {
                    if (r.UB(1)) {
                        x += r.SB(m);
                        y += r.SB(m);
                    } else if (r.UB(1)) {
                        y += r.SB(m);
                    } else {
                        x += r.SB(m);
                    }
                } else {
                    int64_t cx = x + r.SB(m), cy = y + r.SB(m);
                    if (!inside(cx, cy)) return Fail(tag, "a control point lies outside the shape's bounds");
                    x = cx + r.SB(m);
                    y = cy + r.SB(m);
                }
                drawing = true;
                if (!inside(x, y)) return Fail(tag, "an edge leaves the shape's bounds");
            }
        }
        r.Align();
        if (r.failed || !r.AtEnd()) return Fail(tag, "shape does not end at the tag's end");
        if (!closed()) return Fail(tag, "a path does not come back to its start");
        return Define(tag, id);
    }

    // An action list up to and including its end byte, its actions added to
    // out when given; false on a fault.
    bool Actions(const SwfTag &tag, BitReader &r, std::vector<SwfAction> *out = nullptr) {
        for (;;) {
            uint32_t code = r.U8();
            if (r.failed) return Fail(tag, "action list has no end");
            if (code == 0) return true;
            if (!IsVersion4Action(code)) return Fail(tag, "action " + std::to_string(code) + " is not in version 4");
            SwfAction action{static_cast<uint8_t>(code), {}};
            if (code >= 0x80) {
                uint32_t length = r.U16();
                size_t start = r.BytePos();
                if (code == 0x81 && length != 2) return Fail(tag, "GotoFrame payload is not 2 bytes");
                if (code == kActionPush) {
                    if (!PushValues(tag, r, length)) return false;
                } else if (code == 0x83) {
                    r.String();
                    r.String();
                    if (r.BytePos() - start != length) return Fail(tag, "GetURL length does not match its texts");
                } else {
                    r.Skip(length);
                }
                if (!r.failed) action.payload.assign(tag.body.begin() + static_cast<long>(start),
                                                     tag.body.begin() + static_cast<long>(start + length));
            }
            if (out) out->push_back(action);
        }
    }

    // A Push payload of length bytes: in version 4 its values are strings
    // (type 0) and 32-bit floats (type 1) only.
    bool PushValues(const SwfTag &tag, BitReader &r, uint32_t length) {
        size_t end = r.BytePos() + length;
        while (r.BytePos() < end && !r.failed) {
            uint32_t type = r.U8();
            if (type == 0) r.String();
            else if (type == 1) r.U32();
            else return Fail(tag, "Push value type " + std::to_string(type) + " is not in version 4");
        }
        if (r.BytePos() != end) return Fail(tag, "Push length does not match its values");
        return true;
    }

    bool DoAction(const SwfTag &tag) {
        BitReader r(tag.body);
        if (!Actions(tag, r)) return false;
        return r.AtEnd() || Fail(tag, "bytes after the action list's end");
    }

    bool Button(const SwfTag &tag) {
        BitReader r(tag.body);
        uint32_t id = r.U16();
        SwfButton &button = movie_.buttons[static_cast<uint16_t>(id)];
        if (r.U8() & ~1u) return Fail(tag, "reserved button flags set");  // bit 0: track as menu
        size_t offsetField = r.BytePos();
        uint32_t actionOffset = r.U16();
        int records = 0;
        for (;;) {
            uint32_t flags = r.U8();
            if (r.failed) return Fail(tag, "button records cut short");
            if (flags == 0) break;
            if (flags & kButtonRecordLaterBits)
                return Fail(tag, "button record flags " + std::to_string(flags) + " are not in version 4");
            if ((flags & 0x0F) == 0) return Fail(tag, "button record in no state");
            uint32_t character = r.U16();
            r.U16();  // layer
            ReadMatrix(r);
            ReadCxformWithAlpha(r);
            if (!Defined(character))
                return Fail(tag, "button shows undefined character " + std::to_string(character));
            button.characters.push_back(static_cast<uint16_t>(character));
            ++records;
        }
        if (records == 0) return Fail(tag, "button without records");
        if (actionOffset != 0 && actionOffset != r.BytePos() - offsetField)
            return Fail(tag, "ActionOffset " + std::to_string(actionOffset) + " does not reach the actions");
        while (actionOffset != 0) {
            size_t start = r.BytePos();
            uint32_t size = r.U16();
            button.conditions.push_back({static_cast<uint16_t>(r.U16()), {}});
            if (!Actions(tag, r, &button.conditions.back().actions)) return false;
            if (size == 0) break;
            if (r.BytePos() - start != size) return Fail(tag, "CondActionSize does not reach the next one");
        }
        if (r.failed || !r.AtEnd()) return Fail(tag, "button does not end at the tag's end");
        return Define(tag, id);
    }

    struct OnStage {
        uint16_t character;
        int32_t key;  // -1 without stacking keys
    };

    SwfMovie &movie_;
    std::string &error_;
    const std::vector<uint16_t> *keys_;
    size_t placed_ = 0;
    std::map<uint16_t, OnStage> depths_;  // the stage by depth
};

}  // namespace

std::vector<const SwfTag *> SwfMovie::FrameTags(int32_t frame) const {
    std::vector<const SwfTag *> out;
    for (const SwfTag &tag : tags)
        if (tag.frame == frame && tag.code != kShowFrame && tag.code != kEnd) out.push_back(&tag);
    return out;
}

std::vector<uint16_t> SwfMovie::FrameCodes(int32_t frame) const {
    std::vector<uint16_t> out;
    for (const SwfTag *tag : FrameTags(frame)) out.push_back(tag->code);
    return out;
}

std::vector<const SwfTag *> SwfMovie::All(uint16_t code) const {
    std::vector<const SwfTag *> out;
    for (const SwfTag &tag : tags)
        if (tag.code == code) out.push_back(&tag);
    return out;
}

bool InflateBitmap(const SwfTag &tag, std::vector<uint8_t> &pixels) {
    if (tag.code != kDefineBitsLossless && tag.code != kDefineBitsLossless2) return false;
    size_t start = tag.body.size() > 2 && tag.body[2] == 3 ? 8 : 7;
    if (tag.body.size() < start) return false;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef *>(tag.body.data() + start);
    z.avail_in = static_cast<uInt>(tag.body.size() - start);
    pixels.clear();
    uint8_t chunk[16384];
    int rc;
    do {
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        pixels.insert(pixels.end(), chunk, chunk + (sizeof chunk - z.avail_out));
    } while (rc == Z_OK);
    bool ok = rc == Z_STREAM_END && z.avail_in == 0;  // nothing may follow the stream
    inflateEnd(&z);
    return ok;
}

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not
// return: it jumps back to the decoding call with the message kept.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegFatal(j_common_ptr info) {
    auto *errors = reinterpret_cast<JpegErrors *>(info->err);
    info->err->format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Decodes into b's pixels. No object with a destructor lives in this frame
// (the row is libjpeg's, freed with the decoder), so a jump skips none.
bool JpegRows(jpeg_decompress_struct &info, JpegErrors &errors, SwfBitmap &b) {
    if (setjmp(errors.jump)) return false;
    jpeg_start_decompress(&info);
    b.width = static_cast<int32_t>(info.output_width);
    b.height = static_cast<int32_t>(info.output_height);
    b.rgba.assign(static_cast<size_t>(b.width) * b.height * 4, 255);
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * 3, 1);
    for (size_t y = 0; info.output_scanline < info.output_height; ++y) {
        jpeg_read_scanlines(&info, row, 1);
        for (size_t x = 0; x < info.output_width; ++x)
            std::copy(row[0] + x * 3, row[0] + x * 3 + 3, &b.rgba[(y * info.output_width + x) * 4]);
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t *jpeg, size_t size, SwfBitmap &b, std::string &error) {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegFatal;
    errors.manager.output_message = [](j_common_ptr) {};
    jpeg_create_decompress(&info);
    volatile bool ok = false;
    if (!setjmp(errors.jump)) {
        jpeg_mem_src(&info, jpeg, static_cast<unsigned long>(size));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        ok = JpegRows(info, errors, b);
    }
    if (ok && errors.manager.num_warnings > 0) {
        errors.manager.format_message(reinterpret_cast<j_common_ptr>(&info), errors.message);
        ok = false;
    }
    if (!ok) error = errors.message;
    jpeg_destroy_decompress(&info);
    b.format = 0;
    b.colours = 0;
    return ok;
}

bool DecodeBitmap(const SwfTag &tag, SwfBitmap &b) {
    if (tag.code == kDefineBitsJPEG2) {
        std::string error;
        if (tag.body.size() < 2) return false;
        b.id = static_cast<uint16_t>(tag.body[0] | tag.body[1] << 8);
        return DecodeJpeg(tag.body.data() + 2, tag.body.size() - 2, b, error);
    }
    std::vector<uint8_t> raw;
    size_t entry, row;
    if (!InflateBitmap(tag, raw) || !ReadBitmapHeader(tag, b, entry, row)) return false;
    bool alpha = entry == 4;
    size_t palette = static_cast<size_t>(b.colours) * entry;
    if ((b.format != 3 && b.format != 5) || raw.size() != palette + row * b.height) return false;
    b.rgba.resize(static_cast<size_t>(b.width) * b.height * 4);
    for (int32_t y = 0; y < b.height; ++y)
        for (int32_t x = 0; x < b.width; ++x) {
            uint8_t *out = &b.rgba[(static_cast<size_t>(y) * b.width + x) * 4];
            const uint8_t *p;
            if (b.format == 3) {  // red, green, blue (alpha)
                uint8_t index = raw[palette + y * row + x];
                if (index >= b.colours) return false;
                p = &raw[index * entry];
                out[3] = alpha ? p[3] : 255;
            } else {  // alpha or padding, red, green, blue
                p = &raw[y * row + x * 4];
                out[3] = alpha ? p[0] : 255;
                ++p;
            }
            std::copy(p, p + 3, out);
        }
    return true;
}

bool ReadTag(const std::vector<uint8_t> &bytes, size_t &pos, SwfTag &tag, std::string &error) {
    tag.offset = static_cast<uint32_t>(pos);
    if (pos + 2 > bytes.size()) return Failed(error, "tag header cut short at offset " + std::to_string(pos));
    uint32_t word = bytes[pos] | bytes[pos + 1] << 8;
    pos += 2;
    tag.code = static_cast<uint16_t>(word >> 6);
    uint64_t length = word & 0x3F;
    tag.longHeader = length == 0x3F;
    if (tag.longHeader) {
        if (pos + 4 > bytes.size())
            return Failed(error, "long tag header cut short at offset " + std::to_string(tag.offset));
        length = bytes[pos] | bytes[pos + 1] << 8 | bytes[pos + 2] << 16 | static_cast<uint32_t>(bytes[pos + 3]) << 24;
        pos += 4;
    }
    if (pos + length > bytes.size())
        return Failed(error, "tag " + std::to_string(tag.code) + " at offset " + std::to_string(tag.offset) +
                                 " claims " + std::to_string(length) + " bytes past the end of the file");
    tag.body.assign(bytes.begin() + static_cast<long>(pos), bytes.begin() + static_cast<long>(pos + length));
    pos += length;
    return true;
}

bool ReadSwf(const std::vector<uint8_t> &bytes, SwfMovie &movie, std::string &error,
             const std::vector<uint16_t> *stackingKeys) {
    movie = SwfMovie();
    error.clear();
    BitReader r(bytes);
    if (bytes.size() < 8 || bytes[0] != 'F' || bytes[1] != 'W' || bytes[2] != 'S')
        return Failed(error, "no FWS signature");
    r.Skip(3);
    SwfHeader &h = movie.header;
    h.version = static_cast<uint8_t>(r.U8());
    h.fileLength = r.U32();
    if (h.version != 4) return Failed(error, "version " + std::to_string(h.version));
    if (h.fileLength != bytes.size())
        return Failed(error, "FileLength " + std::to_string(h.fileLength) + " but the file has " +
                                 std::to_string(bytes.size()) + " bytes");
    h.rectBits = r.UB(5);
    h.xMin = r.SB(h.rectBits);
    h.xMax = r.SB(h.rectBits);
    h.yMin = r.SB(h.rectBits);
    h.yMax = r.SB(h.rectBits);
    h.frameRateFraction = static_cast<uint8_t>(r.U8());
    h.frameRate = static_cast<uint8_t>(r.U8());
    h.frameCount = static_cast<uint16_t>(r.U16());
    if (r.failed) return Failed(error, "header cut short");
    h.size = static_cast<uint32_t>(r.BytePos());

    Walker walker(movie, error, stackingKeys);
    size_t pos = h.size;
    int32_t frame = 0;
    bool ended = false;
    while (pos < bytes.size()) {
        if (ended) return Failed(error, "bytes after the End tag at offset " + std::to_string(pos));
        SwfTag tag;
        tag.frame = frame;
        if (!ReadTag(bytes, pos, tag, error)) return false;
        if ((tag.code == kEnd || tag.code == kShowFrame) && !tag.body.empty()) return walker.Fail(tag, "has a body");
        if (!walker.Tag(tag, movie.tags.size())) return false;
        if (tag.code == kShowFrame) ++frame;
        if (tag.code == kEnd) ended = true;
        movie.tags.push_back(std::move(tag));
    }
    if (!ended) return Failed(error, "no End tag");
    if (frame != h.frameCount)
        return Failed(error, "header counts " + std::to_string(h.frameCount) + " frames, the file has " +
                                 std::to_string(frame) + " ShowFrame tags");
    return walker.AllKeysUsed();
}

bool ReadSwfFile(const std::string &path, SwfMovie &movie, std::string &error,
                 const std::vector<uint16_t> *stackingKeys) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Failed(error, "cannot open " + path);
    return ReadSwf(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), movie, error, stackingKeys);
}

std::string DescribeActions(const std::vector<SwfAction> &actions) {
    std::string out;
    for (const SwfAction &a : actions) {
        if (!out.empty()) out += ' ';
        const std::vector<uint8_t> &p = a.payload;
        switch (a.code) {
        case 0x06: out += "Play"; break;
        case 0x07: out += "Stop"; break;
        case 0x09: out += "StopSounds"; break;
        case 0x81: out += "GotoFrame(" + std::to_string(p[0] | p[1] << 8) + ")"; break;
        case 0x83: {
            std::string url(reinterpret_cast<const char *>(p.data()));
            out += "GetURL(" + url + ", " + reinterpret_cast<const char *>(p.data() + url.size() + 1) + ")";
            break;
        }
        default: out += "Action(" + std::to_string(a.code) + ")";
        }
    }
    return out;
}

}  // namespace quillon::test
