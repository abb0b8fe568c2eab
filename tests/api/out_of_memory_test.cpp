// Out of memory at every allocation in turn, through both faces: no
// exception leaves the library, the handle face says QUILLON_ERROR_MEMORY
// and its movie goes on, the classic face writes nothing after a failure.
#include "api/library_state.h"
#include "api_fixture.h"
#include "quillon_movie.h"
#include "sound/wav_builder.h"
#include "support/allocation_hook.h"

namespace quillon::test {
namespace {

const std::vector<uint8_t> gArgb = Pixels32(2, 2);
const std::vector<uint8_t> gIndexes = Pixels8(24, 16);

// A three-slide deck with something of every kind, through the handle face;
// every status goes into statuses. A call that ran out of memory is made
// again, as a host would once memory is back.
void HandleDeck(QuillonMovie *m, const std::string &sound, std::vector<QuillonStatus> &statuses) {
    const int32_t box[4] = {1, 1, 6, 6};
    auto call = [&](auto make) {
        statuses.push_back(make());
        if (statuses.back() == QUILLON_ERROR_MEMORY) statuses.push_back(make());
    };
    call([&] { return quillon_movie_set_sprite_count(m, 1); });
    call([&] { return quillon_movie_add_sprite(m, 0, gArgb.data(), 2, 2); });
    call([&] { return quillon_movie_set_info_count(m, 1); });
    call([&] { return quillon_movie_init_animated_list(m); });
    for (int s = 0; s < 3; ++s) {
        call([&] { return quillon_movie_add_slide(m, gIndexes.data(), Palette2(), 2); });
        call([&] { return quillon_movie_show_sprite(m, 0); });
        call([&] { return quillon_movie_add_info(m, 0, 2, 2, 5, 5, gIndexes.data(), Palette2(), 2); });
        call([&] { return quillon_movie_add_pause_button(m, gArgb.data(), 8, 8, 2, 2); });
        call([&] { return quillon_movie_add_hyperlink(m, "http://example.org/", "_blank", 0, 0, 4, 4); });
        call([&] { return quillon_movie_add_rubber(m, s % 2, 1, 1, 12, 10, 1, 0xFF); });
        call([&] { return quillon_movie_add_attractor(m, 1, box, 0xFF00, 0xFF); });
        call([&] { return quillon_movie_animate_list(m); });
        if (s == 1) call([&] { return quillon_movie_add_sound(m, sound.c_str()); });
        call([&] { return quillon_movie_stop_frame(m, -1); });
        call([&] { return quillon_movie_next_slide(m); });
        call([&] { return quillon_movie_hide_sprite(m, 0); });
        call([&] { return quillon_movie_remove_buttons(m); });
    }
    call([&] { return quillon_movie_add_button(m, QUILLON_BUTTON_NEXT, gArgb.data(), gArgb.data(), gArgb.data(), 20, 12, 2, 2); });
    call([&] { return quillon_movie_add_automatic_hyperlink(m, 0, "http://example.org/", "_self"); });
}

TEST_F(ApiTest, HandleFaceSurvivesEveryFailedAllocation) {
    ASSERT_TRUE(WriteBytes(dir_ + "/tone.wav", PcmWav(1, 22050, 16, Samples16({1000, -1000, 500}))));
    const std::string sound = dir_ + "/tone.wav", path = Path();
    long n = 1;
    for (; n < 100000; ++n) {
        std::vector<QuillonStatus> statuses;
        statuses.reserve(100);
        QuillonMovie *m = nullptr;
        QuillonStatus written;
        bool failed, came;
        {
            FailingAllocation failing(n);
            m = quillon_movie_new(24, 16, 3, 12);
            if (m) {
                HandleDeck(m, sound, statuses);
                written = quillon_movie_write(m, path.c_str());
            }
            failed = FailingAllocation::Failed();
            came = FailingAllocation::Came();
        }
        if (!m) {
            EXPECT_TRUE(came) << "quillon_movie_new gave NULL with memory left, n = " << n;
            continue;
        }
        statuses.push_back(written);
        size_t memory = 0;
        for (QuillonStatus s : statuses) {
            EXPECT_TRUE(s == QUILLON_OK || s == QUILLON_ERROR_MEMORY) << "status " << s << ", n = " << n;
            memory += s == QUILLON_ERROR_MEMORY;
        }
        EXPECT_EQ(memory, failed ? 1u : 0u) << "n = " << n;
        // Still usable: one more slide, written and read back whole.
        EXPECT_EQ(quillon_movie_add_slide(m, gIndexes.data(), Palette2(), 2), QUILLON_OK) << "n = " << n;
        EXPECT_EQ(quillon_movie_write(m, Path("after.swf").c_str()), QUILLON_OK) << "n = " << n;
        SwfMovie movie;
        EXPECT_TRUE(ReadsBack(ReadFileBytes(Path("after.swf")), movie)) << "n = " << n;
        if (written == QUILLON_OK && !failed) {
            EXPECT_TRUE(ReadsBack(ReadFileBytes(Path()), movie));
            quillon_movie_free(m);
            break;
        }
        quillon_movie_free(m);
    }
    EXPECT_GT(n, 100) << "the deck needs more allocations than that";
    EXPECT_LT(n, 100000) << "an allocation failed in every run";
}

// The same deck through the 27 exports.
void ClassicDeck(const std::string &sound) {
    const int32_t box[4] = {1, 1, 6, 6};
    CreateMovie(24, 16, 3, 12);
    SetSpritesCount(1);
    AddSprite(0, gArgb.data(), 2, 2);
    SetInfoCount(1);
    InitAnimatedList();
    for (int s = 0; s < 3; ++s) {
        CreateFrame(gIndexes.data(), Palette2(), 2);
        ShowSprite(0);
        AddInfo(0, 2, 2, 5, 5, gIndexes.data(), Palette2(), 2);
        AddPauseButton(gArgb.data(), 8, 8, 2, 2);
        AddHyperLink("http://example.org/", "_blank", 0, 0, 4, 4);
        AddRubber(s % 2, 1, 1, 12, 10, 1, 0xFF);
        AddAtAttractor(1, box, 0xFF00, 0xFF);
        AnimateList();
        if (s == 1) AddSound(sound.c_str());
        StopFrame(-1);
        NextSlide();
        HideSprite(0);
        RemoveButtons();
    }
    AddButton(QUILLON_BUTTON_NEXT, gArgb.data(), gArgb.data(), gArgb.data(), 20, 12, 2, 2);
    AddAutomaticHyperLink(0, "http://example.org/", "_self");
}

TEST_F(ApiTest, ClassicFaceWritesNothingAfterAFailedAllocation) {
    ASSERT_TRUE(WriteBytes(dir_ + "/tone.wav", PcmWav(1, 22050, 16, Samples16({1000, -1000, 500}))));
    const Bytes old{'o', 'l', 'd'};
    const std::string sound = dir_ + "/tone.wav", path = Path();
    long n = 1;
    for (; n < 100000; ++n) {
        ASSERT_TRUE(WriteBytes(Path(), old));
        bool failed;
        {
            FailingAllocation failing(n);
            ClassicDeck(sound);
            WriteMovie(path.c_str());
            failed = FailingAllocation::Failed();
        }
        DestroyMovie();
        std::vector<uint8_t> bytes = ReadFileBytes(Path());
        if (failed) {
            EXPECT_EQ(bytes, old) << "n = " << n;
            continue;
        }
        SwfMovie movie;
        EXPECT_TRUE(ReadsBack(bytes, movie)) << "n = " << n;
        break;
    }
    EXPECT_GT(n, 100);
    EXPECT_LT(n, 100000);
}

}  // namespace
}  // namespace quillon::test
