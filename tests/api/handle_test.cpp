// The handle face: calls refused with their status and nothing added, and
// movies of several threads at once.
#include <thread>

#include "api/movie_record.h"
#include "api_fixture.h"
#include "quillon_movie.h"
#include "sound/wav_builder.h"
#include "support/table.h"

namespace quillon::test {
namespace {

const std::vector<uint8_t> gArgb = Pixels32(2, 2);
const std::vector<uint8_t> gIndexes = Pixels8(16, 16);
const int32_t gBox[4] = {1, 1, 5, 5};

// A 16 x 16 movie of two slides at the state a row needs.
enum class Setup { Fresh, Frame, Recorded, FullTable, NoIds, List };

void Prepare(QuillonMovie *m, Setup setup) {
    if (setup == Setup::Fresh) return;
    quillon_movie_add_slide(m, gIndexes.data(), Palette2(), 2);
    quillon_movie_set_sprite_count(m, 1);
    quillon_movie_set_info_count(m, 1);
    if (setup == Setup::Recorded) {
        quillon_movie_next_slide(m);
        quillon_movie_add_slide(m, gIndexes.data(), Palette2(), 2);
        quillon_movie_next_slide(m);
    }
    if (setup == Setup::FullTable)
        for (int i = 0; i < kButtonSlots; ++i) quillon_movie_add_hyperlink(m, "u", "t", 0, 0, 4, 4);
    if (setup == Setup::NoIds)
        while (m->context.CharacterIdsLeft() > 0) m->context.NextCharacterId();
    if (setup == Setup::List) quillon_movie_init_animated_list(m);
}

struct RefusedCall {
    const char *name;
    Setup setup;
    QuillonStatus (*call)(QuillonMovie *, const std::string &dir);
    QuillonStatus status;
};

using R = RefusedCall;
using D = const std::string &;
const RefusedCall kRefused[] = {
    {"NextSlideBeforeAFrame", Setup::Fresh, [](QuillonMovie *m, D) { return quillon_movie_next_slide(m); }, QUILLON_ERROR_ARGUMENT},
    {"NextSlideBeyondTheCount", Setup::Recorded, [](QuillonMovie *m, D) { return quillon_movie_next_slide(m); }, QUILLON_ERROR_ARGUMENT},
    {"SlideWithoutIdsLeft", Setup::NoIds, [](QuillonMovie *m, D) { return quillon_movie_add_slide(m, gIndexes.data(), Palette2(), 2); }, QUILLON_ERROR_LIMIT},
    {"JpegWithoutData", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_jpeg_slide(m, nullptr, 0); }, QUILLON_ERROR_ARGUMENT},
    {"StopBelowMinusOne", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_stop_frame(m, -2); }, QUILLON_ERROR_ARGUMENT},
    {"StopBeforeAFrame", Setup::Fresh, [](QuillonMovie *m, D) { return quillon_movie_stop_frame(m, -1); }, QUILLON_ERROR_ARGUMENT},
    {"StopPastTheLastFrame", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_stop_frame(m, 65535); }, QUILLON_ERROR_LIMIT},
    {"RemoveButtonsBeforeAFrame", Setup::Fresh, [](QuillonMovie *m, D) { return quillon_movie_remove_buttons(m); }, QUILLON_ERROR_ARGUMENT},
    {"PauseButtonBeforeAFrame", Setup::Fresh, [](QuillonMovie *m, D) { return quillon_movie_add_pause_button(m, gArgb.data(), 0, 0, 2, 2); }, QUILLON_ERROR_ARGUMENT},
    {"PauseButtonOfWidth0", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_pause_button(m, gArgb.data(), 0, 0, 0, 2); }, QUILLON_ERROR_ARGUMENT},
    {"PauseButtonTooHigh", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_pause_button(m, gArgb.data(), 0, 0, 2, 65536); }, QUILLON_ERROR_LIMIT},
    {"PauseButtonBeyondTheStage", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_pause_button(m, gArgb.data(), kMaxPixels, 0, 2, 2); }, QUILLON_ERROR_LIMIT},
    {"PauseButtonInAFullTable", Setup::FullTable, [](QuillonMovie *m, D) { return quillon_movie_add_pause_button(m, gArgb.data(), 0, 0, 2, 2); }, QUILLON_ERROR_LIMIT},
    {"PauseButtonWithoutIdsLeft", Setup::NoIds, [](QuillonMovie *m, D) { return quillon_movie_add_pause_button(m, gArgb.data(), 0, 0, 2, 2); }, QUILLON_ERROR_LIMIT},
    {"HyperlinkInAFullTable", Setup::FullTable, [](QuillonMovie *m, D) { return quillon_movie_add_hyperlink(m, "u", "t", 0, 0, 4, 4); }, QUILLON_ERROR_LIMIT},
    {"HyperlinkBeforeAFrame", Setup::Fresh, [](QuillonMovie *m, D) { return quillon_movie_add_hyperlink(m, "u", "t", 0, 0, 4, 4); }, QUILLON_ERROR_ARGUMENT},
    {"AutomaticLinkBelowMinusOne", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_automatic_hyperlink(m, -2, "u", "t"); }, QUILLON_ERROR_ARGUMENT},
    {"AutomaticLinkPastTheLastFrame", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_automatic_hyperlink(m, 70000, "u", "t"); }, QUILLON_ERROR_LIMIT},
    {"ButtonOfKind7", Setup::Recorded, [](QuillonMovie *m, D) { return quillon_movie_add_button(m, 7, gArgb.data(), gArgb.data(), gArgb.data(), 0, 0, 2, 2); }, QUILLON_ERROR_ARGUMENT},
    {"NextButtonBeforeTheSlides", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_button(m, QUILLON_BUTTON_NEXT, gArgb.data(), gArgb.data(), gArgb.data(), 0, 0, 2, 2); }, QUILLON_ERROR_ARGUMENT},
    {"ButtonOfHeight0", Setup::Recorded, [](QuillonMovie *m, D) { return quillon_movie_add_button(m, QUILLON_BUTTON_PLAY, gArgb.data(), gArgb.data(), gArgb.data(), 0, 0, 2, 0); }, QUILLON_ERROR_ARGUMENT},
    {"FirstButtonWithoutIdsLeft", Setup::NoIds, [](QuillonMovie *m, D) { return quillon_movie_add_button(m, QUILLON_BUTTON_FIRST, gArgb.data(), gArgb.data(), gArgb.data(), 0, 0, 2, 2); }, QUILLON_ERROR_LIMIT},
    {"SpriteOutsideTheTable", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_sprite(m, 1, gArgb.data(), 2, 2); }, QUILLON_ERROR_ARGUMENT},
    {"SpriteTooWide", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_sprite(m, 0, gArgb.data(), 65536, 2); }, QUILLON_ERROR_LIMIT},
    {"ShowAnEmptySpriteEntry", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_show_sprite(m, 0); }, QUILLON_ERROR_ARGUMENT},
    {"MoveAnEmptySpriteEntry", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_translate_sprite(m, 0, 1, 1); }, QUILLON_ERROR_ARGUMENT},
    {"HideASpriteBeforeAFrame", Setup::Fresh, [](QuillonMovie *m, D) { return quillon_movie_hide_sprite(m, 0); }, QUILLON_ERROR_ARGUMENT},
    {"ShowASpriteWithoutIdsLeft", Setup::NoIds, [](QuillonMovie *m, D) { quillon_movie_add_sprite(m, 0, gArgb.data(), 2, 2); return quillon_movie_show_sprite(m, 0); }, QUILLON_ERROR_LIMIT},
    {"InfoWithX2BeforeX1", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_info(m, 0, 5, 0, 4, 3, gIndexes.data(), Palette2(), 2); }, QUILLON_ERROR_ARGUMENT},
    {"InfoOutsideTheTable", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_info(m, 1, 0, 0, 3, 3, gIndexes.data(), Palette2(), 2); }, QUILLON_ERROR_ARGUMENT},
    {"InfoTooWide", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_info(m, 0, 0, 0, 70000, 3, gIndexes.data(), Palette2(), 2); }, QUILLON_ERROR_LIMIT},
    {"RemoveInfoBeforeAFrame", Setup::Fresh, [](QuillonMovie *m, D) { return quillon_movie_remove_all_info(m); }, QUILLON_ERROR_ARGUMENT},
    {"SoundWithoutAName", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_sound(m, nullptr); }, QUILLON_ERROR_ARGUMENT},
    {"SoundBeforeAFrame", Setup::Fresh, [](QuillonMovie *m, D d) { return quillon_movie_add_sound(m, (d + "/tone.wav").c_str()); }, QUILLON_ERROR_ARGUMENT},
    {"SoundFileMissing", Setup::Frame, [](QuillonMovie *m, D d) { return quillon_movie_add_sound(m, (d + "/absent.wav").c_str()); }, QUILLON_ERROR_FILE},
    {"SoundFileNoWav", Setup::Frame, [](QuillonMovie *m, D d) { return quillon_movie_add_sound(m, (d + "/text.wav").c_str()); }, QUILLON_ERROR_DATA},
    {"SoundWithoutIdsLeft", Setup::NoIds, [](QuillonMovie *m, D d) { return quillon_movie_add_sound(m, (d + "/tone.wav").c_str()); }, QUILLON_ERROR_LIMIT},
    {"RubberWithoutAList", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_rubber(m, 0, 1, 1, 9, 9, 1, 0xFF); }, QUILLON_ERROR_ARGUMENT},
    {"RubberOfKind2", Setup::List, [](QuillonMovie *m, D) { return quillon_movie_add_rubber(m, 2, 1, 1, 9, 9, 1, 0xFF); }, QUILLON_ERROR_ARGUMENT},
    {"RubberOfEqualCorners", Setup::List, [](QuillonMovie *m, D) { return quillon_movie_add_rubber(m, 0, 1, 1, 1, 9, 1, 0xFF); }, QUILLON_ERROR_ARGUMENT},
    {"RubberBeyondTheStage", Setup::List, [](QuillonMovie *m, D) { return quillon_movie_add_rubber(m, 0, 1, 1, kMaxPixels + 1, 9, 1, 0xFF); }, QUILLON_ERROR_LIMIT},
    {"AttractorOf0Boxes", Setup::List, [](QuillonMovie *m, D) { return quillon_movie_add_attractor(m, 0, gBox, 0xFF, 0xFF00); }, QUILLON_ERROR_ARGUMENT},
    {"AttractorOf11Boxes", Setup::List, [](QuillonMovie *m, D) { return quillon_movie_add_attractor(m, 11, gBox, 0xFF, 0xFF00); }, QUILLON_ERROR_ARGUMENT},
    {"AttractorWithoutBoxes", Setup::List, [](QuillonMovie *m, D) { return quillon_movie_add_attractor(m, 1, nullptr, 0xFF, 0xFF00); }, QUILLON_ERROR_ARGUMENT},
    {"AnimateWithoutAList", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_animate_list(m); }, QUILLON_ERROR_ARGUMENT},
    {"DestroyWithoutAList", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_destroy_animated_list(m); }, QUILLON_ERROR_ARGUMENT},
    {"UnknownNavigationFlag", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_set_navigation(m, 4); }, QUILLON_ERROR_ARGUMENT},
    {"JpegOfNoJpeg", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_jpeg_slide(m, gIndexes.data(), gIndexes.size()); }, QUILLON_ERROR_DATA},
    {"GoToAreaPastTheLastSlide", Setup::Frame, [](QuillonMovie *m, D) { return quillon_movie_add_goto_area(m, 99, 1, 1, 9, 9); }, QUILLON_ERROR_ARGUMENT},
};

class RefusedCalls : public ApiTest, public ::testing::WithParamInterface<RefusedCall> {
protected:
    // The movie after setup (and the call), written: empty when the write failed.
    std::vector<uint8_t> Written(bool withCall, QuillonStatus *status = nullptr) {
        QuillonMovie *m = quillon_movie_new(16, 16, 2, 12);
        EXPECT_NE(m, nullptr);
        if (!m) return {};
        Prepare(m, GetParam().setup);
        if (withCall) {
            *status = GetParam().call(m, dir_);
            error_ = quillon_movie_error(m);
        }
        std::string path = Path(withCall ? "with.swf" : "without.swf");
        EXPECT_EQ(quillon_movie_write(m, path.c_str()), QUILLON_OK) << quillon_movie_error(m);
        quillon_movie_free(m);
        return ReadFileBytes(path);
    }
    std::string error_;
};

TEST_P(RefusedCalls, ReturnTheirStatusAndAddNothing) {
    ASSERT_TRUE(WriteBytes(dir_ + "/tone.wav", PcmWav(1, 22050, 16, Samples16({1000, -1000}))));
    ASSERT_TRUE(WriteBytes(dir_ + "/text.wav", Bytes{'n', 'o', ' ', 'w', 'a', 'v'}));
    QuillonStatus status = QUILLON_OK;
    std::vector<uint8_t> with = Written(true, &status);
    EXPECT_EQ(status, GetParam().status);
    EXPECT_STRNE(error_.c_str(), "") << "the error says nothing";
    std::vector<uint8_t> without = Written(false);
    EXPECT_FALSE(without.empty());
    EXPECT_EQ(ToHex(with), ToHex(without)) << "the refused call added to the movie";
}

INSTANTIATE_TEST_SUITE_P(HandleFace, RefusedCalls, ::testing::ValuesIn(kRefused), RowName());

TEST_F(ApiTest, HandleFaceNullMovieAndNames) {
    EXPECT_EQ(quillon_movie_add_slide(nullptr, nullptr, nullptr, 0), QUILLON_ERROR_ARGUMENT);
    EXPECT_STRNE(quillon_movie_error(nullptr), "");
    QuillonMovie *m = quillon_movie_new(16, 16, 1, 12);
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(quillon_movie_error(m), "");
    EXPECT_EQ(quillon_movie_add_slide(m, gIndexes.data(), Palette2(), 2), QUILLON_OK);
    EXPECT_EQ(quillon_movie_write(m, nullptr), QUILLON_ERROR_ARGUMENT);
    EXPECT_EQ(quillon_movie_add_slide(m, gIndexes.data(), Palette2(), 2), QUILLON_OK);
    // A missing folder: FILE, and an existing file elsewhere is not touched.
    EXPECT_EQ(quillon_movie_write(m, Path("absent/movie.swf").c_str()), QUILLON_ERROR_FILE);
    EXPECT_STRNE(quillon_movie_error(m), "");
    EXPECT_EQ(quillon_movie_add_slide(m, gIndexes.data(), Palette2(), 2), QUILLON_OK);
    EXPECT_EQ(quillon_movie_write(m, Path().c_str()), QUILLON_OK);
    SwfMovie movie;
    EXPECT_TRUE(ReadsBack(ReadFileBytes(Path()), movie));
    quillon_movie_free(m);
    quillon_movie_free(nullptr);
}

// A movie of its own for each index: slides of other colours and counts.
std::vector<uint8_t> DeckBytes(int index, const std::string &path) {
    QuillonMovie *m = quillon_movie_new(24, 16, 3, 12);
    if (!m) return {};
    unsigned char palette[6] = {static_cast<unsigned char>(index), 0, 0, 0, 0, 255};
    std::vector<uint8_t> pixels(24 * 16, static_cast<uint8_t>(index % 2));
    quillon_movie_set_sprite_count(m, 1);
    quillon_movie_add_sprite(m, 0, gArgb.data(), 2, 2);
    for (int s = 0; s < 3; ++s) {
        quillon_movie_add_slide(m, pixels.data(), palette, 2);
        quillon_movie_translate_sprite(m, 0, index % 7, s);
        quillon_movie_show_sprite(m, 0);
        quillon_movie_stop_frame(m, -1);
        quillon_movie_next_slide(m);
    }
    quillon_movie_add_button(m, QUILLON_BUTTON_NEXT, gArgb.data(), gArgb.data(), gArgb.data(), 0, 0, 2, 2);
    QuillonStatus status = quillon_movie_write(m, path.c_str());
    quillon_movie_free(m);
    return status == QUILLON_OK ? ReadFileBytes(path) : std::vector<uint8_t>{};
}

TEST_F(ApiTest, HandleFaceFourThreadsWriteWhatOneWrites) {
    constexpr int kMovies = 100, kThreads = 4;
    std::vector<std::vector<uint8_t>> alone(kMovies), together(kMovies);
    for (int i = 0; i < kMovies; ++i) alone[i] = DeckBytes(i, Path("alone" + std::to_string(i) + ".swf"));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = t; i < kMovies; i += kThreads)
                together[i] = DeckBytes(i, Path("together" + std::to_string(i) + ".swf"));
        });
    for (auto &thread : threads) thread.join();
    for (int i = 0; i < kMovies; ++i) {
        ASSERT_FALSE(alone[i].empty()) << i;
        EXPECT_EQ(ToHex(together[i]), ToHex(alone[i])) << "movie " << i;
    }
    EXPECT_NE(alone[0], alone[1]);
    SwfMovie movie;
    EXPECT_TRUE(ReadsBack(alone[5], movie));
}

}  // namespace
}  // namespace quillon::test
