// The load and unload hooks: attach only without a movie, detach releases an
// open movie and every table, thread events change nothing.
#include "api/api_fixture.h"
#include "api/load_hooks.h"

namespace quillon::test {
namespace {

using LoadHooks = ApiTest;

TEST_F(LoadHooks, AttachSucceedsWithoutMovie) {
    ASSERT_FALSE(State().currentMovie);
    EXPECT_TRUE(OnLoadEvent(kProcessAttach));
    EXPECT_FALSE(State().currentMovie);
}

TEST_F(LoadHooks, AttachFailsWhileMovieExists) {
    CreateMovie(640, 480, 3, 12);
    EXPECT_FALSE(OnLoadEvent(kProcessAttach));
    EXPECT_TRUE(State().currentMovie) << "a refused attach must leave the movie alone";
}

TEST_F(LoadHooks, ThreadEventsLeaveOpenMovie) {
    CreateMovie(640, 480, 3, 12);
    DuplicateFrame();
    SetSpritesCount(2);
    const Movie *movie = State().currentMovie.get();
    for (int reason : {int{kThreadAttach}, int{kThreadDetach}, 7, -1}) {
        EXPECT_TRUE(OnLoadEvent(reason)) << "reason " << reason;
        EXPECT_EQ(State().currentMovie.get(), movie) << "reason " << reason;
        EXPECT_EQ(State().currentFrame, 0) << "reason " << reason;
        EXPECT_EQ(State().sprites.size(), 2u) << "reason " << reason;
    }
}

TEST_F(LoadHooks, DetachDestroysOpenMovieWithoutWritingIt) {
    CreateMovie(640, 480, 3, 12);
    DuplicateFrame();
    NextSlide();
    SetSpritesCount(2);
    SetInfoCount(2);
    EXPECT_TRUE(OnLoadEvent(kProcessDetach));
    EXPECT_EQ(StateLine(), "no movie, current -1, slides [], recorded 0, button -1");
    LibraryState &s = State();
    EXPECT_EQ(s.slideCount, 0);
    EXPECT_FALSE(s.animatedList);
    EXPECT_FALSE(s.hasSpriteTable);
    EXPECT_TRUE(s.sprites.empty());
    EXPECT_FALSE(s.hasInfoTable);
    // Not a byte kept: the tables hold no capacity either.
    EXPECT_EQ(s.sprites.capacity(), 0u);
    EXPECT_EQ(s.infos.capacity(), 0u);
    EXPECT_EQ(s.slideFrames.capacity(), 0u);
    // Nothing is left to write: a WriteMovie now writes no file.
    WriteMovie(Path().c_str());
    EXPECT_FALSE(FileExists(Path()));
    // The next load succeeds again.
    EXPECT_TRUE(OnLoadEvent(kProcessAttach));
}

TEST_F(LoadHooks, DetachWithoutMovieIsHarmless) {
    EXPECT_TRUE(OnLoadEvent(kProcessDetach));
    EXPECT_TRUE(OnLoadEvent(kProcessDetach));
    EXPECT_EQ(StateLine(), "no movie, current -1, slides [], recorded 0, button -1");
}

}  // namespace
}  // namespace quillon::test
