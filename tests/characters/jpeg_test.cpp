// JPEG slides: which JPEGs the marker check takes and why it refuses the
// others, the DefineBitsJPEG2 tag, and a JPEG image shape in a movie read
// back and decoded.
#include <cmath>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "characters/jpeg_check.h"
#include "characters/shapes.h"
#include "movie/movie_file.h"
#include "support/bytes.h"
#include "support/jpeg_builder.h"
#include "support/table.h"

namespace quillon {
namespace {

using test::FindJpegMarker, test::Hex, test::JpegColours, test::JpegRecipe, test::MakeJpeg;
using test::TagHex, test::ToHex;
using Bytes = std::vector<uint8_t>;

// The default test JPEG (32 x 16, YCbCr 4:2:0) with one byte changed, at an
// offset from its first marker segment of that code.
Bytes Patched(uint8_t marker, size_t offset, uint8_t value) {
    Bytes jpeg = MakeJpeg({});
    size_t at = FindJpegMarker(jpeg, marker);
    EXPECT_NE(at, 0u) << "no marker " << int(marker);
    if (at) jpeg[at + offset] = value;
    return jpeg;
}
Bytes Inserted(Bytes jpeg, size_t at, const char *hex) {
    Bytes more = Hex(hex);
    jpeg.insert(jpeg.begin() + static_cast<long>(at), more.begin(), more.end());
    return jpeg;
}
Bytes Cut(Bytes jpeg, size_t size) {
    jpeg.resize(size);
    return jpeg;
}
bool Holds(const Bytes &data, const char *hex) {
    Bytes part = Hex(hex);
    return std::search(data.begin(), data.end(), part.begin(), part.end()) != data.end();
}

const Bytes kBase = MakeJpeg({});
constexpr uint8_t kSof0 = 0xC0, kDqt = 0xDB, kDht = 0xC4;

struct CheckRow {
    const char *name;
    std::function<Bytes()> make;
    JpegFault fault;
    const char *message;  // "" when accepted
    uint32_t width = 32, height = 16;
};

void PrintTo(const CheckRow &row, std::ostream *out) { *out << row.name; }

class JpegChecks : public ::testing::TestWithParam<CheckRow> {};

TEST_P(JpegChecks, AcceptedOrRefused) {
    const CheckRow &row = GetParam();
    Bytes jpeg = row.make();
    JpegCheck check = CheckJpeg(jpeg.empty() ? nullptr : jpeg.data(), jpeg.size(), row.width, row.height);
    EXPECT_EQ(check.fault, row.fault);
    EXPECT_STREQ(check.message, row.message);
    // An accepted JPEG ends at its EOI; trailing bytes are left out.
    size_t end = jpeg.size();
    while (check.Accepted() && end >= 2 && !(jpeg[end - 2] == 0xFF && jpeg[end - 1] == 0xD9)) --end;
    EXPECT_EQ(check.length, check.Accepted() ? end : 0);
}

const CheckRow kCheckRows[] = {
    {"YCbCr420", [] { return kBase; }, JpegFault::None, ""},
    {"YCbCr444", [] { return MakeJpeg({32, 16, JpegColours::YCbCr, false}); }, JpegFault::None, ""},
    {"Grey", [] { return MakeJpeg({32, 16, JpegColours::Grey}); }, JpegFault::None, ""},
    {"OddSize", [] { return MakeJpeg({17, 9}); }, JpegFault::None, "", 17, 9},
    {"RestartMarkers",
     [] {
         JpegRecipe recipe;
         recipe.restartInterval = 1;
         Bytes jpeg = MakeJpeg(recipe);
         EXPECT_TRUE(Holds(jpeg, "FF D0") && Holds(jpeg, "FF DD"));
         return jpeg;
     },
     JpegFault::None, ""},
    {"Comment",
     [] {
         JpegRecipe recipe;
         recipe.comment = true;
         return MakeJpeg(recipe);
     },
     JpegFault::None, ""},
    {"FillBytesBeforeEOI", [] { return Inserted(kBase, kBase.size() - 2, "FF FF"); }, JpegFault::None, ""},
    {"BytesAfterEOI", [] { return Inserted(kBase, kBase.size(), "00 11 22 33"); }, JpegFault::None, ""},

    {"Empty", [] { return Bytes(); }, JpegFault::NotJpeg,
     "not JPEG data: it does not start with the SOI marker FF D8"},
    {"Png", [] { return Hex("89 50 4E 47 0D 0A 1A 0A"); }, JpegFault::NotJpeg,
     "not JPEG data: it does not start with the SOI marker FF D8"},
    {"SoiOnly", [] { return Hex("FF D8"); }, JpegFault::NoEnd, "JPEG data ends without its EOI marker"},
    {"Progressive",
     [] {
         JpegRecipe recipe;
         recipe.progressive = true;
         return MakeJpeg(recipe);
     },
     JpegFault::Progressive, "a progressive JPEG (SOF2); only baseline JPEG is taken"},
    {"Arithmetic",
     [] {
         JpegRecipe recipe;
         recipe.arithmetic = true;
         return MakeJpeg(recipe);
     },
     JpegFault::Arithmetic, "an arithmetic-coded JPEG (SOF9 to SOF15); only baseline JPEG is taken"},
    {"ArithmeticProgressive",
     [] {
         JpegRecipe recipe;
         recipe.arithmetic = recipe.progressive = true;
         return MakeJpeg(recipe);
     },
     JpegFault::Arithmetic, "an arithmetic-coded JPEG (SOF9 to SOF15); only baseline JPEG is taken"},
    {"Lossless", [] { return Patched(kSof0, 1, 0xC3); }, JpegFault::Lossless,
     "a lossless JPEG (SOF3); only baseline JPEG is taken"},
    {"Hierarchical", [] { return Patched(kSof0, 1, 0xC5); }, JpegFault::Hierarchical,
     "a hierarchical JPEG (SOF5 to SOF7); only baseline JPEG is taken"},
    {"Extended", [] { return Patched(kSof0, 1, 0xC1); }, JpegFault::Extended,
     "an extended sequential JPEG (SOF1); only baseline (SOF0) is taken"},
    {"TwelveBit",
     [] {
         Bytes jpeg = Patched(kSof0, 4, 12);
         jpeg[FindJpegMarker(jpeg, kSof0) + 1] = 0xC1;
         return jpeg;
     },
     JpegFault::Precision, "a JPEG of 12-bit samples; only 8-bit is taken"},
    {"SixteenBitTable", [] { return Patched(kDqt, 4, 0x10); }, JpegFault::Precision,
     "JPEG with a 16-bit quantisation table; only 8-bit is taken"},
    {"Cmyk", [] { return MakeJpeg({32, 16, JpegColours::Cmyk}); }, JpegFault::Components,
     "a JPEG of neither 1 nor 3 colour components (CMYK and YCCK have 4)"},
    {"Ycck",
     [] {
         Bytes jpeg = MakeJpeg({32, 16, JpegColours::Ycck});
         EXPECT_TRUE(Holds(jpeg, "41 64 6F 62 65"));  // "Adobe", whose transform is 2
         EXPECT_EQ(jpeg[FindJpegMarker(jpeg, 0xEE) + 15], 2);
         return jpeg;
     },
     JpegFault::Components, "a JPEG of neither 1 nor 3 colour components (CMYK and YCCK have 4)"},
    {"Rgb", [] { return MakeJpeg({32, 16, JpegColours::Rgb}); }, JpegFault::Colours,
     "a JPEG whose three components are not YCbCr (its Adobe transform is not 1)"},
    {"Narrower", [] { return kBase; }, JpegFault::WrongSize, "a JPEG of another size than the stage's", 33,
     16},
    {"Shorter", [] { return kBase; }, JpegFault::WrongSize, "a JPEG of another size than the stage's", 32, 15},
    {"CutInFrameHeader", [] { return Cut(kBase, FindJpegMarker(kBase, kSof0) + 8); }, JpegFault::Truncated,
     "JPEG data cut short inside a marker segment"},
    {"CutInScan", [] { return Cut(kBase, kBase.size() - 40); }, JpegFault::NoEnd,
     "JPEG data ends inside its scan, without its EOI marker"},
    {"NoEOI", [] { return Cut(kBase, kBase.size() - 2); }, JpegFault::NoEnd,
     "JPEG data ends inside its scan, without its EOI marker"},
    {"StrayByte", [] { return Inserted(kBase, 2, "00"); }, JpegFault::Malformed,
     "JPEG data holds stray bytes where a marker should be"},
    {"SecondSOI", [] { return Inserted(kBase, 2, "FF D8"); }, JpegFault::Malformed,
     "a JPEG marker (SOI, RSTn or TEM) outside its place"},
    {"HuffmanTable2", [] { return Patched(kDht, 4, 0x02); }, JpegFault::Malformed,
     "JPEG Huffman table segment of a wrong form for baseline"},
    {"EOIBeforeScan", [] { return Inserted(kBase, FindJpegMarker(kBase, 0xDA), "FF D9"); }, JpegFault::Malformed,
     "JPEG data ends before its frame header or its first scan"},
};
INSTANTIATE_TEST_SUITE_P(Rows, JpegChecks, ::testing::ValuesIn(kCheckRows), test::RowName());

TEST(JpegBitmap, TagBytes) {
    struct Row {
        const char *name;
        Bytes jpeg;
        const char *header;  // code 21 and the length
    } rows[] = {
        {"Short", Hex("FF D8 FF D9"), "46 05"},
        {"LongHeader", Bytes(61, 0xAB), "7F 05 3F 00 00 00"},  // 63 bytes: the long form
    };
    for (Row &row : rows) {
        SCOPED_TRACE(row.name);
        test::NextIdWillBe(7);
        JpegBitmap bitmap(test::Ids(), row.jpeg.data(), row.jpeg.size(), 32, 16);
        Bytes source = row.jpeg;
        std::fill(row.jpeg.begin(), row.jpeg.end(), 0);  // the tag keeps its own copy
        EXPECT_EQ(TagHex(bitmap), ToHex(Hex(std::string(row.header) + " 07 00 " + ToHex(source))));
        EXPECT_EQ(TagHex(*bitmap.CopyTag()), TagHex(bitmap));
    }
}

// A JPEG image shape draws as a lossless one does: the same DefineShape3
// with its clipped bitmap fill, after the bitmap's tag.
TEST(JpegBitmap, ImageShapeLikeALosslessOne) {
    const Twips w = Twips::FromPixels(32), h = Twips::FromPixels(16);
    test::NextIdWillBe(1);
    Bytes pixels(32 * 16, 0), palette(3, 0);
    ImageShape lossless(test::Ids(), 0_tw, 0_tw, w, h, BitmapPicture::ColourMapped(32, 16, pixels.data(), palette.data(), 1));
    Movie reference(test::Ids());
    reference.GetFrame(0)->ShowItem(&lossless);
    test::NextIdWillBe(1);
    ImageShape jpeg(0_tw, 0_tw, w, h, std::make_unique<JpegBitmap>(test::Ids(), kBase.data(), kBase.size(), 32, 16));
    Movie movie(test::Ids());
    movie.GetFrame(0)->ShowItem(&jpeg);
    ASSERT_EQ(test::TagKinds(*movie.GetFrame(0)), "JDP");
    for (size_t i = 1; i < 3; ++i)
        EXPECT_EQ(TagHex(*movie.GetFrame(0)->Tags()[i]), TagHex(*reference.GetFrame(0)->Tags()[i]));
}

// A JPEG slide over the stage: the checked JPEG up to its EOI in a
// DefineBitsJPEG2, then the shape and its placement; a refused JPEG gives
// no shape and draws no id.
TEST(JpegBitmap, JpegSlides) {
    struct Row {
        const char *name;
        Bytes jpeg;
        int32_t width, height;
        size_t kept;  // JPEG bytes in the tag; 0: refused
    } rows[] = {
        {"Accepted", kBase, 32, 16, kBase.size()},
        {"TrailingBytesLeftOut", Inserted(kBase, kBase.size(), "00 00"), 32, 16, kBase.size()},
        {"WrongSize", kBase, 16, 32, 0},
        {"Progressive", MakeJpeg({32, 16, JpegColours::YCbCr, true, true}), 32, 16, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Movie movie;
        JpegCheck check;
        auto slide = MakeJpegSlide(movie.Context(), row.jpeg.data(), row.jpeg.size(), row.width, row.height,
                                   check);
        EXPECT_EQ(check.Accepted(), row.kept != 0) << check.message;
        if (!row.kept) {
            EXPECT_EQ(slide, nullptr);
            EXPECT_EQ(movie.Context().CharacterIdsLeft(), 0xFFFFu);
            continue;
        }
        ASSERT_NE(slide, nullptr);
        movie.GetFrame(0)->ShowItem(slide.get());
        ASSERT_EQ(test::TagKinds(*movie.GetFrame(0)), "JDP");
        // The long header (code 21, length), the id 1, the JPEG.
        Bytes tag = Hex("7F 05");
        for (int shift = 0; shift < 32; shift += 8) tag.push_back(static_cast<uint8_t>((row.kept + 2) >> shift));
        tag.insert(tag.end(), {1, 0});
        tag.insert(tag.end(), row.jpeg.begin(), row.jpeg.begin() + static_cast<long>(row.kept));
        EXPECT_EQ(TagHex(*movie.GetFrame(0)->Tags()[0]), ToHex(tag));
        EXPECT_EQ(slide->Bounds().xMax, Twips::FromPixels(32));
    }
}

// Written into a movie, the slide reads back strictly, holds the JPEG as
// given and decodes close to the picture it was made from.
TEST(JpegBitmap, SlideReadsBackAndDecodes) {
    for (JpegColours colours : {JpegColours::YCbCr, JpegColours::Grey}) {
        SCOPED_TRACE(static_cast<int>(colours));
        Bytes source = MakeJpeg({64, 48, colours, false});
        Movie movie;
        ImageShape slide(0_tw, 0_tw, Twips::FromPixels(64), Twips::FromPixels(48),
                         std::make_unique<JpegBitmap>(movie.Context(), source.data(), source.size(), 64, 48));
        movie.SetSize(Twips::FromPixels(64), Twips::FromPixels(48));
        movie.GetFrame(0)->ShowItem(&slide);
        test::SwfMovie parsed;
        ASSERT_TRUE(test::ReadsBack(test::WriteAndRead(movie), parsed));
        ASSERT_EQ(parsed.Count(test::kDefineBitsJPEG2), 1u);
        const test::SwfTag &tag = *parsed.All(test::kDefineBitsJPEG2)[0];
        EXPECT_EQ(Bytes(tag.body.begin() + 2, tag.body.end()), source);
        test::SwfBitmap bitmap;
        ASSERT_TRUE(test::DecodeBitmap(tag, bitmap));
        ASSERT_EQ(bitmap.width, 64);
        ASSERT_EQ(bitmap.height, 48);
        Bytes rgb = test::JpegSourcePixels(64, 48);
        double error = 0;
        for (size_t i = 0; i < 64 * 48; ++i)
            for (size_t c = 0; c < 3; ++c) {
                int expected = colours == JpegColours::Grey
                                   ? (rgb[i * 3] * 3 + rgb[i * 3 + 1] * 6 + rgb[i * 3 + 2]) / 10
                                   : rgb[i * 3 + c];
                double d = bitmap.rgba[i * 4 + c] - expected;
                error += d * d;
            }
        double psnr = 10 * std::log10(255.0 * 255.0 / (error / (64 * 48 * 3)));
        EXPECT_GT(psnr, 35.0);
    }
}

// The reader refuses a JPEG tag that libjpeg cannot decode.
TEST(JpegBitmap, ReaderRefusesBrokenJpeg) {
    Bytes broken = Cut(kBase, kBase.size() / 2);
    test::SwfBitmap bitmap;
    std::string error;
    EXPECT_FALSE(test::DecodeJpeg(broken.data(), broken.size(), bitmap, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(test::DecodeJpeg(kBase.data(), kBase.size(), bitmap, error)) << error;
}

}  // namespace
}  // namespace quillon
