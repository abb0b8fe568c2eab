// A small SWF reader for checking the movies the tools write: the header,
// the tags frame by frame, and the pixels of lossless bitmaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tools_test {

struct SwfTag {
    int code = 0;
    std::vector<uint8_t> body;
};

struct SwfFile {
    bool ok = false;
    std::string problem;     // why ok is false
    uint32_t fileLength = 0;  // the header's FileLength
    size_t actualSize = 0;    // bytes in the file
    int version = 0;
    int32_t xMax = 0, yMax = 0;  // stage in twips
    int frameRate = 0;
    int frameCount = 0;          // the header's count
    std::vector<std::vector<SwfTag>> frames;  // tags before each ShowFrame
    std::vector<SwfTag> trailing;             // tags after the last ShowFrame, End excluded
    bool ended = false;                       // an End tag closed the file

    // Every tag with this code, in file order.
    std::vector<const SwfTag *> All(int code) const;
    size_t Count(int code) const { return All(code).size(); }
};

SwfFile ReadSwf(const std::string &path);

// A DefineBitsLossless (20) or DefineBitsLossless2 (36) decoded to RGBA.
struct Bitmap {
    bool ok = false;
    int id = 0, format = 0, width = 0, height = 0, colours = 0;
    std::vector<uint8_t> rgba;  // width x height x 4
};

Bitmap DecodeLossless(const SwfTag &tag);

// The 8-bit (format 3) bitmaps of a movie, the slides, in file order.
std::vector<Bitmap> SlideBitmaps(const SwfFile &movie);
// How close a bitmap is to an RGB picture of its size, in dB (99 when equal).
double Psnr(const std::vector<uint8_t> &rgb, const Bitmap &b);

// Tag codes.
constexpr int kEnd = 0, kShowFrame = 1, kRemoveObject = 5, kDoAction = 12, kDefineSound = 14,
              kStartSound = 15, kDefineBitsLossless = 20, kPlaceObject2 = 26, kDefineShape3 = 32,
              kDefineButton2 = 34, kDefineBitsLossless2 = 36;

}  // namespace tools_test
