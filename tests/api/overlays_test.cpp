// Sprites and info overlays through the exports.
#include <tuple>

#include "api/api_fixture.h"

namespace quillon::test {
namespace {

class Overlays : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        CreateMovie(64, 48, 0, 12);
    }
    // Begins frames up to f.
    void UpTo(int32_t f) {
        while (M().FrameCount() <= f) DuplicateFrame();
    }
    std::vector<uint8_t> sprite_ = Pixels32(2, 3, 0x40);
};

TEST_F(Overlays, AddSpriteAloneAddsNothing) {
    UpTo(0);
    SetSpritesCount(2);
    AddSprite(1, sprite_.data(), 2, 3);
    EXPECT_EQ(TotalTags(), 0u);
    EXPECT_EQ(M().FrameCount(), 1);
}

TEST_F(Overlays, ShowHideShow) {
    SetSpritesCount(1);
    AddSprite(0, sprite_.data(), 2, 3);
    UpTo(2);
    ShowSprite(0);
    UpTo(4);
    HideSprite(0);
    UpTo(5);
    ShowSprite(0);
    EXPECT_EQ(Kinds(2), (std::vector<std::string>{"Bitmap", "Shape", "Place"}));
    EXPECT_TRUE(Kinds(3).empty());
    EXPECT_EQ(Kinds(4), std::vector<std::string>{"Remove"});
    EXPECT_EQ(Kinds(5), std::vector<std::string>{"Place"});
    auto *bitmap = TagAt<LosslessBitmap>(2, 0);
    auto *shape = TagAt<ShapeTag>(2, 1);
    ASSERT_TRUE(bitmap && shape);
    EXPECT_EQ(bitmap->Format(), 5);
    EXPECT_EQ(AsWritten(*bitmap).code, kDefineBitsLossless2);  // with alpha
    // Key 200, the same character each time, no matrix at (0, 0).
    std::string place = "85 06 02 C8 00 " + IdHex(shape->CharacterId());
    EXPECT_EQ(TagHex(*Tags(2)[2]), place);
    EXPECT_EQ(TagHex(*Tags(4)[0]), "44 01 " + IdHex(shape->CharacterId()) + " C8 00");
    EXPECT_EQ(TagHex(*Tags(5)[0]), place);
    // The shape starts at the origin: bounds (0, 0) to (40, 60).
    EXPECT_EQ(ToHex(AsWritten(*shape).body).substr(6, 14), "38 05 00 1E 00");
    SwfMovie file = WriteAndRead();
    ASSERT_EQ(file.placements.size(), 3u);
    EXPECT_EQ(file.placements[1].depth, file.placements[0].depth);
}

TEST_F(Overlays, TranslationGoesIntoLaterPlacements) {
    SetSpritesCount(1);
    AddSprite(0, sprite_.data(), 2, 3);
    UpTo(0);
    TranslateSprite(0, 10, 5);
    ShowSprite(0);
    TranslateSprite(0, -3, 7);  // after the show: only later placements move
    HideSprite(0);
    UpTo(1);
    ShowSprite(0);
    HideSprite(0);
    UpTo(2);
    TranslateSprite(0, 0, 0);
    ShowSprite(0);
    SwfMovie file = WriteAndRead();
    std::vector<SwfPlacement> places;
    for (const auto &p : file.placements)
        if (!p.remove) places.push_back(p);
    ASSERT_EQ(places.size(), 3u);
    struct Row {
        bool hasMatrix;
        int32_t x, y;
    } rows[] = {{true, 200, 100}, {true, -60, 140}, {false, 0, 0}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(places[i].frame, static_cast<int32_t>(i));
        EXPECT_EQ(places[i].hasMatrix, rows[i].hasMatrix);
        if (!rows[i].hasMatrix) continue;
        const SwfMatrix &m = places[i].matrix;
        EXPECT_EQ(std::make_tuple(m.scaleX, m.scaleY, m.rotateSkew0, m.rotateSkew1, m.translateX, m.translateY),
                  std::make_tuple(0x10000, 0x10000, 0, 0, rows[i].x, rows[i].y));
    }
}

TEST_F(Overlays, InfoOverlay) {
    UpTo(1);
    SetInfoCount(1);
    std::vector<uint8_t> pixels(50);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i);
    std::vector<unsigned char> palette(50 * 3, 9);
    AddInfo(0, 10, 10, 19, 14, pixels.data(), palette.data(), 50);
    EXPECT_EQ(Kinds(1), (std::vector<std::string>{"Bitmap", "Shape", "Place"}));
    auto *bitmap = TagAt<LosslessBitmap>(1, 0);
    auto *shape = TagAt<ShapeTag>(1, 1);
    ASSERT_TRUE(bitmap && shape);
    EXPECT_EQ(std::make_tuple(bitmap->Format(), bitmap->Width(), bitmap->Height()), std::make_tuple(3, 10, 5));
    // Bounds (200, 200) to (400, 300) twips: the far corner lies beyond the
    // last pixel, so each pixel is 20 twips.
    EXPECT_EQ(ToHex(AsWritten(*shape).body).substr(6, 17), "51 90 C8 19 09 60");
    EXPECT_EQ(TagHex(*Tags(1)[2]), "85 06 02 64 00 " + IdHex(shape->CharacterId()));  // key 100
    SwfMovie file = WriteAndRead();
    std::vector<uint8_t> data;
    ASSERT_TRUE(InflateBitmap(*file.FrameTags(1)[0], data));
    ASSERT_EQ(data.size(), 150u + 5 * 12);
    for (size_t row = 0; row < 5; ++row)
        for (size_t x = 0; x < 12; ++x)
            EXPECT_EQ(data[150 + row * 12 + x], x < 10 ? row * 10 + x : 0) << row << "," << x;
}

TEST_F(Overlays, RemoveAndDestroyAllInfo) {
    UpTo(0);
    SetInfoCount(5);
    std::vector<uint8_t> pixels = Pixels8(3, 3);
    for (int32_t index : {3, 0, 2}) AddInfo(index, index * 4, 0, index * 4 + 2, 2, pixels.data(), Palette2(), 2);
    std::vector<uint16_t> ids;  // shape ids in index order 0, 2, 3
    for (size_t i : {4u, 7u, 1u}) ids.push_back(TagAt<ShapeTag>(0, i)->CharacterId());
    UpTo(1);
    RemoveAndDestroyAllInfo();
    ASSERT_EQ(Kinds(1), (std::vector<std::string>{"Remove", "Remove", "Remove"}));
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(TagHex(*Tags(1)[i]), "44 01 " + IdHex(ids[i]) + " 64 00") << i;
    // No table any more: nothing to add, nothing to remove.
    UpTo(2);
    AddInfo(0, 0, 0, 2, 2, pixels.data(), Palette2(), 2);
    RemoveAndDestroyAllInfo();
    SetInfoCount(0);
    RemoveAndDestroyAllInfo();
    EXPECT_TRUE(Kinds(2).empty());
    WriteAndRead();
}

// AddInfo on a filled entry replaces its overlay: the old one leaves the
// current frame first; the table then removes only the new one.
TEST_F(Overlays, AddInfoOnAFilledEntryReplacesIt) {
    UpTo(0);
    SetInfoCount(1);
    std::vector<uint8_t> pixels = Pixels8(2, 2);
    AddInfo(0, 0, 0, 1, 1, pixels.data(), Palette2(), 2);
    uint16_t first = TagAt<ShapeTag>(0, 1)->CharacterId();
    UpTo(1);
    AddInfo(0, 4, 4, 5, 5, pixels.data(), Palette2(), 2);
    EXPECT_EQ(Kinds(1), (std::vector<std::string>{"Remove", "Bitmap", "Shape", "Place"}));
    EXPECT_EQ(TagHex(*Tags(1)[0]), "44 01 " + IdHex(first) + " 64 00");
    uint16_t second = TagAt<ShapeTag>(1, 2)->CharacterId();
    UpTo(2);
    RemoveAndDestroyAllInfo();
    EXPECT_EQ(Kinds(2), std::vector<std::string>{"Remove"});
    EXPECT_EQ(TagHex(*Tags(2)[0]), "44 01 " + IdHex(second) + " 64 00");
    WriteAndRead();
}

// A second SetInfoCount takes the overlays of the first table off the
// current frame and releases them.
TEST_F(Overlays, SecondInfoTable) {
    UpTo(0);
    SetInfoCount(2);
    std::vector<uint8_t> pixels = Pixels8(2, 2);
    AddInfo(1, 0, 0, 1, 1, pixels.data(), Palette2(), 2);
    UpTo(1);
    SetInfoCount(3);
    EXPECT_EQ(Kinds(1), std::vector<std::string>{"Remove"});
    AddInfo(1, 0, 0, 1, 1, pixels.data(), Palette2(), 2);
    EXPECT_EQ(Kinds(1), (std::vector<std::string>{"Remove", "Bitmap", "Shape", "Place"}));
    // Three entries: 2 is one, 3 is not.
    AddInfo(3, 0, 0, 1, 1, pixels.data(), Palette2(), 2);
    EXPECT_EQ(Kinds(1).size(), 4u);
    AddInfo(2, 0, 0, 1, 1, pixels.data(), Palette2(), 2);
    EXPECT_EQ(Kinds(1).size(), 7u);
    WriteAndRead();
}

TEST_F(Overlays, SecondSpriteTable) {
    SetSpritesCount(2);
    AddSprite(0, sprite_.data(), 2, 3);
    UpTo(0);
    ShowSprite(0);
    SetSpritesCount(1);
    ShowSprite(0);  // the new table's entry is empty
    HideSprite(0);
    AddSprite(1, sprite_.data(), 2, 3);  // and it has only the one
    ShowSprite(1);
    EXPECT_EQ(Kinds(0).size(), 3u);
    WriteAndRead();
}

}  // namespace
}  // namespace quillon::test
