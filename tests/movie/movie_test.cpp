// Movie, frames and the file writer: exact files, frame slots, the stage
// header, the character id counter.
#include <string>
#include <tuple>

#include "characters/lossless_bitmap.h"
#include "movie/movie_file.h"

namespace quillon {
namespace {

using test::Hex;
using test::ToHex;
using test::WriteAndRead;

TEST(MovieFile, ExactSmallMovies) {
    struct Row {
        const char *name;
        int32_t frames;  // GetFrame(frames - 1) when positive
        const char *bytes;
    } rows[] = {
        {"NoFrame", 0, "46 57 53 04 17 00 00 00 78 00 05 5F 00 00 0F A0 00 00 0C 00 00 00 00"},
        {"OneFrame", 1, "46 57 53 04 19 00 00 00 78 00 05 5F 00 00 0F A0 00 00 0C 01 00 40 00 00 00"},
        {"FourEmptyFrames", 4,
         "46 57 53 04 1F 00 00 00 78 00 05 5F 00 00 0F A0 00 00 0C 04 00 40 00 40 00 40 00 40 00 00 00"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Movie movie(test::Ids());
        if (row.frames > 0) movie.GetFrame(row.frames - 1);
        EXPECT_EQ(ToHex(WriteAndRead(movie)), ToHex(Hex(row.bytes)));
    }
}

TEST(MovieFrames, SlotsGrowWithEightSpare) {
    struct Step {
        int32_t ask;
        size_t slots;
        int32_t frameCount;
    };
    struct Row {
        const char *name;
        std::vector<Step> steps;
    } rows[] = {
        {"FirstFrame", {{0, 8, 1}}},
        {"JumpThenBack", {{3, 11, 4}, {1, 11, 4}, {11, 19, 12}}},
        {"RisingOneByOne", {{0, 8, 1}, {1, 8, 2}, {7, 8, 8}, {8, 16, 9}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Movie movie(test::Ids());
        EXPECT_EQ(movie.SlotCount(), 0u);
        EXPECT_EQ(movie.FrameCount(), 0);
        for (const Step &step : row.steps) {
            SCOPED_TRACE(step.ask);
            Frame *frame = movie.GetFrame(step.ask);
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->GetMovie(), &movie);
            EXPECT_EQ(movie.SlotCount(), step.slots);
            EXPECT_EQ(movie.FrameCount(), step.frameCount);
        }
    }
}

TEST(MovieFrames, SameNumberSameFrame) {
    Movie movie(test::Ids());
    Frame *a = movie.GetFrame(2);
    EXPECT_EQ(movie.GetFrame(2), a);
    EXPECT_NE(movie.GetFrame(1), a);
}

// Frames 0 to frameCount - 1 each end with one ShowFrame, empty ones too;
// frames in spare slots are not written.
TEST(MovieFile, OneShowFramePerFrame) {
    Movie movie(test::Ids());
    movie.GetFrame(1)->AddTag(std::make_unique<RemoveObjectTag>(0, 0));  // a marker tag
    movie.GetFrame(3);
    std::vector<uint8_t> bytes = WriteAndRead(movie);
    // header(21), ShowFrame, RemoveObject, ShowFrame, ShowFrame, ShowFrame, End
    std::string expected = "46 57 53 04 25 00 00 00 78 00 05 5F 00 00 0F A0 00 00 0C 04 00"
                           " 40 00 44 01 00 00 00 00 40 00 40 00 40 00 00 00";
    EXPECT_EQ(ToHex(bytes), ToHex(Hex(expected)));
}

TEST(MovieFile, FileLengthCountsBitmapPayloads) {
    // Incompressible pixels, so the payload dwarfs the tags around it.
    std::vector<uint8_t> pixels = test::NoisePixels(64, 48, 7);
    Movie movie(test::Ids());
    movie.GetFrame(0)->AddTag(std::make_unique<LosslessBitmap>(test::Ids(), 5, 64, 48, 0, nullptr, pixels.data(), 1));
    movie.GetFrame(2)->AddTag(std::make_unique<LosslessBitmap>(test::Ids(), 5, 64, 48, 0, nullptr, pixels.data(), 0));
    std::vector<uint8_t> bytes = WriteAndRead(movie);
    ASSERT_GT(bytes.size(), 2u * 64 * 48 * 4);
    test::SwfMovie parsed;
    ASSERT_TRUE(test::ReadsBack(bytes, parsed));
    EXPECT_EQ(parsed.header.fileLength, bytes.size());
    EXPECT_EQ(parsed.header.frameCount, 3);
    EXPECT_EQ(parsed.FrameCodes(0), std::vector<uint16_t>{36});
    EXPECT_EQ(parsed.FrameCodes(1), std::vector<uint16_t>{});
    EXPECT_EQ(parsed.FrameCodes(2), std::vector<uint16_t>{20});
    std::vector<uint8_t> inflated;
    ASSERT_TRUE(test::InflateBitmap(*parsed.FrameTags(0)[0], inflated));
    EXPECT_EQ(inflated, pixels);
}

TEST(MovieFile, WriteEmptiesTheMovieAndKeepsItsSettings) {
    Movie movie(test::Ids());
    movie.SetSize(Twips::FromPixels(640), Twips::FromPixels(480));
    movie.SetFrameRate(25);
    movie.GetFrame(5)->AddTag(std::make_unique<ShowFrameTag>());
    WriteAndRead(movie, test::TempFile("first.swf"));
    test::ExpectEmptied(movie);
    EXPECT_EQ(std::make_tuple(movie.Width().value(), movie.Height().value(), movie.FrameRate()), std::make_tuple(12800, 9600, 25));
    // Written again without new content: the movie without frames.
    EXPECT_EQ(ToHex(WriteAndRead(movie, test::TempFile("second.swf"))),
              ToHex(Hex("46 57 53 04 17 00 00 00 78 00 06 40 00 00 12 C0 00 00 19 00 00 00 00")));
    // Filled again, it starts from frame 0.
    movie.GetFrame(0);
    EXPECT_EQ(movie.FrameCount(), 1);
}

TEST(MovieFile, FrameRateKeepsItsLowByte) {
    Movie movie(test::Ids());
    movie.SetFrameRate(0x1FF);
    std::vector<uint8_t> bytes = WriteAndRead(movie);
    ASSERT_EQ(bytes.size(), 23u);
    EXPECT_EQ(bytes[17], 0x00);
    EXPECT_EQ(bytes[18], 0xFF);
}

TEST(CharacterIds, RestartAfterASuccessfulWriteOnly) {
    test::Ids().ResetCharacterIds();
    EXPECT_EQ(test::Ids().NextCharacterId(), 1);
    EXPECT_EQ(test::Ids().NextCharacterId(), 2);
    Movie movie(test::Ids());
    movie.GetFrame(0);
    std::string missing = test::TempDir() + "/no-such-directory/m.swf";
    EXPECT_FALSE(movie.WriteFile(missing.c_str()));
    EXPECT_FALSE(test::FileExists(missing));
    test::ExpectEmptied(movie);
    EXPECT_EQ(test::Ids().NextCharacterId(), 3);  // a failed open leaves the counter
    WriteAndRead(movie, test::TempFile("ok.swf"));
    EXPECT_EQ(test::Ids().NextCharacterId(), 1);
}

// Ids never wrap: after 65535 there is no id (0) until the next reset.
TEST(CharacterIds, NoneAfter65535) {
    test::Ids().ResetCharacterIds();
    EXPECT_EQ(test::Ids().CharacterIdsLeft(), 65535u);
    for (int i = 1; i < 65535; ++i) test::Ids().NextCharacterId();
    EXPECT_EQ(test::Ids().CharacterIdsLeft(), 1u);
    EXPECT_EQ(test::Ids().NextCharacterId(), 65535);
    EXPECT_EQ(test::Ids().CharacterIdsLeft(), 0u);
    EXPECT_EQ(test::Ids().NextCharacterId(), 0);
    EXPECT_EQ(test::Ids().NextCharacterId(), 0);
    test::Ids().ResetCharacterIds();
    EXPECT_EQ(test::Ids().NextCharacterId(), 1);
    test::Ids().ResetCharacterIds();
}

// The stage RECT of a header as it must be: field width max(15, bits of the
// larger extent), Xmin and Ymin 0, packed most significant bit first and
// padded to a byte, apart from SwfStream.
std::vector<uint8_t> ExpectedStageRect(int32_t width, int32_t height) {
    uint32_t largest = static_cast<uint32_t>(width > height ? width : height);
    uint32_t bits = 1;
    while (bits < 32 && (largest >> (bits - 1)) != 0) ++bits;  // sign bit + magnitude
    if (bits < 15) bits = 15;
    std::vector<uint8_t> out((5 + 4 * bits + 7) / 8, 0);
    size_t at = 0;
    auto put = [&](uint32_t value, uint32_t n) {
        for (uint32_t i = n; i-- > 0; ++at)
            if ((value >> i) & 1u) out[at / 8] |= static_cast<uint8_t>(0x80 >> (at % 8));
    };
    put(bits, 5);
    for (uint32_t value : {0u, static_cast<uint32_t>(width), 0u, static_cast<uint32_t>(height)}) put(value, bits);
    return out;
}

std::vector<uint8_t> HeaderBytes(int32_t width, int32_t height) {
    SwfStream h;
    WriteHeader(h, 0x11223344, Twips::FromTwips(width), Twips::FromTwips(height), 12, 0x0102);
    return h.Content();
}

TEST(StageHeader, KnownStages) {
    struct Row {
        const char *name;
        int32_t widthPixels, heightPixels;
        size_t headerSize;
        const char *rect;
    } rows[] = {
        {"Default550x400", 550, 400, 21, "78 00 05 5F 00 00 0F A0 00"},
        {"640x480", 640, 480, 21, "78 00 06 40 00 00 12 C0 00"},
        {"819x819", 819, 819, 21, "78 00 07 FF 80 00 1F FE 00"},
        // 20480 x 15360 twips need 16-bit fields: 5 + 64 bits, still 9 bytes.
        {"1024x768", 1024, 768, 21, "80 00 02 80 00 00 01 E0 00"},
        {"1638x10", 1638, 10, 21, "80 00 03 FF C0 00 00 06 40"},
        // 32780 twips need 17 bits: 5 + 68 bits, 10 bytes.
        {"1639x10", 1639, 10, 22, "88 00 01 00 18 00 00 00 64 00"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        int32_t w = row.widthPixels * 20, h = row.heightPixels * 20;
        EXPECT_EQ(ToHex(ExpectedStageRect(w, h)), ToHex(Hex(row.rect)));
        Movie movie(test::Ids());
        movie.SetSize(Twips::FromTwips(w), Twips::FromTwips(h));
        movie.SetFrameRate(30);
        movie.GetFrame(0);
        std::vector<uint8_t> bytes = WriteAndRead(movie);
        ASSERT_EQ(bytes.size(), row.headerSize + 4);
        std::vector<uint8_t> rest(bytes.begin() + 8, bytes.end());
        EXPECT_EQ(ToHex(rest), ToHex(Hex(row.rect)) + " 00 1E 01 00 40 00 00 00");
        test::SwfMovie parsed;
        ASSERT_TRUE(test::ReadsBack(bytes, parsed));
        EXPECT_EQ(std::make_tuple(parsed.header.xMax, parsed.header.yMax, parsed.header.size),
                  std::make_tuple(w, h, row.headerSize));
    }
}

TEST(StageHeader, EveryStageUpTo819PixelsHasFifteenBitFields) {
    int mismatches = 0;
    std::string first;
    // Each size in full against a spread of the other (the two fields are
    // written independently), plus a grid.
    std::vector<std::pair<int32_t, int32_t>> stages;
    for (int32_t a = 0; a <= 819; ++a) {
        for (int32_t b : {0, 1, 2, 409, 410, 818, 819}) {
            stages.push_back({a, b});
            stages.push_back({b, a});
        }
    }
    for (int32_t a = 0; a <= 819; a += 13)
        for (int32_t b = 0; b <= 819; b += 11) stages.push_back({a, b});
    for (const auto &[w, h] : stages) {
        std::string header = ToHex(HeaderBytes(w * 20, h * 20));
        std::string expected = "46 57 53 04 44 33 22 11 " + ToHex(ExpectedStageRect(w * 20, h * 20)) + " 00 0C 02 01";
        if (header != expected && mismatches++ == 0)
            first = std::to_string(w) + "x" + std::to_string(h) + ": " + header + " instead of " + expected;
    }
    EXPECT_EQ(mismatches, 0) << first;
}

TEST(StageHeader, LargerStagesGetWiderFields) {
    struct Row {
        int32_t widthPixels, heightPixels;
        size_t headerSize;
    } rows[] = {
        {1638, 1638, 21}, {1639, 1, 22}, {1, 1639, 22}, {3276, 3276, 22}, {3277, 1, 22},
        {6553, 1, 22}, {6554, 1, 23}, {53687091, 53687091, 29},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.widthPixels) + "x" + std::to_string(row.heightPixels));
        int32_t w = row.widthPixels * 20, h = row.heightPixels * 20;
        std::vector<uint8_t> header = HeaderBytes(w, h);
        ASSERT_EQ(header.size(), row.headerSize);
        EXPECT_EQ(ToHex(header), "46 57 53 04 44 33 22 11 " + ToHex(ExpectedStageRect(w, h)) + " 00 0C 02 01");
    }
}

}  // namespace
}  // namespace quillon
