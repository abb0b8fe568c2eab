// Movie and frames, the character id counter, and the file writer.
#include "movie/movie.h"

#include <algorithm>
#include <cstdio>

#include "platform/files.h"

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
        for (const auto &tag : frames_[static_cast<size_t>(f)]->Tags()) tag->TakeOrder(placed);
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
    size_t tags = static_cast<size_t>(frameCount_);
    for (int32_t f = 0; f < frameCount_; ++f) tags += frames_[static_cast<size_t>(f)]->Tags().size();
    writer.Reserve(tags);
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

void WriteHeader(SwfStream &h, uint32_t fileLength, Twips width, Twips height, int32_t rate,
                 int32_t frameCount) {
    // The stage RECT's field width never falls below the classic header's.
    constexpr uint32_t kLeastStageBits = 15;
    uint32_t bits = BitCount(static_cast<uint32_t>(MaxAbs(width.value(), height.value(), 0, 0)), 1);
    if (bits < kLeastStageBits) bits = kLeastStageBits;
    for (uint8_t letter : kSwfSignature) h.WriteUI8(letter);
    h.WriteUI8(kSwfVersion);
    h.WriteUI32(fileLength);
    h.WriteBits(bits, 5);
    h.WriteBits(0, bits);
    h.WriteBits(static_cast<uint32_t>(width.value()), bits);
    h.WriteBits(0, bits);
    h.WriteBits(static_cast<uint32_t>(height.value()), bits);
    h.FlushBits();
    h.WriteUI8(0);  // the frame rate's fraction (8.8 fixed point)
    h.WriteUI8(static_cast<uint32_t>(rate));
    h.WriteUI16(static_cast<uint32_t>(frameCount));
}

namespace {

// The size of the header, which depends only on the stage size.
uint32_t HeaderSize(Twips width, Twips height) {
    SwfStream probe;
    WriteHeader(probe, 0, width, height, 0, 0);
    return probe.Committed();
}

// Bytes gathered before they go to the file when streaming.
constexpr uint32_t kStreamBuffer = 1 << 16;

}  // namespace

uint32_t MovieWriter::WriteBody(SwfStream &s, uint32_t headerSize, std::FILE *file, bool &ok) {
    for (uint32_t i = 0; i < headerSize; ++i) s.WriteUI8(0);
    uint32_t length = 0;  // modulo 2^32, as the header field
    for (auto &tag : tags_) {
        tag->Write(s);
        if (file != nullptr && s.Committed() >= kStreamBuffer) {
            length += s.Length();
            ok = s.WriteToFile(file) && ok;
        }
    }
    s.WriteTag(TagCode::End, 0, nullptr);
    return length + s.Length();
}

void MovieWriter::Compose(SwfStream &s, Twips width, Twips height, int32_t rate) {
    uint32_t headerSize = HeaderSize(width, height);
    bool ok = true;
    uint32_t length = WriteBody(s, headerSize, nullptr, ok);
    SwfStream h;
    WriteHeader(h, length, width, height, rate, frameCount_);
    std::copy(h.Data(), h.Data() + headerSize, s.Data());
}

bool MovieWriter::Stream(std::FILE *file, Twips width, Twips height, int32_t rate) {
    uint32_t headerSize = HeaderSize(width, height);
    SwfStream s;
    bool ok = true;
    uint32_t length = WriteBody(s, headerSize, file, ok);
    ok = s.WriteToFile(file) && ok;
    SwfStream h;
    WriteHeader(h, length, width, height, rate, frameCount_);
    return ok && std::fseek(file, 0, SEEK_SET) == 0 &&
           std::fwrite(h.Data(), 1, headerSize, file) == headerSize;
}

bool MovieWriter::WriteFile(const char *path, Twips width, Twips height, int32_t rate) {
    if (path == nullptr || *path == '\0') return false;
    bool written = SaveFile(path, [&](std::FILE *file) {
        if (IsRegularFile(file)) return Stream(file, width, height, rate);
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
