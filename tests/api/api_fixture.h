// Shared fixture of the export tests: a clean library state per test, a
// look at the tags of a frame, and the movie written and read back.
#pragma once

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/library_state.h"
#include "characters/lossless_bitmap.h"
#include "characters/shape_tag.h"
#include "interactive/actions.h"
#include "interactive/button.h"
#include "movie/movie_file.h"
#include "movie/placement.h"
#include "quillon.h"

namespace quillon::test {

// Short names of the tag kinds the exports add, for comparing tag orders.
inline std::string KindOf(const Tag &tag) {
    if (dynamic_cast<const LosslessBitmap *>(&tag)) return "Bitmap";
    if (dynamic_cast<const ShapeTag *>(&tag)) return "Shape";
    if (dynamic_cast<const DefineButton2Tag *>(&tag)) return "Button";
    if (dynamic_cast<const PlaceObject2Tag *>(&tag)) return "Place";
    if (dynamic_cast<const RemoveObjectTag *>(&tag)) return "Remove";
    if (dynamic_cast<const DoActionTag *>(&tag)) return "DoAction";
    return "Other";
}

// The tag as written: its code (e.g. a bitmap's, with or without alpha) and
// its body, without the short or long header.
inline SwfTag AsWritten(Tag &tag) {
    SwfTag written;
    EXPECT_TRUE(ReadWrittenTag(tag, written));
    return written;
}

inline std::string IdHex(uint16_t id) { return ToHex({static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8)}); }

// A movie at 12 frames a second with its first frame begun.
inline void BeginMovie(int32_t width, int32_t height, int32_t slides = 0) {
    CreateMovie(width, height, slides, 12);
    DuplicateFrame();
}

// 32-bit pixels of one value, and 8-bit pictures with a small palette.
inline std::vector<uint8_t> Pixels32(int32_t width, int32_t height, uint8_t value = 0x80) {
    return std::vector<uint8_t>(static_cast<size_t>(width) * height * 4, value);
}
inline std::vector<uint8_t> Pixels8(int32_t width, int32_t height) {
    std::vector<uint8_t> v(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i % 2);
    return v;
}
inline const unsigned char *Palette2() {
    static const unsigned char palette[6] = {255, 0, 0, 0, 0, 255};
    return palette;
}

// The frame that the last action of a tag body (a DoAction or a button's
// last condition action, both closed by one end byte) goes to; -1 when that
// action is no GotoFrame.
inline int32_t GotoTarget(const SwfTag &tag) {
    const std::vector<uint8_t> &b = tag.body;
    if (b.size() < 6) return -1;
    const uint8_t *a = b.data() + b.size() - 6;
    if (a[0] != 0x81 || a[1] != 0x02 || a[2] != 0x00 || a[5] != 0x00) return -1;
    return a[3] | a[4] << 8;
}
inline int32_t GotoTarget(Tag &tag) { return GotoTarget(AsWritten(tag)); }

class ApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        State().ReleaseAll();
        State().context.ResetCharacterIds();
        dir_ = TempDir();
    }
    void TearDown() override { State().ReleaseAll(); }

    LibraryState &S() { return State(); }
    Movie &M() { return *State().currentMovie; }

    // The tags of frame f, which must already be part of the movie (looking
    // a frame up would otherwise lengthen the movie).
    const std::vector<std::unique_ptr<Tag>> &Tags(int32_t f) {
        static const std::vector<std::unique_ptr<Tag>> none;
        EXPECT_TRUE(S().currentMovie);
        if (!S().currentMovie) return none;
        EXPECT_LT(f, M().FrameCount()) << "frame " << f << " is not part of the movie";
        if (f >= M().FrameCount()) return none;
        return M().GetFrame(f)->Tags();
    }
    std::vector<std::string> Kinds(int32_t f) {
        std::vector<std::string> out;
        for (const auto &tag : Tags(f)) out.push_back(KindOf(*tag));
        return out;
    }
    template <class T> T *TagAt(int32_t f, size_t i) {
        const auto &tags = Tags(f);
        EXPECT_LT(i, tags.size());
        return i < tags.size() ? dynamic_cast<T *>(tags[i].get()) : nullptr;
    }
    // What the library keeps between calls, as the next calls show it in
    // written files (the movie is written, hence emptied, on the way):
    // "no movie" when WriteMovie writes nothing; otherwise the frames the
    // movie holds, the current frame (where StopFrame(-1) then puts its
    // Stop; -1 when it puts none) and the slide table as "next" buttons then
    // read it: their targets in file order, none while a slide is still to
    // be recorded (AddButton refuses them).
    std::string Observed() {
        std::string path = Path("observed.swf");
        std::remove(path.c_str());
        WriteMovie(path.c_str());
        if (!FileExists(path)) return "no movie";
        SwfMovie before, after;
        EXPECT_TRUE(ReadsBack(ReadFileBytes(path), before)) << path;
        StopFrame(-1);
        std::vector<uint8_t> face = Pixels32(1, 1);
        AddButton(QUILLON_BUTTON_NEXT, face.data(), face.data(), face.data(), 0, 0, 1, 1);
        after = WriteAndRead("observed-next.swf");
        std::ostringstream out;
        out << "frames " << before.header.frameCount << ", current ";
        const std::vector<const SwfTag *> stops = after.All(kDoAction);
        out << (stops.empty() ? -1 : stops.back()->frame) << ", next [";
        const char *gap = "";
        for (const SwfTag *button : after.All(kDefineButton2)) {
            out << gap << GotoTarget(*button);
            gap = " ";
        }
        out << "]";
        return out.str();
    }
    // The one thing that no output shows: how many slides the library has
    // recorded, also when it has no movie (CreateMovie starts again at 0).
    int32_t SlidesRecorded() { return S().slidesRecorded; }
    size_t TotalTags() {
        size_t n = 0;
        for (int32_t f = 0; f < M().FrameCount(); ++f) n += M().GetFrame(f)->Tags().size();
        return n;
    }

    std::string Path(const std::string &name = "movie.swf") const { return dir_ + "/" + name; }

    // Writes the current movie through the export and reads it back with the
    // strict reader, stacking check included; a fault in the file fails the
    // test.
    SwfMovie WriteAndRead(const std::string &name = "movie.swf") {
        SwfMovie movie;
        std::vector<uint16_t> keys;
        if (S().currentMovie) keys = StackingKeys(M());
        WriteMovie(Path(name).c_str());
        EXPECT_TRUE(ReadsBack(ReadFileBytes(Path(name)), movie, &keys)) << Path(name);
        return movie;
    }
    // The same for one row of a table, whose movie is then destroyed.
    SwfMovie WriteReadAndDestroy(const std::string &name) {
        SwfMovie movie = WriteAndRead(name + ".swf");
        DestroyMovie();
        return movie;
    }

    std::string dir_;
};

}  // namespace quillon::test
