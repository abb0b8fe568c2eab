// Buttons: the DefineButton2 body, condition flags, state items defined once,
// and the tags a shown or hidden button adds.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "characters/shape_tag.h"
#include "characters/shapes.h"
#include "interactive/button.h"
#include "interactive/navigation.h"
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
        " 00 04 00";
    // Each condition action starts with its size (0 for the last); a key
    // press is the upper 7 bits of its condition word.
    const ButtonCase rows[] = {
        {"Play", [](Button &b) { b.AttachAction(PlayDescriptor(), 6); }, "A8 08 ", "00 00 08 00 06 00"},
        {"GotoFrame", [](Button &b) { b.AttachAction(GotoFrameDescriptor(3), 6); }, "AC 08 ",
         "00 00 08 00 81 02 00 03 00 00"},
        // Condition 0 and 10 set no flag; the action is still written.
        {"NoCondition", [](Button &b) { b.AttachAction(StopDescriptor(), 0); }, "A8 08 ",
         "00 00 00 00 07 00"},
        {"TwoConditions",
         [](Button &b) {
             b.AttachAction(PlayDescriptor(), 6);
             b.AttachAction(StopDescriptor(), 9);
         },
         "A9 08 ", "00 00 09 00 06 07 00"},
        // A GetURL payload of 21 bytes makes n = 24: body 63, long header.
        {"LongGetURL", [](Button &b) { b.AttachAction(GetURLDescriptor("0123456789abcdefghi", ""), 6); },
         "BF 08 3F 00 00 00 ",
         "00 00 08 00 83 15 00 30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66 67 68 69 00 00 00"},
        {"KeyRight",
         [](Button &b) {
             b.AttachAction(GotoFrameDescriptor(3), 6);
             b.AttachKeyAction(GotoFrameDescriptor(3), kKeyRight);
         },
         "B6 08 ", "0A 00 08 00 81 02 00 03 00 00 00 00 00 04 81 02 00 03 00 00"},
        // Actions for one key gather in one condition action.
        {"TwoActionsOneKey",
         [](Button &b) {
             b.AttachAction(PlayDescriptor(), 6);
             b.AttachKeyAction(StopDescriptor(), kKeyHome);
             b.AttachKeyAction(PlayDescriptor(), kKeyHome);
         },
         "AF 08 ", "06 00 08 00 06 00 00 00 00 06 07 06 00"},
        {"StopSoundsFirst", [](Button &b) { AttachGoTo(b, GoTo{3, true, false}); }, "AD 08 ",
         "00 00 08 00 09 81 02 00 03 00 00"},
        {"StopThere", [](Button &b) { AttachGoTo(b, GoTo{5, false, true}); }, "AD 08 ",
         "00 00 08 00 81 02 00 05 00 07 00"},
        // The click, then Right (02), Page Down (11) and Space (20).
        {"NextWithKeys", [](Button &b) { AttachGoTo(b, GoTo{2, true}, NavigationKeys(Navigation::Next)); },
         "BF 08 4E 00 00 00 ",
         "0B 00 08 00 09 81 02 00 02 00 00 0B 00 00 04 09 81 02 00 02 00 00"
         " 0B 00 00 22 09 81 02 00 02 00 00 00 00 00 40 09 81 02 00 02 00 00"},
        // Left (01), Page Up (10).
        {"PreviousWithKeys", [](Button &b) { AttachGoTo(b, GoTo{1}, NavigationKeys(Navigation::Previous)); },
         "BF 08 40 00 00 00 ", "0A 00 08 00 81 02 00 01 00 00 0A 00 00 02 81 02 00 01 00 00 00 00 00 20 81 02 00 01 00 00"},
        // Home (06 of the high byte) for the first slide, StopSounds first.
        {"FirstKeysStopSounds",
         [](Button &b) { AttachNavigation(b, Navigation::First, 0, NavigationStyle{true, true}); }, "B8 08 ",
         "0B 00 08 00 09 81 02 00 00 00 00 00 00 00 06 09 81 02 00 00 00 00"},
        // End (08 of the high byte) for the last.
        {"LastKeys", [](Button &b) { AttachNavigation(b, Navigation::Last, 9, NavigationStyle{true, false}); },
         "B6 08 ", "0A 00 08 00 81 02 00 09 00 00 00 00 00 08 81 02 00 09 00 00"},
        {"NavigationStyleOff", [](Button &b) { AttachNavigation(b, Navigation::Next, 3, NavigationStyle{}); },
         "AC 08 ", "00 00 08 00 81 02 00 03 00 00"},
        // With no keys asked, the classic navigation button's bytes.
        {"NoKeys", [](Button &b) { AttachGoTo(b, GoTo{3}, {}); }, "AC 08 ", "00 00 08 00 81 02 00 03 00 00"},
    };
    for (const ButtonCase &row : rows) {
        SCOPED_TRACE(row.name);
        NextIdWillBe(4);
        RectItem up(0_tw, 0_tw, 20_tw, 20_tw), over(0_tw, 0_tw, 20_tw, 20_tw), down(0_tw, 0_tw, 20_tw, 20_tw);
        Button button(&up, &over, &down, &down);
        row.attach(button);
        Movie movie(test::Ids());
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

// CondKeyPress fills bits 9 to 15 and leaves the mouse flags alone.
TEST(ConditionAction, KeyPressBits) {
    struct Row {
        uint16_t number;
        uint8_t key;
        uint16_t word;
    } rows[] = {{0, kKeyLeft, 0x0200}, {0, kKeySpace, 0x4000}, {0, 127, 0xFE00},
                {6, kKeyRight, 0x0408}, {1, kKeyPageDown, 0x2300}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.word);
        ConditionAction c;
        c.SetCondition(row.number);
        c.SetKeyPress(kKeyEnd);
        c.SetKeyPress(row.key);  // replaces the earlier key
        EXPECT_EQ(c.Conditions(), row.word);
        EXPECT_EQ(c.KeyPress(), row.key);
    }
}

// The keys of each navigation button, as the players number them.
TEST(Navigation, KeysOfEachButton) {
    struct Row {
        Navigation kind;
        std::vector<int> codes;
    } rows[] = {{Navigation::First, {3}}, {Navigation::Last, {4}}, {Navigation::Previous, {1, 16}},
                {Navigation::Next, {2, 17, 32}}};
    for (const auto &row : rows) {
        std::vector<int> codes(NavigationKeys(row.kind).begin(), NavigationKeys(row.kind).end());
        EXPECT_EQ(codes, row.codes);
    }
}

// A go-to area: one invisible rectangle (the hyperlink area's look) in four
// states; StopSounds when asked, GotoFrame, then Stop.
TEST(Navigation, GoToArea) {
    struct Row {
        const char *name;
        GoTo goTo;
        const char *header, *actions;
    } rows[] = {
        {"Plain", GoTo{4}, "AD 08 ", "00 00 08 00 81 02 00 04 00 07 00"},
        {"StopSounds", GoTo{300, true}, "AE 08 ", "00 00 08 00 09 81 02 00 2C 01 07 00"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        NextIdWillBe(1);
        RectItem hyperlinkArea(0, 0, 200, 100);
        hyperlinkArea.SetFillColour(Colour{0, 0, 0, 0});
        hyperlinkArea.SetLineColour(Colour{0, 0, 0, 0});
        Movie reference(test::Ids());
        reference.GetFrame(0)->ShowItem(&hyperlinkArea);
        NextIdWillBe(1);
        Movie movie(test::Ids());
        movie.GetFrame(0)->ShowItem(MakeGoToArea(0, 0, 200, 100, row.goTo).get());
        const auto &tags = movie.GetFrame(0)->Tags();
        ASSERT_EQ(TagKinds(*movie.GetFrame(0)), "DUP");
        EXPECT_EQ(TagHex(*tags[0]), TagHex(*reference.GetFrame(0)->Tags()[0]));
        EXPECT_EQ(TagHex(*tags[1]), ToHex(Hex(std::string(row.header) +
                                              "02 00 00 1F 00 01 01 00 01 00 00 04 02 01 00 01 00 00 04 04 01 00"
                                              " 01 00 00 04 08 01 00 01 00 00 04 00 " + row.actions)));
    }
}

// A condition action that another one follows carries the distance to it.
TEST(DefineButton2, TwoConditionActions) {
    DefineButton2Tag tag(test::Ids(), 0);
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
    test::Ids().ResetCharacterIds();
    const uint8_t pixels[4] = {};
    ImageShape face(test::Ids(), 0_tw, 0_tw, 20_tw, 20_tw, BitmapPicture::DirectColour(1, 1, pixels, 1));
    Button button(&face, &face, &face, &face);
    button.AttachAction(PlayDescriptor(), 6);
    Movie movie(test::Ids());
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
    test::Ids().ResetCharacterIds();
    RectItem up(0_tw, 0_tw, 20_tw, 20_tw), over(0_tw, 0_tw, 20_tw, 20_tw), down(0_tw, 0_tw, 20_tw, 20_tw);
    Movie movie(test::Ids());
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
    test::Ids().ResetCharacterIds();
    RectItem face(0_tw, 0_tw, 20_tw, 20_tw);
    Button button(&face, &face, &face, &face);
    button.SetDepth(500);
    button.AttachAction(StopDescriptor(), 6);
    Movie movie(test::Ids());
    movie.GetFrame(0)->ShowItem(&button);
    movie.GetFrame(1)->HideItem(&button);
    movie.GetFrame(2)->HideItem(&button);  // nothing left to remove
    ASSERT_EQ(movie.GetFrame(1)->Tags().size(), 1u);
    EXPECT_EQ(TagHex(*movie.GetFrame(1)->Tags()[0]), "44 01 02 00 F4 01");
    EXPECT_TRUE(movie.GetFrame(2)->Tags().empty());
}

}  // namespace
}  // namespace quillon
