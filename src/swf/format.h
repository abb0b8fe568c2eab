// The format's words that every layer uses: the tag codes, the header, the
// limits of its fields and its fixed-point one; the unit twips (twips.h).
#pragma once

#include <cstdint>

#include "swf/twips.h"

namespace quillon {

// The codes of the tags this library writes (and SoundStreamBlock, which
// the tests write beside them). A tag's header holds the code in its upper
// 10 bits.
enum class TagCode : uint16_t {
    End = 0,
    ShowFrame = 1,
    RemoveObject = 5,
    DoAction = 12,
    DefineSound = 14,
    StartSound = 15,
    SoundStreamHead = 18,
    SoundStreamBlock = 19,
    DefineBitsLossless = 20,
    PlaceObject2 = 26,
    DefineShape3 = 32,
    DefineButton2 = 34,
    DefineBitsLossless2 = 36,
};

// The file version in the header, after the signature "FWS" (uncompressed).
constexpr uint8_t kSwfVersion = 4;

// ---- The header, field limits and fixed-point numbers -------------------
// The signature of an uncompressed file, the header's first three bytes.
constexpr uint8_t kSwfSignature[3] = {'F', 'W', 'S'};
// A tag header is a UI16: the code in the upper 10 bits, the length in the
// lower 6. A length of kLongTagLength there says a UI32 length follows.
constexpr uint32_t kTagLengthBits = 6;
constexpr uint32_t kLongTagLength = 0x3F;
// The largest value of a UI16 field: character ids, depths, frame numbers,
// action lengths, line widths, bitmap sides.
constexpr uint32_t kMaxUI16 = 0xFFFF;
// 1.0 in the 16.16 fixed point of a MATRIX's scale and rotate-skew terms.
constexpr int32_t kFixedOne = 0x10000;
// An edge record keeps its field width in 4 bits holding NumBits - 2, so a
// delta has at most 17 bits: this magnitude.
constexpr int32_t kMaxEdgeDelta = 0xFFFF;
// A FILLSTYLEARRAY or LINESTYLEARRAY count of this byte says a UI16 count
// follows.
constexpr uint32_t kExtendedStyleCount = 0xFF;

}  // namespace quillon
