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
    DefineBitsJPEG2 = 21,
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

// ---- Sound: DefineSound, SoundStreamHead, StartSound, ADPCM data -----------

// SoundFormat (4 bits): the one compression this library writes.
constexpr uint8_t kSoundAdpcm = 1;

// SoundRate (2 bits), codes 0 to 3: 5512.5, 11025, 22050 and 44100 Hz. The
// rates in half-hertz, so that 5512.5 Hz is exact.
inline constexpr uint32_t kSoundRateHalfHertz[4] = {11025, 22050, 44100, 88200};
constexpr uint8_t kSoundRate5k5 = 0;
constexpr uint8_t kSoundRate44k = 3;
// SoundSize (1 bit): 1 for 16-bit samples, 0 for 8-bit ones.
constexpr uint8_t kSoundSize16Bit = 1;

// The byte that holds SoundRate, SoundSize and SoundType (stereo) together,
// as SoundStreamHead's playback fields: rate in bits 3-2, then these two.
constexpr uint32_t kSoundRateShift = 2;
constexpr uint32_t kSound16BitFlag = 0x02;
constexpr uint32_t kSoundStereoFlag = 0x01;

// SOUNDINFO's SyncFlags (4 bits; the two upper ones reserved).
constexpr uint8_t kSyncNoMultiple = 1;  // a sound already playing is not started again
constexpr uint8_t kSyncStop = 2;

// ADPCM sound data: AdpcmCodeSize (2 bits: bits per code less 2, codes of
// 2 to 5 bits, the sign bit included), then packets of 4096 sample frames.
// A packet opens, per channel, with its first sample as it is (16 bits)
// and the step index for the next (6 bits); one code per channel follows
// for each further frame. The last packet may be shorter.
constexpr uint32_t kAdpcmCodeSizeBits = 2;
constexpr int32_t kAdpcmMinBitsPerCode = 2;
constexpr int32_t kAdpcmMaxBitsPerCode = 5;
constexpr uint32_t kAdpcmFramesPerPacket = 4096;
constexpr uint32_t kAdpcmFirstSampleBits = 16;
constexpr uint32_t kAdpcmStepIndexBits = 6;
constexpr uint32_t kAdpcmPacketHeaderBits = kAdpcmFirstSampleBits + kAdpcmStepIndexBits;

// ---- End of the sound section -----------------------------------------------

}  // namespace quillon
