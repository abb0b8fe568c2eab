// RiffChunks: the chunks of a RIFF/WAVE file one after another, as writers
// really store them (pad bytes left out, RIFF sizes never patched), with
// every position in 64 bits so that no chunk size can make the walk wrap.
#pragma once

#include <cstdint>
#include <cstdio>

namespace quillon {

// The next 4 (2) bytes of file as an unsigned little-endian value. When the
// file ends first, the missing bytes count as 0 and *complete (if given) is
// set to false; it is left alone otherwise.
uint32_t ReadUI32(std::FILE *file, bool *complete = nullptr);
uint16_t ReadUI16(std::FILE *file, bool *complete = nullptr);

// A chunk id: its four characters as a little-endian number.
constexpr uint32_t ChunkId(const char (&id)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(id[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(id[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(id[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(id[3])) << 24;
}

class RiffChunks {
public:
    // Reads the 12-byte header of file (open, at its start): false unless
    // it is "RIFF", a size and "WAVE", or when the length is unknown.
    bool Open(std::FILE *file);

    // Moves to the next chunk and reads its header; the file then stands at
    // the chunk's content. The walk ends (false) where no whole header is
    // left before the end of the file, or a header cannot be read; it goes
    // on to the end of the file whatever the RIFF size says. After an
    // odd-sized chunk comes its pad byte, unless a writer left it out: that
    // shows as a non-zero byte there, since ids never begin with a zero.
    bool Next();

    uint32_t Id() const { return id_; }
    uint32_t Size() const { return size_; }
    uint64_t Content() const { return position_ + 8; }
    // Where the content ends by its size, which may lie beyond the file.
    uint64_t End() const { return Content() + size_; }
    uint64_t FileLength() const { return fileLength_; }
    // Whether the RIFF size matches the file's length. Writers that stream
    // never patch it.
    bool RiffSizeAgrees() const { return riffSizeAgrees_; }

private:
    std::FILE *file_ = nullptr;
    uint64_t fileLength_ = 0;
    bool riffSizeAgrees_ = false;
    bool started_ = false;    // a chunk header was read
    uint64_t position_ = 12;  // of the current chunk's header
    uint32_t id_ = 0, size_ = 0;
};

}  // namespace quillon
