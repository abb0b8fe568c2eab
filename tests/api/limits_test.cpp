// Calls outside the host's limits: each does nothing (or clamps), never
// crashes, and leaves a movie that writes and reads back soundly. Run under
// AddressSanitizer to catch any out-of-bounds access or leak on the way.
#include <climits>
#include <functional>

#include "api/api_fixture.h"
extern "C" {
#include "quillon_api.h"  // the hosts' export list
}

namespace quillon::test {
namespace {

using Limits = ApiTest;

std::vector<uint8_t> gPixels = Pixels32(8, 8);
std::vector<unsigned char> gPalette(256 * 3, 7);

// Every export but CreateMovie, with ordinary arguments.
const std::vector<std::pair<const char *, std::function<void()>>> &AllOtherExports() {
    static const std::vector<std::pair<const char *, std::function<void()>>> calls = {
        {"DuplicateFrame", [] { DuplicateFrame(); }},
        {"NextSlide", [] { NextSlide(); }},
        {"CreateFrame", [] { CreateFrame(gPixels.data(), gPalette.data(), 2); }},
        {"StopFrame-1", [] { StopFrame(-1); }},
        {"StopFrame3", [] { StopFrame(3); }},
        {"InitButtonList", [] { InitButtonList(); }},
        {"AddPauseButton", [] { AddPauseButton(gPixels.data(), 1, 1, 2, 2); }},
        {"AddHyperLink", [] { AddHyperLink("u", "t", 0, 0, 4, 4); }},
        {"AddAutomaticHyperLink-1", [] { AddAutomaticHyperLink(-1, "u", "t"); }},
        {"AddAutomaticHyperLink2", [] { AddAutomaticHyperLink(2, "u", "t"); }},
        {"AddButton0", [] { AddButton(0, gPixels.data(), gPixels.data(), gPixels.data(), 0, 0, 2, 2); }},
        {"AddButton1", [] { AddButton(1, gPixels.data(), gPixels.data(), gPixels.data(), 0, 0, 2, 2); }},
        {"AddButton6", [] { AddButton(6, gPixels.data(), gPixels.data(), gPixels.data(), 0, 0, 2, 2); }},
        {"SetSpritesCount", [] { SetSpritesCount(2); }},
        {"AddSprite", [] { AddSprite(0, gPixels.data(), 2, 2); }},
        {"TranslateSprite", [] { TranslateSprite(0, 3, 3); }},
        {"ShowSprite", [] { ShowSprite(0); }},
        {"HideSprite", [] { HideSprite(0); }},
        {"SetInfoCount", [] { SetInfoCount(2); }},
        {"AddInfo", [] { AddInfo(0, 0, 0, 3, 3, gPixels.data(), gPalette.data(), 2); }},
        {"RemoveAndDestroyAllInfo", [] { RemoveAndDestroyAllInfo(); }},
        {"RemoveButtons", [] { RemoveButtons(); }},
        {"AddSound", [] { AddSound("/nonexistent.wav"); }},
        {"InitAnimatedList", [] { InitAnimatedList(); }},
        {"AddRubber", [] { AddRubber(0, 1, 1, 5, 5, 1, 0xFF); }},
        {"AddAtAttractor", [] { static const int32_t box[] = {1, 1, 5, 5}; AddAtAttractor(1, box, 0xFF, 0xFF00); }},
        {"AnimateList", [] { AnimateList(); }},
        {"DestroyAnimatedList", [] { DestroyAnimatedList(); }},
        {"WriteMovie", [] { WriteMovie("/nonexistent-dir/x.swf"); }},
        {"DestroyMovie", [] { DestroyMovie(); }},
    };
    return calls;
}

TEST_F(Limits, EveryExportWithoutAMovie) {
    // The table calls every export of the hosts' list but CreateMovie.
    for (const char *name : {
#define QUILLON_NAME(name, ret, args) #name,
             QUILLON_EXPORTS(QUILLON_NAME)
#undef QUILLON_NAME
         }) {
        bool listed = std::string(name) == "CreateMovie";
        for (const auto &call : AllOtherExports()) listed |= std::string(call.first).rfind(name, 0) == 0;
        EXPECT_TRUE(listed) << name << " is not in the table";
    }
    for (const auto &call : AllOtherExports()) {
        SCOPED_TRACE(call.first);
        call.second();
        EXPECT_EQ(Observed(), "no movie");
        EXPECT_EQ(SlidesRecorded(), 0);
    }
    // The sprite and info tables outlive movies; nothing else was kept.
    CreateMovie(8, 8, 1, 12);
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.tags.size(), 1u);
    EXPECT_EQ(Observed(), "frames 0, current -1, next []");
}

TEST_F(Limits, CurrentFrameExportsBeforeTheFirstFrame) {
    CreateMovie(8, 8, 2, 12);
    SetSpritesCount(1);
    AddSprite(0, gPixels.data(), 2, 2);
    SetInfoCount(1);
    StopFrame(-1);
    AddAutomaticHyperLink(-1, "u", "t");
    AddPauseButton(gPixels.data(), 0, 0, 2, 2);
    AddHyperLink("u", "t", 0, 0, 4, 4);
    RemoveButtons();
    ShowSprite(0);
    HideSprite(0);
    AddInfo(0, 0, 0, 3, 3, gPixels.data(), gPalette.data(), 2);
    RemoveAndDestroyAllInfo();
    NextSlide();
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.header.frameCount, 0);
    EXPECT_EQ(file.tags.size(), 1u);
    // The info table survived the refused removal and still works.
    DuplicateFrame();
    AddInfo(0, 0, 0, 3, 3, gPixels.data(), gPalette.data(), 2);
    EXPECT_EQ(Kinds(0), (std::vector<std::string>{"Bitmap", "Shape", "Place"}));
    WriteAndRead("second.swf");
    // The refused NextSlide recorded nothing: the two slides are frames 0
    // and 1.
    NextSlide();
    DuplicateFrame();
    NextSlide();
    EXPECT_EQ(Observed(), "frames 2, current 1, next [1 0]");
}

TEST_F(Limits, NextSlideBeyondTheTable) {
    CreateMovie(8, 8, 2, 12);
    for (int i = 0; i < 6; ++i) {
        DuplicateFrame();
        NextSlide();
    }
    EXPECT_EQ(Observed(), "frames 6, current 5, next [1 0]");
    BeginMovie(8, 8, -3);
    NextSlide();
    EXPECT_EQ(Observed(), "frames 1, current 0, next []");
}

TEST_F(Limits, FrameNumbersOutOfRange) {
    BeginMovie(8, 8);
    for (int32_t frame : {-2, -100, INT_MIN, 65535, 70000, INT_MAX}) {
        SCOPED_TRACE(frame);
        StopFrame(frame);
        AddAutomaticHyperLink(frame, "u", "t");
        EXPECT_EQ(M().FrameCount(), 1);
        EXPECT_TRUE(Kinds(0).empty());
    }
    WriteAndRead();
}

// The frame count of the header is 16 bits: the last frame is 65534.
// Frames past it are not begun: exports that act on the current frame go on
// adding to the last one.
TEST_F(Limits, TheLastFrame) {
    CreateMovie(8, 8, 0, 12);
    StopFrame(65534);
    EXPECT_EQ(M().FrameCount(), 65535);
    for (int32_t f = 0; f <= 65534; ++f) DuplicateFrame();
    DuplicateFrame();
    CreateFrame(gPixels.data(), gPalette.data(), 2);
    StopFrame(-1);
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.header.frameCount, 65535);
    EXPECT_EQ(file.FrameCodes(65534), (std::vector<uint16_t>{12, 12}));
    EXPECT_EQ(Observed(), "frames 0, current 65534, next []");
}

TEST_F(Limits, AHundredAndFirstButton) {
    BeginMovie(8, 8);
    for (int i = 0; i < 100; ++i) {
        if (i % 2) AddPauseButton(gPixels.data(), 0, 0, 2, 2);
        else AddHyperLink("u", "t", 0, 0, 4, 4);
    }
    size_t tags = TotalTags();
    AddPauseButton(gPixels.data(), 0, 0, 2, 2);
    AddHyperLink("u", "t", 0, 0, 4, 4);
    EXPECT_EQ(TotalTags(), tags);
    DuplicateFrame();
    RemoveButtons();
    EXPECT_EQ(Kinds(1).size(), 100u);
    AddPauseButton(gPixels.data(), 0, 0, 2, 2);  // room again
    EXPECT_EQ(Kinds(1).size(), 104u);
    // The table holds that one alone.
    DuplicateFrame();
    RemoveButtons();
    EXPECT_EQ(Kinds(2), std::vector<std::string>{"Remove"});
    WriteAndRead();
}

TEST_F(Limits, SlideButtonsBeforeEverySlideWasRecorded) {
    for (int32_t kind : {4, 5, 6}) {
        SCOPED_TRACE(kind);
        BeginMovie(8, 8, 3);
        NextSlide();
        DuplicateFrame();
        NextSlide();
        AddButton(kind, gPixels.data(), gPixels.data(), gPixels.data(), 0, 0, 2, 2);
        EXPECT_EQ(TotalTags(), 0u);
        BeginMovie(8, 8);
        AddButton(kind, gPixels.data(), gPixels.data(), gPixels.data(), 0, 0, 2, 2);
        EXPECT_EQ(TotalTags(), 0u);
        WriteAndRead();
    }
}

TEST_F(Limits, SpriteIndexesOutOfRangeOrEmpty) {
    BeginMovie(8, 8);
    ShowSprite(0);  // no table yet
    AddSprite(0, gPixels.data(), 2, 2);
    TranslateSprite(0, 1, 1);
    SetSpritesCount(2);
    for (int32_t index : {-1, 2, 1000, INT_MIN, INT_MAX}) {
        AddSprite(index, gPixels.data(), 2, 2);
        TranslateSprite(index, 1, 1);
        ShowSprite(index);
        HideSprite(index);
    }
    ShowSprite(1);  // an empty entry
    HideSprite(1);
    TranslateSprite(1, 4, 4);
    EXPECT_EQ(TotalTags(), 0u);
    SetSpritesCount(-5);  // a table without entries
    AddSprite(0, gPixels.data(), 2, 2);
    ShowSprite(0);
    EXPECT_EQ(TotalTags(), 0u);
    SetSpritesCount(INT_MAX);  // clamped to 65536 entries, not allocated without bound
    for (int32_t index : {65536, 65535}) {
        AddSprite(index, gPixels.data(), 2, 2);
        ShowSprite(index);
    }
    EXPECT_EQ(Kinds(0), (std::vector<std::string>{"Bitmap", "Shape", "Place"}));
    WriteAndRead();
}

TEST_F(Limits, HidingASpriteThatIsNotOnStage) {
    CreateMovie(8, 8, 0, 12);
    SetSpritesCount(1);
    AddSprite(0, gPixels.data(), 2, 2);
    DuplicateFrame();
    HideSprite(0);  // never shown
    EXPECT_TRUE(Kinds(0).empty());
    ShowSprite(0);
    HideSprite(0);
    HideSprite(0);  // already hidden
    EXPECT_EQ(Kinds(0), (std::vector<std::string>{"Bitmap", "Shape", "Place", "Remove"}));
    ShowSprite(0);
    ShowSprite(0);  // two placements, each on its own depth
    DuplicateFrame();
    HideSprite(0);
    HideSprite(0);  // only the most recent placement is closed
    EXPECT_EQ(Kinds(1), std::vector<std::string>{"Remove"});
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.placements.size(), 5u);
}

TEST_F(Limits, InfoIndexesOutOfRangeOrInverted) {
    BeginMovie(8, 8);
    AddInfo(0, 0, 0, 1, 1, gPixels.data(), gPalette.data(), 2);  // no table yet
    SetInfoCount(2);
    for (int32_t index : {-1, 2, INT_MAX, INT_MIN}) AddInfo(index, 0, 0, 1, 1, gPixels.data(), gPalette.data(), 2);
    AddInfo(0, 5, 0, 4, 1, gPixels.data(), gPalette.data(), 2);  // x2 < x1
    AddInfo(0, 0, 5, 1, 4, gPixels.data(), gPalette.data(), 2);  // y2 < y1
    AddInfo(0, INT_MIN, 0, INT_MAX, 0, gPixels.data(), gPalette.data(), 2);  // too wide for a bitmap
    EXPECT_EQ(TotalTags(), 0u);
    AddInfo(0, 0, 0, 1, 1, gPixels.data(), gPalette.data(), 2);
    EXPECT_EQ(Kinds(0).size(), 3u);
    SetInfoCount(-1);  // takes the overlay off; a table without entries
    EXPECT_EQ(Kinds(0).back(), "Remove");
    AddInfo(0, 0, 0, 1, 1, gPixels.data(), gPalette.data(), 2);
    EXPECT_EQ(Kinds(0).size(), 4u);
    WriteAndRead();
}

TEST_F(Limits, ZeroAndNegativeSizes) {
    struct Row {
        const char *name;
        std::function<void()> calls;
    } rows[] = {
        {"EmptyStage", [] { CreateMovie(0, 0, 0, 12); CreateFrame(nullptr, nullptr, 0); }},
        {"NegativeStage", [] { CreateMovie(-5, -7, 0, 12); CreateFrame(nullptr, nullptr, 2); }},
        {"StageTooWideForABitmap", [] { CreateMovie(70000, 1, 0, 12); CreateFrame(nullptr, nullptr, 2); }},
        {"HugeStage", [] { CreateMovie(INT_MAX, INT_MAX, 0, 12); DuplicateFrame(); }},
        {"Buttons", [] {
             BeginMovie(8, 8, 1);
             NextSlide();
             for (auto size : {std::pair{0, 2}, std::pair{2, 0}, std::pair{-1, 2}, std::pair{2, -1},
                               std::pair{70000, 1}, std::pair{INT_MAX, INT_MAX}}) {
                 AddPauseButton(gPixels.data(), 0, 0, size.first, size.second);
                 for (int32_t kind = 0; kind <= 6; ++kind)
                     AddButton(kind, gPixels.data(), gPixels.data(), gPixels.data(), 0, 0, size.first, size.second);
             }
             AddPauseButton(gPixels.data(), INT_MAX, INT_MIN, 2, 2);
             AddButton(1, gPixels.data(), gPixels.data(), gPixels.data(), INT_MIN, INT_MAX, 2, 2);
         }},
        {"Sprites", [] {
             BeginMovie(8, 8);
             SetSpritesCount(1);
             for (auto size : {std::pair{0, 2}, std::pair{2, 0}, std::pair{-3, -3}, std::pair{65536, 1}}) {
                 AddSprite(0, gPixels.data(), size.first, size.second);
                 ShowSprite(0);
             }
         }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        row.calls();
        ASSERT_TRUE(S().currentMovie);
        for (int32_t f = 0; f < M().FrameCount(); ++f) EXPECT_TRUE(Kinds(f).empty()) << "frame " << f;
        WriteReadAndDestroy(row.name);
    }
}

// Items made for one movie and used after it was written or destroyed:
// nothing they refer to exists any more.
TEST_F(Limits, ItemsThatOutliveTheirMovie) {
    CreateMovie(8, 8, 0, 12);
    SetSpritesCount(2);
    AddSprite(0, gPixels.data(), 2, 2);
    AddSprite(1, gPixels.data(), 2, 2);
    SetInfoCount(1);
    DuplicateFrame();
    ShowSprite(0);
    AddPauseButton(gPixels.data(), 0, 0, 2, 2);
    AddInfo(0, 0, 0, 1, 1, gPixels.data(), gPalette.data(), 2);
    WriteAndRead("first.swf");

    // The emptied movie is filled again: both sprites define themselves in
    // it under fresh ids (the shown one from the picture it kept), and the
    // old buttons and overlays are no longer on this movie's stage.
    DuplicateFrame();
    ShowSprite(0);
    HideSprite(0);
    ShowSprite(1);
    RemoveButtons();
    RemoveAndDestroyAllInfo();
    ASSERT_EQ(M().FrameCount(), 2);  // the frame number goes on after a write
    EXPECT_TRUE(Kinds(0).empty());
    EXPECT_EQ(Kinds(1), (std::vector<std::string>{"Bitmap", "Shape", "Place", "Remove", "Bitmap",
                                                  "Shape", "Place"}));
    SwfMovie second = WriteAndRead("second.swf");
    EXPECT_EQ(second.FrameCodes(1), (std::vector<uint16_t>{36, 32, 26, 5, 36, 32, 26}));
    EXPECT_EQ(second.definitions.begin()->first, 1);

    // Across DestroyMovie and CreateMovie as well.
    DuplicateFrame();
    ShowSprite(1);
    DestroyMovie();
    BeginMovie(8, 8);
    ShowSprite(1);
    HideSprite(1);
    EXPECT_EQ(Kinds(0), (std::vector<std::string>{"Bitmap", "Shape", "Place", "Remove"}));
    WriteAndRead("third.swf");
}

TEST_F(Limits, NullBuffers) {
    CreateMovie(4, 4, 1, 12);
    CreateFrame(nullptr, nullptr, 2);
    NextSlide();
    AddPauseButton(nullptr, 0, 0, 2, 2);
    AddButton(6, nullptr, nullptr, nullptr, 0, 0, 2, 2);
    SetSpritesCount(1);
    AddSprite(0, nullptr, 2, 2);
    ShowSprite(0);
    SetInfoCount(1);
    AddInfo(0, 0, 0, 1, 1, nullptr, nullptr, 2);
    AddHyperLink(nullptr, nullptr, 0, 0, 1, 1);
    AddAutomaticHyperLink(-1, nullptr, nullptr);
    EXPECT_GT(Kinds(0).size(), 10u);
    WriteAndRead();
}

// Edge records hold at most 17-bit deltas (a 4-bit NumBits field plus 2):
// outlines of larger pictures and areas still read back exactly.
TEST_F(Limits, OutlinesLongerThanAnEdgeRecordHolds) {
    struct Row {
        const char *name;
        int32_t width, height;
    } rows[] = {{"Wide", 4000, 2}, {"Tall", 3, 3300}, {"Both", 6600, 3277}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        CreateMovie(row.width, row.height, 0, 12);
        std::vector<uint8_t> pixels = Pixels8(row.width, row.height);
        CreateFrame(pixels.data(), Palette2(), 2);
        AddHyperLink("u", "t", 0, 0, row.width * 2, row.height * 2);
        WriteReadAndDestroy(row.name);
    }
}

// Corners given the wrong way round are kept as given: the area's bounds
// come out inverted, and the file still reads back.
TEST_F(Limits, HyperLinkWithInvertedCorners) {
    BeginMovie(200, 100);
    AddHyperLink("u", "t", 110, 60, 10, 20);
    auto *area = TagAt<ShapeTag>(0, 0);
    ASSERT_NE(area, nullptr);
    // RECT of Xmin 2200, Xmax 200, Ymin 1200, Ymax 400.
    EXPECT_EQ(ToHex(AsWritten(*area).body).substr(6, 23), "6A 26 01 90 4B 00 C8 00");
    WriteAndRead();
}

// An ellipse rubber so large that its curves' deltas need more than an edge
// record's 17 bits: the curves are cut into pieces that fit, and the outline
// still reads back whole (within its bounds and closed).
TEST_F(Limits, EllipseLargerThanAnEdgeRecordHolds) {
    struct Row {
        const char *name;
        int32_t x1, y1, x2, y2;
    } rows[] = {{"Wide", 0, 0, 40000, 100}, {"Tall", -5, 0, 5, 90000}, {"Huge", -900000, -700000, 900000, 700000}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        BeginMovie(100, 100);
        InitAnimatedList();
        AddRubber(0, row.x1, row.y1, row.x2, row.y2, 3, 0xFF);
        AnimateList();
        WriteReadAndDestroy(std::string("ellipse-") + row.name);
    }
}

// Once every character id of the file is given out, exports that need a new
// character add nothing, while characters already defined are still placed
// and removed, and an outline whose animation repeats goes on with the
// characters it already defined.
TEST_F(Limits, WhenTheCharacterIdsRunOut) {
    CreateMovie(8, 8, 1, 12);
    CreateFrame(gPixels.data(), gPalette.data(), 2);
    NextSlide();
    SetSpritesCount(2);
    AddSprite(0, gPixels.data(), 2, 2);
    ShowSprite(0);
    InitAnimatedList();
    AddRubber(1, 0, 0, 40, 40, 1, 0xFF);
    for (int i = 0; i < 30; ++i) {
        DuplicateFrame();
        AnimateList();
    }
    while (State().context.CharacterIdsLeft() > 0) State().context.NextCharacterId();
    DuplicateFrame();
    CreateFrame(gPixels.data(), gPalette.data(), 2);
    AddPauseButton(gPixels.data(), 1, 1, 2, 2);
    AddHyperLink("u", "t", 0, 0, 4, 4);
    AddButton(0, gPixels.data(), gPixels.data(), gPixels.data(), 0, 0, 2, 2);
    AddButton(1, gPixels.data(), gPixels.data(), gPixels.data(), 0, 0, 2, 2);
    AddSprite(1, gPixels.data(), 2, 2);
    ShowSprite(1);
    SetInfoCount(1);
    AddInfo(0, 0, 0, 3, 3, gPixels.data(), gPalette.data(), 2);
    AddSound("/nonexistent.wav");
    AddRubber(0, 1, 1, 5, 5, 1, 0xFF);
    const int32_t box[4] = {0, 0, 3, 3};
    AddAtAttractor(1, box, 0xFF, 0xFF00);
    HideSprite(0);
    ShowSprite(0);
    // From frame 32 on, nothing is defined: only placements, removals and
    // actions.
    for (int32_t f = 32; f < M().FrameCount(); ++f)
        for (const std::string &kind : Kinds(f))
            EXPECT_TRUE(kind == "Place" || kind == "Remove" || kind == "DoAction") << "frame " << f << ": " << kind;
    EXPECT_EQ(Kinds(32), (std::vector<std::string>{"Remove", "Place"}));  // sprite 0 again
    for (int i = 0; i < 30; ++i) {
        DuplicateFrame();
        AnimateList();
        EXPECT_EQ(Kinds(M().FrameCount() - 1), (std::vector<std::string>{"Remove", "Place"})) << i;
    }
    WriteAndRead();
}

// Long movies, read back with every display-list check, stacking included.
// The pictures are tiny: what is long is the number of frames and tags.

// 33 000 slides need 66 000 ids: the slides that find none left show
// nothing new, and the movie stays sound.
TEST_F(Limits, A33000SlideDeck) {
    static const unsigned char pixel[1] = {0};
    CreateMovie(1, 1, 33000, 12);
    for (int i = 0; i < 33000; ++i) {
        CreateFrame(pixel, gPalette.data(), 1);
        NextSlide();
    }
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.header.frameCount, 33000);
    EXPECT_EQ(file.definitions.size(), 65534u);  // 32 767 slides of two ids
    EXPECT_EQ(file.FrameCodes(32766), (std::vector<uint16_t>{20, 32, 26}));
    EXPECT_TRUE(file.FrameCodes(32767).empty());
}

// 40 000 frames with two sprites moved in every frame: 80 000 placements,
// more than there are depths.
TEST_F(Limits, TwoSpritesMovedIn40000Frames) {
    CreateMovie(4, 4, 1, 12);
    CreateFrame(gPixels.data(), gPalette.data(), 1);
    NextSlide();
    SetSpritesCount(2);
    AddSprite(0, gPixels.data(), 1, 1);
    AddSprite(1, gPixels.data(), 1, 1);
    for (int f = 0; f < 40000; ++f) {
        if (f > 0) DuplicateFrame();
        for (int32_t i = 0; i < 2; ++i) {
            HideSprite(i);
            TranslateSprite(i, f % 3, i);
            ShowSprite(i);
        }
    }
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.placements.size(), 1u + 80000 + 79998);
    uint16_t deepest = 0;
    for (const SwfPlacement &p : file.placements) deepest = std::max(deepest, p.depth);
    EXPECT_EQ(deepest, 2);  // the slide, then one depth for each sprite
}

// Two outlines animated over 60 000 frames: a new character for each step
// until the ids run out, then the characters of the steps already drawn.
TEST_F(Limits, TwoOutlinesAnimatedOver60000Frames) {
    CreateMovie(100, 100, 1, 12);
    CreateFrame(nullptr, gPalette.data(), 1);
    NextSlide();
    InitAnimatedList();
    AddRubber(1, 10, 10, 60, 50, 2, 0xFF);
    AddRubber(0, 20, 30, 90, 95, 3, 0xFF00);
    for (int f = 1; f < 60000; ++f) {
        DuplicateFrame();
        AnimateList();
    }
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.header.frameCount, 60000);
    EXPECT_EQ(file.FrameCodes(59999), (std::vector<uint16_t>{5, 26, 5, 26}));
    EXPECT_EQ(file.definitions.rbegin()->first, 65535);
}

}  // namespace
}  // namespace quillon::test
