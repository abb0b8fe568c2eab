// The movie lifecycle exports and the slide picture and stop exports, called
// in-process and checked on the frames' tags and on the written file.
#include <filesystem>
#include <tuple>

#include "api/api_fixture.h"

namespace quillon::test {
namespace {

using Lifecycle = ApiTest;

TEST_F(Lifecycle, CreateMovieSetsStageRateAndSlideTable) {
    CreateMovie(640, 480, 3, 12);
    EXPECT_EQ(Observed(), "frames 0, current -1, next []");
    // A slide picture covers the stage; the three slides recorded, "next"
    // goes from each to the one after it, from the last to frame 0.
    for (int i = 0; i < 3; ++i) {
        CreateFrame(Pixels8(640, 480).data(), Palette2(), 2);
        NextSlide();
    }
    SwfMovie file = WriteAndRead("slides.swf");
    EXPECT_EQ(std::make_tuple(file.header.xMax, file.header.yMax, file.header.frameRate),
              std::make_tuple(12800, 9600, 12));
    EXPECT_EQ(file.shapeBounds.begin()->second, (std::vector<int32_t>{0, 12800, 0, 9600}));
    EXPECT_EQ(Observed(), "frames 0, current 2, next [1 2 0]");
}

TEST_F(Lifecycle, NoSlidesStillHasTheTrailingEntry) {
    // Without slides the buttons that read the slide table add nothing, and
    // the others go on.
    CreateMovie(640, 480, 0, 12);
    DuplicateFrame();
    std::vector<uint8_t> face = Pixels32(1, 1);
    for (int32_t kind : {QUILLON_BUTTON_LAST, QUILLON_BUTTON_PREVIOUS, QUILLON_BUTTON_NEXT, QUILLON_BUTTON_FIRST})
        AddButton(kind, face.data(), face.data(), face.data(), 0, 0, 1, 1);
    EXPECT_EQ(Kinds(0), (std::vector<std::string>{"Bitmap", "Shape", "Bitmap", "Shape", "Bitmap", "Shape", "Button",
                                                  "Place"}));
    EXPECT_EQ(Observed(), "frames 1, current 0, next []");
}

TEST_F(Lifecycle, ExactMoviesThroughTheExports) {
    struct Row {
        const char *name;
        int duplicates;
        const char *bytes;
    } rows[] = {
        {"NoFrame", 0, "46 57 53 04 17 00 00 00 78 00 05 5F 00 00 0F A0 00 00 0C 00 00 00 00"},
        {"OneFrame", 1, "46 57 53 04 19 00 00 00 78 00 05 5F 00 00 0F A0 00 00 0C 01 00 40 00 00 00"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CreateMovie(550, 400, 0, 12);
        for (int i = 0; i < row.duplicates; ++i) DuplicateFrame();
        WriteMovie(Path(row.name).c_str());
        EXPECT_EQ(ToHex(ReadFileBytes(Path(row.name))), ToHex(Hex(row.bytes)));
        DestroyMovie();
    }
}

TEST_F(Lifecycle, DuplicateFrameAddsEmptyFrames) {
    BeginMovie(320, 240);
    DuplicateFrame();
    EXPECT_TRUE(Tags(0).empty());
    EXPECT_TRUE(Tags(1).empty());
    EXPECT_EQ(Observed(), "frames 2, current 1, next []");
}

TEST_F(Lifecycle, NextSlideRecordsTheCurrentFrame) {
    struct Row {
        const char *name;
        const char *calls;  // D DuplicateFrame, C CreateFrame, N NextSlide
        const char *observed;
    } rows[] = {
        {"Duplicates", "DNDDDN", "frames 4, current 3, next [3 0]"},
        {"Pictures", "CNDDCN", "frames 4, current 3, next [3 0]"},
        {"SameFrameTwice", "CNN", "frames 1, current 0, next [0 0]"},
    };
    std::vector<uint8_t> pixels = Pixels8(4, 2);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CreateMovie(4, 2, 2, 12);
        for (const char *c = row.calls; *c; ++c) {
            if (*c == 'D') DuplicateFrame();
            if (*c == 'C') CreateFrame(pixels.data(), Palette2(), 2);
            if (*c == 'N') NextSlide();
        }
        EXPECT_EQ(Observed(), row.observed);
        DestroyMovie();
    }
}

TEST_F(Lifecycle, WriteMovieEmptiesTheMovieAndKeepsTheState) {
    CreateMovie(320, 240, 2, 10);
    DuplicateFrame();
    NextSlide();
    DuplicateFrame();
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.header.frameCount, 2);
    EXPECT_EQ(StateLine(), "frames 0, current 1, slides [0 0 0], recorded 1, button -1");
    EXPECT_EQ(std::make_tuple(M().Width().value(), M().FrameRate()), std::make_tuple(6400, 10));
    EXPECT_EQ(State().context.NextCharacterId(), 1);
}

TEST_F(Lifecycle, WriteMovieToAMissingDirectory) {
    CreateMovie(320, 240, 0, 12);
    CreateFrame(Pixels8(320, 240).data(), Palette2(), 2);  // ids 1 (bitmap) and 2 (shape)
    std::string missing = dir_ + "/missing/movie.swf";
    WriteMovie(missing.c_str());
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
    EXPECT_EQ(M().SlotCount(), 0u);
    EXPECT_EQ(State().context.NextCharacterId(), 3);  // the counter was not reset
    WriteMovie(nullptr);
    WriteMovie("");
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
    EXPECT_EQ(Observed(), "frames 0, current 0, next []");
}

TEST_F(Lifecycle, DestroyMovie) {
    DestroyMovie();  // no movie: nothing happens
    EXPECT_EQ(Observed(), "no movie");
    BeginMovie(320, 240, 3);
    NextSlide();
    DestroyMovie();
    // The slides recorded are left as they were.
    EXPECT_EQ(Observed(), "no movie");
    EXPECT_EQ(SlidesRecorded(), 1);
    DestroyMovie();
    EXPECT_EQ(Observed(), "no movie");
    EXPECT_EQ(SlidesRecorded(), 1);
    // A new movie begins with frame 0 and a slide table of its own.
    BeginMovie(320, 240, 1);
    NextSlide();
    EXPECT_EQ(Observed(), "frames 1, current 0, next [0]");
}

TEST_F(Lifecycle, CreateMovieReplacesAnOpenMovie) {
    CreateMovie(320, 240, 3, 12);
    CreateFrame(Pixels8(320, 240).data(), Palette2(), 2);
    NextSlide();
    CreateMovie(100, 50, 1, 24);
    EXPECT_EQ(Observed(), "frames 0, current -1, next []");
    CreateFrame(Pixels8(100, 50).data(), Palette2(), 2);
    NextSlide();
    EXPECT_EQ(Kinds(0), (std::vector<std::string>{"Bitmap", "Shape", "Place"}));
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.header.frameCount, 1);
    EXPECT_EQ(Observed(), "frames 0, current 0, next [0]");
    EXPECT_EQ(file.header.xMax, 2000);
    EXPECT_EQ(file.header.frameRate, 24);
    EXPECT_EQ(file.FrameCodes(0), (std::vector<uint16_t>{20, 32, 26}));
}

TEST_F(Lifecycle, LargeStageHeader) {
    CreateMovie(1024, 768, 0, 12);
    CreateFrame(Pixels8(1024, 768).data(), Palette2(), 2);
    SwfMovie file = WriteAndRead();
    // The stage, the header's size and the RECT's field width.
    EXPECT_EQ(std::make_tuple(file.header.xMax, file.header.yMax, file.header.size, file.header.rectBits),
              std::make_tuple(20480, 15360, 21u, 16u));
}

using Slides = ApiTest;

TEST_F(Slides, FirstPictureFillsFrameZero) {
    CreateMovie(10, 2, 1, 12);
    const unsigned char pixels[20] = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
    CreateFrame(pixels, Palette2(), 2);
    DuplicateFrame();
    EXPECT_EQ(M().FrameCount(), 2);
    EXPECT_EQ(Kinds(0), (std::vector<std::string>{"Bitmap", "Shape", "Place"}));
    EXPECT_TRUE(Tags(1).empty());
    auto *bitmap = TagAt<LosslessBitmap>(0, 0);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(std::make_tuple(bitmap->Format(), bitmap->Width(), bitmap->Height()), std::make_tuple(3, 10, 2));
    // A whole-stage picture placed at key 1 without a matrix.
    EXPECT_EQ(TagHex(*Tags(0)[2]), "85 06 02 01 00 02 00");

    SwfMovie file = WriteAndRead();
    ASSERT_EQ(file.FrameCodes(0), (std::vector<uint16_t>{20, 32, 26}));
    std::vector<uint8_t> data;
    ASSERT_TRUE(InflateBitmap(*file.FrameTags(0)[0], data));
    EXPECT_EQ(ToHex(data), "FF 00 00 00 00 FF 00 01 00 01 00 01 00 01 00 01 00 00 01 01 01 01 01 00 00 00 00 00 00 00");
    // Placement at the first depth, no matrix.
    ASSERT_EQ(file.placements.size(), 1u);
    EXPECT_EQ(file.placements[0].depth, 0);
    EXPECT_FALSE(file.placements[0].hasMatrix);
}

TEST_F(Slides, LaterSlidesAreDrawnInFront) {
    CreateMovie(8, 8, 3, 12);
    for (int i = 0; i < 3; ++i) {
        CreateFrame(Pixels8(8, 8).data(), Palette2(), 2);
        StopFrame(-1);
        NextSlide();
    }
    SwfMovie file = WriteAndRead();
    ASSERT_EQ(file.placements.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(file.placements[i].frame, static_cast<int32_t>(i));
        EXPECT_EQ(file.placements[i].depth, i);
        EXPECT_EQ(file.FrameCodes(static_cast<int32_t>(i)), (std::vector<uint16_t>{20, 32, 26, 12}));
    }
}

TEST_F(Slides, StopFrame) {
    struct Row {
        const char *name;
        int32_t frame;
        int32_t frameCount;  // after the call, on a movie of 3 frames
        int32_t stopped;
    } rows[] = {{"Current", -1, 3, 2}, {"First", 0, 3, 0}, {"BeyondTheEnd", 10, 11, 10}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CreateMovie(320, 240, 0, 12);
        for (int i = 0; i < 3; ++i) DuplicateFrame();
        StopFrame(row.frame);
        EXPECT_EQ(M().FrameCount(), row.frameCount);
        for (int32_t f = 0; f < row.frameCount; ++f)
            EXPECT_EQ(Kinds(f).size(), f == row.stopped ? 1u : 0u) << "frame " << f;
        ASSERT_EQ(Kinds(row.stopped), std::vector<std::string>{"DoAction"});
        EXPECT_EQ(TagHex(*Tags(row.stopped)[0]), "02 03 07 00");
        WriteReadAndDestroy(row.name);
    }
}

TEST_F(Slides, TwoStopsInOneFrame) {
    BeginMovie(320, 240);
    StopFrame(-1);
    StopFrame(0);
    EXPECT_EQ(Kinds(0), (std::vector<std::string>{"DoAction", "DoAction"}));
}

TEST_F(Slides, ColourCountOutsideItsRange) {
    struct Row {
        const char *name;
        int32_t colourCount;
        size_t paletteBytes;
    } rows[] = {{"Negative", -4, 768}, {"Zero", 0, 768}, {"One", 1, 3}, {"Max", 256, 768}, {"TooMany", 1000, 768}};
    std::vector<unsigned char> palette(1000 * 3, 0x55);
    std::vector<uint8_t> pixels = Pixels8(4, 1);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CreateMovie(4, 1, 0, 12);
        CreateFrame(pixels.data(), palette.data(), row.colourCount);
        auto *bitmap = TagAt<LosslessBitmap>(0, 0);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->UncompressedSize(), row.paletteBytes + 4);
        // Byte 9: the colour table size, after the short header, id, format, width and height.
        EXPECT_EQ(Hex(TagHex(*bitmap))[9], row.colourCount >= 1 && row.colourCount <= 256 ? row.colourCount - 1 : 0xFF);
        DestroyMovie();
    }
}

}  // namespace
}  // namespace quillon::test
