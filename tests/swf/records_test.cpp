// The geometry records against their exact bytes.
#include <gtest/gtest.h>

#include "support/table.h"
#include "swf/records.h"

namespace quillon {
namespace {

class RecordBytes : public test::WriteBytes {};

TEST_P(RecordBytes, WritesExactly) { ExpectWritten(); }

const test::WriteCase kRecordCases[] = {
    {"IdentityMatrix", [](SwfStream &s) { Matrix().Write(s); }, "00"},
    {"TranslationOnly", [](SwfStream &s) { Matrix(0, 0, 0, 0, 0, 0, 200, -100).Write(s); }, "12 C8 CE 00"},
    {"ScaleTen", [](SwfStream &s) { Matrix(1, 0xA0000, 0xA0000, 0, 0, 0, 0, 0).Write(s); }, "D5 40 00 0A 00 00 04"},
    {"ZeroRotatePair", [](SwfStream &s) { Matrix(1, 0x10000, 0x8000, 1, 0, 0, 0, 0).Write(s); }, "C9 00 00 20 00 21 02 00"},
    {"Rect2000x1000", [](SwfStream &s) { Rect(0, 0, 2000, 1000).Write(s); }, "60 00 3E 80 00 1F 40"},
    {"RectEmpty", [](SwfStream &s) { Rect(0, 0, 0, 0).Write(s); }, "08 00"},
    {"Stage640x480", [](SwfStream &s) { Rect(0, 0, 12800, 9600).Write(s); }, "78 00 06 40 00 00 12 C0 00"},
    {"CxformNoTerms", [](SwfStream &s) { CxformWithAlpha(0, 0, 0, 0, 0, 0, 0, 0, 0, 0).Write(s); }, "04"},
    {"CxformMultTerms", [](SwfStream &s) { CxformWithAlpha(1, 0, 0, 0, 0, 0, 1, 1, 1, 1).Write(s); }, "49 54"},
    {"Rgba", [](SwfStream &s) { Rgba(255, 0, 0, 255).Write(s); }, "FF 00 00 FF"},
    {"Rgb", [](SwfStream &s) { Rgba c(255, 0, 0, 255); c.SetHasAlpha(0); c.Write(s); }, "FF 00 00"},
};

INSTANTIATE_TEST_SUITE_P(Table, RecordBytes, ::testing::ValuesIn(kRecordCases), test::RowName());

TEST(Rect, BothCornersCountInTheExtent) {
    Rect r(0, 0, 2000, 1000);
    EXPECT_EQ(r.Width(), 2001);
    EXPECT_EQ(r.Height(), 1001);
}

}  // namespace
}  // namespace quillon
