// PCM WAV files: writing the demo's sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon_tools {

// The bytes of a 16-bit mono PCM WAV file.
std::string WavBytes(const std::vector<int16_t> &samples, uint32_t rate);

}  // namespace quillon_tools
