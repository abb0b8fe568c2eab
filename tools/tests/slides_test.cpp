// quillon-slides run on PNG files the tests make: the movie's structure and
// pixels, and the exit status and message of every failure.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <iterator>
#include <map>

#include "quillon.h"
#include "slides/sound_file.h"
#include "sound/wav_builder.h"
#include "support/table.h"
#include "tests/support.h"

using namespace tools_test;

namespace {

// The bytes of a WAV file of a 440 Hz tone, 16-bit mono.
std::string ToneWav(double seconds, uint32_t rate) {
    Bytes wav = PcmWav(1, rate, 16, Samples16(Sine(static_cast<uint32_t>(std::lround(seconds * rate)), 440, rate, 8000)));
    return std::string(wav.begin(), wav.end());
}

// The rows of the parameterised tests go by their names (RowName): in each
// test's name, and in ctest's list through a PrintTo beside each kind of row.
using quillon::test::RowName;

// Writes count pictures of stripes (seeds 0, 1, ...) and gives their names.
std::vector<std::string> StripeSlides(const std::string &dir, int count, int width, int height, int colours) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(dir + "/slide" + std::to_string(i) + ".png");
        EXPECT_TRUE(WriteStripesPng(names.back(), width, height, colours, i));
    }
    return names;
}

using SlidesTest = InFolder<>;

TEST_F(SlidesTest, PaletteImagesKeepEveryPixelExactly) {
    const int colourCounts[] = {2, 17, 256};
    std::vector<std::string> args;
    std::vector<uint8_t> rgb[3];
    for (int i = 0; i < 3; ++i) {  // 61 pixels across: rows that need padding
        args.push_back(dir + "/slide" + std::to_string(i) + ".png");
        ASSERT_TRUE(WriteStripesPng(args.back(), 61, 40, colourCounts[i], i, &rgb[i]));
    }
    args.insert(args.end(), {"-o", dir + "/deck.swf", "--quiet"});
    Deck deck;
    ASSERT_TRUE(RunSlides(args, deck));
    EXPECT_EQ(deck.run.out, "");
    EXPECT_EQ(deck.run.err, "");
    EXPECT_EQ(deck.header.xMax, 61 * 20);
    EXPECT_EQ(deck.header.yMax, 40 * 20);
    EXPECT_EQ(deck.header.frameRate, 1);
    EXPECT_EQ(deck.header.frameCount, 3);
    ASSERT_EQ(deck.slides.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("slide " + std::to_string(i));
        // Each slide's bitmap is defined in its own frame.
        ASSERT_EQ(deck.FrameCodes(i).front(), kDefineBitsLossless);
        const SwfBitmap &b = deck.slides[static_cast<size_t>(i)];
        ASSERT_EQ(b.width, 61);
        ASSERT_EQ(b.height, 40);
        EXPECT_EQ(b.colours, colourCounts[i]);
        EXPECT_EQ(Psnr(rgb[i], b), 99.0);  // every sample as it was
    }
    // Without buttons the deck plays through and stops on the last slide.
    EXPECT_EQ(StopFrames(deck), (std::vector<int>{2}));
    EXPECT_EQ(deck.Count(kDefineButton2), 0u);
}

TEST_F(SlidesTest, TruecolourGradientIsQuantisedWithinThirtyDecibels) {
    std::vector<uint8_t> rgb = Gradient(320, 240);
    ASSERT_TRUE(WritePicture(dir + "/gradient.png", 320, 240, rgb));
    Deck deck;
    // Smooth colours are a photograph's: only --jpeg never quantises them.
    ASSERT_TRUE(RunSlides({"--jpeg", "never", dir + "/gradient.png", "-o", dir + "/g.swf"}, deck));
    EXPECT_TRUE(Has(deck.run.out, "1 quantised"));
    ASSERT_EQ(deck.slides.size(), 1u);
    EXPECT_LE(deck.slides[0].colours, 256);
    EXPECT_GT(deck.slides[0].colours, 64);
    double psnr = Psnr(rgb, deck.slides[0]);
    EXPECT_GE(psnr, 30.0);
    EXPECT_LT(psnr, 99.0);  // tens of thousands of colours cannot all survive
    RecordProperty("psnr", std::to_string(psnr));
}

// Pictures in every format quillon-slides reads, written by libvips from one
// upright sRGB photograph-like picture: each slide must show that picture,
// upright and in sRGB, at least minPsnr dB close (photographs pass through
// lossy codecs and become JPEG slides at quality 85).
struct PictureRow {
    const char *name;
    const char *file;  // libvips picks the format by the suffix, options in brackets
    PictureForm form;  // {orientation, profile, deep, extraFrames}
    double minPsnr;
};
void PrintTo(const PictureRow &row, std::ostream *os) { *os << row.name; }

const PictureRow kPictureRows[] = {
    {"Jpeg", "photo.jpg[Q=95]", {}, 35},
    {"PngTruecolour", "photo.png", {}, 35},
    {"WebP", "photo.webp[Q=95]", {}, 34},
    {"GifFirstFrame", "photo.gif", {1, "", false, 2}, 25},  // libvips dithers it to 256 colours
    {"Tiff", "photo.tif", {}, 35},
    {"Heic", "photo.heic[Q=95]", {}, 35},
    {"Avif", "photo.avif[Q=95]", {}, 35},
    {"JpegOrientation2Mirrored", "turned2.jpg[Q=95]", {2, "", false, 0}, 35},
    {"JpegOrientation3HalfTurn", "turned3.jpg[Q=95]", {3, "", false, 0}, 35},
    {"JpegOrientation4Flipped", "turned4.jpg[Q=95]", {4, "", false, 0}, 35},
    {"JpegOrientation5Transposed", "turned5.jpg[Q=95]", {5, "", false, 0}, 35},
    {"JpegOrientation6QuarterClockwise", "turned6.jpg[Q=95]", {6, "", false, 0}, 35},
    {"JpegOrientation7Transversed", "turned7.jpg[Q=95]", {7, "", false, 0}, 35},
    {"JpegOrientation8QuarterAnticlockwise", "turned8.jpg[Q=95]", {8, "", false, 0}, 35},
    {"JpegDisplayP3", "p3.jpg[Q=95]", {1, "p3", false, 0}, 35},
    {"PngDisplayP3", "p3.png", {1, "p3", false, 0}, 35},
    {"WebPDisplayP3", "p3.webp[Q=95]", {1, "p3", false, 0}, 34},
};

class SlidesPicture : public InFolder<::testing::TestWithParam<PictureRow>> {};

TEST_P(SlidesPicture, ShowsThePictureUprightInSrgb) {
    const PictureRow &row = GetParam();
    const int w = 160, h = 120;
    std::vector<uint8_t> photo = Photo(w, h);
    const std::string file = row.file, path = dir + "/" + file.substr(0, file.find('['));
    ASSERT_TRUE(WritePicture(dir + "/" + file, w, h, photo, row.form)) << file;
    if (!row.form.profile.empty()) {
        // The file's own numbers are not the picture's sRGB ones: the row
        // fails unless the profile is converted.
        int sw, sh;
        std::vector<uint8_t> stored;
        ASSERT_TRUE(ReadPictureAsStored(path, sw, sh, stored));
        ASSERT_EQ(stored.size(), photo.size());
        EXPECT_LT(Psnr(photo, stored), row.minPsnr) << "the profile changes too little to tell";
    }
    Deck deck;
    ASSERT_TRUE(RunSlides({"--quiet", path, "-o", dir + "/p.swf"}, deck));
    // The stage is the upright picture's size.
    EXPECT_EQ(deck.header.xMax, w * 20);
    EXPECT_EQ(deck.header.yMax, h * 20);
    ASSERT_EQ(deck.slides.size(), 1u);
    ASSERT_EQ(deck.slides[0].width, w);
    ASSERT_EQ(deck.slides[0].height, h);
    double psnr = Psnr(photo, deck.slides[0]);
    EXPECT_GE(psnr, row.minPsnr);
    RecordProperty("psnr", std::to_string(psnr));
}

INSTANTIATE_TEST_SUITE_P(Forms, SlidesPicture, ::testing::ValuesIn(kPictureRows), RowName());

TEST_F(SlidesTest, SixteenBitPngsGiveTheSameSlideInterlacedOrNot) {
    const int w = 97, h = 61;  // odd sizes: the interlace passes are uneven
    std::vector<uint8_t> photo = Photo(w, h);
    const PictureForm deep{1, "", true, 0};
    ASSERT_TRUE(WritePicture(dir + "/deep.png[bitdepth=16]", w, h, photo, deep));
    ASSERT_TRUE(WritePicture(dir + "/deep-interlaced.png[bitdepth=16,interlace]", w, h, photo, deep));
    // IHDR's depth, colour type, compression, filter and interlace method:
    // 16-bit truecolour, Adam7 or not.
    ASSERT_EQ(ReadText(dir + "/deep-interlaced.png").substr(24, 5), std::string("\x10\x02\0\0\x01", 5));
    ASSERT_EQ(ReadText(dir + "/deep.png").substr(24, 5), std::string("\x10\x02\0\0\0", 5));
    Deck deck;
    ASSERT_TRUE(RunSlides({"--quiet", dir + "/deep.png", dir + "/deep-interlaced.png", "-o", dir + "/d.swf"},
                          deck));
    ASSERT_EQ(deck.slides.size(), 2u);
    EXPECT_EQ(deck.slides[0].rgba, deck.slides[1].rgba);
    // JPEG slides at quality 85 over the grain.
    EXPECT_EQ(deck.slides[0].format, 0);
    EXPECT_GE(Psnr(photo, deck.slides[0]), 33.0);
    EXPECT_GE(Psnr(photo, deck.slides[1]), 33.0);
}

TEST_F(SlidesTest, SvgIsDrawnAtTheStageSize) {
    // 40 x 20 user units drawn on a 400 x 400 stage: 400 x 200, centred;
    // the left half red, the right half a blue rectangle.
    WriteText(dir + "/drawing.svg",
              "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\">"
              "<rect width=\"20\" height=\"20\" fill=\"#c81e28\"/>"
              "<rect x=\"20\" width=\"20\" height=\"20\" fill=\"#1e3cb4\"/></svg>\n");
    Deck deck;
    ASSERT_TRUE(RunSlides({"--quiet", "--size", "400x400", "--background", "102030", dir + "/drawing.svg",
                           "-o", dir + "/s.swf"}, deck));
    ASSERT_EQ(deck.slides.size(), 1u);
    ASSERT_EQ(deck.slides[0].width, 400);
    const std::vector<int> background{0x10, 0x20, 0x30}, red{0xc8, 0x1e, 0x28}, blue{0x1e, 0x3c, 0xb4};
    const struct {
        int x, y;
        const std::vector<int> &rgb;
    } rows[] = {{0, 50, background}, {0, 100, red}, {198, 299, red}, {201, 100, blue}, {399, 299, blue},
                {399, 300, background}};
    for (const auto &row : rows) EXPECT_EQ(PixelAt(deck.slides[0], row.x, row.y), row.rgb) << row.x << ", " << row.y;
}

TEST_F(SlidesTest, LargePicturesTakeMemoryByTheStageNotByTheFile) {
    // Eight copies of a large picture, prepared eight at once for an
    // 800 x 600 stage. Decoded whole, each 8192 x 8192 picture would take
    // 256 MiB; those read row by row stay under 200 MB in all. An interlaced
    // PNG is held whole by its loader (108 MiB at 6144 x 6144), and so is a
    // phone's 3024 x 4032 AVIF by libheif and its AV1 decoder: such pictures
    // take turns within 256 MiB, with --jobs 8 as by default.
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "SKIPPED: under AddressSanitizer its shadow memory and quarantine, not the "
                    "tool, set the peak (the unsanitized build measures it)";
#endif
    const struct {
        const char *file;
        int width, height;
        long mostKib;
        bool defaultJobs;
    } rows[] = {{"large.png[compression=1]", 8192, 8192, 200 * 1024, false},
                {"large.jpg[Q=90]", 8192, 8192, 200 * 1024, false},
                {"interlaced.png[interlace,compression=1]", 6144, 6144, 400 * 1024, false},
                {"phone.avif[Q=50,effort=0]", 3024, 4032, 300 * 1000 * 1000 / 1024, false},
                {"phone.avif[Q=50,effort=0]", 3024, 4032, 300 * 1000 * 1000 / 1024, true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.file) + (row.defaultJobs ? " (default --jobs)" : " (--jobs 8)"));
        const std::string file = row.file, path = dir + "/" + file.substr(0, file.find('['));
        if (access(path.c_str(), F_OK) != 0) {
            ASSERT_TRUE(WritePicture(dir + "/" + file, row.width, row.height, Photo(row.width, row.height)));
        }
        std::vector<std::string> args = {"--quiet", "--size", "800x600"};
        if (!row.defaultJobs) args.insert(args.end(), {"--jobs", "8"});
        for (int i = 0; i < 8; ++i) args.push_back(path);
        args.insert(args.end(), {"-o", dir + "/large.swf"});
        Deck deck;
        ASSERT_TRUE(RunSlides(args, deck));
        EXPECT_LT(deck.run.peakKib, row.mostKib);
        RecordProperty("peak_kib_" + file.substr(0, file.find('[')) + (row.defaultJobs ? "_default_jobs" : ""),
                       std::to_string(deck.run.peakKib));
        ASSERT_EQ(deck.slides.size(), 8u);
        // Fills the height, centred.
        const int fitWidth = 600 * row.width / row.height, left = (800 - fitWidth) / 2;
        EXPECT_GE(Psnr(Photo(fitWidth, 600), deck.slides[7], left, 0, fitWidth), 30.0);
    }
}

// Plain PNGs of the slide's own size are read with libpng alone; the same
// pixels with an eXIf chunk (orientation 1, upright as stored) go through
// libvips. Both roads must give the same slide, alpha drawn over the
// background alike; a deck of plain PNGs never loads libvips, and stays
// small.
std::string PngChunk(const std::string &type, const std::string &data) {
    auto be = [](size_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    const std::string typeAndData = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(typeAndData.data()), typeAndData.size());
    return be(data.size()) + typeAndData + be(crc);
}

// The file with an eXIf chunk of orientation 1 after IHDR.
std::string WithExif(const std::string &png) {
    const std::string tiff("MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x01\0\0\0\0\0\0", 26);
    return png.substr(0, 33) + PngChunk("eXIf", tiff) + png.substr(33);
}

// A PNG of the photograph in one of libpng's simplified formats; alpha and
// the colour map's entries vary across the picture.
bool WritePngForm(const std::string &path, int w, int h, png_uint_32 format) {
    const std::vector<uint8_t> rgb = Photo(w, h);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = format;
    std::vector<uint8_t> pixels, colours;
    for (int i = 0; i < w * h; ++i) {
        const uint8_t *p = &rgb[static_cast<size_t>(i) * 3];
        const uint8_t alpha = static_cast<uint8_t>(i % w * 255 / (w - 1)), grey = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
        if (format & PNG_FORMAT_FLAG_COLORMAP) pixels.push_back(static_cast<uint8_t>((i % w / 4 + i / w / 4) % 16));
        else if (format & PNG_FORMAT_FLAG_COLOR) pixels.insert(pixels.end(), p, p + 3);
        else pixels.push_back(grey);
        if ((format & PNG_FORMAT_FLAG_ALPHA) && !(format & PNG_FORMAT_FLAG_COLORMAP)) pixels.push_back(alpha);
    }
    for (int i = 0; i < 16; ++i)
        colours.insert(colours.end(), {uint8_t(i * 16), uint8_t(255 - i * 9), uint8_t(i * 5), uint8_t(i * 17)});
    image.colormap_entries = (format & PNG_FORMAT_FLAG_COLORMAP) ? 16 : 0;
    return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, colours.data()) != 0;
}

TEST_F(SlidesTest, PlainPngsGiveTheSlideLibvipsGives) {
    const int w = 96, h = 64;
    const struct {
        const char *name;
        png_uint_32 format;  // 0: written by libvips, as the name's options say
    } forms[] = {{"grey.png", PNG_FORMAT_GRAY},      {"grey-alpha.png", PNG_FORMAT_GA},
                 {"rgb.png", PNG_FORMAT_RGB},        {"rgba.png", PNG_FORMAT_RGBA},
                 {"map-alpha.png", PNG_FORMAT_RGBA_COLORMAP},
                 {"interlaced.png[interlace]", 0},   {"palette4.png[palette,bitdepth=4]", 0}};
    std::vector<std::string> plain, tagged;
    for (const auto &form : forms) {
        const std::string name = form.name, path = dir + "/" + name.substr(0, name.find('['));
        ASSERT_TRUE(form.format ? WritePngForm(path, w, h, form.format)
                                : WritePicture(dir + "/" + name, w, h, Photo(w, h)))
            << name;
        ASSERT_TRUE(WriteText(path + ".exif.png", WithExif(ReadText(path))));
        plain.push_back(path);
        tagged.push_back(path + ".exif.png");
    }
    // 8-bit slides: a JPEG slide would load libvips for its encoder.
    std::vector<std::string> args = {"--quiet", "--jpeg", "never", "--background", "336699"};
    Deck plainDeck, taggedDeck;
    std::vector<std::string> plainArgs = args, taggedArgs = args;
    plainArgs.insert(plainArgs.end(), plain.begin(), plain.end());
    taggedArgs.insert(taggedArgs.end(), tagged.begin(), tagged.end());
    plainArgs.insert(plainArgs.end(), {"-o", dir + "/plain.swf"});
    taggedArgs.insert(taggedArgs.end(), {"-o", dir + "/tagged.swf"});
    ASSERT_TRUE(RunSlides(plainArgs, plainDeck));
    ASSERT_TRUE(RunSlides(taggedArgs, taggedDeck));
    ASSERT_EQ(plainDeck.slides.size(), std::size(forms));
    ASSERT_EQ(taggedDeck.slides.size(), std::size(forms));
    for (size_t i = 0; i < std::size(forms); ++i) {
        SCOPED_TRACE(forms[i].name);
        EXPECT_EQ(plainDeck.slides[i].rgba, taggedDeck.slides[i].rgba);
        EXPECT_EQ(plainDeck.slides[i].colours, taggedDeck.slides[i].colours);
    }
    // The left column is transparent where the form has alpha: background
    // (within what 256 colours make of it).
    const std::vector<int> left = PixelAt(plainDeck.slides[3], 0, 10), background{0x33, 0x66, 0x99};
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(left[c], background[c], 2) << "channel " << c;
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(plainDeck.run.peakKib, 20 * 1024) << "libvips was loaded for plain PNGs?";
    EXPECT_GT(taggedDeck.run.peakKib, plainDeck.run.peakKib);
#endif
}

TEST_F(SlidesTest, OtherSizesAreScaledToFitAndCentredOnTheBackground) {
    // A 40 x 40 square of one colour on a 100 x 50 stage: scaled to 50 x 50,
    // columns 25 to 74, with the background to the left and right.
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 40 * 40; ++i) rgb.insert(rgb.end(), {200, 10, 60});
    ASSERT_TRUE(WritePicture(dir + "/square.png", 40, 40, rgb));
    Deck deck;
    ASSERT_TRUE(RunSlides({"--size", "100x50", "--background", "102030", dir + "/square.png", "-o",
                           dir + "/s.swf", "--quiet"}, deck));
    EXPECT_EQ(deck.header.xMax, 2000);
    EXPECT_EQ(deck.header.yMax, 1000);
    ASSERT_EQ(deck.slides.size(), 1u);
    ASSERT_EQ(deck.slides[0].width, 100);
    ASSERT_EQ(deck.slides[0].height, 50);
    const std::vector<int> background{0x10, 0x20, 0x30}, square{200, 10, 60};
    for (int y : {0, 25, 49})
        for (int x : {0, 24, 25, 74, 75})
            EXPECT_EQ(PixelAt(deck.slides[0], x, y), x >= 25 && x <= 74 ? square : background) << x << ", " << y;
}

TEST_F(SlidesTest, ButtonsStopOnEverySlideAndNavigate) {
    std::vector<std::string> args = StripeSlides(dir, 3, 320, 240, 4);
    args.insert(args.begin(), {"--buttons", "--fps", "24", "--quiet"});
    args.insert(args.end(), {"-o", dir + "/b.swf"});
    Deck deck;
    ASSERT_TRUE(RunSlides(args, deck));
    EXPECT_EQ(deck.header.frameRate, 24);
    EXPECT_EQ(deck.header.frameCount, 3);
    EXPECT_EQ(StopFrames(deck), (std::vector<int>{0, 1, 2}));
    // First and last: one button each, in frame 0; previous and next: one per
    // slide, swapped in each slide's frame.
    EXPECT_EQ(deck.Count(kDefineButton2), 8u);
    std::vector<uint16_t> frame0 = deck.FrameCodes(0);
    EXPECT_EQ(std::count(frame0.begin(), frame0.end(), kDefineButton2), 4);
    // The faces: 4 buttons x 3 pictures, plus the 3 slides.
    EXPECT_EQ(deck.Count(kDefineBitsLossless), 15u);
    for (const SwfTag *t : deck.All(kDefineBitsLossless)) {
        SwfBitmap b;
        ASSERT_TRUE(DecodeBitmap(*t, b));
        if (b.format == 5) {
            EXPECT_EQ(b.width, 30);   // 240 / 12 = 20 high, 30 wide
            EXPECT_EQ(b.height, 20);
        }
    }
}

// With --buttons the buttons answer the keys of presentation programs as
// well as clicks; in a narrated deck every navigation stops the sounds
// before it moves, so a narration ends with its slide. Each action list of
// each button, as "key: actions", the key "click" for the mouse.
TEST_F(SlidesTest, ButtonsAnswerKeysAndStopNarrationsFirst) {
    WriteText(dir + "/tone.wav", ToneWav(0.5, 22050));
    const struct {
        const char *name;
        std::vector<std::string> options;  // "@" stands for the test's folder
        std::string first;                 // before every GotoFrame
    } rows[] = {
        {"no sound", {}, ""},
        {"a narration", {"--narration", "@/tone.wav"}, "StopSounds "},
        // A sound for the whole deck plays on as the viewer moves.
        {"a sound for the deck", {"--sound", "@/tone.wav"}, ""},
    };
    const std::map<int, std::string> keys = {{0, "click"}, {1, "Left"}, {2, "Right"}, {3, "Home"}, {4, "End"},
                                             {16, "PageUp"}, {17, "PageDown"}, {32, "Space"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args = InDir(dir, row.options);
        for (const std::string &slide : StripeSlides(dir, 3, 120, 90, 4)) args.push_back(slide);
        args.insert(args.end(), {"--buttons", "--quiet", "-o", dir + "/keys.swf"});
        Deck deck;
        ASSERT_TRUE(RunSlides(args, deck));
        std::vector<std::string> seen, expected;
        for (const auto &[id, button] : deck.buttons)
            for (const SwfButton::Condition &c : button.conditions)
                seen.push_back((keys.count(c.Key()) ? keys.at(c.Key()) : std::to_string(c.Key())) + ": " +
                               DescribeActions(c.actions));
        // First and last in frame 0; previous and next on each slide, to
        // the slide before and after it, round the deck.
        auto to = [&](std::initializer_list<const char *> names, int frame) {
            for (const char *name : names)
                expected.push_back(std::string(name) + ": " + row.first + "GotoFrame(" + std::to_string(frame) + ")");
        };
        to({"click", "Home"}, 0);
        to({"click", "End"}, 2);
        for (int frame : {2, 0, 1}) to({"click", "Left", "PageUp"}, frame);
        for (int frame : {1, 2, 0}) to({"click", "Right", "PageDown", "Space"}, frame);
        std::sort(seen.begin(), seen.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(seen, expected);
    }
}

TEST_F(SlidesTest, ButtonsShrinkToStayOnASmallStage) {
    // On a 32 x 32 slide the buttons shrink to 6 x 4 pixels, 1 apart: under
    // it in a strip of 6 rows, or over its corner.
    std::vector<uint8_t> small;
    ASSERT_TRUE(WriteStripesPng(dir + "/small.png", 32, 32, 3, 0, &small));
    const struct {
        const char *where;
        int stageHeight, top;
    } rows[] = {{"--buttons", 38, 33}, {"--buttons=over", 32, 27}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.where);
        Deck deck;
        ASSERT_TRUE(RunSlides({"--quiet", row.where, dir + "/small.png", "-o", dir + "/s.swf"}, deck));
        EXPECT_EQ(deck.header.xMax, 32 * 20);
        EXPECT_EQ(deck.header.yMax, row.stageHeight * 20);
        std::vector<std::vector<int32_t>> faces = ButtonFaces(deck, 32);
        int left = 32 * 20;
        for (const std::vector<int32_t> &b : faces) {
            EXPECT_EQ(b[1] - b[0], 6 * 20);
            EXPECT_EQ(b[3] - b[2], 4 * 20);
            EXPECT_EQ(b[2], row.top * 20);
            EXPECT_LE(b[1], 32 * 20);
            left = std::min(left, b[0]);
        }
        EXPECT_EQ(faces.size(), 12u);
        EXPECT_EQ(left, 4 * 20);  // 32 - 1 - 4 x 6 - 3 x 1
        // The slide keeps its pixels; the strip is the background's white.
        ASSERT_EQ(deck.slides.size(), 1u);
        ASSERT_EQ(deck.slides[0].height, row.stageHeight);
        std::vector<uint8_t> slide = small;
        slide.resize(32u * 3 * row.stageHeight, 255);
        EXPECT_EQ(Psnr(slide, deck.slides[0]), 99.0);
    }
}

// Sound files as people who make decks have them, written by ffmpeg: WAV
// files go to the library as they are (it reads the LIST chunk, the float
// samples and the 48 kHz rate itself), others are decoded by FFmpeg's
// libraries into a temporary WAV file that is gone afterwards. Each plays its second of
// tone at its own speed, with the one slide: ADPCM, the sample count at the
// movie's rate, at five bits a sample frame.
struct SoundForm {
    const char *name;
    const char *file;    // made by ffmpeg from a one-second 440 Hz tone
    const char *codec;   // ffmpeg's options for it
    int rateCode;        // the SWF rate the library plays it at
    double frames;       // sample frames expected at that rate
    double tolerance;    // of frames: decoders may add a little silence
};
void PrintTo(const SoundForm &row, std::ostream *os) { *os << row.name; }

const SoundForm kSoundForms[] = {
    {"Wav22k16Bit", "tone.wav", "-ar 22050 -c:a pcm_s16le", 2, 22050, 0},
    {"Wav48kFloat", "tone.wav", "-ar 48000 -c:a pcm_f32le", 3, 44100, 0.001},
    {"WavALaw8k", "alaw.wav", "-ar 8000 -c:a pcm_alaw", 1, 11025, 0.001},
    {"Flac44k1Stereo", "tone.flac", "-ar 44100 -ac 2 -c:a flac", 3, 44100, 0.001},
    {"OggVorbis22k05", "tone.ogg", "-ar 22050 -c:a libvorbis", 2, 22050, 0.02},
    {"OggOpus", "tone.opus", "-c:a libopus", 3, 44100, 0.03},
    {"Mp3At32k", "tone.mp3", "-ar 32000 -c:a libmp3lame", 3, 44100, 0.06},
    {"AacM4a44k1", "tone.m4a", "-ar 44100 -c:a aac", 3, 44100, 0.03},
    {"Wma22k05", "tone.wma", "-ar 22050 -c:a wmav2", 2, 22050, 0.1},
    {"GsmWav8k", "gsm.wav", "-ar 8000 -c:a gsm_ms", 1, 11025, 0.03},
};

// A test folder with a folder, tmp, for TMPDIR.
template <typename Row>
class WithTmp : public InFolder<::testing::TestWithParam<Row>> {
protected:
    void SetUp() override {
        InFolder<::testing::TestWithParam<Row>>::SetUp();
        tmp = this->dir + "/tmp";
        ASSERT_EQ(mkdir(tmp.c_str(), 0777), 0);
    }
    std::string tmp;
};

using SlidesSound = WithTmp<SoundForm>;

TEST_P(SlidesSound, PlaysAtItsOwnSpeed) {
    const SoundForm &c = GetParam();
    ASSERT_TRUE(Ffmpeg(std::string("-f lavfi -i sine=frequency=440:duration=1 ") + c.codec + " '" + dir + "/" +
                       c.file + "'"));
    ASSERT_TRUE(WriteStripesPng(dir + "/a.png", 32, 32, 3, 0));
    Deck deck;
    ScopedEnv tmpdir("TMPDIR", tmp.c_str());
    ASSERT_TRUE(RunSlides({"--quiet", "--sound", dir + "/" + c.file, dir + "/a.png", "-o", dir + "/a.swf"}, deck));
    EXPECT_TRUE(ListDir(tmp).empty()) << "a temporary file was left behind";
    EXPECT_EQ(deck.header.frameCount, 1);
    std::vector<SwfSound> sounds = Sounds(deck);
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].flags >> 4, 1);  // ADPCM
    EXPECT_EQ(sounds[0].rateCode, c.rateCode);
    EXPECT_NEAR(sounds[0].frames / c.frames, 1.0, c.tolerance) << sounds[0].frames << " frames";
    EXPECT_GT(sounds[0].dataSize, sounds[0].frames * 5.0 / 8 - 16);  // every frame there
    EXPECT_EQ(deck.Count(kStartSound), 1u);
}

INSTANTIATE_TEST_SUITE_P(Forms, SlidesSound, ::testing::ValuesIn(kSoundForms), RowName());

// Slides held by --seconds and by their narrations, read with the shared SWF
// reader: the frame in which each slide's picture is defined, in which each
// sound starts and how long that sound is.
struct Narration {
    double seconds;
    const char *kind;  // "wav" goes to the library as it is; "flac" is decoded first
};

struct TimingCase {
    const char *name;
    std::vector<std::string> options;  // "@" stands for the test's folder
    int slides;
    std::vector<Narration> narrations;  // --narration, in slide order
    int frames;                         // in the movie
    std::vector<int> pictures;          // the frame of each slide's picture
    std::vector<int> soundStarts;       // the frame of each StartSound, in file order
    std::vector<double> soundSeconds;   // the length of the sound each one starts
    std::vector<int> stops;             // frames with a Stop action
};
void PrintTo(const TimingCase &row, std::ostream *os) { *os << row.name; }

const TimingCase kTimingCases[] = {
    {"SecondsHoldEachSlide", {"--seconds", "2", "--fps", "10"}, 3, {}, 60, {0, 20, 40}, {}, {}, {59}},
    // 1.0, 2.5 and 0.4 seconds of narration with --seconds 1: 10, 25 and 10 frames.
    {"NarrationsLongerThanTheSeconds", {"--seconds", "1", "--fps", "10"}, 3,
     {{1.0, "wav"}, {2.5, "flac"}, {0.4, "wav"}}, 45, {0, 10, 35}, {0, 10, 35}, {1.0, 2.5, 0.4}, {44}},
    // Without --seconds a slide is one frame, or as many as its narration
    // needs: 0.6 s at 4 fps is 3 frames. The later slides have none.
    {"FewerNarrationsThanSlides", {"--fps", "4"}, 3, {{0.6, "wav"}}, 5, {0, 3, 4}, {0}, {0.6}, {4}},
    // 0.25 s at 10 fps is 2.5 frames: 3; 0.01 s at 5 fps is less than one: 1.
    {"FractionsOfASecond", {"--seconds", "0.25", "--fps", "10"}, 2, {}, 6, {0, 3}, {}, {}, {5}},
    {"AtLeastOneFrame", {"--seconds=.01", "--fps", "5"}, 2, {}, 2, {0, 1}, {}, {}, {1}},
    // The sound of --sound and the first narration start together.
    {"SoundAndNarration", {"--sound", "@/background.wav", "--fps", "10"}, 2, {{0.5, "wav"}}, 6,
     {0, 5}, {0, 0}, {2.0, 0.5}, {5}},
    // With buttons each slide waits for the viewer on its one frame; the
    // narrations still start with their slides.
    {"ButtonsStopOnEverySlide", {"--buttons", "--seconds", "2", "--fps", "10"}, 3,
     {{1.0, "wav"}, {2.5, "flac"}}, 3, {0, 1, 2}, {0, 1}, {1.0, 2.5}, {0, 1, 2}},
    // Two decoded sounds: the first one's temporary file must be gone
    // before the second is made.
    {"TwoDecodedNarrations", {"--fps", "10"}, 2, {{0.5, "flac"}, {0.8, "flac"}}, 13, {0, 5}, {0, 5},
     {0.5, 0.8}, {12}},
};

using SlidesTiming = WithTmp<TimingCase>;

TEST_P(SlidesTiming, SlidesAndSoundsStartWhereTheirTimesSay) {
    const TimingCase &c = GetParam();
    WriteText(dir + "/background.wav", ToneWav(2.0, 11025));
    std::vector<std::string> args = InDir(dir, c.options);
    args.insert(args.begin(), "--quiet");
    for (size_t i = 0; i < c.narrations.size(); ++i) {
        const std::string name = dir + "/narration" + std::to_string(i), wav = name + ".wav";
        WriteText(wav, ToneWav(c.narrations[i].seconds, 22050));
        const std::string file = name + "." + c.narrations[i].kind;
        if (file != wav) {
            ASSERT_TRUE(Ffmpeg("-i '" + wav + "' '" + file + "'"));
        }
        args.insert(args.end(), {"--narration", file});
    }
    for (const std::string &slide : StripeSlides(dir, c.slides, 40, 30, 3)) args.push_back(slide);
    args.insert(args.end(), {"-o", dir + "/deck.swf"});
    Deck deck;
    ScopedEnv tmpdir("TMPDIR", tmp.c_str());
    ASSERT_TRUE(RunSlides(args, deck));
    EXPECT_TRUE(ListDir(tmp).empty()) << "a temporary file was left behind";
    EXPECT_EQ(deck.header.frameCount, c.frames);
    std::vector<int> pictures, soundStarts;
    std::vector<double> soundSeconds;
    std::map<uint16_t, double> soundLength;  // DefineSound id -> seconds
    for (const SwfSound &sound : Sounds(deck)) soundLength[sound.id] = sound.seconds;
    // Slide pictures are the 8-bit bitmaps (format 3); button faces are 32-bit.
    for (const SwfTag *t : deck.All(kDefineBitsLossless))
        if (t->body.size() > 2 && t->body[2] == 3) pictures.push_back(t->frame);
    for (const SwfTag *t : deck.All(kStartSound)) {
        ASSERT_GE(t->body.size(), 2u);
        soundStarts.push_back(t->frame);
        soundSeconds.push_back(soundLength[static_cast<uint16_t>(t->body[0] | t->body[1] << 8)]);
    }
    EXPECT_EQ(pictures, c.pictures);
    EXPECT_EQ(soundStarts, c.soundStarts);
    ASSERT_EQ(soundSeconds.size(), c.soundSeconds.size());
    for (size_t i = 0; i < soundSeconds.size(); ++i)
        EXPECT_NEAR(soundSeconds[i], c.soundSeconds[i], 0.002) << "sound " << i;
    EXPECT_EQ(StopFrames(deck), c.stops);
}

INSTANTIATE_TEST_SUITE_P(Table, SlidesTiming, ::testing::ValuesIn(kTimingCases), RowName());

// A sound that is not WAV is decoded into a temporary 16-bit PCM WAV file
// (not float), which is gone after Release, and also when a signal ends
// the program while it exists.
struct ConversionCase {
    const char *name;
    const char *file;   // made by ffmpeg from a half-second 440 Hz tone
    const char *codec;  // ffmpeg's options for it
    uint16_t channels;
    uint32_t rate;
};
void PrintTo(const ConversionCase &row, std::ostream *os) { *os << row.name; }

const ConversionCase kConversions[] = {
    {"Flac", "tone.flac", "-ar 44100 -ac 2 -c:a flac", 2, 44100},
    {"OggVorbis", "tone.ogg", "-ar 22050 -c:a libvorbis", 1, 22050},
    {"FloatAiff", "tone.aiff", "-ar 32000 -c:a pcm_f32be", 1, 32000},
    {"AacM4aStereo48k", "tone.m4a", "-ar 48000 -ac 2 -c:a aac", 2, 48000},
    {"Mp3", "tone.mp3", "-ar 44100 -c:a libmp3lame", 1, 44100},
};

using SoundConversion = WithTmp<ConversionCase>;

TEST_P(SoundConversion, SixteenBitPcmThatIsRemoved) {
    const ConversionCase &c = GetParam();
    const std::string input = dir + "/" + c.file;
    ASSERT_TRUE(Ffmpeg(std::string("-f lavfi -i sine=frequency=440:duration=0.5 ") + c.codec + " '" + input + "'"));
    ScopedEnv tmpdir("TMPDIR", tmp.c_str());
    quillon_tools::SoundFile sound;
    std::string error, wav;
    ASSERT_TRUE(sound.Open(input, error)) << error;
    EXPECT_NEAR(sound.Seconds(), 0.5, 0.06);
    ASSERT_TRUE(sound.Prepare(wav, error)) << error;
    EXPECT_EQ(wav.rfind(tmp + "/", 0), 0u) << wav;
    // The "fmt " chunk first: PCM (format tag 1), 16 bits, the input's channels and rate.
    const Bytes fmt = Chunk("fmt ", FmtContent(1, c.channels, c.rate, 16));
    EXPECT_EQ(ReadText(wav).substr(12, fmt.size()), std::string(fmt.begin(), fmt.end()));
    sound.Release();
    EXPECT_TRUE(ListDir(tmp).empty()) << "the temporary file is still there";

    // A program ended by a signal while its temporary file exists.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            quillon_tools::SoundFile s;
            std::string e, w;
            if (!s.Open(input, e) || !s.Prepare(w, e)) _exit(3);
            raise(signal);
            _exit(4);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
        EXPECT_TRUE(ListDir(tmp).empty()) << "signal " << signal << " left the temporary file";
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, SoundConversion, ::testing::ValuesIn(kConversions), RowName());

TEST_F(SlidesTest, HtmlWritesAViewerPageWithThePlayerBesideTheMovie) {
    ASSERT_TRUE(WriteStripesPng(dir + "/a.png", 50, 30, 3, 0));
    RunResult r = RunTool(kSlides, {"--html", dir + "/a.png", "-o", dir + "/talk.swf"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, dir + "/talk.html"));
    std::string page = ReadText(dir + "/talk.html");
    EXPECT_TRUE(Has(page, "player.load(\"talk.swf\")"));
    EXPECT_TRUE(Has(page, "src=\"ruffle/ruffle.js\""));
    // As large as the window allows, up to the stage's 50 x 30 pixels.
    EXPECT_TRUE(Has(page, "width: min(50px, 100vw, calc(100vh * 50 / 30))"));
    EXPECT_TRUE(Has(page, "height: min(30px, calc(100vw * 30 / 50), calc(100vh))"));
    EXPECT_TRUE(Has(page, "unmuteOverlay: \"hidden\""));
    EXPECT_FALSE(Has(page, "hint"));  // no sound, nothing to hear
    size_t wasm = 0, core = 0, loader = 0;
    for (const std::string &name : ListDir(dir + "/ruffle")) {
        wasm += name.size() > 5 && name.substr(name.size() - 5) == ".wasm";
        core += name.rfind("core.ruffle.", 0) == 0;
        loader += name == "ruffle.js";
        EXPECT_FALSE(Has(name, ".map"));
    }
    EXPECT_EQ(loader, 1u);
    EXPECT_GE(core, 1u);
    EXPECT_GE(wasm, 1u);
}

TEST_F(SlidesTest, PlayerUrlLoadsThePlayerFromThereWithoutACopy) {
    ASSERT_TRUE(WriteStripesPng(dir + "/a.png", 40, 20, 2, 0));
    const struct {
        const char *given, *script;
    } rows[] = {
        {"/ruffle/", "/ruffle/ruffle.js"},
        {"../player", "../player/ruffle.js"},
        {"https://cdn.example.com/ruffle/ruffle.js?v=6", "https://cdn.example.com/ruffle/ruffle.js?v=6"},
        {"/a&b\"/", "/a&amp;b&quot;/ruffle.js"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.given);
        RunResult r = RunTool(kSlides, {"--html", "--quiet", std::string("--player-url=") + row.given,
                                        dir + "/a.png", "-o", dir + "/talk.swf"});
        ASSERT_EQ(r.status, 0) << r.err;
        std::string page = ReadText(dir + "/talk.html");
        EXPECT_TRUE(Has(page, std::string("<script src=\"") + row.script + "\"></script>"));
        EXPECT_NE(access((dir + "/ruffle").c_str(), F_OK), 0) << "the player was copied";
    }
}

TEST_F(SlidesTest, AViewerPageForAMovieWithSoundHintsHowToHearIt) {
    // 1000 samples of 8-bit mono silence at 11025 Hz.
    ASSERT_TRUE(WriteBytes(dir + "/quiet.wav", PcmWav(1, 11025, 8, Bytes(1000, 0x80))));
    ASSERT_TRUE(WriteStripesPng(dir + "/a.png", 32, 32, 3, 0));
    RunResult r = RunTool(kSlides, {"--html", "--quiet", "--sound", dir + "/quiet.wav", "--player-url",
                                    "/ruffle", dir + "/a.png", "-o", dir + "/a.swf"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string page = ReadText(dir + "/a.html");
    EXPECT_TRUE(Has(page, "click it to hear it"));
    EXPECT_TRUE(Has(page, "unmuteOverlay: \"hidden\""));
    // The hint keeps a line below the stage.
    EXPECT_TRUE(Has(page, "calc((100vh - 2.5em) * 32 / 32)"));
}

TEST_F(SlidesTest, AMovieNamedHtmlKeepsItsViewerPageApart) {
    ASSERT_TRUE(WriteStripesPng(dir + "/a.png", 20, 20, 2, 0));
    Deck deck;
    ASSERT_TRUE(RunSlides({"--html", "--quiet", dir + "/a.png", "-o", dir + "/odd.html"}, deck));
    EXPECT_TRUE(Has(ReadText(dir + "/odd.html.html"), "player.load(\"odd.html\")"));
}

TEST_F(SlidesTest, ProgressLineOnlyWhenStandardErrorIsATerminal) {
    const std::vector<std::string> s = StripeSlides(dir, 2, 20, 20, 2);
    RunResult tty = RunInTerminal(kSlides, {s[0], s[1], "-o", dir + "/t.swf"});
    ASSERT_EQ(tty.status, 0) << tty.err;
    EXPECT_TRUE(Has(tty.err, "slide 1 of 2"));
    EXPECT_TRUE(Has(tty.err, "slide 2 of 2"));
    RunResult quiet = RunInTerminal(kSlides, {"--quiet", s[0], s[1], "-o", dir + "/q.swf"});
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_FALSE(Has(quiet.err, "slide"));
    RunResult piped = RunTool(kSlides, {s[0], s[1], "-o", dir + "/p.swf"});
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.err, "");
    EXPECT_TRUE(Has(piped.out, "2 slides"));
}

TEST_F(SlidesTest, HelpListsEveryOption) {
    RunResult r = RunTool(kSlides, {"--help"});
    ASSERT_EQ(r.status, 0);
    for (const char *option : {"-o, --output", "--fps", "--size", "--pages", "--link-target",
                               "--background", "--buttons", "--jobs", "--sound", "--seconds",
                               "--narration", "--html", "--player-url", "--quiet", "--help",
                               "--version"})
        EXPECT_TRUE(Has(r.out, option));
    // The buttons wrap around.
    EXPECT_TRUE(Has(r.out, "previous on the first slide goes to the last,\n"
                           "                         next on the last slide goes to the first"));
    r = RunTool(kSlides, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("quillon-slides ", 0), 0u) << r.out;
}

TEST_F(SlidesTest, EveryOptionTheHelpNamesIsAccepted) {
    ASSERT_TRUE(WriteStripesPng(dir + "/a.png", 16, 16, 2, 0));
    RunResult r = RunTool(kSlides, {"--fps", "5", "--size", "32x32", "--background", "000000", "--buttons",
                                    "--jobs", "2", "--quiet", dir + "/a.png", "--output", dir + "/h.swf"});
    EXPECT_EQ(r.status, 0) << r.err;
    // --name=value gives the value in the same argument.
    Deck deck;
    EXPECT_TRUE(RunSlides({"--fps=5", "--size=16x16", "--background=000000", "--quiet", dir + "/a.png",
                           "--output=" + dir + "/h2.swf"}, deck));
}

// Each tool's manual page, made by help2man from its --help and --version:
// the program's name and version, and every option its help names.
TEST(ManPagesTest, EveryToolHasAManualPageWithEveryOption) {
    for (const std::string &tool : {kSlides, std::string(QUILLON_DEMO)}) {
        SCOPED_TRACE(tool);
        std::string name = tool.substr(tool.rfind('/') + 1);
        std::string page = ReadText(std::string(QUILLON_MAN_DIR) + "/" + name + ".1");
        ASSERT_FALSE(page.empty()) << name << ".1 is missing: help2man not found? run scripts/install-deps";
        RunResult version = RunTool(tool, {"--version"});
        ASSERT_EQ(version.status, 0);
        EXPECT_EQ(version.out.rfind(name + " ", 0), 0u) << version.out;
        std::string number = version.out.substr(name.size() + 1, version.out.size() - name.size() - 2);
        std::string upper = name;
        for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(Has(page, ".TH " + upper));
        EXPECT_TRUE(Has(page, number));
        RunResult help = RunTool(tool, {"--help"});
        ASSERT_EQ(help.status, 0);
        size_t options = 0;
        for (size_t at = help.out.find(" --"); at != std::string::npos; at = help.out.find(" --", at + 1)) {
            size_t end = help.out.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-", at + 3);
            std::string option = help.out.substr(at + 1, end - at - 1);
            std::string escaped;  // troff writes every hyphen as \-
            for (char c : option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_TRUE(Has(page, escaped));
            ++options;
        }
        EXPECT_GE(options, 2u);
    }
}

// The start of a truecolour PNG: its signature and IHDR chunk, then an
// empty IDAT chunk, which ends the header, when idat.
std::string TruecolourPngHeader(uint32_t width, uint32_t height, char depth, char interlaced, bool idat) {
    auto be = [](size_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    const std::string ihdr = be(width) + be(height) + std::string{depth, 2, 0, 0, interlaced};
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", ihdr) + (idat ? PngChunk("IDAT", "") : "");
}

// The start of a FLAC file up to the end of its last metadata block: a
// stream without frames.
std::string FlacMetadata(const std::string &flac) {
    size_t at = 4;  // "fLaC"
    while (at + 4 <= flac.size()) {
        const bool last = (flac[at] & 0x80) != 0;
        at += 4 + (static_cast<uint8_t>(flac[at + 1]) << 16 | static_cast<uint8_t>(flac[at + 2]) << 8 |
                   static_cast<uint8_t>(flac[at + 3]));
        if (last) break;
    }
    return flac.substr(0, at);
}

struct Failure {
    const char *name;
    std::vector<std::string> args;  // "@" stands for the test's folder
    int status;
    const char *message;  // part of what standard error says
    const char *searchPath = nullptr;  // PATH for the run, when not the test's
};

TEST_F(SlidesTest, EveryFailureHasAMessageAStatusAndLeavesNothingBehind) {
    ASSERT_TRUE(WriteStripesPng(dir + "/good.png", 16, 16, 2, 0));
    WriteText(dir + "/notes.png", "these are notes, not a picture\n");
    // A PNG whose header declares truecolour at 4 bits a sample, which the
    // format does not allow; a header that declares 60000 x 60000 pixels
    // (14 GB decoded), no pixels.
    WriteText(dir + "/bad-depth.png", TruecolourPngHeader(16, 16, 4, false, false));
    WriteText(dir + "/huge.png", TruecolourPngHeader(60000, 60000, 8, false, true));
    std::vector<uint8_t> wide(8200 * 3, 128);
    ASSERT_TRUE(WritePicture(dir + "/wide.png", 8200, 1, wide));
    mkdir((dir + "/folder.png").c_str(), 0777);
    WriteText(dir + "/noise.wav", "RIFF....AVI LIST");
    WriteText(dir + "/quiet.wav", ToneWav(0.2, 8000));
    // A WAV file whose writer left out the pad byte after an odd-sized chunk
    // before "fmt ": the library reads it, FFmpeg does not, so only the
    // library could tell how long it plays.
    WriteText(dir + "/unpadded.wav", ToneWav(0.2, 8000).insert(12, std::string("JUNK\x03\0\0\0abc", 11)));
    // Sounds without samples, or at a rate a movie cannot take: a WAV file
    // with a LIST chunk and no data chunk, one whose data chunk is empty, a
    // FLAC file of its metadata only, 8-bit samples at 1234 Hz and 16-bit
    // ones at 200 kHz.
    const Bytes mono16 = FmtContent(1, 1, 8000, 16), info{'I', 'N', 'F', 'O'};
    ASSERT_TRUE(WriteBytes(dir + "/no-data.wav", Riff(Cat({Chunk("fmt ", mono16), Chunk("LIST", info)}))));
    ASSERT_TRUE(WriteBytes(dir + "/empty-data.wav", Wav(mono16, {}, Chunk("LIST", info))));
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=duration=1 -c:a flac '" + dir + "/whole.flac'"));
    WriteText(dir + "/metadata.flac", FlacMetadata(ReadText(dir + "/whole.flac")));
    std::remove((dir + "/whole.flac").c_str());
    ASSERT_TRUE(WriteBytes(dir + "/slow.wav", PcmWav(1, 1234, 8, Bytes(1234, 0x90))));
    ASSERT_TRUE(WriteBytes(dir + "/fast.wav", PcmWav(1, 200000, 16, Bytes(4000, 0))));
    // A playlist that names an AAC file beside it: FFmpeg's playlist reader
    // would open that file (or any address it named) and play it; the tool
    // takes sound files only.
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=duration=0.5 -c:a aac '" + dir + "/part.aac'"));
    WriteText(dir + "/playlist.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\npart.aac\n#EXT-X-ENDLIST\n");
    WriteText(dir + "/existing.swf", "keep me");
    // A PNG cut off inside its image data: its header reads, its pixels do not.
    WriteText(dir + "/cut.png", ReadText(dir + "/good.png").substr(0, 45));

    // PDF documents: one locked with a password (qpdf warns that cairo's
    // cross-reference table needs rebuilding: status 3), one cut short, one
    // that is not, an empty file, one without pages.
    ASSERT_EQ(access(QUILLON_QPDF, X_OK), 0) << "qpdf not found: run scripts/install-deps";
    ASSERT_TRUE(WritePdf(dir + "/talk.pdf", std::vector<PdfPageSpec>(4)));
    RunResult locked = RunTool(QUILLON_QPDF, {"--encrypt", "secret", "owner", "256", "--",
                                              dir + "/talk.pdf", dir + "/locked.pdf"});
    ASSERT_TRUE(locked.status == 0 || locked.status == 3) << locked.err;
    const std::string pdf = ReadText(dir + "/talk.pdf");
    WriteText(dir + "/cut.pdf", pdf.substr(0, pdf.size() / 3));
    WriteText(dir + "/garbage.pdf", "%PDF-1.5\nthese are notes, not a document\n");
    WriteText(dir + "/empty.pdf", "");
    WriteText(dir + "/no-pages.pdf",
              "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
              "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
              "trailer << /Root 1 0 R >>\n%%EOF\n");
    // A JPEG cut inside its pixels; an interlaced PNG that would have to be
    // held whole (a header, no pixels); a presentation and a file named as
    // one that is no presentation.
    ASSERT_TRUE(WritePicture(dir + "/whole.jpg", 64, 64, std::vector<uint8_t>(64 * 64 * 3, 100)));
    const std::string jpeg = ReadText(dir + "/whole.jpg");
    WriteText(dir + "/cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    WriteText(dir + "/huge-interlaced.png", TruecolourPngHeader(9000, 8000, 8, true, true));
    WriteText(dir + "/talk.pptx", pdf);
    // A sound decoded into a temporary file before a later slide fails.
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=frequency=440:duration=0.3 '" + dir + "/tone.flac'"));
    std::string noise;
    for (int i = 0; i < 4096; ++i) noise.push_back(static_cast<char>((i * 7919) >> 3));
    WriteText(dir + "/noise.odp", noise);
    // Empty presentations: no byte, blank space, a deck of one blank page
    // (what LibreOffice makes of an empty file).
    WriteText(dir + "/empty.pptx", "");
    WriteText(dir + "/blank.odp", " \n\t\r\n");
    FlatDeckForm blankPage;
    blankPage.link = "";
    std::string flat = FlatDeck(blankPage);
    flat.replace(flat.find("<draw:page"), flat.rfind("</office:presentation>") - flat.find("<draw:page"),
                 "<draw:page draw:name=\"one\" draw:master-page-name=\"Default\"/>");
    WriteText(dir + "/blank-page.fodp", flat);
    // Other names of the image: a link, a hard link, another spelling.
    ASSERT_EQ(symlink("good.png", (dir + "/alias.swf").c_str()), 0);
    ASSERT_EQ(link((dir + "/good.png").c_str(), (dir + "/hard.swf").c_str()), 0);
    const std::string respelled = "@/../" + dir.substr(dir.rfind('/') + 1) + "/./good.png";

    const Failure failures[] = {
        {"missing image", {"@/good.png", "@/absent.png", "-o", "@/out.swf"}, 1, "absent.png: No such file"},
        {"folder as image", {"@/folder.png", "-o", "@/out.swf"}, 1, "folder.png: not a regular file"},
        {"not a PNG", {"@/notes.png", "-o", "@/out.swf"}, 1, "notes.png: not a picture or document quillon-slides reads"},
        {"JPEG cut short", {"@/good.png", "@/cut.jpg", "-o", "@/existing.swf"}, 1, "cut.jpg: unsupported or damaged JPEG"},
        {"interlaced PNG too large to hold", {"--size", "100x100", "@/huge-interlaced.png", "-o", "@/out.swf"}, 1, "huge-interlaced.png: unsupported PNG size 9000x8000 (at most 67108864 pixels in this form)"},
        {"presentation without LibreOffice", {"@/good.png", "@/talk.pptx", "-o", "@/existing.swf"}, 1, "talk.pptx: presentations are converted with LibreOffice, which is not installed (Debian package libreoffice-impress)", "/nonexistent"},
        {"empty presentation", {"@/good.png", "@/empty.pptx", "-o", "@/existing.swf"}, 1, "empty.pptx: the presentation is empty (no byte)"},
        {"presentation of blank space", {"@/blank.odp", "-o", "@/out.swf"}, 1, "blank.odp: the presentation is empty (nothing but blank space)"},
        {"presentation of a blank page", {"@/blank-page.fodp", "-o", "@/out.swf"}, 1, "blank-page.fodp: the presentation is empty (nothing but blank slides)"},
        {"presentation that is none", {"@/noise.odp", "-o", "@/existing.swf"}, 1, "noise.odp: LibreOffice could not convert the presentation"},
        {"buttons on too small a stage", {"--buttons", "--size", "28x40", "@/good.png", "-o", "@/out.swf"}, 2, "the slides, 28x40 pixels, are too small for the buttons: they need 29 pixels across"},
        {"buttons over too low a stage", {"--buttons=over", "--size", "40x5", "@/good.png", "-o", "@/out.swf"}, 2, "are too small for the buttons: they need 29 pixels across and 6 down"},
        {"buttons' strip makes the stage too large", {"--buttons", "--size", "100x8190", "@/good.png", "-o", "@/out.swf"}, 1, "stage 100x8208 is too large"},
        {"unsupported PNG", {"@/good.png", "@/bad-depth.png", "-o", "@/out.swf"}, 1, "bad-depth.png: unsupported or damaged PNG"},
        {"image too large to decode", {"--size", "100x100", "@/huge.png", "-o", "@/out.swf"}, 1, "huge.png: unsupported PNG size 60000x60000"},
        {"stage too large by option", {"--size", "9000x10", "@/good.png", "-o", "@/out.swf"}, 1, "stage 9000x10 is too large"},
        {"stage too large by image", {"@/wide.png", "@/good.png", "-o", "@/out.swf"}, 1, "stage 8200x1 is too large"},
        {"stage too large in all", {"--size", "5000x4000", "@/good.png", "-o", "@/out.swf"}, 1, "stage 5000x4000 is too large"},
        {"output folder missing", {"@/good.png", "-o", "@/no/such/out.swf"}, 1, "does not exist"},
        {"output is a folder", {"@/good.png", "-o", "@/folder.png"}, 1, "it is a folder"},
        {"output is an image", {"@/good.png", "-o", "@/good.png"}, 2, "is the input"},
        {"output is an image spelled otherwise", {"@/good.png", "-o", respelled}, 2, "is the input"},
        {"output links to an image", {"@/good.png", "-o", "@/alias.swf"}, 2, "is the input"},
        {"output is a hard link to an image", {"@/good.png", "-o", "@/hard.swf"}, 2, "is the input"},
        {"output is the sound", {"--sound", "@/noise.wav", "@/good.png", "-o", "@/noise.wav"}, 2, "is the input"},
        {"missing sound", {"--sound", "@/absent.wav", "@/good.png", "-o", "@/out.swf"}, 1, "absent.wav: the sound file cannot be read"},
        {"sound not a sound", {"--sound", "@/noise.wav", "@/good.png", "-o", "@/out.swf"}, 1, "noise.wav: not a sound file"},
        {"missing narration", {"--narration", "@/absent.wav", "@/good.png", "-o", "@/out.swf"}, 1, "absent.wav: the sound file cannot be read"},
        {"narration not a sound", {"--narration", "@/noise.wav", "@/good.png", "-o", "@/out.swf"}, 1, "noise.wav: not a sound file"},
        {"narration whose length cannot be read", {"--narration", "@/unpadded.wav", "@/good.png", "-o", "@/out.swf"}, 1, "unpadded.wav: the length of the narration cannot be read"},
        {"sound without a data chunk", {"--sound", "@/no-data.wav", "@/good.png", "-o", "@/existing.swf"}, 1, "no-data.wav: the sound has no samples (no data chunk)"},
        {"narration without a data chunk", {"--narration", "@/no-data.wav", "@/good.png", "-o", "@/out.swf"}, 1, "no-data.wav: the sound has no samples (no data chunk)"},
        {"sound with an empty data chunk", {"--sound", "@/empty-data.wav", "@/good.png", "-o", "@/out.swf"}, 1, "empty-data.wav: the sound has no samples (an empty data chunk)"},
        {"FLAC of metadata only", {"--sound", "@/metadata.flac", "@/good.png", "-o", "@/out.swf"}, 1, "metadata.flac: the sound has no samples"},
        {"narration of metadata only", {"--narration", "@/metadata.flac", "@/good.png", "-o", "@/out.swf"}, 1, "metadata.flac: the sound has no samples"},
        {"sound at 1234 Hz", {"--sound", "@/slow.wav", "@/good.png", "-o", "@/existing.swf"}, 1, "slow.wav: unsupported sound rate 1234 Hz (4000 to 192000 Hz)"},
        {"narration at 1234 Hz", {"--narration", "@/slow.wav", "@/good.png", "-o", "@/out.swf"}, 1, "slow.wav: unsupported sound rate 1234 Hz (4000 to 192000 Hz)"},
        {"sound that is a playlist", {"--sound", "@/playlist.m3u8", "@/good.png", "-o", "@/out.swf"}, 1, "playlist.m3u8: not a sound file that can be read"},
        {"sound at 200 kHz", {"--sound", "@/fast.wav", "@/good.png", "-o", "@/out.swf"}, 1, "fast.wav: unsupported sound rate 200000 Hz"},
        {"more narrations than slides", {"--narration", "@/quiet.wav", "--narration", "@/quiet.wav", "@/good.png", "-o", "@/out.swf"}, 2, "2 narrations for 1 slide"},
        {"output is a narration", {"--narration", "@/quiet.wav", "@/good.png", "-o", "@/quiet.wav"}, 2, "is the input"},
        {"too many frames", {"--seconds", "30000", "--fps", "1", "@/good.png", "@/good.png", "@/good.png", "-o", "@/out.swf"}, 1, "the deck needs 90000 frames at 1 fps"},
        {"seconds zero", {"--seconds", "0", "@/good.png", "-o", "@/out.swf"}, 2, "--seconds needs a number of seconds above 0"},
        {"seconds negative", {"--seconds=-1", "@/good.png", "-o", "@/out.swf"}, 2, "--seconds needs a number of seconds above 0"},
        {"seconds not a number", {"--seconds", "1e3", "@/good.png", "-o", "@/out.swf"}, 2, "--seconds needs a number of seconds above 0"},
        {"seconds beyond a movie's frames", {"--seconds", std::to_string(QUILLON_MAX_FRAMES) + ".5", "@/good.png", "-o", "@/out.swf"}, 2, "--seconds needs a number of seconds above 0"},
        {"narration without a file", {"@/good.png", "-o", "@/out.swf", "--narration"}, 2, "--narration needs a sound file"},
        {"damaged image keeps the old movie", {"@/good.png", "@/cut.png", "-o", "@/existing.swf"}, 1, "cut.png: unsupported or damaged PNG"},
        {"damaged image after a decoded narration", {"--narration", "@/tone.flac", "@/good.png", "@/cut.png", "-o", "@/existing.swf"}, 1, "cut.png: unsupported or damaged PNG"},
        {"encrypted PDF", {"@/locked.pdf", "-o", "@/existing.swf"}, 1, "locked.pdf: the PDF document is encrypted and needs a password"},
        {"PDF cut short", {"@/cut.pdf", "-o", "@/out.swf"}, 1, "cut.pdf: damaged PDF document"},
        {"not a PDF", {"@/garbage.pdf", "-o", "@/out.swf"}, 1, "garbage.pdf: damaged PDF document"},
        {"empty PDF", {"@/empty.pdf", "-o", "@/out.swf"}, 1, "empty.pdf: the PDF document is empty"},
        {"PDF without pages", {"@/no-pages.pdf", "-o", "@/out.swf"}, 1, "no-pages.pdf: the PDF document has no pages"},
        {"page beyond the end", {"--pages", "2-5", "@/talk.pdf", "-o", "@/out.swf"}, 1, "talk.pdf: --pages asks for page 5, but the document has 4 pages"},
        {"good PDF, then an encrypted one", {"@/talk.pdf", "@/good.png", "@/locked.pdf", "-o", "@/existing.swf"}, 1, "locked.pdf: the PDF document is encrypted"},
        {"no images", {"-o", "@/out.swf"}, 2, "no images given"},
        {"no output", {"@/good.png"}, 2, "no output file given"},
        {"fps zero", {"--fps", "0", "@/good.png", "-o", "@/out.swf"}, 2, "--fps needs a whole number"},
        {"fps too high", {"--fps", "256", "@/good.png", "-o", "@/out.swf"}, 2, "--fps needs a whole number"},
        {"size malformed", {"--size", "big", "@/good.png", "-o", "@/out.swf"}, 2, "--size needs WIDTHxHEIGHT"},
        {"background malformed", {"--background", "red", "@/good.png", "-o", "@/out.swf"}, 2, "--background needs a colour"},
        {"unknown option", {"--colour", "@/good.png", "-o", "@/out.swf"}, 2, "unknown option --colour"},
        {"option without value", {"@/good.png", "-o"}, 2, "-o needs a file name"},
        {"pages backwards", {"--pages", "3-1", "@/talk.pdf", "-o", "@/out.swf"}, 2, "--pages needs page numbers"},
        {"page zero", {"--pages", "0", "@/talk.pdf", "-o", "@/out.swf"}, 2, "--pages needs page numbers"},
        {"page beyond a movie's slides", {"--pages", "2-" + std::to_string(QUILLON_MAX_SLIDES + 1), "@/talk.pdf", "-o", "@/out.swf"}, 2, "--pages needs page numbers"},
        {"size zero", {"--size=0x10", "@/good.png", "-o", "@/out.swf"}, 2, "--size needs WIDTHxHEIGHT"},
        {"link target empty", {"--link-target=", "@/talk.pdf", "-o", "@/out.swf"}, 2, "--link-target needs a window name"},
        {"player address without a page", {"--player-url", "/ruffle/", "@/talk.pdf", "-o", "@/out.swf"}, 2, "--player-url goes with --html"},
        {"value for a switch", {"--html=yes", "@/talk.pdf", "-o", "@/out.swf"}, 2, "--html takes no value"},
        {"buttons somewhere else", {"--buttons=yes", "@/talk.pdf", "-o", "@/out.swf"}, 2, "--buttons=WHERE needs under or over"},
        {"timeout zero", {"--timeout", "0", "@/good.png", "-o", "@/out.swf"}, 2, "--timeout needs a whole number of seconds from 1 to 86400"},
        {"timeout not whole", {"--timeout=2.5", "@/good.png", "-o", "@/out.swf"}, 2, "--timeout needs a whole number of seconds from 1 to 86400"},
        {"jobs zero", {"--jobs", "0", "@/good.png", "-o", "@/out.swf"}, 2, "--jobs needs a whole number from 1 to 256"},
        {"jobs too many", {"--jobs=257", "@/good.png", "-o", "@/out.swf"}, 2, "--jobs needs a whole number from 1 to 256"},
        {"jpeg unknown", {"--jpeg", "sometimes", "@/good.png", "-o", "@/out.swf"}, 2, "--jpeg needs auto, always or never"},
        {"jpeg without value", {"@/good.png", "-o", "@/out.swf", "--jpeg"}, 2, "--jpeg needs auto, always or never"},
        {"quality zero", {"--quality", "0", "@/good.png", "-o", "@/out.swf"}, 2, "--quality needs a whole number from 1 to 100"},
        {"quality above 100", {"--quality=101", "@/good.png", "-o", "@/out.swf"}, 2, "--quality needs a whole number from 1 to 100"},
        {"value for a short switch", {"-q=1", "@/good.png", "-o", "@/out.swf"}, 2, "unknown option -q=1"},
        {"output empty", {"@/good.png", "--output="}, 2, "--output needs a file name"},
    };
    std::map<std::string, std::string> kept;  // files that every failure leaves as they are
    for (const char *name : {"existing.swf", "good.png", "noise.wav", "quiet.wav"}) kept[name] = ReadText(dir + "/" + name);
    std::vector<std::string> before = ListDir(dir);
    for (const Failure &f : failures) {
        SCOPED_TRACE(f.name);
        // Temporary files (decoded sounds, LibreOffice's folder) go to
        // TMPDIR: a fresh one for each row, which it must leave empty.
        const std::string tmp = tools_test::TempDir();
        ASSERT_FALSE(tmp.empty());
        ScopedEnv path("PATH", f.searchPath), tmpdir("TMPDIR", tmp.c_str());
        RunResult r = RunTool(kSlides, InDir(dir, f.args));
        EXPECT_EQ(ListDir(tmp), std::vector<std::string>()) << "left in TMPDIR";
        RemoveTree(tmp);
        EXPECT_EQ(r.status, f.status);
        EXPECT_EQ(r.err.rfind("quillon-slides: ", 0), 0u) << r.err;
        EXPECT_TRUE(Has(r.err, f.message));
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(ListDir(dir), before);  // nothing new
        for (const auto &file : kept) EXPECT_EQ(ReadText(dir + "/" + file.first), file.second) << file.first;
        if (f.status == 2) {
            EXPECT_TRUE(Has(r.err, "--help"));
        }
    }
}

}  // namespace
