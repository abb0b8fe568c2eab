// Fuzz target: the WAV reader on arbitrary bytes, then the whole sound path
// (DefineSound construction, which reads, resamples where needed and
// encodes, and its tag). Checks what a successful or refused read promises.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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
    WaveReader reader;
    bool ok = reader.Open(file, format);
    Check(format.compression == 1 && format.rate <= 3 && format.is16Bit <= 1 &&
          format.stereo <= 1);
    if (ok) {
        // The file's frames fit in it (4-bit ADPCM codes: two a byte); the
        // samples come out as counted.
        Check(reader.FileFrames() <= 2 * size);
        Check(reader.OutputChannels() == format.stereo + 1u);
        if (!reader.NeedsResampling()) Check(format.sampleCount == reader.FileFrames());
        int16_t buffer[2 * 256];
        uint64_t frames = 0;
        for (uint32_t got = 256; got == 256;) {
            got = reader.Read(buffer, 256);
            frames += got;
        }
        Check(frames == reader.FileFrames());
    } else {
        Check(format.sampleCount == 0);
    }

    std::rewind(file);
    MovieContext context;
    DefineSoundTag tag(context, OwnedFile(file), static_cast<int32_t>(2 + size % 4));  // closes the file
    SwfStream stream;
    tag.Write(stream);
    Check(stream.Length() == 2 + (stream.Length() > 64 ? 4u : 0u) + 7 + tag.DataSize());
    return 0;
}
