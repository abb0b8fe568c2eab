// A walk over the chunks of a RIFF/WAVE file: "fmt " gives the encoding,
// the channels and the rate; "data" the samples' bytes.
#include "slides/wave_chunks.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quillon_tools {

namespace {

// WAVE_FORMAT_* tags of the encodings the library reads.
constexpr uint16_t kPcm = 0x0001, kMsAdpcm = 0x0002, kFloat = 0x0003, kALaw = 0x0006,
                   kMuLaw = 0x0007, kImaAdpcm = 0x0011, kExtensible = 0xFFFE;

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};

uint32_t Le32(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const unsigned char *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// A chunk id is four printable characters.
bool LooksLikeId(const unsigned char *id) {
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E) return false;
    return true;
}

bool ReadAt(std::FILE *f, uint64_t at, unsigned char *out, size_t n) {
    return std::fseek(f, static_cast<long>(at), SEEK_SET) == 0 && std::fread(out, 1, n, f) == n;
}

void ReadFormat(std::FILE *f, uint64_t at, uint32_t size, WaveChunks &chunks) {
    unsigned char fmt[40] = {0};
    if (size < 16 || !ReadAt(f, at, fmt, size < 40 ? size : 40)) return;
    chunks.hasFormat = true;
    chunks.formatTag = Le16(fmt);
    chunks.channels = Le16(fmt + 2);
    chunks.rate = Le32(fmt + 4);
    // WAVE_FORMAT_EXTENSIBLE: the encoding is the subformat GUID's first two bytes.
    if (chunks.formatTag == kExtensible && size >= 26) chunks.formatTag = Le16(fmt + 24);
}

}  // namespace

bool ReadWaveChunks(const std::string &path, WaveChunks &chunks) {
    chunks = WaveChunks();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    struct stat st;
    unsigned char head[12];
    if (!file || fstat(fileno(file.get()), &st) != 0 || !ReadAt(file.get(), 0, head, 12) ||
        std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return false;
    const uint64_t end = static_cast<uint64_t>(st.st_size);
    bool odd = false;  // the chunk before was of odd size
    for (uint64_t at = 12; at + 8 <= end;) {
        unsigned char header[8];
        if (!ReadAt(file.get(), at, header, 8)) break;
        if (!LooksLikeId(header) && odd) {
            // No pad byte after the odd-sized chunk before.
            --at;
            if (!ReadAt(file.get(), at, header, 8) || !LooksLikeId(header)) break;
        }
        const uint32_t size = Le32(header + 4);
        if (std::memcmp(header, "fmt ", 4) == 0) ReadFormat(file.get(), at + 8, size, chunks);
        if (std::memcmp(header, "data", 4) == 0) {
            chunks.hasData = true;
            chunks.dataBytes = std::min<uint64_t>(size, end - at - 8);
            break;
        }
        at += 8 + uint64_t(size) + (size & 1);
        odd = (size & 1) != 0;
    }
    return true;
}

bool LibraryReadsEncoding(uint16_t formatTag) {
    switch (formatTag) {
    case kPcm:
    case kMsAdpcm:
    case kFloat:
    case kALaw:
    case kMuLaw:
    case kImaAdpcm:
        return true;
    default:
        return false;
    }
}

}  // namespace quillon_tools
