// Reading raster pictures with libvips: JPEG, PNG, WebP, GIF (its first
// frame), TIFF, HEIF/HEIC and SVG, upright and in sRGB, scaled while they are
// decoded so that memory follows the size asked for, not the file's.
#pragma once

#include <cstdint>
#include <string>

#include "common/canvas.h"

namespace quillon_tools {

// What the header of a picture says.
struct PictureInfo {
    std::string format;    // "JPEG", "PNG", ...: the loader's name for messages
    int width = 0;         // upright: with the EXIF orientation applied
    int height = 0;
    // Memory, in bytes, that decoding takes whatever the size asked for: the
    // loaders that hold the whole picture (interlaced PNG, progressive JPEG,
    // GIF, HEIF and AVIF) need it, with their own buffers; those that read
    // it row by row need none.
    uint64_t wholeDecodeBytes = 0;
    bool hasProfile = false;  // an embedded ICC profile
    int orientation = 1;      // EXIF: 1 upright, 2 to 8 mirrored or turned
};

// Names the program in libvips' reports. libvips itself starts when the
// first picture needs it (plain PNGs of the slide's size do not), once for
// the process, from whichever thread; call this before any other function
// here.
bool StartPictureReading(const char *program, std::string &error);

// Whether the file starts like a picture libvips reads.
bool IsPicture(const std::string &path);

// Reads only the header. On failure returns false and sets error to a
// sentence that names the file and the reason: missing, not readable, not a
// picture, damaged, or too large to decode.
bool ProbePicture(const std::string &path, PictureInfo &info, std::string &error);

// Decodes the picture upright, with an embedded ICC profile converted to
// sRGB, drawn over background where it is transparent, and scaled to fit
// width x height keeping its proportions (FitSize), each pixel the average
// of the file's pixels it covers. The rows stream from
// the loader through the scaling, a few at a time, so memory follows the
// box (and wholeDecodeBytes), not the file. A picture of the box's own size
// keeps the file's pixels. Grey, 16-bit and CMYK pictures come out as 8-bit
// RGB; picture's buffer is reused. Errors as ProbePicture's, and for pixels
// that cannot be decoded.
bool ReadPicture(const std::string &path, int width, int height, Rgb background,
                 RgbaCanvas &picture, std::string &error);

// The size a picture of width x height takes when scaled to fit a box,
// keeping its proportions (at least one pixel a side).
void FitSize(int width, int height, int boxWidth, int boxHeight, int &fitWidth, int &fitHeight);

}  // namespace quillon_tools
