// Buttons: the DefineButton2 body, condition flags, state items defined once,
// and the tags a shown or hidden button adds.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "characters/shape_tag.h"
#include "characters/shapes.h"
#include "interactive/button.h"
#include "support/bytes.h"

namespace quillon {
namespace {

using test::Hex, test::NextIdWillBe, test::TagHex, test::TagKinds, test::ToHex;

// Up, over and down items get ids 4, 5 and 6, the button 7.
struct ButtonCase {
    const char *name;
    std::function<void(Button &)> attach;
    const char *tag, *actions;  // the tag header; the condition actions after the records
};

TEST(DefineButton2, ExactTags) {
    const std::string records =
        "07 00 00 1F 00 01 04 00 01 00 00 04 02 05 00 01 00 00 04 04 06 00 01 00 00 04 08 06 00 01 00"
        " 00 04 00 00 00";
    const ButtonCase rows[] = {
        {"Play", [](Button &b) { b.AttachAction(PlayDescriptor(), 6); }, "A8 08 ", "08 00 06 00"},
        {"GotoFrame", [](Button &b) { b.AttachAction(GotoFrameDescriptor(3), 6); }, "AC 08 ",
         "08 00 81 02 00 03 00 00"},
        // Condition 0 and 10 set no flag; the action is still written.
        {"NoCondition", [](Button &b) { b.AttachAction(StopDescriptor(), 0); }, "A8 08 ", "00 00 07 00"},
        {"TwoConditions",
         [](Button &b) {
             b.AttachAction(PlayDescriptor(), 6);
             b.AttachAction(StopDescriptor(), 9);
         },
         "A9 08 ", "09 00 06 07 00"},
        // A GetURL payload of 21 bytes makes n = 24: body 63, long header.
        {"LongGetURL", [](Button &b) { b.AttachAction(GetURLDescriptor("0123456789abcdefghi", ""), 6); },
         "BF 08 3F 00 00 00 ",
         "08 00 83 15 00 30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66 67 68 69 00 00 00"},
    };
    for (const ButtonCase &row : rows) {
        SCOPED_TRACE(row.name);
        NextIdWillBe(4);
        RectItem up(0_tw, 0_tw, 20_tw, 20_tw), over(0_tw, 0_tw, 20_tw, 20_tw), down(0_tw, 0_tw, 20_tw, 20_tw);
        Button button(&up, &over, &down, &down);
        row.attach(button);
        Movie movie;
        Frame *frame = movie.GetFrame(0);
        frame->ShowItem(&button);
        // Three state definitions, the button, its placement.
        ASSERT_EQ(TagKinds(*frame), "DDDUP");
        auto &tag = static_cast<DefineButton2Tag &>(*frame->Tags()[3]);
        EXPECT_EQ(tag.CharacterId(), 7);
        EXPECT_EQ(button.GetCharacterId(), 7);
        EXPECT_EQ(TagHex(tag), ToHex(Hex(row.tag + records + " " + row.actions)));
        // Placed at its depth value without a matrix.
        EXPECT_EQ(TagHex(*frame->Tags()[4]), "85 06 02 01 00 07 00");
    }
}

TEST(ConditionAction, FlagsOfEachNumber) {
    struct Row {
        uint32_t number;
        uint16_t flags;
    } rows[] = {{0, 0}, {1, 0x0100}, {2, 0x0080}, {3, 0x0040}, {4, 0x0020}, {5, 0x0010},
                {6, 0x0008}, {7, 0x0004}, {8, 0x0002}, {9, 0x0001}, {10, 0}, {0x106, 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.number);
        ConditionAction c;
        c.SetCondition(static_cast<uint16_t>(row.number));
        EXPECT_EQ(c.Conditions(), row.flags);
        SwfStream s;
        c.WriteLast(s);
        std::vector<uint8_t> expected = {0, 0, static_cast<uint8_t>(row.flags & 0xFF),
                                         static_cast<uint8_t>(row.flags >> 8), 0};
        EXPECT_EQ(test::StreamHex(s), ToHex(expected));
    }
}

// A condition action that another one follows carries the distance to it.
TEST(DefineButton2, TwoConditionActions) {
    DefineButton2Tag tag(0);
    auto first = std::make_unique<ConditionAction>();
    first->SetCondition(9);
    PlayDescriptor().FillConditionAction(first->Actions());
    auto last = std::make_unique<ConditionAction>();
    last->SetCondition(6);
    StopDescriptor().FillConditionAction(last->Actions());
    tag.AddRecord(std::make_unique<ButtonRecord>(1, 1, 1, 1, 0x0203, 1, std::make_unique<Matrix>(Matrix::Identity()),
                                                 std::make_unique<CxformWithAlpha>(CxformWithAlpha::None())));
    tag.AddConditionAction(std::move(first));
    tag.AddConditionAction(std::move(last));
    std::string id = ToHex({static_cast<uint8_t>(tag.CharacterId()), static_cast<uint8_t>(tag.CharacterId() >> 8)});
    // body: id, 00, offset 0A 00, record 0F 03 02 01 00 00 04, end 00,
    // 06 00 01 00 06 00 (size 6), 00 00 08 00 07 00
    EXPECT_EQ(TagHex(tag), "99 08 " + id + " 00 0A 00 0F 03 02 01 00 00 04 00 06 00 01 00 06 00 00 00 08 00 07 00");
}

// The pause button and the hyperlink area: one item in all four states is
// defined once and every record names it.
TEST(ButtonItems, OneItemInFourStates) {
    ResetCharacterIds();
    const uint8_t pixels[4] = {};
    ImageShape face(0_tw, 0_tw, 20_tw, 20_tw, BitmapPicture::DirectColour(1, 1, pixels, 1));
    Button button(&face, &face, &face, &face);
    button.AttachAction(PlayDescriptor(), 6);
    Movie movie;
    Frame *frame = movie.GetFrame(0);
    frame->ShowItem(&button);
    ASSERT_EQ(TagKinds(*frame), "BDUP");
    // Bitmap 1, shape 2, button 3.
    EXPECT_EQ(TagHex(*frame->Tags()[2]),
              "A8 08 03 00 00 1F 00 01 02 00 01 00 00 04 02 02 00 01 00 00 04 04 02 00 01 00 00 04 08 02"
              " 00 01 00 00 04 00 00 00 08 00 06 00");
}

// Two buttons from the same state items in different frames: the items are
// defined only where the first button was shown.
TEST(ButtonItems, SharedStateItemsAreDefinedOnce) {
    ResetCharacterIds();
    RectItem up(0_tw, 0_tw, 20_tw, 20_tw), over(0_tw, 0_tw, 20_tw, 20_tw), down(0_tw, 0_tw, 20_tw, 20_tw);
    Movie movie;
    Button first(&up, &over, &down, &down);
    first.AttachAction(GotoFrameDescriptor(3), 6);
    movie.GetFrame(0)->ShowItem(&first);
    movie.GetFrame(3)->HideItem(&first);
    Button second(&up, &over, &down, &down);
    second.AttachAction(GotoFrameDescriptor(0), 6);
    movie.GetFrame(3)->ShowItem(&second);

    EXPECT_EQ(movie.GetFrame(0)->Tags().size(), 5u);
    const auto &tags = movie.GetFrame(3)->Tags();
    ASSERT_EQ(TagKinds(*movie.GetFrame(3)), "RUP");
    EXPECT_EQ(TagHex(*tags[0]), "44 01 04 00 01 00");  // first button, its key 1
    EXPECT_EQ(static_cast<DefineButton2Tag &>(*tags[1]).CharacterId(), 5);
    EXPECT_EQ(TagHex(*tags[1]),
              "AC 08 05 00 00 1F 00 01 01 00 01 00 00 04 02 02 00 01 00 00 04 04 03 00 01 00 00 04 08 03"
              " 00 01 00 00 04 00 00 00 08 00 81 02 00 00 00 00");
    EXPECT_EQ(TagHex(*tags[2]), "85 06 02 01 00 05 00");
}

TEST(ButtonItems, HidingAShownButtonRemovesItAtItsDepth) {
    ResetCharacterIds();
    RectItem face(0_tw, 0_tw, 20_tw, 20_tw);
    Button button(&face, &face, &face, &face);
    button.SetDepth(500);
    button.AttachAction(StopDescriptor(), 6);
    Movie movie;
    movie.GetFrame(0)->ShowItem(&button);
    movie.GetFrame(1)->HideItem(&button);
    movie.GetFrame(2)->HideItem(&button);  // nothing left to remove
    ASSERT_EQ(movie.GetFrame(1)->Tags().size(), 1u);
    EXPECT_EQ(TagHex(*movie.GetFrame(1)->Tags()[0]), "44 01 02 00 F4 01");
    EXPECT_TRUE(movie.GetFrame(2)->Tags().empty());
}

}  // namespace
}  // namespace quillon
