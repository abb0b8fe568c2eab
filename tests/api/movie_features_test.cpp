// The handle face's JPEG slides, navigation keys and stop-sounds, and go-to
// areas: statuses, and what the written movie holds.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "movie/movie_file.h"
#include "quillon_movie.h"
#include "support/bytes.h"
#include "support/jpeg_builder.h"

namespace quillon {
namespace {

using test::Hex, test::ToHex;
using Bytes = std::vector<uint8_t>;

// A 32 x 16 movie of three slides (frames 0 to 2), with its slides recorded
// unless asked otherwise.
struct Deck {
    QuillonMovie *movie = quillon_movie_new(32, 16, 3, 12);
    explicit Deck(bool record = true) {
        std::vector<uint8_t> pixels(32 * 16, 0), palette(3, 0);
        for (int i = 0; i < 3; ++i) {
            quillon_movie_add_slide(movie, pixels.data(), palette.data(), 1);
            if (record) quillon_movie_next_slide(movie);
        }
    }
    ~Deck() { quillon_movie_free(movie); }
    // The written movie, read back strictly.
    test::SwfMovie Written() {
        EXPECT_EQ(quillon_movie_write(movie, test::TempFile("features.swf").c_str()), QUILLON_OK);
        test::SwfMovie parsed;
        EXPECT_TRUE(test::ReadsBack(test::ReadFileBytes(test::TempFile("features.swf")), parsed));
        return parsed;
    }
};

bool EndsWith(const test::SwfTag &tag, const char *hex) {
    Bytes tail = Hex(hex);
    return tag.body.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), tag.body.rbegin());
}

TEST(HandleFace, JpegSlides) {
    const Bytes base = test::MakeJpeg({});
    test::JpegRecipe progressive, cmyk;
    progressive.progressive = true;
    cmyk.colours = test::JpegColours::Cmyk;
    struct Row {
        const char *name;
        Bytes jpeg;
        QuillonStatus status;
    } rows[] = {
        {"Baseline", base, QUILLON_OK},
        {"Progressive", test::MakeJpeg(progressive), QUILLON_ERROR_DATA},
        {"Cmyk", test::MakeJpeg(cmyk), QUILLON_ERROR_DATA},
        {"WrongSize", test::MakeJpeg({16, 16}), QUILLON_ERROR_DATA},
        {"Truncated", Bytes(base.begin(), base.begin() + 300), QUILLON_ERROR_DATA},
        {"NotJpeg", Hex("89 50 4E 47 0D 0A 1A 0A"), QUILLON_ERROR_DATA},
        {"Empty", {}, QUILLON_ERROR_ARGUMENT},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Deck deck(false);
        QuillonStatus status = quillon_movie_add_jpeg_slide(deck.movie, row.jpeg.empty() ? nullptr : row.jpeg.data(),
                                                            row.jpeg.size());
        EXPECT_EQ(status, row.status);
        EXPECT_EQ(std::strlen(quillon_movie_error(deck.movie)) != 0, row.status != QUILLON_OK);
        // A refused JPEG adds nothing: three frames and no JPEG tag.
        test::SwfMovie parsed = deck.Written();
        bool added = row.status == QUILLON_OK;
        EXPECT_EQ(parsed.header.frameCount, added ? 4 : 3);
        ASSERT_EQ(parsed.Count(test::kDefineBitsJPEG2), added ? 1u : 0u);
        if (added) {
            EXPECT_EQ(parsed.FrameCodes(3), (std::vector<uint16_t>{21, 32, 26}));
        }
    }
}

// The next button on the first slide goes to frame 1: its click, then
// Right, Page Down and Space, each with StopSounds first when asked.
TEST(HandleFace, NavigationStyles) {
    struct Row {
        const char *name;
        unsigned flags;
        const char *actions;  // the end of the first DefineButton2
    } rows[] = {
        {"Classic", 0, "00 00 08 00 81 02 00 01 00 00"},
        {"StopsSounds", QUILLON_NAVIGATION_STOPS_SOUNDS, "00 00 08 00 09 81 02 00 01 00 00"},
        {"Keys", QUILLON_NAVIGATION_KEYS,
         "0A 00 08 00 81 02 00 01 00 00 0A 00 00 04 81 02 00 01 00 00 0A 00 00 22 81 02 00 01 00 00"
         " 00 00 00 40 81 02 00 01 00 00"},
        {"Both", QUILLON_NAVIGATION_KEYS | QUILLON_NAVIGATION_STOPS_SOUNDS,
         "0B 00 08 00 09 81 02 00 01 00 00 0B 00 00 04 09 81 02 00 01 00 00 0B 00 00 22 09 81 02 00 01 00 00"
         " 00 00 00 40 09 81 02 00 01 00 00"},
    };
    const uint32_t face[4] = {};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Deck deck;
        ASSERT_EQ(quillon_movie_set_navigation(deck.movie, row.flags), QUILLON_OK);
        ASSERT_EQ(quillon_movie_add_button(deck.movie, QUILLON_BUTTON_NEXT, face, face, face, 0, 0, 2, 2),
                  QUILLON_OK);
        test::SwfMovie parsed = deck.Written();
        ASSERT_EQ(parsed.Count(test::kDefineButton2), 3u);  // one a slide
        EXPECT_TRUE(EndsWith(*parsed.All(test::kDefineButton2)[0], row.actions))
            << ToHex(parsed.All(test::kDefineButton2)[0]->body);
    }
    Deck deck;
    EXPECT_EQ(quillon_movie_set_navigation(deck.movie, 4), QUILLON_ERROR_ARGUMENT);
}

// A go-to area on slide 0 to slide 2 (frame 2): GotoFrame and Stop, after
// StopSounds when asked. A slide recorded after the area is made is found
// where it is recorded; one never recorded is frame 0.
TEST(HandleFace, GoToAreas) {
    struct Row {
        const char *name;
        bool record, recordAfter;
        unsigned flags;
        int32_t slide;
        QuillonStatus status;
        const char *actions;
    } rows[] = {
        {"ToSlide2", true, false, 0, 2, QUILLON_OK, "00 00 08 00 81 02 00 02 00 07 00"},
        {"StopsSounds", true, false, QUILLON_NAVIGATION_STOPS_SOUNDS, 2, QUILLON_OK, "00 00 08 00 09 81 02 00 02 00 07 00"},
        {"KeysDoNotApply", true, false, QUILLON_NAVIGATION_KEYS, 1, QUILLON_OK, "00 00 08 00 81 02 00 01 00 07 00"},
        {"PastTheLast", true, false, 0, 3, QUILLON_ERROR_ARGUMENT, ""},
        {"Negative", true, false, 0, -1, QUILLON_ERROR_ARGUMENT, ""},
        {"RecordedLater", false, true, 0, 2, QUILLON_OK, "00 00 08 00 81 02 00 04 00 07 00"},
        {"NeverRecorded", false, false, 0, 2, QUILLON_OK, "00 00 08 00 81 02 00 00 00 07 00"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Deck deck(row.record);
        quillon_movie_set_navigation(deck.movie, row.flags);
        EXPECT_EQ(quillon_movie_add_goto_area(deck.movie, row.slide, 1, 1, 10, 10), row.status);
        if (row.recordAfter) {
            // Slide 0 recorded at frame 3, slides 1 and 2 at 4, after the area.
            quillon_movie_duplicate_frame(deck.movie);
            quillon_movie_next_slide(deck.movie);
            quillon_movie_duplicate_frame(deck.movie);
            quillon_movie_next_slide(deck.movie);
            quillon_movie_next_slide(deck.movie);
        }
        test::SwfMovie parsed = deck.Written();
        ASSERT_EQ(parsed.Count(test::kDefineButton2), row.status == QUILLON_OK ? 1u : 0u);
        if (row.status == QUILLON_OK) {
            EXPECT_TRUE(EndsWith(*parsed.All(test::kDefineButton2)[0], row.actions));
        }
    }
}

}  // namespace
}  // namespace quillon
