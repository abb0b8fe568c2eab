// Movie and frames, and the file writer.
#include "movie/movie.h"

#include <algorithm>
#include <cstdio>

#include "platform/files.h"

namespace quillon {

void Frame::ShowItem(FrameItem *item) {
    if (item) item->AddToFrame(*this, *movie_);
}

void Frame::HideItem(FrameItem *item) {
    if (item) item->RemoveFromFrame(*this, *movie_);
}

void Frame::AddTag(std::unique_ptr<Tag> tag) {
    // Room first: once the change has noted the frame, the tag goes in
    // without failing.
    if (tags_.size() == tags_.capacity()) tags_.reserve(tags_.size() * 2 + 4);
    movie_->NoteTag(*this);
    tags_.push_back(std::move(tag));
    movie_->NoteDefinition(*tags_.back());
}

void Movie::NoteTag(Frame &frame) {
    if (!change_.open || frame.changed_ == change_.number) return;
    change_.frames.emplace_back(&frame, frame.tags_.size());
    frame.changed_ = change_.number;
}

void Movie::NoteDefinition(const Tag &tag) {
    int32_t id = tag.DefinedCharacter();
    if (id >= 0 && id < kCharacterIds) defined_.set(static_cast<size_t>(id));
}

void Movie::AddPlacement(int32_t characterId, const PlacementRecord &record) {
    std::vector<PlacementRecord> &list = placements_[characterId];
    if (change_.open) change_.placed.emplace_back(characterId, list.size());
    list.push_back(record);
}

void Movie::ClosePlacement(int32_t characterId, RemoveObjectTag *remove) {
    std::vector<PlacementRecord> &list = placements_[characterId];
    if (list.empty()) return;
    if (change_.open) change_.closed.emplace_back(characterId, list.size() - 1);
    list.back().remove = remove;
}

void Movie::BeginChange() noexcept {
    EndChange();
    change_.open = true;
    change_.number += 1;
    change_.frameCount = frameCount_;
    change_.slots = frames_.size();
}

void Movie::EndChange() noexcept {
    change_.open = false;
    change_.frames.clear();
    change_.placed.clear();
    change_.closed.clear();
}

void Movie::UndoChange() noexcept {
    if (!change_.open) return;
    for (auto it = change_.closed.rbegin(); it != change_.closed.rend(); ++it) {
        auto found = placements_.find(it->first);
        if (found != placements_.end() && it->second < found->second.size())
            found->second[it->second].remove = nullptr;
    }
    for (auto it = change_.placed.rbegin(); it != change_.placed.rend(); ++it) {
        auto found = placements_.find(it->first);
        if (found == placements_.end()) continue;
        while (found->second.size() > it->second) found->second.pop_back();
    }
    for (const auto &touched : change_.frames) {
        std::vector<std::unique_ptr<Tag>> &tags = touched.first->tags_;
        while (tags.size() > touched.second) {
            int32_t id = tags.back()->DefinedCharacter();
            if (id >= 0 && id < kCharacterIds) defined_.reset(static_cast<size_t>(id));
            tags.pop_back();
        }
    }
    while (frames_.size() > change_.slots) frames_.pop_back();
    frameCount_ = change_.frameCount;
    EndChange();
}

Movie::Movie()
    : ownContext_(std::make_unique<MovieContext>()), context_(ownContext_.get()),
      generation_(context_->NewGeneration()) {}

Movie::Movie(MovieContext &context) : context_(&context), generation_(context.NewGeneration()) {}

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
    EndChange();
    // Whatever happens below, the frames are gone afterwards and the next
    // frames belong to a new generation.
    struct Emptied {
        Movie &movie;
        ~Emptied() {
            movie.frames_.clear();
            movie.frameCount_ = 0;
            movie.placements_.clear();
            movie.defined_.reset();
            movie.generation_ = movie.context_->NewGeneration();
        }
    } emptied{*this};
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
    bool written = writer.WriteFile(path, width_, height_, frameRate_, context_->SaveCount());
    // The ids restart only once a movie is on disk; after a failed write they
    // go on counting.
    if (written) context_->ResetCharacterIds();
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

bool MovieWriter::WriteFile(const char *path, Twips width, Twips height, int32_t rate,
                            uint64_t &saves) {
    if (path == nullptr || *path == '\0') return false;
    return SaveFile(path, saves, [&](std::FILE *file) {
        if (IsRegularFile(file)) return Stream(file, width, height, rate);
        SwfStream s;
        Compose(s, width, height, rate);
        return s.WriteToFile(file);
    });
}

}  // namespace quillon
