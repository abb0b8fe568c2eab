// The RIFF chunk walk. Every position is computed in 64 bits and checked
// against the file's length before it is used.
#include "sound/riff_chunks.h"

#include "platform/files.h"

namespace quillon {

uint32_t ReadUI32(std::FILE *file, bool *complete) {
    uint8_t b[4] = {0, 0, 0, 0};
    if (std::fread(b, 1, 4, file) != 4 && complete) *complete = false;
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

uint16_t ReadUI16(std::FILE *file, bool *complete) {
    uint8_t b[2] = {0, 0};
    if (std::fread(b, 1, 2, file) != 2 && complete) *complete = false;
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

bool RiffChunks::Open(std::FILE *file) {
    file_ = file;
    started_ = false;
    position_ = 12;
    bool complete = true;
    if (ReadUI32(file, &complete) != ChunkId("RIFF") || !complete) return false;
    const uint32_t riffSize = ReadUI32(file, &complete);
    if (ReadUI32(file, &complete) != ChunkId("WAVE") || !complete) return false;
    const int64_t length = quillon::FileLength(file);
    if (length < 12) return false;
    fileLength_ = static_cast<uint64_t>(length);
    riffSizeAgrees_ = uint64_t{riffSize} + 8 == fileLength_;
    return true;
}

bool RiffChunks::Next() {
    if (started_) {
        uint64_t next = End();
        if (size_ % 2 == 1 && next < fileLength_) {
            uint8_t pad = 1;
            if (SeekTo(file_, next) && std::fread(&pad, 1, 1, file_) == 1 && pad == 0) next += 1;
        }
        position_ = next;
    }
    started_ = true;
    if (position_ + 8 > fileLength_ || !SeekTo(file_, position_)) return false;
    bool complete = true;
    id_ = ReadUI32(file_, &complete);
    size_ = ReadUI32(file_, &complete);
    return complete;
}

}  // namespace quillon
