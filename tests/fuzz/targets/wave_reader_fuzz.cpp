// Fuzz target: ReadWave on arbitrary bytes, then the whole sound path
// (DefineSound construction, which encodes what was read, and its tag).
// Checks what a successful or refused read promises.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "sound/sound_tags.h"
#include "sound/wave_reader.h"

namespace {

std::FILE *OpenBytes(const uint8_t *data, size_t size) {
    // A zero-length memory stream is not portable; an empty file is.
    if (size == 0) return std::fopen("/dev/null", "rb");
    return fmemopen(const_cast<uint8_t *>(data), size, "rb");
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace quillon;
    std::FILE *file = OpenBytes(data, size);
    if (!file) return 0;
    SoundFormat format;
    std::unique_ptr<uint8_t[]> samples;
    uint32_t bytes = 77;
    bool ok = ReadWave(file, format, samples, bytes);
    Check(format.compression == 1 && format.rate <= 3 && format.is16Bit <= 1 &&
          format.stereo <= 1);
    if (ok) {
        Check(samples != nullptr && bytes <= size);
        Check(static_cast<uint64_t>(format.sampleCount) * (format.is16Bit + 1u) *
                  (format.stereo + 1u) <= bytes);
        // The buffer holds exactly the data chunk: touching its ends is safe.
        if (bytes > 0) Check((samples[0] | samples[bytes - 1]) >= 0);
    } else {
        Check(samples == nullptr && bytes == 0 && format.sampleCount == 0);
    }

    std::rewind(file);
    DefineSoundTag tag(file, static_cast<int32_t>(2 + size % 4));
    std::fclose(file);
    SwfStream stream;
    tag.Write(stream);
    Check(stream.Length() == 2 + (stream.Length() > 64 ? 4u : 0u) + 7 + tag.DataSize());
    ResetCharacterIds();
    return 0;
}
