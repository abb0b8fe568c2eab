// quillon-demo: the movie it writes, frame by frame, and the files beside it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "tests/support.h"

using namespace tools_test;

namespace {

// quillon-demo run once into a fresh folder, and its movie read back.
struct DemoRun {
    std::string dir = TempDir();
    RunResult result = RunTool(kDemo, {dir + "/out"});
    SwfMovie movie;
    ::testing::AssertionResult read = ReadMovie(dir + "/out/demo.swf", movie);  // whether it reads back
    ~DemoRun() { RemoveTree(dir); }
};

class DemoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { run = new DemoRun; }
    static void TearDownTestSuite() { delete run; }
    // Every test needs the movie.
    void SetUp() override {
        ASSERT_EQ(result.status, 0) << result.err;
        ASSERT_TRUE(run->read);
    }
    inline static DemoRun *run = nullptr;
    const std::string &dir = run->dir;
    const RunResult &result = run->result;
    const SwfMovie &movie = run->movie;
};

TEST_F(DemoTest, WritesACompleteMovieAndSaysWhere) {
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(Has(result.out, dir + "/out/demo.swf"));
    EXPECT_TRUE(Has(result.out, dir + "/out/demo.html"));
    // The reader (in SetUp) checks the FileLength, the version and that
    // there are as many frames as the header counts.
    EXPECT_EQ(movie.header.xMax, 640 * 20);
    EXPECT_EQ(movie.header.yMax, 480 * 20);
    EXPECT_EQ(movie.header.frameRate, 12);
    // Slide 1: frame 0; slide 2: 25 frames of the moving sprite; slide 3: one
    // frame; slide 4: its frame and 36 animation steps; slide 5: one frame.
    EXPECT_EQ(movie.header.frameCount, 65);
    EXPECT_TRUE(movie.FrameTags(65).empty());  // nothing after the last frame
}

TEST_F(DemoTest, FiveSlidePicturesOf256ColoursThatAreNotBlank) {
    std::vector<std::pair<size_t, SwfBitmap>> slides;
    for (const SwfTag *t : movie.All(kDefineBitsLossless)) {
        SwfBitmap b;
        ASSERT_TRUE(DecodeBitmap(*t, b)) << "frame " << t->frame;
        if (b.width == 640) slides.emplace_back(t->frame, b);
    }
    ASSERT_EQ(slides.size(), 5u);
    const size_t slideFrames[] = {0, 1, 26, 27, 64};
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE("slide " + std::to_string(i + 1));
        EXPECT_EQ(slides[i].first, slideFrames[i]);
        const SwfBitmap &b = slides[i].second;
        EXPECT_EQ(b.format, 3);
        EXPECT_EQ(b.height, 480);
        EXPECT_EQ(b.colours, 256);
        std::set<uint32_t> used;
        for (size_t p = 0; p < b.rgba.size(); p += 4)
            used.insert(b.rgba[p] | b.rgba[p + 1] << 8 | b.rgba[p + 2] << 16);
        EXPECT_GE(used.size(), 40u);  // inks and a dithered gradient
    }
}

TEST_F(DemoTest, EveryKindOfButtonAndTheLink) {
    // Kinds 1 to 4 once, kinds 5 and 6 once per slide, the pause button and
    // the hyperlink area.
    EXPECT_EQ(movie.Count(kDefineButton2), 4u + 5u + 5u + 2u);
    bool link = false;
    for (const SwfTag *t : movie.All(kDefineButton2)) {
        std::string body(t->body.begin(), t->body.end());
        link = link || (Has(body, "about.html") && Has(body, "_blank"));
    }
    EXPECT_TRUE(link);
    // Pictures with alpha: the sprite, the kind-0 logo and the pause plate.
    std::multiset<std::pair<int, int>> sizes;
    for (const SwfTag *t : movie.All(kDefineBitsLossless2)) {
        SwfBitmap b;
        ASSERT_TRUE(DecodeBitmap(*t, b));
        sizes.insert({b.width, b.height});
        // Premultiplied: no colour byte exceeds its alpha.
        for (size_t p = 0; p < b.rgba.size(); p += 4)
            ASSERT_TRUE(b.rgba[p] <= b.rgba[p + 3] && b.rgba[p + 1] <= b.rgba[p + 3] &&
                        b.rgba[p + 2] <= b.rgba[p + 3]);
    }
    EXPECT_EQ(sizes, (std::multiset<std::pair<int, int>>{{48, 48}, {64, 64}, {360, 44}}));
}

TEST_F(DemoTest, StopsOnEverySlideAndAtThePause) {
    EXPECT_EQ(StopFrames(movie), (std::vector<int>{0, 13, 25, 26, 63, 64}));
}

TEST_F(DemoTest, SpriteMovesAndTheOverlayComesAndGoes) {
    // Frames 2 to 25 take the sprite off and place it again, moved.
    for (int f = 2; f <= 25; ++f) {
        SCOPED_TRACE("frame " + std::to_string(f));
        std::map<int, int> codes;
        for (uint16_t code : movie.FrameCodes(f)) codes[code]++;
        EXPECT_GE(codes[kRemoveObject], 1);
        EXPECT_GE(codes[kPlaceObject2], 1);
    }
    // The info overlay: a 280 x 48 colour-mapped picture in frame 1.
    bool info = false;
    for (const SwfTag *t : movie.FrameTags(1)) {
        SwfBitmap b;
        info = info || (DecodeBitmap(*t, b) && b.width == 280 && b.height == 48 && b.colours == 3);
    }
    EXPECT_TRUE(info);
}

TEST_F(DemoTest, AnimatedListsChangeTheStageInEveryStep) {
    for (int f = 28; f <= 63; ++f) {
        SCOPED_TRACE("frame " + std::to_string(f));
        size_t placements = 0;
        for (uint16_t code : movie.FrameCodes(f)) placements += code == kPlaceObject2;
        EXPECT_GE(placements, 3u);  // two rubber outlines and the attractor
    }
}

TEST_F(DemoTest, ViewerPageSoundAndLinkedPageBesideTheMovie) {
    std::string page = ReadText(dir + "/out/demo.html");
    EXPECT_TRUE(Has(page, "player.load(\"demo.swf\")"));
    EXPECT_TRUE(Has(page, "ruffle/ruffle.js"));
    EXPECT_EQ(access((dir + "/out/ruffle/ruffle.js").c_str(), R_OK), 0);
    std::string wav = ReadText(dir + "/out/chime.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_TRUE(Has(ReadText(dir + "/out/about.html"), "AddHyperLink"));
}

TEST_F(DemoTest, TheChimeStartsWithTheLastSlide) {
    std::vector<SwfSound> sounds = Sounds(movie);
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].frame, 64);
    // ADPCM, 22 kHz, 16-bit, mono; as many samples as the WAV file holds.
    EXPECT_EQ(sounds[0].flags, 0x1A);
    std::string wav = ReadText(dir + "/out/chime.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(sounds[0].frames, (wav.size() - 44) / 2);
    EXPECT_EQ(movie.Count(kStartSound), 1u);
}

using DemoOptions = InFolder<>;

TEST_F(DemoOptions, HelpAndUnknownOptions) {
    RunResult help = RunTool(kDemo, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Has(help.out, "demo.swf"));
    EXPECT_TRUE(Has(help.out, "--quiet"));
    RunResult wrong = RunTool(kDemo, {"--colour"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(Has(wrong.err, "quillon-demo: unknown option --colour"));
}

TEST_F(DemoOptions, AMovieThatWouldOverwriteItsSoundIsRefused) {
    ASSERT_EQ(symlink("chime.wav", (dir + "/demo.swf").c_str()), 0);
    RunResult r = RunTool(kDemo, {"--quiet", dir});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "demo.swf is the same file as"));
    // The sound stays a sound, and no movie or page was written.
    EXPECT_EQ(ReadText(dir + "/chime.wav").substr(0, 4), "RIFF");
    std::vector<std::string> names = ListDir(dir);
    EXPECT_EQ(std::count(names.begin(), names.end(), "demo.html"), 0);
}

TEST_F(DemoOptions, AFolderThatCannotBeMadeFails) {
    RunResult r = RunTool(kDemo, {dir + "/no/such/folder"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "cannot create the folder"));
    EXPECT_TRUE(ListDir(dir).empty());
}

}  // namespace
