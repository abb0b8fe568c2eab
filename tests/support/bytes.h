// Helpers for byte-exact tests: hex parsing and printing.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "movie/movie.h"
#include "movie/tag.h"
#include "support/swf_reader.h"
#include "swf/swf_stream.h"

namespace quillon::test {

// "46 57 53" -> {0x46, 0x57, 0x53}; spaces are ignored.
std::vector<uint8_t> Hex(const std::string &text);
// {0x46, 0x57} -> "46 57"
std::string ToHex(const std::vector<uint8_t> &bytes);
// The stream's whole content (blocks inlined) as hex.
std::string StreamHex(const SwfStream &stream);
// The bytes a tag writes, header included, as hex.
std::string TagHex(Tag &tag);
// The bytes that x.Write() puts into an empty stream, the last one padded:
// for records, actions, tags and anything else that writes itself.
template <class Writable>
std::vector<uint8_t> WrittenBytes(Writable &&x) {
    SwfStream s;
    x.Write(s);
    s.FlushBits();
    return s.Content();
}
template <class Writable>
std::string WrittenHex(Writable &&x) {
    return ToHex(WrittenBytes(x));
}
// The one tag that tag writes, read back by the SWF reader; false when its
// length field does not cover exactly the bytes written.
bool ReadWrittenTag(Tag &tag, SwfTag &written);
// A tag with a fixed body and any code, the format's later ones included.
class RawTag : public Tag {
public:
    RawTag(uint16_t code, std::vector<uint8_t> body) : code_(code), body_(std::move(body)) {}
    RawTag(TagCode code, std::vector<uint8_t> body) : RawTag(static_cast<uint16_t>(code), std::move(body)) {}
    void Write(SwfStream &stream) override {
        SwfStream b;
        b.AppendBlock(body_.data(), static_cast<uint32_t>(body_.size()));
        stream.WriteTag(static_cast<TagCode>(code_), b.Length(), &b);
    }

private:
    uint16_t code_;
    std::vector<uint8_t> body_;
};
// The kinds of a frame's tags, as letters: B DefineBitsLossless(2),
// J DefineBitsJPEG2,
// D DefineShape3, U DefineButton2, A DoAction, P PlaceObject2,
// R RemoveObject, ? anything else.
std::string TagKinds(const Frame &frame);
// The context of the tags and movies a test makes on its own (the library's
// exports have theirs); tests run one at a time in a process.
MovieContext &Ids();
// Sets the test context's id counter so that the next id drawn is `next`.
void NextIdWillBe(uint16_t next);
// The depth value of every placement of a movie not yet written, in file
// order (a PlaceObject2 holds its item's depth value until the writer gives
// it its depth): the stacking keys of the SWF reader's stacking check.
std::vector<uint16_t> StackingKeys(Movie &movie);
// Reads a whole file; empty when it cannot be opened.
std::vector<uint8_t> ReadFileBytes(const std::string &path);
bool FileExists(const std::string &path);
// A fresh empty directory under the system's temporary directory.
std::string TempDir();

}  // namespace quillon::test
