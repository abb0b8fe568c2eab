// Plain PNG pictures read with libpng alone: a deck of screenshots or
// exported slides of the stage's own size needs none of libvips' machinery
// (its start, its modules, its pipeline), which would take most of the
// processor time and memory such a deck costs.
#pragma once

#include <string>

#include "common/canvas.h"

namespace quillon_tools {

// What the chunks before the pixels say.
struct PngHeader {
    int width = 0, height = 0;
    int bitDepth = 0;
    int channels = 0;  // in the file: 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA; 1 a palette
    bool interlaced = false;
    // Read as it is, the picture gives what libvips would give: at most 8
    // bits a sample (libvips and libpng take 16 bits to 8 differently), no
    // ICC profile to convert and no EXIF orientation to apply.
    bool plain = false;
};

// Whether the file starts with the PNG signature.
bool IsPngFile(const std::string &path);

// Reads the chunks before the first IDAT. False, with error naming the file
// and the reason, when the file cannot be read or libpng refuses them.
bool ProbePng(const std::string &path, PngHeader &header, std::string &error);

// Reads a plain PNG at its own size, drawn over background where it is
// transparent, into picture (its buffer reused). The pixels are libvips'
// pixels for the same file. Errors as ProbePng's, and for damaged pixels.
bool ReadPlainPng(const std::string &path, Rgb background, RgbaCanvas &picture, std::string &error);

}  // namespace quillon_tools
