// Movie, Frame and MovieWriter: the frames of a movie as ordered tag lists,
// and the writer that turns them into one SWF file behind a patched header.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "movie/placement.h"
#include "movie/tag.h"
#include "platform/work_memory.h"
#include "swf/swf_stream.h"

namespace quillon {

class Movie;
class Frame;
class ActionDescriptor;

// What a frame can show and take off again: the item adds the tags that
// showing or hiding it takes (display items are the characters layer's).
class FrameItem {
public:
    virtual ~FrameItem() = default;
    virtual void AddToFrame(Frame &frame, Movie &movie) = 0;
    virtual void RemoveFromFrame(Frame &frame, Movie &movie) = 0;
};

// The ordered tags that change the stage at one frame. Owns its tags until the
// writer takes them; never owns the display items shown in it.
class Frame {
public:
    explicit Frame(Movie *movie) : movie_(movie) {}
    Frame(const Frame &) = delete;
    Frame &operator=(const Frame &) = delete;

    // Appends a tag; the movie notes it for an open change, and the
    // character it defines.
    void AddTag(std::unique_ptr<Tag> tag);
    // The item adds the tags that showing or hiding it takes.
    void ShowItem(FrameItem *item);
    void HideItem(FrameItem *item);
    // Adds one new DoAction tag filled by the descriptor.
    void AddActions(const ActionDescriptor &descriptor);

    Movie *GetMovie() const { return movie_; }
    const std::vector<std::unique_ptr<Tag>> &Tags() const { return tags_; }
    // Hands every tag to the caller, front to back, leaving the frame empty.
    std::vector<std::unique_ptr<Tag>> TakeTags() { return std::move(tags_); }

private:
    friend class Movie;
    std::vector<std::unique_ptr<Tag>> tags_;
    Movie *movie_;          // not owned
    uint64_t changed_ = 0;  // the movie's change that last noted this frame
};

class Movie {
public:
    // A movie with a context of its own.
    Movie();
    // A movie that draws its ids and generations from context, which must
    // outlive it: the movies made one after another by one host.
    explicit Movie(MovieContext &context);
    Movie(const Movie &) = delete;
    Movie &operator=(const Movie &) = delete;

    void SetSize(Twips width, Twips height) {
        width_ = width;
        height_ = height;
    }
    void SetFrameRate(int32_t rate) { frameRate_ = rate; }
    // The frame with that number (0 or more), created on demand together with
    // every frame before it; 8 spare slots are added beyond it when the slot
    // array grows.
    Frame *GetFrame(int32_t index);
    // The placement list of a character, created empty on first use.
    std::vector<PlacementRecord> &PlacementsFor(int32_t characterId) {
        return placements_[characterId];
    }
    // Appends a placement of the character, and closes the character's last
    // one with its RemoveObject.
    void AddPlacement(int32_t characterId, const PlacementRecord &record);
    void ClosePlacement(int32_t characterId, RemoveObjectTag *remove);
    // True when a frame of the movie holds the definition of the character.
    bool Defines(int32_t characterId) const {
        return characterId >= 0 && characterId < kCharacterIds && defined_.test(static_cast<size_t>(characterId));
    }

    // A change: from BeginChange on, the movie notes what its frames and
    // placements gain, so that UndoChange can take it back (a call that ran
    // out of memory half way) and EndChange keep it. Writing the movie ends
    // a change. Begin, End and Undo never fail.
    void BeginChange() noexcept;
    void EndChange() noexcept;
    void UndoChange() noexcept;
    // Assigns depths, writes the movie to path and empties it of frames (stage
    // size and frame rate stay). Returns true when the file was written
    // completely; on failure an existing file at path is left untouched.
    bool WriteFile(const char *path);

    // Identifies what the movie's frames refer to: unique to this movie and
    // renewed by every write, which discards the frames and restarts the
    // character ids. Items defined under another generation must define
    // themselves again.
    uint64_t Generation() const { return generation_; }
    MovieContext &Context() const { return *context_; }

    int32_t FrameCount() const { return frameCount_; }
    size_t SlotCount() const { return frames_.size(); }
    Twips Width() const { return width_; }
    Twips Height() const { return height_; }
    int32_t FrameRate() const { return frameRate_; }
    PlacementRegistry &Placements() { return placements_; }

private:
    friend class Frame;
    // Numbers the placements of the frames in file order; a removal gets the
    // number of placements before it.
    void NumberPlacementTags();
    // An open change's note of a tag about to be added to frame.
    void NoteTag(Frame &frame);
    void NoteDefinition(const Tag &tag);

    static constexpr int32_t kCharacterIds = 65536;
    // What an open change has to take back.
    struct Change {
        bool open = false;
        uint64_t number = 0;  // counts changes; Frame::changed_ compares with it
        int32_t frameCount = 0;
        size_t slots = 0;
        std::vector<std::pair<Frame *, size_t>> frames;    // tag counts before
        std::vector<std::pair<int32_t, size_t>> placed;    // list sizes before
        std::vector<std::pair<int32_t, size_t>> closed;    // placements closed
    };

    std::vector<std::unique_ptr<Frame>> frames_;  // slot i holds frame i
    int32_t frameCount_ = 0;  // 1 + highest frame number asked for
    int32_t frameRate_ = 12;  // only the low 8 bits reach the file
    Twips width_ = 11000_tw;
    Twips height_ = 8000_tw;
    PlacementRegistry placements_;
    std::bitset<kCharacterIds> defined_;  // the characters the frames define
    Change change_;
    std::unique_ptr<MovieContext> ownContext_;  // only for a movie made without one
    MovieContext *context_;                     // never null
    uint64_t generation_;
};

// Collects every tag of the movie with a ShowFrame after each frame and writes
// the file: streamed into a regular file, composed in one stream for a pipe
// or device.
class MovieWriter {
public:
    void Reserve(size_t tags) { tags_.reserve(tags); }
    void AddTag(std::unique_ptr<Tag> tag);
    // Writes the file through SaveFile (a regular file is replaced only once
    // every byte was written); saves counts the temporary files made.
    bool WriteFile(const char *path, Twips width, Twips height, int32_t rate, uint64_t &saves);
    // Fills an empty stream with the complete file image: header placeholder,
    // tags, End tag, then the real header copied over the placeholder.
    void Compose(SwfStream &stream, Twips width, Twips height, int32_t rate);
    // The same bytes written to a regular file as they come, through a small
    // buffer, the header last. Returns false when a write or the seek failed.
    bool Stream(std::FILE *file, Twips width, Twips height, int32_t rate);
    int32_t FrameCount() const { return frameCount_; }

private:
    // A zero header of headerSize bytes, every tag and the End tag into s;
    // with a file, s's content goes to it (ok false when a write falls short)
    // whenever a buffer's worth has gathered. Returns the file length.
    uint32_t WriteBody(SwfStream &s, uint32_t headerSize, std::FILE *file, bool &ok);

    int32_t frameCount_ = 0;  // ShowFrame tags added so far
    WorkVector<std::unique_ptr<Tag>> tags_;
};

// Writes the file header: "FWS", version 4, the file length, the stage RECT
// (field width max(15, bits the larger extent needs), so every stage up to
// 819 pixels keeps the classic 15-bit header), frame rate 8.8 and frame count.
void WriteHeader(SwfStream &h, uint32_t fileLength, Twips width, Twips height, int32_t rate,
                 int32_t frameCount);

}  // namespace quillon
