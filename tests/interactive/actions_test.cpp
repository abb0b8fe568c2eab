// Action records, descriptors and DoAction tags.
#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "interactive/actions.h"
#include "movie/movie.h"
#include "support/bytes.h"

namespace quillon {
namespace {

using test::Hex, test::TagHex, test::TagKinds, test::ToHex, test::WrittenHex;

TEST(Actions, RecordBytes) {
    struct Row {
        const char *name;
        std::function<std::unique_ptr<Action>()> make;
        const char *bytes;
    } rows[] = {
        {"Play", [] { return PlayDescriptor().MakeAction(); }, "06"},
        {"Stop", [] { return StopDescriptor().MakeAction(); }, "07"},
        {"StopSounds", [] { return StopSoundsDescriptor().MakeAction(); }, "09"},
        {"GotoFrame5", [] { return GotoFrameDescriptor(5).MakeAction(); }, "81 02 00 05 00"},
        {"GotoFrame0", [] { return GotoFrameDescriptor(0).MakeAction(); }, "81 02 00 00 00"},
        {"GotoFrame65535", [] { return GotoFrameDescriptor(65535).MakeAction(); }, "81 02 00 FF FF"},
        {"GotoFrameModulo", [] { return GotoFrameDescriptor(70000).MakeAction(); }, "81 02 00 70 11"},
        {"GotoFrameNegative", [] { return GotoFrameDescriptor(-1).MakeAction(); }, "81 02 00 FF FF"},
        {"GetURLShort", [] { return GetURLDescriptor("a", "").MakeAction(); }, "83 03 00 61 00 00"},
        {"GetURLEmpty", [] { return GetURLDescriptor("", "").MakeAction(); }, "83 02 00 00 00"},
        {"GetURLNull", [] { return GetURLDescriptor(nullptr, nullptr).MakeAction(); }, "83 02 00 00 00"},
        {"GetURLBoth", [] { return GetURLDescriptor("http://x/", "_blank").MakeAction(); },
         "83 11 00 68 74 74 70 3A 2F 2F 78 2F 00 5F 62 6C 61 6E 6B 00"},
        {"GetURLHighBytes", [] { return GetURLDescriptor("\xE9", "\xFF").MakeAction(); }, "83 04 00 E9 00 FF 00"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(WrittenHex(*row.make()), ToHex(Hex(row.bytes)));
    }
}

// The GetURL action of url and target, whose payload must hold keptUrl and
// keptTarget bytes of them with their terminators and say so in its length
// field; empty when it does not.
std::vector<uint8_t> GetURLBytes(const std::string &url, const std::string &target, size_t keptUrl,
                                 size_t keptTarget) {
    std::vector<uint8_t> bytes = test::WrittenBytes(*GetURLDescriptor(url.c_str(), target.c_str()).MakeAction());
    size_t payload = keptUrl + 1 + keptTarget + 1;
    EXPECT_EQ(bytes.size(), 3 + payload);
    if (bytes.size() != 3 + payload) return {};
    EXPECT_EQ(bytes[1] | bytes[2] << 8, static_cast<int>(payload));
    return bytes;
}

// A length of 303: both bytes of the field in use.
TEST(Actions, LongURLLengthIsTwoBytes) { EXPECT_FALSE(GetURLBytes(std::string(300, 'u'), "t", 300, 1).empty()); }

// Texts longer than the 16-bit length can count are cut so that the length
// still matches the payload: the url keeps 65533 bytes, the target the rest.
TEST(Actions, TextsBeyondTheLengthFieldAreCutToFit) {
    struct Row {
        const char *name;
        size_t url, target, keptUrl, keptTarget;
    } rows[] = {
        {"UrlTooLong", 70000, 3, 65533, 0},
        {"TargetTooLong", 10, 70000, 10, 65523},
        {"JustFits", 65530, 3, 65530, 3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::string url(row.url, 'u'), target(row.target, 't');
        std::vector<uint8_t> bytes = GetURLBytes(url, target, row.keptUrl, row.keptTarget);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes[3 + row.keptUrl], 0);   // the url's terminator
        EXPECT_EQ(bytes.back(), 0);             // the target's
        EXPECT_EQ(bytes[3 + row.keptUrl + 1 + (row.keptTarget ? row.keptTarget - 1 : 0)],
                  row.keptTarget ? 't' : 0);
    }
}

// A cut never splits a UTF-8 character: it moves back to the character's
// first byte, so the kept text ends with whole characters.
TEST(Actions, TextsAreCutBetweenCharacters) {
    struct Row {
        const char *name;
        std::string url, target;
        size_t keptUrl, keptTarget;
    } rows[] = {
        {"TwoByteCharacterAtTheCut", std::string(65532, 'u') + "\xC3\xA9", "t", 65532, 1},
        {"ThreeByteCharacterAtTheCut", std::string(65531, 'u') + "\xE2\x82\xAC", "", 65531, 0},
        {"FourByteCharacterAtTheCut", std::string(65530, 'u') + "\xF0\x9F\x98\x80", "", 65530, 0},
        {"WholeCharacterBeforeTheCut", std::string(65531, 'u') + "\xC3\xA9x", "", 65533, 0},
        {"TargetCutBeforeItsCharacter", std::string(10, 'u'), std::string(65522, 't') + "\xC3\xA9", 10, 65522},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<uint8_t> bytes = GetURLBytes(row.url, row.target, row.keptUrl, row.keptTarget);
        ASSERT_FALSE(bytes.empty());
        std::string url(bytes.begin() + 3, bytes.begin() + 3 + static_cast<long>(row.keptUrl));
        std::string target(bytes.end() - 1 - static_cast<long>(row.keptTarget), bytes.end() - 1);
        EXPECT_EQ(url, row.url.substr(0, row.keptUrl));
        EXPECT_EQ(target, row.target.substr(0, row.keptTarget));
    }
}

TEST(DoAction, TagBytes) {
    struct Row {
        const char *name;
        std::function<void(DoActionTag &)> fill;
        const char *bytes;
    } rows[] = {
        {"Empty", [](DoActionTag &) {}, "01 03 00"},
        {"Stop", [](DoActionTag &t) { StopDescriptor().FillDoAction(t); }, "02 03 07 00"},
        {"PlayThenGoto", [](DoActionTag &t) { PlayDescriptor().FillDoAction(t); GotoFrameDescriptor(3).FillDoAction(t); },
         "07 03 06 81 02 00 03 00 00"},
        {"GetURL", [](DoActionTag &t) { GetURLDescriptor("a", "b").FillDoAction(t); }, "08 03 83 04 00 61 00 62 00 00"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        DoActionTag tag;
        row.fill(tag);
        EXPECT_EQ(TagHex(tag), ToHex(Hex(row.bytes)));
    }
}

TEST(DoAction, LongBodyTakesTheLongHeader) {
    std::string url(60, 'u');
    DoActionTag tag;
    GetURLDescriptor(url.c_str(), "").FillDoAction(tag);  // 3 + 62 + 1 = 66 bytes
    std::vector<uint8_t> bytes = test::WrittenBytes(tag);
    ASSERT_EQ(bytes.size(), 6u + 66);
    EXPECT_EQ(ToHex(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6)), "3F 03 42 00 00 00");
}

TEST(DoAction, EachAddActionsIsItsOwnTag) {
    Movie movie;
    Frame *frame = movie.GetFrame(0);
    frame->AddActions(StopDescriptor());
    frame->AddActions(PlayDescriptor());
    ASSERT_EQ(TagKinds(*frame), "AA");
    EXPECT_EQ(TagHex(*frame->Tags()[0]), "02 03 07 00");
    EXPECT_EQ(TagHex(*frame->Tags()[1]), "02 03 06 00");
}

// One descriptor applied twice makes two actions; each container owns its
// own, so destroying one leaves the other intact.
TEST(Descriptors, EveryApplicationMakesANewAction) {
    StopDescriptor stop;
    auto a = std::make_unique<DoActionTag>();
    DoActionTag b;
    stop.FillDoAction(*a);
    stop.FillDoAction(b);
    ASSERT_EQ(a->Actions().size(), 1u);
    ASSERT_EQ(b.Actions().size(), 1u);
    EXPECT_NE(a->Actions()[0].get(), b.Actions()[0].get());
    a.reset();
    EXPECT_EQ(TagHex(b), "02 03 07 00");
}

TEST(Descriptors, GetURLKeepsItsOwnCopies) {
    char url[] = "abc", target[] = "t";
    DoActionTag tag;
    {
        GetURLDescriptor d(url, target);
        d.FillDoAction(tag);
        ActionList list;
        d.FillConditionAction(list);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(WrittenHex(*list[0]), "83 06 00 61 62 63 00 74 00");
    }
    std::strcpy(url, "xyz");
    target[0] = 'q';
    EXPECT_EQ(TagHex(tag), "0A 03 83 06 00 61 62 63 00 74 00 00");
}

}  // namespace
}  // namespace quillon
