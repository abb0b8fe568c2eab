// quillon-slides' photograph measure, its JPEG encoding and the marker walk
// that lets a JPEG file in unchanged, on pictures and bytes the tests make.
#include <gtest/gtest.h>
#include <vips/vips.h>

#include <algorithm>

#include "slides/photo.h"
#include "slides/picture_read.h"
#include "support/table.h"
#include "tests/support.h"

using namespace tools_test;
using quillon_tools::JpegForm;
using quillon_tools::RgbaCanvas;
using quillon::test::RowName;

namespace {

RgbaCanvas Canvas(int w, int h, const std::vector<uint8_t> &rgb) {
    RgbaCanvas c(w, h);
    for (size_t i = 0; i < c.Pixels().size(); ++i)
        c.Pixels()[i] = quillon_tools::Rgba{rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2], 255};
    return c;
}

// A slide as quillon-slides prepares it from a file (upright, sRGB, the
// file's size).
bool Prepared(const std::string &path, int w, int h, RgbaCanvas &slide) {
    std::string error;
    EXPECT_TRUE(quillon_tools::StartPictureReading("photo_test", error)) << error;
    bool read = quillon_tools::ReadPicture(path, w, h, {255, 255, 255}, slide, error);
    EXPECT_TRUE(read) << error;
    return read;
}

std::vector<uint8_t> FileBytes(const std::string &path) {
    std::string text = ReadText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Pictures that are photographs and pictures that are drawn: the measure
// tells them apart.
struct MeasureRow {
    const char *name;
    bool photograph;
};
void PrintTo(const MeasureRow &row, std::ostream *os) { *os << row.name; }

const MeasureRow kMeasureRows[] = {
    {"Photo", true},          // soft light, leaves and grain
    {"PhotoAsJpeg", true},    // the same through a JPEG file at quality 75
    {"TextPage", false},      // a PDF page of text and a diagram, drawn by poppler
    {"SmallTextPage", false}, // the same at two thirds of the size
    {"FewColours", false},    // stripes of 17 colours: all flat
};

class PhotoMeasure : public InFolder<::testing::TestWithParam<MeasureRow>> {};

TEST_P(PhotoMeasure, TellsPhotographsFromDrawnPages) {
    const std::string name = GetParam().name;
    const int w = 480, h = 360;
    RgbaCanvas slide(1, 1);
    if (name == "Photo") {
        slide = Canvas(w, h, Photo(w, h));
    } else if (name == "PhotoAsJpeg") {
        ASSERT_TRUE(WritePicture(dir + "/p.jpg[Q=75]", w, h, Photo(w, h)));
        ASSERT_TRUE(Prepared(dir + "/p.jpg", w, h, slide));
    } else if (name == "FewColours") {
        ASSERT_TRUE(WriteStripesPng(dir + "/s.png", w, h, 17, 3));
        ASSERT_TRUE(Prepared(dir + "/s.png", w, h, slide));
    } else {
        ASSERT_TRUE(WritePdf(dir + "/t.pdf", {PdfPageSpec{480, 360, 0, true, {}, ""}}));
        const std::string dpi = name == "TextPage" ? "144" : "96";
        const std::string command = std::string(QUILLON_PDFTOCAIRO) + " -png -singlefile -r " + dpi +
                                    " " + dir + "/t.pdf " + dir + "/t";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        ASSERT_TRUE(Prepared(dir + "/t.png", 960, 720, slide));
    }
    quillon_tools::SlideTexture t = quillon_tools::MeasureTexture(slide);
    EXPECT_EQ(quillon_tools::LooksLikePhotograph(t), GetParam().photograph)
        << "flat " << t.flatShare << ", sharp " << t.sharpShare;
}

INSTANTIATE_TEST_SUITE_P(Rows, PhotoMeasure, ::testing::ValuesIn(kMeasureRows), RowName());

using PhotoJpeg = InFolder<>;

// libvips' JPEG of a slide: baseline, of the slide's size, closer to it at
// a higher quality, and smaller at a lower one.
TEST_F(PhotoJpeg, EncodesBaselineJpegWhoseQualityCounts) {
    const int w = 320, h = 240;
    std::vector<uint8_t> photo = Photo(w, h);
    RgbaCanvas slide = Canvas(w, h, photo);
    std::vector<uint8_t> low, high;
    std::string error;
    ASSERT_TRUE(quillon_tools::EncodeJpeg(slide, 30, low, error)) << error;
    ASSERT_TRUE(quillon_tools::EncodeJpeg(slide, 95, high, error)) << error;
    JpegForm form;
    ASSERT_TRUE(quillon_tools::ReadJpegForm(high, form));
    EXPECT_EQ(form.width, w);
    EXPECT_EQ(form.height, h);
    SwfBitmap lowPicture, highPicture;
    ASSERT_TRUE(DecodeJpeg(low.data(), low.size(), lowPicture, error)) << error;
    ASSERT_TRUE(DecodeJpeg(high.data(), high.size(), highPicture, error)) << error;
    double lowPsnr = Psnr(photo, lowPicture), highPsnr = Psnr(photo, highPicture);
    EXPECT_GE(highPsnr, 38.0);
    EXPECT_GT(highPsnr, lowPsnr + 3);
    EXPECT_LT(low.size() * 2, high.size());
}

// JPEG files whose markers let them in as they are, and those that must be
// encoded again: rows made from one baseline file by changing its bytes.
struct FormRow {
    const char *name;
    bool baseline;
};
void PrintTo(const FormRow &row, std::ostream *os) { *os << row.name; }

const FormRow kFormRows[] = {
    {"Baseline", true},
    {"AdobeYCbCr", true},          // APP14 Adobe, transform 1
    {"AdobeRgb", false},           // APP14 Adobe, transform 0: RGB samples
    {"ExtendedSequential", false}, // SOF1
    {"Progressive", false},        // SOF2, as libvips writes it
    {"Arithmetic", false},         // SOF9
    {"SixteenBitTable", false},    // a DQT of 16-bit values
    {"Twelve", false},             // 12-bit samples
    {"Truncated", false},          // no EOI at the end
    {"NotJpeg", false},            // a PNG file
};

class PhotoJpegForm : public InFolder<::testing::TestWithParam<FormRow>> {};

size_t FindMarker(const std::vector<uint8_t> &b, uint8_t marker) {
    for (size_t i = 2; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == marker) return i;
    return b.size();
}

TEST_P(PhotoJpegForm, LetsInOnlyBaselineYcbcr) {
    const std::string name = GetParam().name;
    const int w = 64, h = 48;
    const bool progressive = name == "Progressive", png = name == "NotJpeg";
    const std::string file = png ? "p.png" : progressive ? "p.jpg[interlace]" : "p.jpg[Q=90]";
    ASSERT_TRUE(WritePicture(dir + "/" + file, w, h, Photo(w, h)));
    std::vector<uint8_t> b = FileBytes(dir + (png ? "/p.png" : "/p.jpg"));
    ASSERT_GT(b.size(), 100u);
    const size_t sof = FindMarker(b, 0xC0), dqt = FindMarker(b, 0xDB);
    if (!png && !progressive) {
        ASSERT_LT(sof, b.size());
    }
    if (name.rfind("Adobe", 0) == 0) {
        const uint8_t transform = name == "AdobeRgb" ? 0 : 1;
        const std::vector<uint8_t> app14 = {0xFF, 0xEE, 0, 14, 'A', 'd', 'o', 'b', 'e', 0, 100,
                                            0,    0,    0, 0,  transform};
        b.insert(b.begin() + 2, app14.begin(), app14.end());
    }
    if (name == "ExtendedSequential") b[sof + 1] = 0xC1;
    if (name == "Arithmetic") b[sof + 1] = 0xC9;
    if (name == "SixteenBitTable") b[dqt + 4] |= 0x10;
    if (name == "Twelve") b[sof + 4] = 12;
    if (name == "Truncated") b.resize(b.size() - 2);
    JpegForm form;
    EXPECT_EQ(quillon_tools::ReadJpegForm(b, form), GetParam().baseline);
    if (GetParam().baseline) {
        EXPECT_EQ(form.width, w);
        EXPECT_EQ(form.height, h);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, PhotoJpegForm, ::testing::ValuesIn(kFormRows), RowName());

// A page of text and a diagram as a PNG file of width x height, as
// pdftocairo draws it: a screenshot of a document.
::testing::AssertionResult WriteTextPng(const std::string &dir, const std::string &name, int width,
                                        int height) {
    if (!WritePdf(dir + "/" + name + ".pdf", {PdfPageSpec{480, 360, 1, true, {}, ""}}))
        return ::testing::AssertionFailure() << "no PDF";
    RunResult r = RunTool(QUILLON_PDFTOCAIRO, {"-png", "-singlefile", "-scale-to-x", std::to_string(width),
                                                "-scale-to-y", std::to_string(height),
                                                dir + "/" + name + ".pdf", dir + "/" + name});
    if (r.status != 0) return ::testing::AssertionFailure() << "pdftocairo: " << r.err;
    return ::testing::AssertionSuccess();
}

// The kind of each slide in order: J a JPEG, 8 an 8-bit bitmap.
std::string SlideKinds(const Deck &deck) {
    std::string kinds;
    for (const SwfBitmap &b : deck.slides) kinds += b.format == 0 ? 'J' : b.format == 3 ? '8' : '?';
    return kinds;
}

// A photo deck through quillon-slides, 320 x 240: a photo as PNG, stripes of
// 17 colours, a baseline JPEG of the stage's size, a larger JPEG to scale,
// and a screenshot of a text page. Which slides become JPEG, and how close
// each is.
struct DeckRow {
    const char *name;
    std::vector<std::string> options;
    const char *kinds;
    bool buttons;
};
void PrintTo(const DeckRow &row, std::ostream *os) { *os << row.name; }

const DeckRow kDeckRows[] = {
    {"Auto", {}, "J8JJ8", false},
    {"Never", {"--jpeg", "never"}, "88888", false},
    {"Always", {"--jpeg=always"}, "JJJJJ", false},
    // The strip under the slides is part of each JPEG, which the file of
    // the stage's size then is not: it is encoded like the others.
    {"AutoWithButtons", {"--buttons"}, "J8JJ8", true},
};

class PhotoDeck : public InFolder<::testing::TestWithParam<DeckRow>> {};

TEST_P(PhotoDeck, PhotographsBecomeJpegSlides) {
    const DeckRow &row = GetParam();
    const int w = 320, h = 240;
    const std::vector<uint8_t> photo = Photo(w, h), large = Photo(2 * w, 2 * h);
    std::vector<uint8_t> stripes;
    ASSERT_TRUE(WritePicture(dir + "/photo.png", w, h, photo));
    ASSERT_TRUE(WriteStripesPng(dir + "/stripes.png", w, h, 17, 2, &stripes));
    ASSERT_TRUE(WritePicture(dir + "/camera.jpg[Q=90]", w, h, photo));
    ASSERT_TRUE(WritePicture(dir + "/large.jpg[Q=90]", 2 * w, 2 * h, large));
    ASSERT_TRUE(WriteTextPng(dir, "text", w, h));
    std::vector<std::string> args = row.options;
    for (const char *file : {"photo.png", "stripes.png", "camera.jpg", "large.jpg", "text.png"})
        args.push_back(dir + "/" + file);
    args.insert(args.end(), {"-o", dir + "/deck.swf"});
    Deck deck;
    ASSERT_TRUE(RunSlides(args, deck));
    EXPECT_EQ(SlideKinds(deck), row.kinds);
    const int jpegs = static_cast<int>(std::count(row.kinds, row.kinds + 5, 'J'));
    EXPECT_TRUE(Has(deck.run.out, ", " + std::to_string(jpegs) + " JPEG"));
    ASSERT_EQ(deck.slides.size(), 5u);
    const int stageHeight = deck.header.yMax / 20;
    EXPECT_EQ(stageHeight > h, row.buttons);
    for (const SwfBitmap &b : deck.slides) {  // each covers the stage, strip included
        EXPECT_EQ(b.width, w);
        EXPECT_EQ(b.height, stageHeight);
    }
    // A JPEG is close to the photo (JPEG at 85 over grain); the stripes of
    // an 8-bit slide are exact.
    EXPECT_GE(Psnr(photo, deck.slides[0], 0, 0, w), 35.0);
    EXPECT_GE(Psnr(photo, deck.slides[2], 0, 0, w), 35.0);
    if (row.kinds[1] == '8') {
        EXPECT_EQ(Psnr(stripes, deck.slides[1], 0, 0, w), 99.0);
    }
    // The JPEG of the stage's size is the file itself, byte for byte, where
    // it becomes a JPEG slide and no strip is added.
    const std::vector<const SwfTag *> jpegTags = deck.All(kDefineBitsJPEG2);
    const std::string file = ReadText(dir + "/camera.jpg");
    bool asIs = false;
    for (const SwfTag *t : jpegTags)
        asIs = asIs || std::string(t->body.begin() + 2, t->body.end()) == file;
    EXPECT_EQ(asIs, row.kinds[2] == 'J' && !row.buttons);
}

INSTANTIATE_TEST_SUITE_P(Rows, PhotoDeck, ::testing::ValuesIn(kDeckRows), RowName());

// A text deck: PDF pages of text and diagrams, pages of boxes on gradients,
// and a screenshot: no slide becomes a JPEG.
TEST_F(PhotoJpeg, TextDeckHasNoJpegSlide) {
    std::vector<PdfPageSpec> pages;
    for (int i = 0; i < 4; ++i) pages.push_back(PdfPageSpec{400, 300, i, i % 2 == 0, {}, ""});
    ASSERT_TRUE(WritePdf(dir + "/talk.pdf", pages));
    ASSERT_TRUE(WriteTextPng(dir, "screen", 1024, 768));
    Deck deck;
    ASSERT_TRUE(RunSlides({dir + "/talk.pdf", dir + "/screen.png", "-o", dir + "/t.swf"}, deck));
    EXPECT_EQ(SlideKinds(deck), "88888");
    EXPECT_TRUE(Has(deck.run.out, ", 0 JPEG"));
}

// A call the library refuses ends the run with its words and exit status 1,
// and no movie: here a JPEG file of the stage's size, let in as it is by
// --jpeg always without decoding, with a TEM marker inside its scan, which
// the header read before does not reach.
TEST_F(PhotoJpeg, TheLibrarysRefusalIsReportedAndNothingWritten) {
    const int w = 64, h = 48;
    ASSERT_TRUE(WritePicture(dir + "/p.jpg[Q=90]", w, h, Photo(w, h)));
    std::vector<uint8_t> b = FileBytes(dir + "/p.jpg");
    const size_t sos = FindMarker(b, 0xDA);
    ASSERT_LT(sos + 100, b.size());
    b.insert(b.begin() + static_cast<ptrdiff_t>((sos + b.size()) / 2), {0xFF, 0x01});
    ASSERT_TRUE(WriteText(dir + "/bad.jpg", std::string(b.begin(), b.end())));
    RunResult r = RunTool(kSlides, {"--quiet", "--jpeg", "always", dir + "/bad.jpg", "-o", dir + "/out.swf"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "bad.jpg: the JPEG slide was refused: a JPEG marker (SOI, RSTn or TEM) outside its place"));
    EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"bad.jpg", "p.jpg"}));
}

// --quality: a lower quality makes smaller slides, farther from the photo.
TEST_F(PhotoJpeg, QualitySetsTheSlidesSizeAndCloseness) {
    const int w = 320, h = 240;
    const std::vector<uint8_t> photo = Photo(w, h);
    ASSERT_TRUE(WritePicture(dir + "/photo.png", w, h, photo));
    Deck low, high;
    ASSERT_TRUE(RunSlides({"--quality", "40", dir + "/photo.png", "-o", dir + "/low.swf"}, low));
    ASSERT_TRUE(RunSlides({"--quality=95", dir + "/photo.png", "-o", dir + "/high.swf"}, high));
    ASSERT_EQ(SlideKinds(low) + SlideKinds(high), "JJ");
    EXPECT_LT(low.header.fileLength * 2, high.header.fileLength);
    EXPECT_GT(Psnr(photo, high.slides[0]), Psnr(photo, low.slides[0]) + 3);
}

}  // namespace
