// PCM WAV files: writing the demo's sound, checking a user's sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon_tools {

// The bytes of a 16-bit mono PCM WAV file.
std::string WavBytes(const std::vector<int16_t> &samples, uint32_t rate);

// Whether the library can encode the file: RIFF/WAVE with a PCM format
// chunk directly followed by its data chunk, 1 or 2 channels, 8 or 16 bits,
// 5-10, 10-15, 20-25 or 40-45 thousand samples a second, and all the data
// the chunk declares. Otherwise false, with error saying what is wrong.
bool CheckWav(const std::string &path, std::string &error);

}  // namespace quillon_tools
