// WaveReader: walks the RIFF chunks of a PCM WAV file and returns the sample
// bytes of its data chunk together with the SWF sound format fields.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace quillon {

// The SWF sound format fields that a DefineSound carries.
struct SoundFormat {
    uint8_t compression = 0;   // SoundFormat code; the reader sets 1 (ADPCM)
    uint8_t rate = 0;          // 0 = 5.5 kHz, 1 = 11 kHz, 2 = 22 kHz, 3 = 44 kHz
    uint8_t is16Bit = 0;       // 1: 16-bit input samples, 0: 8-bit (SoundSize)
    uint8_t stereo = 0;        // channels - 1: 0 mono, 1 stereo (SoundType)
    uint32_t sampleCount = 0;  // sample frames in the data chunk
};

// The next 4 (2) bytes of file as an unsigned little-endian value. When the
// file ends first, the missing bytes count as 0 and *complete (if given) is
// set to false; it is left alone otherwise.
uint32_t ReadUI32(std::FILE *file, bool *complete = nullptr);
uint16_t ReadUI16(std::FILE *file, bool *complete = nullptr);

// Reads an open file (mode "rb", at its start). Accepts RIFF/WAVE with a PCM
// "fmt " chunk (1 or 2 channels, 8 or 16 bits, 5000-9999, 10000-14999,
// 20000-24999 or 40000-44999 samples per second) followed by "data"; any
// other chunk before the data chunk makes it fail. On true, data holds the
// size bytes of the data chunk and format is filled. On false, data is
// empty, size is 0, and format keeps the fields read before the failure
// (compression is always 1; sampleCount stays 0, since no samples come). Reports only through Trace. Never allocates
// more than the file holds, and stops at the first chunk that would run past
// the RIFF end or the end of the file.
bool ReadWave(std::FILE *file, SoundFormat &format, std::unique_ptr<uint8_t[]> &data,
              uint32_t &size);

}  // namespace quillon
