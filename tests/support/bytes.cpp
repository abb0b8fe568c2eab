#include "support/bytes.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>

#include "characters/jpeg_bitmap.h"
#include "characters/lossless_bitmap.h"
#include "characters/shape_tag.h"
#include "interactive/button.h"

namespace quillon::test {

std::vector<uint8_t> Hex(const std::string &text) {
    std::vector<uint8_t> out;
    int nibbles = 0, value = 0;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c == ' ' || c == '\n') continue;
        else throw std::invalid_argument("bad hex digit");
        value = value * 16 + v;
        if (++nibbles == 2) {
            out.push_back(static_cast<uint8_t>(value));
            nibbles = value = 0;
        }
    }
    if (nibbles) throw std::invalid_argument("odd number of hex digits");
    return out;
}

std::string ToHex(const std::vector<uint8_t> &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

std::string StreamHex(const SwfStream &stream) { return ToHex(stream.Content()); }

std::string TagHex(Tag &tag) { return WrittenHex(tag); }

bool ReadWrittenTag(Tag &tag, SwfTag &written) {
    std::vector<uint8_t> bytes = WrittenBytes(tag);
    size_t pos = 0;
    std::string error;
    return ReadTag(bytes, pos, written, error) && pos == bytes.size();
}

std::string TagKinds(const Frame &frame) {
    std::string out;
    for (const auto &tag : frame.Tags()) {
        const Tag *t = tag.get();
        if (dynamic_cast<const LosslessBitmap *>(t)) out += 'B';
        else if (dynamic_cast<const JpegBitmap *>(t)) out += 'J';
        else if (dynamic_cast<const ShapeTag *>(t)) out += 'D';
        else if (dynamic_cast<const DefineButton2Tag *>(t)) out += 'U';
        else if (dynamic_cast<const DoActionTag *>(t)) out += 'A';
        else if (dynamic_cast<const PlaceObject2Tag *>(t)) out += 'P';
        else if (dynamic_cast<const RemoveObjectTag *>(t)) out += 'R';
        else out += '?';
    }
    return out;
}

MovieContext &Ids() {
    static MovieContext context;
    return context;
}

void NextIdWillBe(uint16_t next) {
    Ids().ResetCharacterIds();
    for (uint16_t i = 1; i < next; ++i) Ids().NextCharacterId();
}

std::vector<uint16_t> StackingKeys(Movie &movie) {
    std::vector<uint16_t> keys;
    for (int32_t f = 0; f < movie.FrameCount(); ++f)
        for (const auto &tag : movie.GetFrame(f)->Tags())
            if (auto *place = dynamic_cast<const PlaceObject2Tag *>(tag.get())) keys.push_back(place->Depth());
    return keys;
}

std::vector<uint8_t> ReadFileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool FileExists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string TempDir() {
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillon-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
    return buffer.data();
}

}  // namespace quillon::test
