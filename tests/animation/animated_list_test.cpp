// Animated lists: the rubber cycle, attractor steps, tag order and the
// limits the host can break.
#include <vector>

#include <gtest/gtest.h>

#include "animation/animated_list.h"
#include "api/library_state.h"
#include "movie/placement.h"
#include "quillon.h"
#include "support/bytes.h"

namespace quillon {
namespace {

using test::TagHex, test::TagKinds;

// Three 10 x 10 boxes in a row, 10 pixels apart.
const int32_t kThreeBoxes[] = {0, 0, 9, 9, 20, 0, 29, 9, 40, 0, 49, 9};

class AnimatedListTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateMovie(320, 240, 1, 12);
        DuplicateFrame();
        InitAnimatedList();
    }
    void TearDown() override { DestroyMovie(); }
    Frame &Current() { return *State().CurrentFrame(); }
    void NextFrame() { DuplicateFrame(); }
    // The current frame's placements, in order.
    std::vector<PlaceObject2Tag *> Placements() {
        std::vector<PlaceObject2Tag *> out;
        for (const auto &tag : Current().Tags())
            if (auto *p = dynamic_cast<PlaceObject2Tag *>(tag.get())) out.push_back(p);
        return out;
    }
};

TEST_F(AnimatedListTest, RectangleRubberStepsScalesAndWidths) {
    AddRubber(1, 10, 10, 30, 20, 1, 0x0000FF);
    auto &rubber = static_cast<RubberItem &>(State().animatedList->At(0));
    // Kind 1 outlines a rectangle over the corners, in twips.
    const auto *outline = dynamic_cast<const RectItem *>(&rubber.Shape());
    ASSERT_NE(outline, nullptr);
    const Rect &bounds = outline->Bounds();
    EXPECT_EQ((std::vector<int32_t>{bounds.xMin.value(), bounds.yMin.value(), bounds.xMax.value(), bounds.yMax.value()}),
              (std::vector<int32_t>{200, 200, 600, 400}));

    struct Expect {
        int32_t step, scaleX, scaleY, translateX, translateY, lineWidth;
    };
    // Inset 3 px fits once, then the cycle reverses, rests at 0, repeats.
    const Expect rows[] = {
        {1, 45875, 26214, 120, 180, 28}, {0, 65535, 65535, 0, 0, 20},
        {0, 65535, 65535, 0, 0, 20},     {1, 45875, 26214, 120, 180, 28},
        {0, 65535, 65535, 0, 0, 20},     {0, 65535, 65535, 0, 0, 20},
    };
    for (const auto &row : rows) {
        NextFrame();
        AnimateList();
        const ShapeItem &shape = rubber.Shape();
        EXPECT_EQ((std::vector<int32_t>{rubber.CurrentStep(), shape.ScaleX(), shape.ScaleY(), shape.TranslateX().value(),
                                        shape.TranslateY().value(), shape.LineWidth().value()}),
                  (std::vector<int32_t>{row.step, row.scaleX, row.scaleY, row.translateX, row.translateY,
                                        row.lineWidth}));
        // Each step: RemoveObject of the old character, a new DefineShape3,
        // its placement with the matrix.
        EXPECT_EQ(TagKinds(Current()), "RDP");
    }
}

TEST_F(AnimatedListTest, RubberPlacementCarriesItsMatrix) {
    AddRubber(1, 10, 10, 30, 20, 1, 0);
    NextFrame();
    AnimateList();
    auto *place = dynamic_cast<PlaceObject2Tag *>(Current().Tags()[2].get());
    ASSERT_NE(place, nullptr);
    std::string placed = TagHex(*place);
    // Header (2), flags 06 (has matrix, has character), depth (2), id (2),
    // then the matrix.
    EXPECT_EQ(placed.substr(3 * 2, 2), "06");
    EXPECT_EQ(placed.substr(3 * 7), test::WrittenHex(Matrix::ScaleRotateTranslate(45875, 26214, 0, 0, 120_tw, 180_tw)));
}

TEST_F(AnimatedListTest, FortyPixelBoxReachesSixAndReverses) {
    AddRubber(0, 0, 0, 40, 40, 2, 0xFF);
    std::vector<int32_t> steps;
    for (int i = 0; i < 16; ++i) {
        AnimateList();
        steps.push_back(State().animatedList->At(0).CurrentStep());
    }
    EXPECT_EQ(steps, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 5, 4, 3, 2, 1, 0, 0, 1, 2, 3}));
}

TEST_F(AnimatedListTest, BoxTooSmallForAnInsetStaysAtRest) {
    AddRubber(1, 0, 0, 5, 5, 1, 0);
    for (int i = 0; i < 4; ++i) {
        AnimateList();
        EXPECT_EQ(State().animatedList->At(0).CurrentStep(), 0);
    }
}

TEST_F(AnimatedListTest, RubberIsDefinedAndPlacedAtOnce) {
    AddRubber(0, 0, 0, 10, 5, 1, 0x00FF00);
    ASSERT_EQ(TagKinds(Current()), "DP");
    EXPECT_EQ(Placements()[0]->Depth(), 150);
    // The ellipse outline: no fill, a 20-twip green line.
    std::string shape = TagHex(*Current().Tags()[0]);
    EXPECT_NE(shape.find("00 01 14 00 00 FF 00 FF"), std::string::npos) << shape;
}

TEST_F(AnimatedListTest, AttractorDefinesBoxesThenHighlights) {
    AddAtAttractor(3, kThreeBoxes, 0x0000FF, 0x00FFFF);
    EXPECT_EQ(TagKinds(Current()), "DPDPDPDPDPDP");
    std::vector<uint16_t> keys;
    for (PlaceObject2Tag *p : Placements()) keys.push_back(p->Depth());
    EXPECT_EQ(keys, (std::vector<uint16_t>{152, 151, 152, 151, 152, 151}));
}

TEST_F(AnimatedListTest, AttractorHighlightMovesBoxByBox) {
    AddAtAttractor(3, kThreeBoxes, 0x0000FF, 0x00FFFF);
    std::vector<int32_t> highlightIds;
    for (PlaceObject2Tag *p : Placements())
        if (p->Depth() == 151) highlightIds.push_back(p->PlacedCharacterId());
    ASSERT_EQ(highlightIds.size(), 3u);
    // Steps bring highlight 1, 2, then 0 to the front, re-placing the one
    // before behind its box; nothing is redefined.
    const int fronts[] = {1, 2, 0, 1};
    int previous = 0;
    for (int front : fronts) {
        NextFrame();
        AnimateList();
        ASSERT_EQ(TagKinds(Current()), "RPRP");
        PlaceObject2Tag *back = Placements()[0], *ahead = Placements()[1];
        EXPECT_EQ(back->PlacedCharacterId(), highlightIds[previous]);
        EXPECT_EQ(back->Depth(), 151);
        EXPECT_EQ(ahead->PlacedCharacterId(), highlightIds[front]);
        EXPECT_EQ(ahead->Depth(), 153);
        previous = front;
    }
}

TEST_F(AnimatedListTest, MostRecentItemStepsFirst) {
    AddRubber(1, 0, 0, 40, 40, 1, 0);
    const int32_t rect[] = {0, 0, 9, 9};
    AddAtAttractor(1, rect, 0, 0xFFFFFF);
    NextFrame();
    AnimateList();
    // The attractor (added last) steps first: R P R P, then the rubber R D P.
    EXPECT_EQ(TagKinds(Current()), "RPRPRDP");
}

TEST_F(AnimatedListTest, DestroyTakesEverythingOffMostRecentFirst) {
    AddRubber(1, 0, 0, 40, 40, 1, 0);
    const int32_t rects[] = {0, 0, 9, 9, 20, 0, 29, 9};
    AddAtAttractor(2, rects, 0, 0xFFFFFF);
    NextFrame();
    DestroyAnimatedList();
    EXPECT_EQ(State().animatedList, nullptr);
    // Two boxes and two highlights, then the rubber outline.
    EXPECT_EQ(TagKinds(Current()), "RRRRR");
    NextFrame();
    DestroyAnimatedList();  // no list: nothing
    EXPECT_EQ(TagKinds(Current()), "");
}

TEST_F(AnimatedListTest, InitTwiceLeavesOneEmptyList) {
    AddRubber(1, 0, 0, 40, 40, 1, 0);
    NextFrame();
    InitAnimatedList();
    ASSERT_NE(State().animatedList, nullptr);
    EXPECT_EQ(State().animatedList->Size(), 0u);
    EXPECT_EQ(TagKinds(Current()), "R");
}

TEST_F(AnimatedListTest, OutOfLimitCallsAddNothing) {
    const int32_t rects[11 * 4] = {};
    DestroyAnimatedList();
    AddRubber(1, 0, 0, 40, 40, 1, 0);  // no list
    AnimateList();
    EXPECT_EQ(TagKinds(Current()), "");
    InitAnimatedList();
    AddRubber(2, 0, 0, 40, 40, 1, 0);    // unknown kind
    AddRubber(-1, 0, 0, 40, 40, 1, 0);
    AddRubber(0, 5, 0, 5, 40, 1, 0);     // x1 == x2
    AddRubber(1, 0, 7, 40, 7, 1, 0);     // y1 == y2
    AddAtAttractor(0, rects, 0, 0);      // would divide by zero
    AddAtAttractor(11, rects, 0, 0);     // more boxes than the item holds
    AddAtAttractor(-3, rects, 0, 0);
    AddAtAttractor(2, nullptr, 0, 0);
    AnimateList();
    EXPECT_EQ(State().animatedList->Size(), 0u);
    EXPECT_EQ(TagKinds(Current()), "");
}

TEST(AnimatedListLimits, NothingWithoutAMovieOrBeforeTheFirstFrame) {
    InitAnimatedList();  // no movie
    EXPECT_EQ(State().animatedList, nullptr);
    CreateMovie(100, 100, 0, 12);
    InitAnimatedList();
    ASSERT_NE(State().animatedList, nullptr);
    const int32_t rect[] = {0, 0, 9, 9};
    AddRubber(1, 0, 0, 40, 40, 1, 0);  // currentFrame is -1
    AddAtAttractor(1, rect, 0, 0);
    AnimateList();
    EXPECT_EQ(State().animatedList->Size(), 0u);
    EXPECT_EQ(State().currentMovie->FrameCount(), 0);
    DestroyMovie();
    EXPECT_EQ(State().animatedList, nullptr);
}

TEST(AnimatedListLimits, DestroyMovieReleasesTheListAndTheMovieStillWrites) {
    CreateMovie(100, 100, 0, 12);
    DuplicateFrame();
    InitAnimatedList();
    AddRubber(0, 10, 10, 60, 60, 2, 0xFF0000);
    for (int i = 0; i < 5; ++i) {
        DuplicateFrame();
        AnimateList();
    }
    std::string dir = test::TempDir();
    WriteMovie((dir + "/rubber.swf").c_str());
    std::vector<uint8_t> file = test::ReadFileBytes(dir + "/rubber.swf");
    ASSERT_GE(file.size(), 21u);
    uint32_t length = file[4] | file[5] << 8 | file[6] << 16 | static_cast<uint32_t>(file[7]) << 24;
    EXPECT_EQ(length, file.size());
    DestroyMovie();
    EXPECT_EQ(State().animatedList, nullptr);
}

}  // namespace
}  // namespace quillon
