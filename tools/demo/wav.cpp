// WAV writing.
#include "demo/wav.h"

namespace quillon_tools {

namespace {

void PutU16(std::string &s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void PutU32(std::string &s, uint32_t v) {
    PutU16(s, v & 0xFFFF);
    PutU16(s, v >> 16);
}

}  // namespace

std::string WavBytes(const std::vector<int16_t> &samples, uint32_t rate) {
    uint32_t dataSize = static_cast<uint32_t>(samples.size() * 2);
    std::string s = "RIFF";
    PutU32(s, 36 + dataSize);
    s += "WAVEfmt ";
    PutU32(s, 16);
    PutU16(s, 1);  // PCM
    PutU16(s, 1);  // mono
    PutU32(s, rate);
    PutU32(s, rate * 2);
    PutU16(s, 2);
    PutU16(s, 16);
    s += "data";
    PutU32(s, dataSize);
    for (int16_t v : samples) PutU16(s, static_cast<uint16_t>(v));
    return s;
}

}  // namespace quillon_tools
