// The tags a sound adds to its frame, byte for byte, for accepted, refused
// and missing WAV files; the SOUNDINFO record; and the AddSound export.
#include <gtest/gtest.h>

#include "api/library_state.h"
#include "quillon.h"
#include "sound/sound_tags.h"
#include "support/table.h"
#include "wav_builder.h"

namespace quillon {
namespace {

using test::Bytes, test::Hex, test::TagHex, test::ToHex;

// The frame's tags, each as hex.
std::vector<std::string> FrameTags(const Frame &frame) {
    std::vector<std::string> out;
    for (const auto &tag : frame.Tags()) out.push_back(TagHex(*tag));
    return out;
}

const Bytes kTwo1000 = test::PcmWav(1, 22050, 16, test::Samples16({1000, 1000}));

// A Sound (or a DefineSoundTag) of 5-bit codes read from the bytes of a file,
// which it closes, or from no file at all; character ids start again at 1.
template <class T = Sound>
std::unique_ptr<T> FromFile(const Bytes &bytes, bool missing = false) {
    test::Ids().ResetCharacterIds();
    OwnedFile f(missing ? nullptr : test::TempFileWith(bytes));
    EXPECT_TRUE(missing || f) << "no temporary file";
    return std::make_unique<T>(test::Ids(), std::move(f), 5);
}

// Every sound starts in its frame with the default SOUNDINFO.
const char kStartSound[] = "C3 03 01 00 10";

struct SoundCase {
    const char *name;
    bool missing;  // no file at all
    Bytes file;
    const char *streamHead;
    const char *defineSound;
};

const SoundCase kCases[] = {
    {"Two1000", false, kTwo1000, "84 04 0A 12 02 00", "8B 03 01 00 1A 02 00 00 00 C0 FA 00 08"},
    // The same four data bytes as 44 kHz 8-bit stereo: frames (E8, 03) twice.
    {"SameBytesStereo8Bit", false, test::PcmWav(2, 44100, 8, test::Samples16({1000, 1000})),
     "84 04 0D 13 02 00", "8E 03 01 00 1D 02 00 00 00 DA 00 00 83 00 00 21"},
    {"MissingFile", true, {}, "84 04 00 12 00 00", "87 03 01 00 00 00 00 00 00"},
    // A LIST chunk before the data is skipped: the same tags as Two1000.
    {"ListChunkSkipped", false,
     test::Wav(test::FmtContent(1, 1, 22050, 16), test::Samples16({1000, 1000}),
               test::Chunk("LIST", Bytes(20, 'i'))),
     "84 04 0A 12 02 00", "8B 03 01 00 1A 02 00 00 00 C0 FA 00 08"},
    // Refused files keep the fields read so far; never any data.
    {"NotRiff", false, Bytes(44, 0), "84 04 00 12 00 00", "87 03 01 00 10 00 00 00 00"},
    {"ZeroChannels", false, test::PcmWav(0, 22050, 16, Bytes(8, 1)), "84 04 00 12 00 00",
     "87 03 01 00 10 00 00 00 00"},
    // A data size beyond the file: the samples run to its end, two stereo
    // frames of 257 (0101): packet headers 0101 and index 0 for both
    // channels, then code 00001 twice.
    {"DataLongerThanFile", false,
     test::Riff(test::Cat({test::Chunk("fmt ", test::FmtContent(1, 2, 44100, 16)),
                           test::Chunk("data", Bytes(8, 1), 0x7FFFFFF0)}), 0x7FFFFFFF),
     "84 04 0F 13 02 00", "8E 03 01 00 1F 02 00 00 00 C0 40 40 01 01 00 21"},
    // 24-bit samples 010101 become 16-bit 0101: three mono frames of 257.
    {"TwentyFourBits", false, test::PcmWav(1, 22050, 24, Bytes(9, 1)), "84 04 0A 12 03 00",
     "8C 03 01 00 1A 03 00 00 00 C0 40 40 08 40"},
};

class SoundFrameTags : public ::testing::TestWithParam<SoundCase> {};

TEST_P(SoundFrameTags, AddsHeadDefinitionAndStart) {
    const SoundCase &c = GetParam();
    Movie movie(test::Ids());
    movie.GetFrame(0)->ShowItem(FromFile(c.file, c.missing).get());
    std::vector<std::string> want = {ToHex(Hex(c.streamHead)), ToHex(Hex(c.defineSound)),
                                     kStartSound};
    EXPECT_EQ(FrameTags(*movie.GetFrame(0)), want);
    EXPECT_TRUE(movie.Placements().empty());  // a sound is never placed
}

INSTANTIATE_TEST_SUITE_P(Table, SoundFrameTags, ::testing::ValuesIn(kCases), test::RowName());

TEST(Sound, SecondShowingOnlyStartsAgain) {
    auto sound = FromFile(kTwo1000);
    Movie movie(test::Ids());
    movie.GetFrame(0)->ShowItem(sound.get());
    movie.GetFrame(3)->ShowItem(sound.get());
    EXPECT_EQ(FrameTags(*movie.GetFrame(3)), std::vector<std::string>{kStartSound});
    EXPECT_EQ(movie.GetFrame(0)->Tags().size(), 3u);
}

// After the movie was written its DefineSound is gone: a StartSound would
// name a character the new movie lacks, so the sound adds nothing.
TEST(Sound, AfterTheMovieWasWrittenAddsNothing) {
    auto sound = FromFile(kTwo1000);
    Movie movie(test::Ids());
    movie.GetFrame(0)->ShowItem(sound.get());
    ASSERT_TRUE(movie.WriteFile((test::TempDir() + "/first.swf").c_str()));
    movie.GetFrame(0)->ShowItem(sound.get());
    EXPECT_TRUE(movie.GetFrame(0)->Tags().empty());
}

TEST(Sound, DefineSoundRefersToItsDataAsABlock) {
    auto tag = FromFile<DefineSoundTag>(kTwo1000);
    SwfStream s;
    tag->Write(s);
    ASSERT_EQ(s.Blocks().size(), 1u);
    EXPECT_EQ(s.Blocks()[0].data, tag->Encoded().data());
    EXPECT_EQ(s.Blocks()[0].size, 4u);
    EXPECT_EQ(s.Blocks()[0].offset, 9u);  // header 2, id 2, format 1, count 4
    EXPECT_EQ(s.Committed(), 9u);         // the data bytes are not copied
    EXPECT_EQ(tag->CharacterId(), 1);
}

// 70000 frames: the full count in DefineSound, the low 16 bits (4464) in
// SoundStreamHead, and a long header for the 7 + 43789 byte body.
TEST(Sound, SeventyThousandFrames) {
    Bytes file = test::PcmWav(1, 22050, 16, test::Samples16(test::Sine(70000, 1000, 22050, 8000)));
    Movie movie(test::Ids());
    movie.GetFrame(0)->ShowItem(FromFile(file).get());
    std::vector<std::string> tags = FrameTags(*movie.GetFrame(0));
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(tags[0], "84 04 0A 12 70 11");
    Bytes define = Hex(tags[1]);
    ASSERT_EQ(define.size(), 6u + 43796u);
    EXPECT_EQ(ToHex(Bytes(define.begin(), define.begin() + 16)),
              "BF 03 14 AB 00 00 01 00 1A 70 11 01 00 C0 00 3C");  // sample 0, index 60: step 2272 covers the next sample, 2249
    EXPECT_EQ(tags[2], kStartSound);
}

// A SOUNDINFO record or a sound tag, what it writes as hex, and the bytes
// it must write.
struct BytesCase {
    const char *name;
    std::string (*written)();
    const char *bytes;
};

std::string InfoHex(SoundInfoFields fields) { return test::WrittenHex(SoundInfo(std::move(fields))); }

template <class T, class... Args>
std::string TagHexOf(Args &&...args) {
    return test::WrittenHex(T(std::forward<Args>(args)...));
}

const BytesCase kInfoCases[] = {
    {"LibraryDefault", [] { return InfoHex({1, 0, 0, 0, 0, 0, 0, 0, 0, nullptr}); }, "10"},
    {"SyncStop", [] { return InfoHex({2, 0, 0, 0, 0, 0, 0, 0, 0, nullptr}); }, "20"},
    {"InPointOnly", [] { return InfoHex({0, 0, 0, 0, 1, 0x11223344, 9, 9, 9, nullptr}); },
     "01 44 33 22 11"},
    {"LoopsOnly", [] { return InfoHex({1, 0, 1, 0, 0, 0, 0, 0x1234, 0, nullptr}); }, "14 34 12"},
    {"Everything",
     [] {
         return InfoHex({2, 1, 1, 1, 1, 0x11223344, 0x55667788, 0x99AA, 1,
                         std::make_unique<SoundEnvelope>(SoundEnvelope{0x01020304, 0x0506, 0x0708})});
     },
     "2F 44 33 22 11 88 77 66 55 AA 99 01 04 03 02 01 06 05 08 07"},
};

const BytesCase kTagCases[] = {
    {"StreamHeadMono22k", [] { return TagHexOf<SoundStreamHeadTag>(0x0A, 0, 2); }, "84 04 0A 12 02 00"},
    {"StreamHeadStereo", [] { return TagHexOf<SoundStreamHeadTag>(0x0D, 1, 0xBEEF); },
     "84 04 0D 13 EF BE"},
    {"StartSound",
     [] {
         return TagHexOf<StartSoundTag>(0x0102, std::make_unique<SoundInfo>(SoundInfoFields{
                                                    1, 0, 0, 0, 0, 0, 0, 0, 0, nullptr}));
     },
     "C3 03 02 01 10"},
};

class SoundInfoBytes : public ::testing::TestWithParam<BytesCase> {};
class SoundTagBytes : public SoundInfoBytes {};

TEST_P(SoundInfoBytes, WritesExactly) { EXPECT_EQ(GetParam().written(), ToHex(Hex(GetParam().bytes))); }
TEST_P(SoundTagBytes, WritesExactly) { EXPECT_EQ(GetParam().written(), ToHex(Hex(GetParam().bytes))); }

INSTANTIATE_TEST_SUITE_P(Table, SoundInfoBytes, ::testing::ValuesIn(kInfoCases), test::RowName());
INSTANTIATE_TEST_SUITE_P(Table, SoundTagBytes, ::testing::ValuesIn(kTagCases), test::RowName());

// ---- The export --------------------------------------------------------

// A 550x400 movie of one frame at 12 fps, as hex, of the file length given.
std::string Header(int length) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer,
                  "46 57 53 04 %02X 00 00 00 78 00 05 5F 00 00 0F A0 00 00 0C 01 00", length);
    return buffer;
}

class AddSoundExport : public ::testing::Test {
protected:
    void SetUp() override {
        DestroyMovie();
        State().context.ResetCharacterIds();
        dir_ = test::TempDir();
        wav_ = dir_ + "/two.wav";
        ASSERT_TRUE(test::WriteBytes(wav_, kTwo1000));
    }
    void TearDown() override { DestroyMovie(); }
    std::string WriteAndRead() {
        std::string swf = dir_ + "/out.swf";
        WriteMovie(swf.c_str());
        return ToHex(test::ReadFileBytes(swf));
    }
    // The movie whose one frame (the one DuplicateFrame made) got AddSound(wav).
    std::string OneFrameWithSound(const char *wav) {
        CreateMovie(550, 400, 1, 12);
        DuplicateFrame();
        AddSound(wav);
        return WriteAndRead();
    }
    std::string dir_, wav_;
    // An empty stream head and DefineSound, the StartSound, ShowFrame, End.
    const std::string emptySound_ = Header(45) + " 84 04 00 12 00 00 87 03 01 00 00 00 00 00 00"
                                                 " C3 03 01 00 10 40 00 00 00";
};

TEST_F(AddSoundExport, FirstFrameGetsTheThreeTags) {
    EXPECT_EQ(OneFrameWithSound(wav_.c_str()),
              Header(49) + " 84 04 0A 12 02 00 8B 03 01 00 1A 02 00 00 00 C0 FA 00 08"
                           " C3 03 01 00 10 40 00 00 00");
}

TEST_F(AddSoundExport, MissingFileGivesAnEmptySound) {
    EXPECT_EQ(OneFrameWithSound((dir_ + "/absent.wav").c_str()), emptySound_);
}

TEST_F(AddSoundExport, NullNameGivesAnEmptySound) {
    EXPECT_EQ(OneFrameWithSound(nullptr), emptySound_);
}

TEST_F(AddSoundExport, WithoutAMovieDoesNothing) {
    AddSound(wav_.c_str());
    EXPECT_EQ(State().context.NextCharacterId(), 1);  // no sound character was made
}

TEST_F(AddSoundExport, BeforeTheFirstFrameDoesNothing) {
    CreateMovie(550, 400, 1, 12);
    AddSound(wav_.c_str());
    DuplicateFrame();
    EXPECT_EQ(WriteAndRead(), Header(25) + " 40 00 00 00");
    EXPECT_EQ(State().context.NextCharacterId(), 1);
}

}  // namespace
}  // namespace quillon
