// Navigation buttons, pause buttons and hyperlinks through the exports.
#include <functional>

#include "api/api_fixture.h"

namespace quillon::test {
namespace {

class Buttons : public ApiTest {
protected:
    // A movie whose slides begin at the given frames, each with a picture.
    void Deck(const std::vector<int32_t> &slideFrames) {
        CreateMovie(16, 8, static_cast<int32_t>(slideFrames.size()), 12);
        for (int32_t frame : slideFrames) {
            while (M().FrameCount() < frame) DuplicateFrame();
            CreateFrame(Pixels8(16, 8).data(), Palette2(), 2);
            NextSlide();
        }
    }
    void AddNavigation(int32_t kind) {
        AddButton(kind, up_.data(), over_.data(), down_.data(), 2, 3, 4, 2);
    }
    std::vector<uint8_t> up_ = Pixels32(4, 2, 1), over_ = Pixels32(4, 2, 2), down_ = Pixels32(4, 2, 3);
};

const std::vector<std::string> kPictureThenButton = {"Bitmap", "Shape", "Bitmap", "Shape", "Bitmap",
                                                     "Shape",  "Button", "Place"};
const std::vector<std::string> kSlide = {"Bitmap", "Shape", "Place"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(Buttons, SingleButtonKindsGoToFrameZero) {
    struct Row {
        int32_t kind;
        const char *conditionAction;  // the tail of the DefineButton2 tag
    } rows[] = {{1, "08 00 06 00"}, {2, "08 00 07 00"}, {3, "08 00 81 02 00 00 00 00"}, {4, "08 00 81 02 00 07 00 00"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.kind);
        Deck({0, 3, 7});
        AddNavigation(row.kind);
        EXPECT_EQ(Kinds(0), Join(kSlide, kPictureThenButton));
        EXPECT_EQ(Kinds(3), kSlide);
        EXPECT_EQ(Kinds(7), kSlide);
        std::string tag = TagHex(*Tags(0)[9]), tail = row.conditionAction;
        EXPECT_EQ(tag.substr(tag.size() - tail.size()), tail);
        // Faces without alpha, at key 500, the button's rectangle (2,3)-(5,4).
        auto *face = TagAt<LosslessBitmap>(0, 3);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->Format(), 5);
        EXPECT_EQ(AsWritten(*face).code, kDefineBitsLossless);  // no alpha
        auto *button = TagAt<DefineButton2Tag>(0, 9);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(TagHex(*Tags(0)[10]), "85 06 02 F4 01 " + IdHex(button->CharacterId()));
        WriteReadAndDestroy("deck");
    }
}

TEST_F(Buttons, KindZeroIsAPictureInFront) {
    Deck({0, 2});
    AddNavigation(0);
    EXPECT_EQ(Kinds(0), Join(kSlide, {"Bitmap", "Shape", "Place"}));
    auto *picture = TagAt<LosslessBitmap>(0, 3);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(AsWritten(*picture).code, kDefineBitsLossless2);  // with alpha
    EXPECT_EQ(TagHex(*Tags(0)[5]).substr(0, 14), "85 06 02 F3 01");  // key 499
    WriteAndRead();
}

// Every picture covers exactly its pixels: from (x, y) to (x + width,
// y + height) pixels, 20 twips a pixel; an info overlay from (x1, y1) to
// (x2 + 1, y2 + 1). Each row makes one picture of 3 x 2 pixels at (2, 5)
// (a 1 x 1 one at (0, 0) last) and finds its shape's bounds in the file.
TEST_F(Buttons, PicturesCoverExactlyTheirPixels) {
    std::vector<uint8_t> face = Pixels32(3, 2, 1);
    std::vector<uint8_t> pixels8 = Pixels8(3, 2);
    struct Row {
        const char *name;
        std::function<void()> add;
        size_t pictures;  // shapes the call defines
        std::vector<int32_t> bounds;  // xMin, xMax, yMin, yMax in twips
    } rows[] = {
        {"PauseButton", [&] { AddPauseButton(face.data(), 2, 5, 3, 2); }, 1, {40, 100, 100, 140}},
        {"KindZeroPicture", [&] { AddButton(0, face.data(), face.data(), face.data(), 2, 5, 3, 2); }, 1, {40, 100, 100, 140}},
        {"ButtonFaces", [&] { AddButton(3, face.data(), face.data(), face.data(), 2, 5, 3, 2); }, 3, {40, 100, 100, 140}},
        {"InfoOverlay", [&] { SetInfoCount(1); AddInfo(0, 2, 5, 4, 6, pixels8.data(), Palette2(), 2); }, 1, {40, 100, 100, 140}},
        {"OnePixel", [&] { AddPauseButton(face.data(), 0, 0, 1, 1); }, 1, {0, 20, 0, 20}},
        {"OnePixelInfo", [&] { SetInfoCount(1); AddInfo(0, 0, 0, 0, 0, pixels8.data(), Palette2(), 2); }, 1, {0, 20, 0, 20}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        BeginMovie(16, 16, 1);
        NextSlide();
        row.add();
        SwfMovie file = WriteReadAndDestroy(row.name);
        ASSERT_EQ(file.shapeBounds.size(), row.pictures);
        for (const auto &shape : file.shapeBounds) EXPECT_EQ(shape.second, row.bounds);
        SetInfoCount(0);
        RemoveButtons();
    }
}

TEST_F(Buttons, PerSlideButtons) {
    struct Row {
        int32_t kind;
        std::vector<int32_t> targets;  // of the buttons in slide frames 0, 3, 7
    } rows[] = {{5, {7, 0, 3}}, {6, {3, 7, 0}}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.kind);
        Deck({0, 3, 7});
        AddNavigation(row.kind);
        EXPECT_EQ(Kinds(0), Join(kSlide, kPictureThenButton));
        EXPECT_EQ(Kinds(3), Join(kSlide, {"Remove", "Button", "Place"}));
        EXPECT_EQ(Kinds(7), Join(kSlide, {"Remove", "Button", "Place"}));
        auto *b0 = TagAt<DefineButton2Tag>(0, 9);
        auto *b3 = TagAt<DefineButton2Tag>(3, 4);
        auto *b7 = TagAt<DefineButton2Tag>(7, 4);
        ASSERT_TRUE(b0 && b3 && b7);
        EXPECT_EQ((std::vector<int32_t>{GotoTarget(*b0), GotoTarget(*b3), GotoTarget(*b7)}), row.targets);
        // Each removal takes off the previous slide's button.
        auto removed = [&](int32_t f) { std::string h = TagHex(*Tags(f)[3]); return h.substr(6, 5); };
        EXPECT_EQ(removed(3), IdHex(b0->CharacterId()));
        EXPECT_EQ(removed(7), IdHex(b3->CharacterId()));
        // The later buttons show the pictures defined in frame 0.
        std::string later = TagHex(*b7), first = TagHex(*b0);
        EXPECT_EQ(later.substr(15, 90), first.substr(15, 90));
        // In the file: the button placed in frame 0 is removed in frame 3 at
        // the depth it holds, and so on (the reader checks the depths).
        EXPECT_EQ(WriteReadAndDestroy("deck").Count(kRemoveObject), 2u);
    }
}

TEST_F(Buttons, OneSlide) {
    struct Row {
        int32_t kind;
        int32_t target;
    } rows[] = {{5, 2}, {6, 0}, {4, 2}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.kind);
        Deck({2});
        AddNavigation(row.kind);
        EXPECT_EQ(Kinds(0), kPictureThenButton);
        EXPECT_EQ(Kinds(2), kSlide);
        auto *button = TagAt<DefineButton2Tag>(0, 6);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(GotoTarget(*button), row.target);
        WriteReadAndDestroy("deck");
    }
}

TEST_F(Buttons, UnknownKindsChangeNothing) {
    for (int32_t kind : {7, -1, 100, INT32_MIN}) {
        SCOPED_TRACE(kind);
        Deck({0, 1});
        size_t before = TotalTags();
        uint16_t nextId = State().context.NextCharacterId();
        AddNavigation(kind);
        EXPECT_EQ(TotalTags(), before);
        EXPECT_EQ(M().FrameCount(), 2);
        EXPECT_EQ(State().context.NextCharacterId(), nextId + 1);  // no character was made
        WriteReadAndDestroy("deck");
    }
}

TEST_F(Buttons, PauseButtonsAndRemoveButtons) {
    Deck({0});
    AddPauseButton(Pixels32(3, 3).data(), 1, 1, 3, 3);
    AddPauseButton(Pixels32(3, 3).data(), 5, 1, 3, 3);
    EXPECT_EQ(Kinds(0), Join(kSlide, {"Bitmap", "Shape", "Button", "Place", "Bitmap", "Shape", "Button", "Place"}));
    auto *first = TagAt<DefineButton2Tag>(0, 5);
    auto *second = TagAt<DefineButton2Tag>(0, 9);
    ASSERT_TRUE(first && second);
    // Play on click, key 1.
    std::string h = TagHex(*first);
    EXPECT_EQ(h.substr(h.size() - 11), "08 00 06 00");
    EXPECT_EQ(TagHex(*Tags(0)[6]).substr(0, 14), "85 06 02 01 00");
    DuplicateFrame();
    RemoveButtons();
    ASSERT_EQ(Kinds(1), (std::vector<std::string>{"Remove", "Remove"}));
    EXPECT_EQ(TagHex(*Tags(1)[0]), "44 01 " + IdHex(first->CharacterId()) + " 01 00");
    EXPECT_EQ(TagHex(*Tags(1)[1]), "44 01 " + IdHex(second->CharacterId()) + " 01 00");
    RemoveButtons();  // an empty table removes nothing
    EXPECT_EQ(Kinds(1).size(), 2u);
    WriteAndRead();
}

TEST_F(Buttons, InitButtonListForgetsAButton) {
    Deck({0});
    AddHyperLink("http://a/", "_self", 0, 0, 5, 5);
    InitButtonList();
    AddHyperLink("http://b/", "_self", 6, 0, 10, 5);
    auto *second = TagAt<DefineButton2Tag>(0, Tags(0).size() - 2);
    ASSERT_NE(second, nullptr);
    DuplicateFrame();
    RemoveButtons();
    ASSERT_EQ(Kinds(1), std::vector<std::string>{"Remove"});
    EXPECT_EQ(TagHex(*Tags(1)[0]).substr(6, 5), IdHex(second->CharacterId()));
    SwfMovie file = WriteAndRead();
    // The forgotten button stays on the stage to the end.
    EXPECT_EQ(file.placements.size(), 4u);
}

TEST_F(Buttons, HyperLinkArea) {
    Deck({0});
    AddHyperLink("http://example.invalid/", "_blank", 10, 20, 110, 60);
    EXPECT_EQ(Kinds(0), Join(kSlide, {"Shape", "Button", "Place"}));
    auto *area = TagAt<ShapeTag>(0, 3);
    auto *button = TagAt<DefineButton2Tag>(0, 4);
    ASSERT_TRUE(area && button);
    // Bounds (200, 400) to (2200, 1200) twips; one fill and one line style,
    // both black and fully transparent.
    std::string id = IdHex(area->CharacterId());
    std::string shape = ToHex(AsWritten(*area).body);
    std::string styles = id + " 68 32 11 30 19 02 58 00 01 00 00 00 00 00 01 14 00 00 00 00 00 11";
    EXPECT_EQ(shape.substr(0, styles.size()), styles);
    // All four records name the one area.
    std::string b = ToHex(AsWritten(*button).body);
    for (int record = 0; record < 4; ++record)
        EXPECT_EQ(b.substr(15 + record * 21, 8), ToHex({static_cast<uint8_t>(1 << record)}) + " " + id) << record;
    auto text = [](const std::string &t) { return ToHex(std::vector<uint8_t>(t.c_str(), t.c_str() + t.size() + 1)); };
    std::string url = "83 1F 00 " + text("http://example.invalid/") + " " + text("_blank") + " 00";
    EXPECT_EQ(b.substr(b.size() - url.size()), url);
    WriteAndRead();
}

TEST_F(Buttons, AutomaticHyperLinks) {
    CreateMovie(16, 8, 0, 12);
    for (int i = 0; i < 3; ++i) DuplicateFrame();
    AddAutomaticHyperLink(5, "u", "t");
    EXPECT_EQ(M().FrameCount(), 6);
    EXPECT_EQ(Kinds(5), std::vector<std::string>{"DoAction"});
    EXPECT_EQ(TagHex(*Tags(5)[0]), "08 03 83 04 00 75 00 74 00 00");
    AddAutomaticHyperLink(-1, "", "");
    EXPECT_EQ(Kinds(2), std::vector<std::string>{"DoAction"});
    EXPECT_EQ(TagHex(*Tags(2)[0]), "06 03 83 02 00 00 00 00");
    AddAutomaticHyperLink(-1, nullptr, nullptr);
    EXPECT_EQ(Kinds(2).size(), 2u);
    SwfMovie file = WriteAndRead();
    EXPECT_EQ(file.header.frameCount, 6);
}

}  // namespace
}  // namespace quillon::test
