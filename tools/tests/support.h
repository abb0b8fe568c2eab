// Test helpers: PNG files made by the tests, running the tools, folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tools_test {

// A fresh empty folder under the system's temporary folder.
std::string TempDir();
// Removes a folder and everything in it.
void RemoveTree(const std::string &dir);
// The names in a folder, sorted, "." and ".." left out.
std::vector<std::string> ListDir(const std::string &dir);
std::string ReadText(const std::string &path);
void WriteText(const std::string &path, const std::string &text);

// Writes an RGB picture (3 bytes a pixel) as a truecolour PNG.
bool WriteRgbPng(const std::string &path, int width, int height, const std::vector<uint8_t> &rgb);
// Writes a colour-mapped PNG: indexes into palette (3 bytes an entry).
bool WritePalettePng(const std::string &path, int width, int height,
                     const std::vector<uint8_t> &indexes, const std::vector<uint8_t> &palette);
// Reads any PNG as RGB (alpha dropped).
bool ReadRgbPng(const std::string &path, int &width, int &height, std::vector<uint8_t> &rgb);

// Writes an upright RGB picture with libvips, in the format its name says
// (options in brackets, e.g. "photo.jpg[Q=95]", "deep.png[bitdepth=16]").
// orientation 2 to 8: the pixels are stored mirrored or turned, with that
// EXIF orientation tag, so that a reader that applies the tag shows them
// upright. profile: when not empty, a profile libvips knows ("p3", ...)
// that the pixels are converted to and that is embedded. deep: 16 bits a
// sample, the low byte a pattern of its own, so that reading it as 8 bits
// takes rounding. extraFrames: that many more frames under the first,
// each in other colours (GIF, WebP, TIFF pages).
struct PictureForm {
    int orientation = 1;
    std::string profile;
    bool deep = false;
    int extraFrames = 0;
};
bool WritePicture(const std::string &path, int width, int height, const std::vector<uint8_t> &rgb,
                  const PictureForm &form = PictureForm());
// Reads the first frame of any picture libvips reads as 8-bit RGB, its
// pixels as stored: no orientation applied and no profile converted.
bool ReadPictureAsStored(const std::string &path, int &width, int &height, std::vector<uint8_t> &rgb);
// A libvips field of the picture's header (0 when missing), e.g. "interlaced".
int PictureField(const std::string &path, const char *name);

// A PDF page for WritePdf: a gradient background, coloured boxes and a line
// of anti-aliased text that differ with seed, and links drawn as boxes.
struct PdfLinkSpec {
    double x = 0, y = 0, width = 0, height = 0;  // points from the top-left corner
    std::string uri;   // a URI link, or
    std::string dest;  // a link to the destination of that name on another page
};
struct PdfPageSpec {
    double width = 400, height = 300;  // points
    int seed = 0;
    std::vector<PdfLinkSpec> links;
    std::string destName;  // a destination on this page, when not empty
};
// Writes the pages with cairo's PDF surface.
bool WritePdf(const std::string &path, const std::vector<PdfPageSpec> &pages);

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out, err;
    long peakKib = 0;  // the program's largest resident set (RunTool only)
};

// Runs program with args (no shell), stdin from /dev/null.
RunResult RunTool(const std::string &program, const std::vector<std::string> &args);
// The same under a pseudo-terminal made by script(1), so that the program's
// standard error is a terminal; err holds what the terminal showed.
RunResult RunInTerminal(const std::string &program, const std::vector<std::string> &args);

}  // namespace tools_test
