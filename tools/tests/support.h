// Test helpers: PNG files made by the tests, running the tools, folders,
// and the tools' movies read back through the strict reader of tests/support.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/swf_reader.h"

namespace tools_test {

using namespace quillon::test;

const std::string kSlides = QUILLON_SLIDES, kDemo = QUILLON_DEMO;

// The movie in the file at path, read by the strict reader; fails with the
// first fault it finds.
::testing::AssertionResult ReadMovie(const std::string &path, SwfMovie &movie);
// The frames whose DoAction tags hold a Stop action and nothing else.
std::vector<int> StopFrames(const SwfMovie &movie);
// How close two RGB pictures are, in dB (99 when every sample is equal).
double Psnr(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b);
// The same for an RGB picture `width` pixels wide (the bitmap's width when
// 0) and the bitmap's pixels from (x, y); 0 when they run past the bitmap.
double Psnr(const std::vector<uint8_t> &rgb, const SwfBitmap &b, int x = 0, int y = 0, int width = 0);
// The RGB of a bitmap's pixel.
std::vector<int> PixelAt(const SwfBitmap &b, int x, int y);
// The bounds (xMin, xMax, yMin, yMax in twips) of every shape but the
// slide's own, which starts at the top-left corner and is stageWidth pixels
// wide: the buttons' faces.
std::vector<std::vector<int32_t>> ButtonFaces(const SwfMovie &movie, int stageWidth);

// The header of a DefineSound.
struct SwfSound {
    int32_t frame = 0;      // of its tag
    uint16_t id = 0;
    uint8_t flags = 0;      // format << 4 | rate << 2 | 16 bits << 1 | stereo
    int rateCode = 0;       // 0 to 3: 5.5, 11, 22 and 44 kHz
    uint32_t frames = 0;    // sample frames
    double seconds = 0;     // how long they play at that rate
    size_t dataSize = 0;    // bytes of samples
};
// The sounds of a movie in file order; a DefineSound too short for its
// header adds a failure.
std::vector<SwfSound> Sounds(const SwfMovie &movie);

// A fresh empty folder under the system's temporary folder.
std::string TempDir();
// Removes a folder and everything in it.
void RemoveTree(const std::string &dir);
// A fresh folder, dir, for each test, removed after it; Base is
// ::testing::Test or a ::testing::TestWithParam.
template <typename Base = ::testing::Test>
class InFolder : public Base {
protected:
    void SetUp() override {
        dir = TempDir();
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override { RemoveTree(dir); }
    std::string dir;
};
// The arguments, each "@" at the start of one standing for dir.
std::vector<std::string> InDir(const std::string &dir, const std::vector<std::string> &args);
// The names in a folder, sorted, "." and ".." left out.
std::vector<std::string> ListDir(const std::string &dir);
std::string ReadText(const std::string &path);
// Whether text holds part; a failure shows the whole text.
::testing::AssertionResult Has(const std::string &text, const std::string &part);
bool WriteText(const std::string &path, const std::string &text);  // false when it cannot

// The test pictures, shared with the player suite through
// quillon-test-picture. Diagonal stripes of `colours` palette entries,
// colour-mapped (a palette that differs with seed); rgb, when given,
// receives what the picture shows.
bool WriteStripesPng(const std::string &path, int width, int height, int colours, int seed,
                     std::vector<uint8_t> *rgb = nullptr);
// Red across, green down, blue in waves: many more than 256 colours.
std::vector<uint8_t> Gradient(int width, int height);
// Soft light and colour with fine grain, as a photograph has.
std::vector<uint8_t> Photo(int width, int height);

// Writes an upright RGB picture (3 bytes a pixel) with libvips, in the
// format its name says (options in brackets, e.g. "photo.jpg[Q=95]",
// "deep.png[bitdepth=16]"), in this form:
struct PictureForm {
    int orientation = 1;  // 2 to 8: stored mirrored or turned, with that EXIF tag, to show upright
    std::string profile;  // a profile libvips knows ("p3", ...) the pixels are converted to, embedded
    bool deep = false;    // 16 bits a sample, the low byte a pattern of its own: 8 bits take rounding
    int extraFrames = 0;  // more frames under the first, each in other colours (GIF, WebP, TIFF pages)
};
bool WritePicture(const std::string &path, int width, int height, const std::vector<uint8_t> &rgb,
                  const PictureForm &form = PictureForm());
// Reads an 8-bit RGB picture (false for any other), its pixels as stored:
// no orientation applied and no profile converted.
bool ReadPictureAsStored(const std::string &path, int &width, int &height, std::vector<uint8_t> &rgb);

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
    // A page of text and a diagram instead: lines of anti-aliased text in
    // a few colours on white, boxes joined by lines, a bar chart.
    bool text = false;
    std::vector<PdfLinkSpec> links;
    std::string destName;  // a destination on this page, when not empty
};
// Writes the pages with cairo's PDF surface.
bool WritePdf(const std::string &path, const std::vector<PdfPageSpec> &pages);

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    int signal = 0;   // the signal that ended it, or 0
    std::string out, err;
    long peakKib = 0;  // the program's largest resident set (RunTool only)
};

// Runs program with args (no shell), stdin from /dev/null; during, when
// given, is called with its process id while it runs (and before waiting).
RunResult RunTool(const std::string &program, const std::vector<std::string> &args,
                  const std::function<void(pid_t)> &during = nullptr);
// A movie quillon-slides wrote, with its run and its slides.
struct Deck : SwfMovie {
    RunResult run;
    // its slides' bitmaps in file order: colour-mapped (format 3) and JPEG
    // (format 0)
    std::vector<SwfBitmap> slides;
};
// Runs quillon-slides and reads back the movie named after -o or --output:
// fails with its status and standard error, or with the reader's fault.
::testing::AssertionResult RunSlides(const std::vector<std::string> &args, Deck &deck);
// Runs "ffmpeg -nostdin -v error -y args" through the shell; fails when
// ffmpeg is not installed or the command fails.
::testing::AssertionResult Ffmpeg(const std::string &args);
// Sets an environment variable (leaves it as it is when value is null)
// for as long as it lives.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value);
    ~ScopedEnv();

private:
    std::string name_, old_;
    bool had_;
};
// The same under a pseudo-terminal made by script(1), so that the program's
// standard error is a terminal: err holds what it showed; out stays empty.
RunResult RunInTerminal(const std::string &program, const std::vector<std::string> &args);

// Presentations. A flat ODP made from tools/tests/data/deck.fodp: two
// 25.4 x 19.05 cm pages, the first navy with a web link in a text frame at
// its top-left, the second white with a line of text; and, as asked:
struct FlatDeckForm {
    std::string link = "https://example.com/deck";
    std::string picture;             // a picture on the first page linked to this address
    std::string openingMacro;        // a Basic macro run on opening writes this file, then quits
    std::vector<int> seconds{0, 0};  // each page shown this long, then the next (0: until a click)
    bool hiddenPage = false;         // a hidden page between the two
};
std::string FlatDeck(const FlatDeckForm &form = FlatDeckForm());
// Converts file with LibreOffice (soffice, with a profile of its own in
// dir) to format ("pptx", "odp", "potx", ...) in dir; the new file's path,
// or "" when soffice fails or is missing.
std::string OfficeConvert(const std::string &dir, const std::string &file, const std::string &format);
// The entries of a zip package (libzip), replaced or added.
bool ZipPut(const std::string &path, const std::vector<std::pair<std::string, std::string>> &entries);
bool ZipGet(const std::string &path, const std::string &name, std::string &bytes);

// Accepts connections on 127.0.0.1 (a port of its own) and counts them,
// closing each at once, for as long as it lives.
class ConnectionCounter {
public:
    ConnectionCounter();
    ~ConnectionCounter();
    int Port() const { return port_; }
    int Count() const { return count_; }

private:
    int socket_ = -1, port_ = 0;
    std::atomic<int> count_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace tools_test
