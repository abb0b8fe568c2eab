// Reading PNG images, any colour type and bit depth, as 8-bit RGBA.
#pragma once

#include <string>

#include "common/canvas.h"

namespace quillon_tools {

// Reads the PNG file at path into picture. On failure returns false and sets
// error to a sentence that names the file and the reason (missing, not
// readable, not a PNG, damaged or unsupported). picture's buffer is reused
// when it is large enough.
bool ReadPng(const std::string &path, RgbaCanvas &picture, std::string &error);
// Reads only the header: the image's size, and the same errors as ReadPng
// for files that are missing, unreadable or not PNG.
bool ProbePng(const std::string &path, int &width, int &height, std::string &error);

}  // namespace quillon_tools
