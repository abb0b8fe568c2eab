// The geometry records against their exact bytes.
#include <gtest/gtest.h>

#include "support/table.h"
#include "swf/records.h"

namespace quillon {
namespace {

class RecordBytes : public test::WriteBytes {};

TEST_P(RecordBytes, WritesExactly) { ExpectWritten(); }

const test::WriteCase kRecordCases[] = {
    {"IdentityMatrix", [](SwfStream &s) { Matrix::Identity().Write(s); }, "00"},
    {"TranslationOnly", [](SwfStream &s) { Matrix::Translate(200_tw, -100_tw).Write(s); }, "12 C8 CE 00"},
    // A translation by (0, 0) still writes its field, unlike the identity.
    {"TranslationZero", [](SwfStream &s) { Matrix::Translate(0_tw, 0_tw).Write(s); }, "02 00"},
    {"ScaleTen", [](SwfStream &s) { Matrix::Scale(10 * kFixedOne, 10 * kFixedOne).Write(s); }, "D5 40 00 0A 00 00 04"},
    {"ScaleTranslate",
     [](SwfStream &s) { Matrix::ScaleTranslate(kFixedOne, kFixedOne / 2, 200_tw, -100_tw).Write(s); },
     "C9 00 00 20 00 09 64 67 00"},
    {"ZeroRotatePair",
     [](SwfStream &s) { Matrix::ScaleRotateTranslate(kFixedOne, 0x8000, 0, 0, 0_tw, 0_tw).Write(s); },
     "C9 00 00 20 00 21 02 00"},
    {"Rect2000x1000", [](SwfStream &s) { Rect(0_tw, 0_tw, 2000_tw, 1000_tw).Write(s); }, "60 00 3E 80 00 1F 40"},
    {"RectEmpty", [](SwfStream &s) { Rect(0_tw, 0_tw, 0_tw, 0_tw).Write(s); }, "08 00"},
    {"Stage640x480",
     [](SwfStream &s) { Rect(Twips(), Twips(), Twips::FromPixels(640), Twips::FromPixels(480)).Write(s); },
     "78 00 06 40 00 00 12 C0 00"},
    {"CxformNoTerms", [](SwfStream &s) { CxformWithAlpha::None().Write(s); }, "04"},
    {"CxformMultTerms", [](SwfStream &s) { CxformWithAlpha::Multiply(1, 1, 1, 1).Write(s); }, "49 54"},
    {"CxformAddTerms", [](SwfStream &s) { CxformWithAlpha::Add(1, -1, 0, 3).Write(s); }, "8C F0 C0"},
    // Multiply terms first; both share the width of the largest term.
    {"CxformBothTerms",
     [](SwfStream &s) { CxformWithAlpha::MultiplyAdd({256, 256, 256, 128}, {-1, 0, 0, 0}).Write(s); },
     "E9 00 40 10 02 03 FF 00 00 00 00"},
    {"Rgba", [](SwfStream &s) { Rgba(255, 0, 0, 255).Write(s); }, "FF 00 00 FF"},
    {"Rgb", [](SwfStream &s) { Rgba c(255, 0, 0, 255); c.SetHasAlpha(0); c.Write(s); }, "FF 00 00"},
};

INSTANTIATE_TEST_SUITE_P(Table, RecordBytes, ::testing::ValuesIn(kRecordCases), test::RowName());

TEST(Rect, BothCornersCountInTheExtent) {
    Rect r(0_tw, 0_tw, 2000_tw, 1000_tw);
    EXPECT_EQ(r.Width().value(), 2001);
    EXPECT_EQ(r.Height().value(), 1001);
}

// Pixels become twips only through FromPixels, clamped to what the 31-bit
// fields hold; the arithmetic stays in twips.
TEST(Twips, FromPixelsClampsAndArithmeticStaysInTwips) {
    const struct {
        int32_t pixels, twips;
    } rows[] = {{0, 0}, {1, 20}, {-3, -60}, {kMaxPixels, kMaxPixels * 20}, {kMaxPixels + 1, kMaxPixels * 20},
                {INT32_MIN, -kMaxPixels * 20}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.pixels);
        EXPECT_EQ(Twips::FromPixels(row.pixels).value(), row.twips);
    }
    Twips t = Twips::FromPixels(2) - 5_tw;
    t += 1_tw;
    EXPECT_EQ(std::vector<int32_t>({t.value(), (-t).value(), (t + t).value()}), std::vector<int32_t>({36, -36, 72}));
    EXPECT_TRUE(1_tw < 2_tw && 2_tw > 1_tw && 1_tw <= 1_tw && 1_tw != 2_tw && Twips() == 0_tw);
}

}  // namespace
}  // namespace quillon
