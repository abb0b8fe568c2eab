// Shape items: the DefineShape3 bytes of image shapes, rectangles and
// ellipses, styles and edge records, placement matrices, and the
// define-then-place protocol of display items.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "characters/shape_tag.h"
#include "characters/shapes.h"
#include "movie/movie.h"
#include "support/bytes.h"

namespace quillon {
namespace {

using test::Hex, test::NextIdWillBe, test::TagHex, test::TagKinds, test::ToHex;

struct ShapeCase {
    const char *name;
    uint16_t firstId;
    std::function<std::unique_ptr<ShapeItem>()> make;
    size_t shapeTagIndex;  // DefineShape3 among the frame's tags
    const char *bytes;
};

TEST(ShapeTags, ExactBytes) {
    static const uint8_t pixels[4 * 2 * 4] = {};
    const ShapeCase rows[] = {
        {"ImageShape80x40", 1,
         [] {
             return std::make_unique<ImageShape>(test::Ids(), 0_tw, 0_tw, 80_tw, 40_tw, BitmapPicture::DirectColour(4, 2, pixels, 0));
         },
         1,
         "2A 08 02 00 40 02 80 01 40 02 41 FF FF D5 40 00 0A 00 00 04 41 01 00 D9 44 00 05 20 00 01"
         " 00 00 20 34 25 B0 A3 AA A7 62 BF 56 B8 00"},
        {"DefaultRect", 2, [] { return std::make_unique<RectItem>(0_tw, 0_tw, 200_tw, 100_tw); }, 0,
         "21 08 02 00 48 01 90 00 32 00 01 00 FF FF FF FF 01 14 00 00 00 00 FF 11 34 27 B8 C9 D9 65"
         " DC 9B EC CD 80"},
        {"ClearedRect", 5,
         [] {
             auto r = std::make_unique<RectItem>(0_tw, 0_tw, 200_tw, 100_tw);
             r->ClearFill();
             return r;
         },
         0,
         "1C 08 05 00 48 01 90 00 32 00 00 01 14 00 00 00 00 FF 01 34 27 71 93 B2 CB B9 37 D9 9B 00"},
        {"Ellipse", 3,
         [] {
             auto e = std::make_unique<EllipseItem>(0_tw, 0_tw, 200_tw, 100_tw);
             e->ClearFill();
             e->SetLineWidth(20_tw);
             e->SetLineColour(Colour{0, 0, 0, 255});
             return e;
         },
         0,
         "36 08 03 00 48 01 90 00 32 00 00 01 14 00 00 00 00 FF 01 35 2A A2 AE 5C 63 AB 80 96 B8 0C"
         " 7C A4 8F 20 2C 90 0B 1D CA 53 BC 94 80 95 48 03 A3 A4 74 E0 14 90 05 23 38 00"},
    };
    for (const ShapeCase &row : rows) {
        SCOPED_TRACE(row.name);
        NextIdWillBe(row.firstId);
        auto item = row.make();
        Movie movie(test::Ids());
        Frame *frame = movie.GetFrame(0);
        frame->ShowItem(item.get());
        ASSERT_EQ(TagKinds(*frame), std::string(row.shapeTagIndex, 'B') + "DP");  // [bitmap,] shape, placement
        EXPECT_EQ(TagHex(*frame->Tags()[row.shapeTagIndex]), ToHex(Hex(row.bytes)));
        EXPECT_EQ(item->GetCharacterId(), static_cast<ShapeTag &>(*frame->Tags()[row.shapeTagIndex]).CharacterId());
    }
}

TEST(ShapeRecords, ExactBits) {
    struct Row {
        const char *name;
        std::function<std::unique_ptr<ShapeRecord>()> make;
        const char *bytes;  // the record alone, padded to a byte
    } rows[] = {
        {"Vertical0x5", [] { return std::make_unique<StraightEdgeRecord>(0_tw, 5_tw); }, "C9 50"},
        {"Horizontal5x0", [] { return std::make_unique<StraightEdgeRecord>(5_tw, 0_tw); }, "C8 50"},
        {"General3x4", [] { return std::make_unique<StraightEdgeRecord>(3_tw, 4_tw); }, "CA 68"},
        {"LeftMinus81", [] { return std::make_unique<StraightEdgeRecord>(-81_tw, 0_tw); }, "D8 AF"},
        {"UpMinus41", [] { return std::make_unique<StraightEdgeRecord>(0_tw, -41_tw); }, "D5 AE"},
        {"Horizontal1000", [] { return std::make_unique<StraightEdgeRecord>(1000_tw, 0_tw); }, "E4 7D 00"},
        {"Curve", [] { return std::make_unique<CurvedEdgeRecord>(-29_tw, 14_tw, -41_tw, 0_tw); }, "97 18 EA E0 00"},
        {"CurveFromZero", [] { return std::make_unique<CurvedEdgeRecord>(0_tw, -20_tw, 29_tw, -14_tw); }, "90 0B 1D C8"},
        {"End", [] { return std::make_unique<EndShapeRecord>(); }, "00"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(test::WrittenHex(*row.make()), ToHex(Hex(row.bytes)));
    }
}

TEST(ShapeStyles, CountsFrom255TakeThreeBytes) {
    struct Row {
        size_t fills;
        const char *count;  // FILLSTYLEARRAY count bytes
        uint8_t bitsByte;   // NumFillBits, NumLineBits (no line styles)
    } rows[] = {{0, "00", 0x00}, {1, "01", 0x10}, {254, "FE", 0x80}, {255, "FF FF 00", 0x80}, {256, "FF 00 01", 0x90}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.fills);
        std::vector<std::unique_ptr<FillStyle>> fills;
        std::vector<uint8_t> expected = Hex(row.count);
        for (size_t i = 0; i < row.fills; ++i) {
            fills.push_back(std::make_unique<SolidFill>(Rgba(1, 2, 3, 4)));
            expected.insert(expected.end(), {0x00, 0x01, 0x02, 0x03, 0x04});  // solid, red, green, blue, alpha
        }
        expected.insert(expected.end(), {0x00, row.bitsByte});  // no line styles
        EXPECT_EQ(ToHex(test::WrittenBytes(ShapeWithStyle(std::move(fills), {}))), ToHex(expected));
    }
}

TEST(ShapeStyles, LineStyleWidthAndColour) {
    std::vector<std::unique_ptr<LineStyle>> lines;
    lines.push_back(std::make_unique<LineStyle>(300_tw, Rgba(9, 8, 7, 6)));
    // no fills, one line style, NumFillBits 0, NumLineBits 1
    EXPECT_EQ(test::WrittenHex(ShapeWithStyle({}, std::move(lines))), "00 01 2C 01 09 08 07 06 01");
}

struct MatrixCase {
    const char *name;
    std::function<void(ShapeItem &)> set;
    int32_t scaleX, scaleY, rotateSkew0, rotateSkew1, translateX, translateY;
    const char *bytes;
};

TEST(PlacementMatrix, FromTranslationScaleAndRotation) {
    const MatrixCase rows[] = {
        {"Translate", [](ShapeItem &i) { i.SetTranslate(200_tw, -100_tw); }, kFixedOne, kFixedOne, 0, 0, 200, -100,
         "C9 00 00 40 00 21 12 C8 CE 00"},
        {"ScaleAboutOrigin", [](ShapeItem &i) { i.SetScale(0x8000, 0x8000); }, 0x8000, 0x8000, 0, 0, 0, 0,
         "C5 00 00 80 00 84 08"},
        {"Rotate90", [](ShapeItem &i) { i.SetRotation(0x5A0000); }, 0, 0, 65536, -65536, 1500, -500,
         "84 C9 00 00 C0 00 18 BB 9C 18"},
        {"Rotate45", [](ShapeItem &i) { i.SetRotation(0x2D0000); }, 46340, 46340, 46340, -46340, 646, -560,
         "C5 6A 08 B5 04 C5 6A 09 4A FC 5A 86 BA 00"},
    };
    for (const MatrixCase &row : rows) {
        SCOPED_TRACE(row.name);
        RectItem item(0_tw, 0_tw, 2000_tw, 1000_tw);
        EXPECT_FALSE(item.HasTransform());
        row.set(item);
        EXPECT_TRUE(item.HasTransform());
        std::unique_ptr<Matrix> m = item.MakeMatrix();
        ASSERT_NE(m, nullptr);
        // hasScale, hasRotate, the scales, the skews and the translation
        EXPECT_EQ((std::vector<int32_t>{m->hasScale, m->hasRotate, m->scaleX, m->scaleY, m->rotateSkew0,
                                        m->rotateSkew1, m->translateX.value(), m->translateY.value()}),
                  (std::vector<int32_t>{1, 1, row.scaleX, row.scaleY, row.rotateSkew0, row.rotateSkew1,
                                        row.translateX, row.translateY}));
        // The placement carries these bytes after flags 06, depth and id.
        test::Ids().ResetCharacterIds();
        Movie movie(test::Ids());
        movie.GetFrame(0)->ShowItem(&item);
        std::vector<uint8_t> bytes = test::WrittenBytes(*movie.GetFrame(0)->Tags().back());
        std::vector<uint8_t> matrix = Hex(row.bytes);
        ASSERT_EQ(bytes.size(), 2 + 5 + matrix.size());
        EXPECT_EQ(bytes[2], 0x06);
        EXPECT_EQ(ToHex(std::vector<uint8_t>(bytes.begin() + 7, bytes.end())), ToHex(matrix));
    }
}

TEST(PlacementMatrix, NoTransformNoMatrix) {
    test::Ids().ResetCharacterIds();
    RectItem item(0_tw, 0_tw, 200_tw, 100_tw);
    item.SetTranslate(5_tw, 5_tw);
    item.SetTranslate(0_tw, 0_tw);
    EXPECT_FALSE(item.HasTransform());
    Movie movie(test::Ids());
    movie.GetFrame(0)->ShowItem(&item);
    EXPECT_EQ(TagHex(*movie.GetFrame(0)->Tags().back()), "85 06 02 01 00 01 00");
}

// A movie and a rectangle, character ids counted from 1.
class DisplayItems : public ::testing::Test {
protected:
    DisplayItems() { test::Ids().ResetCharacterIds(); }
    Movie movie{test::Ids()};
    RectItem item{0_tw, 0_tw, 200_tw, 100_tw};
};

// Shown twice: the definition once, a placement each time with the same id.
TEST_F(DisplayItems, DefineOncePlaceEachTime) {
    Frame *f0 = movie.GetFrame(0), *f1 = movie.GetFrame(1);
    f0->ShowItem(&item);
    ASSERT_EQ(TagKinds(*f0), "DP");
    f1->ShowItem(&item);
    ASSERT_EQ(f1->Tags().size(), 1u);
    EXPECT_EQ(TagHex(*f1->Tags()[0]), "85 06 02 01 00 01 00");
    ASSERT_EQ(movie.PlacementsFor(1).size(), 2u);
    EXPECT_EQ(movie.PlacementsFor(1)[0].remove, nullptr);
}

// A look-changing setter on a shown item, then hide and show: the old
// character is removed and a new one defined and placed.
TEST_F(DisplayItems, LookChangeThenHideRemovesTheOldCharacter) {
    movie.GetFrame(0)->ShowItem(&item);
    Frame *f2 = movie.GetFrame(2);
    item.SetLineColour(Colour{255, 0, 0, 255});
    f2->HideItem(&item);  // still the old character: closes its placement
    f2->ShowItem(&item);
    ASSERT_EQ(TagKinds(*f2), "RDP");
    EXPECT_EQ(TagHex(*f2->Tags()[0]), "44 01 01 00 01 00");
    EXPECT_EQ(static_cast<ShapeTag &>(*f2->Tags()[1]).CharacterId(), 2);
    EXPECT_EQ(TagHex(*f2->Tags()[2]), "85 06 02 01 00 02 00");
    ASSERT_EQ(movie.PlacementsFor(1).size(), 1u);
    EXPECT_EQ(movie.PlacementsFor(1)[0].remove, f2->Tags()[0].get());
    EXPECT_EQ(movie.PlacementsFor(2).size(), 1u);
}

TEST_F(DisplayItems, DefineOnlyNeverPlaces) {
    item.SetDefineOnly(1);
    movie.GetFrame(0)->ShowItem(&item);
    movie.GetFrame(1)->ShowItem(&item);
    EXPECT_EQ(TagKinds(*movie.GetFrame(0)), "D");
    EXPECT_TRUE(movie.GetFrame(1)->Tags().empty());
    EXPECT_TRUE(movie.PlacementsFor(1).empty());
}

// A removal with no open placement would take whatever holds that depth off
// the stage: it adds nothing.
TEST_F(DisplayItems, RemovalWithoutOpenPlacementAddsNothing) {
    RectItem never(0_tw, 0_tw, 10_tw, 10_tw), once(0_tw, 0_tw, 10_tw, 10_tw);
    Frame *frame = movie.GetFrame(0);
    frame->HideItem(&never);  // never defined
    EXPECT_TRUE(frame->Tags().empty());
    never.SetDefineOnly(1);
    frame->ShowItem(&never);  // defined, not placed
    frame->HideItem(&never);
    EXPECT_EQ(TagKinds(*frame), "D");
    frame->ShowItem(&once);
    frame->HideItem(&once);
    frame->HideItem(&once);  // the second has nothing to close
    EXPECT_EQ(TagKinds(*frame), "DDPR");
    frame->HideItem(nullptr);
    frame->ShowItem(nullptr);
    EXPECT_EQ(frame->Tags().size(), 4u);
}

// The bitmap is defined in the frame of the first showing, ahead of the
// shape, and the picture's id is lower than the shape's.
TEST(ImageShapes, BitmapGoesToTheFirstFrame) {
    test::Ids().ResetCharacterIds();
    const uint8_t pixels[4] = {};
    ImageShape picture(test::Ids(), 0_tw, 0_tw, 20_tw, 20_tw, BitmapPicture::DirectColour(1, 1, pixels, 1));
    Movie movie(test::Ids());
    movie.GetFrame(0)->ShowItem(&picture);
    movie.GetFrame(1)->ShowItem(&picture);
    const auto &tags = movie.GetFrame(0)->Tags();
    ASSERT_EQ(TagKinds(*movie.GetFrame(0)), "BDP");
    EXPECT_EQ(static_cast<LosslessBitmap &>(*tags[0]).CharacterId(), 1);
    EXPECT_EQ(static_cast<ShapeTag &>(*tags[1]).CharacterId(), 2);
    EXPECT_EQ(movie.GetFrame(1)->Tags().size(), 1u);
}

}  // namespace
}  // namespace quillon
