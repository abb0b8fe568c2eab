// The strict reader refuses what a version-4 file may not hold (tags,
// actions, Push values, fill types, button record flags and sound formats of
// later versions) and takes what version 4 allows, so that a movie with a
// later construct fails every read-back.
#include <gtest/gtest.h>

#include "movie/movie_file.h"
#include "support/table.h"

namespace quillon {
namespace {

// A tag in a one-frame movie and the reader's first fault ("" = none).
struct Version4Case {
    const char *name;
    uint16_t code;
    const char *body;
    const char *fault;
};

// DefineShape3 1 with an empty RECT, one bitmap fill of this type (no
// bitmap, identity matrix), no line style and no records.
std::string ShapeWithFill(const char *type) { return std::string("01 00 10 00 01 ") + type + " FF FF 00 00 00 00"; }
const std::string kFill40 = ShapeWithFill("40"), kFill41 = ShapeWithFill("41"), kFill42 = ShapeWithFill("42"),
                  kFill43 = ShapeWithFill("43");

const Version4Case kCases[] = {
    {"RepeatingBitmapFill", test::kDefineShape3, kFill40.c_str(), ""},
    {"ClippedBitmapFill", test::kDefineShape3, kFill41.c_str(), ""},
    {"NonSmoothedRepeatingFill", test::kDefineShape3, kFill42.c_str(), "fill style type 66"},
    {"NonSmoothedClippedFill", test::kDefineShape3, kFill43.c_str(), "fill style type 67"},
    {"DefineBitsJpeg2", 21, "01 00 FF D8 FF D9", ""},
    {"Metadata", 77, "00", ""},
    {"ExportAssets", 56, "00 00", "came with version 5"},
    {"DoInitAction", 59, "01 00 00", "came with version 6"},
    {"FileAttributes", 69, "00 00 00 00", "came with version 8"},
    {"PlaceObject3", 70, "00 01 00", "came with version 8"},
    {"DefineShape4", 83, "", "came with version 8"},
    {"DoAbc", 82, "", "came with version 9"},
    {"UndefinedCode", 1000, "", "no tag of the format has this code"},
    {"PlaceObject2ClipActions", test::kPlaceObject2, "82 01 00 01 00", "clip actions do not exist"},
    {"ButtonRecordFilterList", test::kDefineButton2, "02 00 00 00 00 11", "button record flags 17"},
    {"ButtonRecordBlendMode", test::kDefineButton2, "02 00 00 00 00 21", "button record flags 33"},
    {"ButtonReservedFlags", test::kDefineButton2, "02 00 02 00 00", "reserved button flags"},
    {"StackActions", test::kDoAction, "96 08 00 00 61 00 01 00 00 80 3F 1D 00", ""},
    {"DefineLocalAction", test::kDoAction, "3C 00", "action 60 is not in version 4"},
    {"ConstantPoolAction", test::kDoAction, "88 02 00 00 00 00", "action 136 is not in version 4"},
    {"StrictEqualsAction", test::kDoAction, "66 00", "action 102 is not in version 4"},
    {"PushNull", test::kDoAction, "96 01 00 02 00", "Push value type 2"},
    {"Mp3Sound", test::kDefineSound, "01 00 22 00 00 00 00", ""},
    {"NellymoserSound", test::kDefineSound, "01 00 62 00 00 00 00", "sound format 6"},
    {"NellymoserStream", test::kSoundStreamHead, "0A 62 00 00", "sound format 6"},
};

class Version4Reader : public ::testing::TestWithParam<Version4Case> {};

TEST_P(Version4Reader, RefusesLaterConstructs) {
    const Version4Case &row = GetParam();
    MovieWriter writer;
    writer.AddTag(std::make_unique<test::RawTag>(row.code, test::Hex(row.body)));
    writer.AddTag(std::make_unique<ShowFrameTag>());
    SwfStream file;
    writer.Compose(file, 200_tw, 200_tw, 12);
    test::SwfMovie movie;
    std::string error;
    EXPECT_EQ(test::ReadSwf(test::Hex(test::StreamHex(file)), movie, error), *row.fault == '\0') << error;
    EXPECT_NE(error.find(row.fault), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Table, Version4Reader, ::testing::ValuesIn(kCases), test::RowName());

}  // namespace
}  // namespace quillon
