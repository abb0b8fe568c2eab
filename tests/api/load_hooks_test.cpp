// The load and unload hooks: attach only without a movie, detach releases an
// open movie and every table, thread events change nothing.
#include "api/api_fixture.h"
#include "api/load_hooks.h"

namespace quillon::test {
namespace {

using LoadHooks = ApiTest;

TEST_F(LoadHooks, AttachSucceedsWithoutMovie) {
    EXPECT_TRUE(OnLoadEvent(kProcessAttach));
    EXPECT_EQ(Observed(), "no movie");
}

TEST_F(LoadHooks, AttachFailsWhileMovieExists) {
    CreateMovie(640, 480, 3, 12);
    EXPECT_FALSE(OnLoadEvent(kProcessAttach));
    // A refused attach leaves the movie alone.
    EXPECT_EQ(Observed(), "frames 0, current -1, next []");
}

TEST_F(LoadHooks, ThreadEventsLeaveOpenMovie) {
    CreateMovie(640, 480, 3, 12);
    DuplicateFrame();
    SetSpritesCount(2);
    std::vector<uint8_t> pixels = Pixels32(1, 1);
    AddSprite(1, pixels.data(), 1, 1);
    for (int reason : {int{kThreadAttach}, int{kThreadDetach}, 7, -1})
        EXPECT_TRUE(OnLoadEvent(reason)) << "reason " << reason;
    // The movie, its frame and the sprite table with its sprite are there.
    ShowSprite(1);
    EXPECT_EQ(Kinds(0), (std::vector<std::string>{"Bitmap", "Shape", "Place"}));
    EXPECT_EQ(Observed(), "frames 1, current 0, next []");
}

TEST_F(LoadHooks, DetachDestroysOpenMovieWithoutWritingIt) {
    CreateMovie(640, 480, 3, 12);
    DuplicateFrame();
    NextSlide();
    SetSpritesCount(2);
    SetInfoCount(2);
    EXPECT_TRUE(OnLoadEvent(kProcessDetach));
    EXPECT_EQ(SlidesRecorded(), 0);
    // Not a byte kept: the tables hold no capacity either (no output shows
    // this; host.reload_with_movie_open measures it across unloads).
    LibraryState &s = State();
    EXPECT_EQ(s.sprites.capacity(), 0u);
    EXPECT_EQ(s.infos.capacity(), 0u);
    EXPECT_EQ(s.slideFrames.capacity(), 0u);
    // Nothing is left to write: a WriteMovie now writes no file.
    EXPECT_EQ(Observed(), "no movie");
    // The next load succeeds again, and a new movie finds no sprite or info
    // table.
    EXPECT_TRUE(OnLoadEvent(kProcessAttach));
    BeginMovie(640, 480);
    std::vector<uint8_t> pixels = Pixels32(1, 1);
    AddSprite(0, pixels.data(), 1, 1);
    ShowSprite(0);
    AddInfo(0, 0, 0, 1, 1, pixels.data(), Palette2(), 2);
    EXPECT_TRUE(Kinds(0).empty());
    EXPECT_EQ(Observed(), "frames 1, current 0, next []");
}

TEST_F(LoadHooks, DetachWithoutMovieIsHarmless) {
    EXPECT_TRUE(OnLoadEvent(kProcessDetach));
    EXPECT_TRUE(OnLoadEvent(kProcessDetach));
    EXPECT_EQ(Observed(), "no movie");
    EXPECT_EQ(SlidesRecorded(), 0);
}

}  // namespace
}  // namespace quillon::test
