// WAV writing and the checks that match what the library's reader accepts.
#include "common/wav.h"

#include <sys/stat.h>

#include "common/files.h"

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
uint32_t GetU16(const std::string &s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8;
}
uint32_t GetU32(const std::string &s, size_t at) { return GetU16(s, at) | GetU16(s, at + 2) << 16; }

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

bool CheckWav(const std::string &path, std::string &error) {
    struct stat st;
    std::string b;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !ReadWholeFile(path, b)) {
        error = path + ": the sound file cannot be read";
        return false;
    }
    auto fail = [&](const std::string &why) {
        error = path + ": " + why;
        return false;
    };
    if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0)
        return fail("not a WAV file (RIFF/WAVE)");
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        std::string id = b.substr(at, 4);
        uint32_t size = GetU32(b, at + 4);
        size_t body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > b.size()) return fail("its format chunk is too short");
            uint32_t tag = GetU16(b, body), channels = GetU16(b, body + 2);
            uint32_t rate = GetU32(b, body + 4), bits = GetU16(b, body + 14);
            if (tag != 1) return fail("not PCM samples (format tag " + std::to_string(tag) + ")");
            if (channels < 1 || channels > 2) return fail("only mono and stereo sounds are supported");
            if (bits != 8 && bits != 16) return fail("only 8- and 16-bit samples are supported");
            uint32_t band = rate / 5000;
            if (band != 1 && band != 2 && band != 4 && band != 8)
                return fail("sample rate " + std::to_string(rate) +
                            " Hz is not supported (about 5.5, 11, 22 or 44 kHz)");
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) return fail("its data chunk comes before its format chunk");
            if (body + size > b.size()) return fail("its sample data is cut short");
            return true;
        } else {
            return fail("its '" + id + "' chunk comes before the sample data; only 'fmt ' and "
                        "'data' chunks are supported there");
        }
        at = body + size;
    }
    return fail("it holds no sample data");
}

}  // namespace quillon_tools
