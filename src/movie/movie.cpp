// Movie and frames, the character id counter, and the file writer.
#include "movie/movie.h"

#include <algorithm>
#include <cstdio>

#include "movie/save_file.h"

namespace quillon {

namespace {
uint16_t characterIdCounter = 0;
uint32_t characterIdEpoch = 0;
uint64_t lastGeneration = 0;
}

Movie::Movie() : generation_(++lastGeneration) {}

uint32_t CharacterIdEpoch() { return characterIdEpoch; }

uint16_t NextCharacterId() {
    if (characterIdCounter == 0xFFFF) return 0;
    return ++characterIdCounter;
}

uint32_t CharacterIdsLeft() { return 0xFFFFu - characterIdCounter; }

void ResetCharacterIds() {
    characterIdCounter = 0;
    ++characterIdEpoch;
}

Frame *Movie::GetFrame(int32_t index) {
    if (index < 0) index = 0;  // callers pass 0 or more; never index below the array
    if (index + 1 > frameCount_) frameCount_ = index + 1;
    if (static_cast<size_t>(index) >= frames_.size()) {
        size_t slots = static_cast<size_t>(index) + 8;
        frames_.reserve(slots);
        while (frames_.size() < slots) frames_.push_back(std::make_unique<Frame>(this));
    }
    return frames_[static_cast<size_t>(index)].get();
}

void Movie::NumberPlacementTags() {
    uint32_t placed = 0;
    for (int32_t f = 0; f < frameCount_; ++f) {
        for (const auto &tag : frames_[static_cast<size_t>(f)]->Tags()) {
            if (auto *place = dynamic_cast<PlaceObject2Tag *>(tag.get())) place->SetOrder(placed++);
            else if (auto *remove = dynamic_cast<RemoveObjectTag *>(tag.get())) remove->SetOrder(placed);
        }
    }
}

bool Movie::WriteFile(const char *path) {
    size_t placed = 0;
    for (const auto &entry : placements_) placed += entry.second.size();
    // Depths are only reused beyond one per placement, and that needs to
    // know which placements share the stage.
    if (placed > kDepthCount) NumberPlacementTags();
    AssignDepths(placements_);
    MovieWriter writer;
    for (int32_t f = 0; f < frameCount_; ++f) {
        for (auto &tag : frames_[static_cast<size_t>(f)]->TakeTags()) writer.AddTag(std::move(tag));
        writer.AddTag(std::make_unique<ShowFrameTag>());
    }
    bool written = writer.WriteFile(path, width_, height_, frameRate_);
    frames_.clear();
    frameCount_ = 0;
    generation_ = ++lastGeneration;
    return written;
}

void MovieWriter::AddTag(std::unique_ptr<Tag> tag) {
    if (tag->EndsFrame()) ++frameCount_;
    tags_.push_back(std::move(tag));
}

void MovieWriter::WriteTags(SwfStream &stream) {
    for (auto &tag : tags_) tag->Write(stream);
}

void WriteHeader(SwfStream &h, uint32_t fileLength, int32_t width, int32_t height, int32_t rate,
                 int32_t frameCount) {
    uint32_t bits = BitCount(static_cast<uint32_t>(MaxAbs(width, height, 0, 0)), 1);
    if (bits < 15) bits = 15;
    h.WriteUI8(0x46);
    h.WriteUI8(0x57);
    h.WriteUI8(0x53);
    h.WriteUI8(4);
    h.WriteUI32(fileLength);
    h.WriteBits(bits, 5);
    h.WriteBits(0, bits);
    h.WriteBits(static_cast<uint32_t>(width), bits);
    h.WriteBits(0, bits);
    h.WriteBits(static_cast<uint32_t>(height), bits);
    h.FlushBits();
    h.WriteUI8(0);
    h.WriteUI8(static_cast<uint32_t>(rate));
    h.WriteUI16(static_cast<uint32_t>(frameCount));
}

void MovieWriter::Compose(SwfStream &s, int32_t width, int32_t height, int32_t rate) {
    // The placeholder has the size of the real header, which depends only on
    // the stage size.
    uint32_t headerSize;
    {
        SwfStream probe;
        WriteHeader(probe, 0, width, height, rate, frameCount_);
        headerSize = probe.Committed();
    }
    for (uint32_t i = 0; i < headerSize; ++i) s.WriteUI8(0);
    WriteTags(s);
    s.WriteTag(0, 0, nullptr);
    uint32_t length = s.Length();
    SwfStream h;
    WriteHeader(h, length, width, height, rate, frameCount_);
    std::copy(h.Data(), h.Data() + headerSize, s.Data());
}

bool MovieWriter::WriteFile(const char *path, int32_t width, int32_t height, int32_t rate) {
    if (path == nullptr || *path == '\0') return false;
    bool written = SaveFile(path, [&](std::FILE *file) {
        SwfStream s;
        Compose(s, width, height, rate);
        return s.WriteToFile(file);
    });
    // The ids restart only once a movie is on disk; after a failed write they
    // go on counting.
    if (written) ResetCharacterIds();
    return written;
}

}  // namespace quillon
