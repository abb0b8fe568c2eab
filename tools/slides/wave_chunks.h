// The chunks of a RIFF/WAVE file that say whether it holds samples and at
// what rate, read without decoding: what quillon-slides checks of a WAV file
// before the library reads it as it is.
#pragma once

#include <cstdint>
#include <string>

namespace quillon_tools {

struct WaveChunks {
    bool hasFormat = false;   // a "fmt " chunk of at least 16 bytes
    uint16_t formatTag = 0;   // WAVE_FORMAT_*; for WAVE_FORMAT_EXTENSIBLE the subformat's
    uint16_t channels = 0;
    uint32_t rate = 0;        // sample frames a second
    bool hasData = false;     // a "data" chunk
    uint64_t dataBytes = 0;   // as many of its bytes as the file holds
};

// Walks the chunks of the file at path. False when it does not start as a
// RIFF/WAVE file. Writers that leave out the pad byte after an odd-sized
// chunk are followed as the library follows them.
bool ReadWaveChunks(const std::string &path, WaveChunks &chunks);

// Whether the library reads the samples of this encoding itself: PCM,
// float, A-law, mu-law, IMA and Microsoft ADPCM.
bool LibraryReadsEncoding(uint16_t formatTag);

}  // namespace quillon_tools
