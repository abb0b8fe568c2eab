// A strict reader for the SWF files the library writes: parses the header
// (variable-width RECT included), walks every tag, checks each tag length and
// the FileLength field, decodes the bodies of the tags the library writes and
// follows the display list, so that a test (or a fuzzer) learns of the first
// structural fault in a file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillon::test {

// The codes of the tags the library writes.
enum SwfTagCode : uint16_t {
    kEnd = 0, kShowFrame = 1, kRemoveObject = 5, kDoAction = 12, kDefineSound = 14, kStartSound = 15,
    kDefineBitsLossless = 20, kDefineBitsJPEG2 = 21, kPlaceObject2 = 26, kDefineShape3 = 32,
    kDefineButton2 = 34, kDefineBitsLossless2 = 36, kSoundStreamHead = 18, kSoundStreamHead2 = 45,
};

struct SwfHeader {
    uint8_t version = 0;
    uint32_t fileLength = 0;
    uint32_t rectBits = 0;  // field width of the stage RECT
    int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;  // twips
    uint8_t frameRateFraction = 0;
    uint8_t frameRate = 0;  // integer part of the 8.8 value
    uint16_t frameCount = 0;
    uint32_t size = 0;  // bytes from the signature to the first tag
};

struct SwfTag {
    uint16_t code = 0;
    uint32_t offset = 0;   // of the tag header in the file
    bool longHeader = false;
    std::vector<uint8_t> body;
    int32_t frame = 0;     // ShowFrame tags seen before this tag
};

// A decoded MATRIX.
struct SwfMatrix {
    bool hasScale = false;
    int32_t scaleX = 0x10000, scaleY = 0x10000;
    bool hasRotate = false;
    int32_t rotateSkew0 = 0, rotateSkew1 = 0;
    int32_t translateX = 0, translateY = 0;
};

// One PlaceObject2 or RemoveObject, in file order.
struct SwfPlacement {
    bool remove = false;
    int32_t frame = 0;
    uint16_t characterId = 0;
    uint16_t depth = 0;
    bool hasMatrix = false;
    SwfMatrix matrix;
    size_t tagIndex = 0;  // into SwfMovie::tags
};

// One action of an action list: its code and, from 0x80 on, its payload.
struct SwfAction {
    uint8_t code = 0;
    std::vector<uint8_t> payload;
};

// A DefineButton2: the characters of its records, and its condition
// actions in order (the condition word: state transitions in the low
// 9 bits, CondKeyPress above them).
struct SwfButton {
    struct Condition {
        uint16_t flags = 0;
        std::vector<SwfAction> actions;
        int Key() const { return flags >> 9; }
    };
    std::vector<uint16_t> characters;
    std::vector<Condition> conditions;
};

struct SwfMovie {
    SwfHeader header;
    std::vector<SwfTag> tags;  // every tag, ShowFrame and End included
    std::vector<SwfPlacement> placements;
    std::map<uint16_t, uint16_t> definitions;  // character id -> code of its tag
    // DefineShape3 bounds as written: character id -> xMin, xMax, yMin, yMax.
    std::map<uint16_t, std::vector<int32_t>> shapeBounds;
    std::map<uint16_t, SwfButton> buttons;  // by character id

    // Tags of one frame, without its ShowFrame.
    std::vector<const SwfTag *> FrameTags(int32_t frame) const;
    // Their codes, for comparing tag orders.
    std::vector<uint16_t> FrameCodes(int32_t frame) const;
    // Every tag with this code, in file order, and how many there are.
    std::vector<const SwfTag *> All(uint16_t code) const;
    size_t Count(uint16_t code) const { return All(code).size(); }
};

// Parses and checks a whole file. Returns false and a description of the
// first fault when the file is not sound:
//   - signature FWS, version 4, FileLength equal to the number of bytes;
//   - every tag inside the file, End last and nothing after it, as many
//     ShowFrame tags as the header's frame count;
//   - the bodies of PlaceObject2 (26), RemoveObject (5), DefineBitsLossless
//     (20, 36; the zlib data decompresses to exactly the palette and rows),
//     DefineBitsJPEG2 (21; libjpeg decodes the JPEG without a warning),
//     DefineShape3 (32), DefineButton2 (34) and DoAction (12) decode and end
//     exactly at their tag's end;
//   - shape outlines stay within the box their bounds' corners span (the
//     corners may be inverted, as the host passed them) and every path
//     comes back to its start (within 16 twips: the outlines of this
//     library);
//   - nothing a version-4 file may not hold: every tag code is one the
//     format defines up to version 4, and so is every action code, Push
//     value type, fill style type (solid, repeating or clipped bitmap),
//     button record flag and sound format (DefineSound, SoundStreamHead);
//   - character ids are defined once, before anything refers to them;
//   - a PlaceObject2 takes a free depth, and every RemoveObject names a depth
//     that a placement of the same character holds at that point;
//   - given stackingKeys, the library's depth value (stacking key) of every
//     PlaceObject2 in file order: among everything on the stage at once, a
//     higher key is never at a lower depth (drawn behind a lower key).
// Other tags of version 4 are walked over without looking inside.
bool ReadSwf(const std::vector<uint8_t> &bytes, SwfMovie &movie, std::string &error,
             const std::vector<uint16_t> *stackingKeys = nullptr);
bool ReadSwfFile(const std::string &path, SwfMovie &movie, std::string &error,
                 const std::vector<uint16_t> *stackingKeys = nullptr);

// Reads the tag whose header starts at bytes[pos] and moves pos past its
// body; false, with a description, when the header or the body runs past
// the end.
bool ReadTag(const std::vector<uint8_t> &bytes, size_t &pos, SwfTag &tag, std::string &error);

// The zlib data of a DefineBitsLossless(2) body, decompressed; false when the
// body is not one or the data does not decompress.
bool InflateBitmap(const SwfTag &tag, std::vector<uint8_t> &pixels);

// Actions as text, e.g. "StopSounds GotoFrame(2) Stop",
// "GetURL(https://example.com/, _blank)"; others as "Action(code)".
std::string DescribeActions(const std::vector<SwfAction> &actions);

// A DefineBitsLossless(2) or DefineBitsJPEG2 decoded to straight RGBA (alpha
// 255 without it).
struct SwfBitmap {
    uint16_t id = 0;
    uint8_t format = 0;  // 3: colour-mapped, 5: 32-bit, 0: JPEG
    int32_t width = 0, height = 0, colours = 0;  // colours: palette entries of format 3
    std::vector<uint8_t> rgba;  // width x height x 4
};
// False when the tag is not a bitmap, its data does not decompress to its
// size or a pixel names a colour beyond the palette.
bool DecodeBitmap(const SwfTag &tag, SwfBitmap &bitmap);
// A JPEG stream decoded by libjpeg to RGBA (alpha 255); false, with
// libjpeg's words in error, when it fails or warns of corrupt data.
bool DecodeJpeg(const uint8_t *jpeg, size_t size, SwfBitmap &bitmap, std::string &error);

}  // namespace quillon::test
