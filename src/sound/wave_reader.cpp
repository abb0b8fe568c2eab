// WAV reader: a strict walk over the RIFF chunks. Every position is computed
// in 64 bits and checked against the RIFF end and the file size before it is
// used, so no chunk size can make the walk wrap, loop or allocate more than
// the file holds.
#include "sound/wave_reader.h"

#include <climits>

#include "movie/tag.h"

namespace quillon {

namespace {

constexpr uint32_t kRiff = 0x46464952;  // "RIFF"
constexpr uint32_t kWave = 0x45564157;  // "WAVE"
constexpr uint32_t kFmt = 0x20746D66;   // "fmt "
constexpr uint32_t kData = 0x61746164;  // "data"

const char *FormatTagName(uint32_t tag) {
    switch (tag) {
    case 0x0001: return "WAVE_FORMAT_PCM\n";
    case 0x0002: return "WAVE_FORMAT_ADPCM\n";
    case 0x0005: return "WAVE_FORMAT_IBM_CVSD\n";
    case 0x0006: return "WAVE_FORMAT_ALAW\n";
    case 0x0007: return "WAVE_FORMAT_MULAW\n";
    case 0x0010: return "WAVE_FORMAT_OKI_ADPCM";
    case 0x0011: return "WAVE_FORMAT_DVI_ADPCM or WAVE_FORMAT_IMA_ADPCM\n";
    case 0x0015: return "WAVE_FORMAT_DIGISTD\n";
    case 0x0016: return "WAVE_FORMAT_DIGIFIX\n";
    case 0x0020: return "WAVE_FORMAT_YAMAHA_ADPCM\n";
    case 0x0021: return "WAVE_FORMAT_SONARC\n";
    case 0x0022: return "WAVE_FORMAT_DSPGROUP_TRUESPEECH\n";
    case 0x0023: return "WAVE_FORMAT_ECHOSC1\n";
    case 0x0024: return "WAVE_FORMAT_AUDIOFILE_AF18\n";
    case 0x0101: return "IBM_FORMAT_MULAW\n";
    case 0x0102: return "IBM_FORMAT_ALAW\n";
    case 0x0103: return "IBM_FORMAT_ADPCM\n";
    case 0x0200: return "WAVE_FORMAT_CREATIVE_ADPCM\n";
    default: return "WAVE_FORMAT_UNKNOWN";
    }
}

// The file's length in bytes, or -1; the position is restored.
int64_t FileLength(std::FILE *file) {
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0) return -1;
    return end;
}

bool SeekTo(std::FILE *file, uint64_t position) {
    return position <= static_cast<uint64_t>(LONG_MAX) &&
           std::fseek(file, static_cast<long>(position), SEEK_SET) == 0;
}

}  // namespace

uint32_t ReadUI32(std::FILE *file, bool *complete) {
    uint8_t b[4] = {0, 0, 0, 0};
    if (std::fread(b, 1, 4, file) != 4 && complete) *complete = false;
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

uint16_t ReadUI16(std::FILE *file, bool *complete) {
    uint8_t b[2] = {0, 0};
    if (std::fread(b, 1, 2, file) != 2 && complete) *complete = false;
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

bool ReadWave(std::FILE *file, SoundFormat &format, std::unique_ptr<uint8_t[]> &data,
              uint32_t &size) {
    format = SoundFormat{};
    format.compression = 1;
    data.reset();
    size = 0;
    uint32_t formatTag = 0;  // 0: no format chunk seen yet
    bool complete = true;

    if (ReadUI32(file, &complete) != kRiff || !complete) {
        Trace("Not a RIFF format file\n");
        return false;
    }
    uint32_t riffSize = ReadUI32(file, &complete);
    long afterSize = std::ftell(file);
    if (!complete || afterSize < 0) {
        Trace("Not a RIFF format file\n");
        return false;
    }
    const uint64_t end = static_cast<uint64_t>(riffSize) + static_cast<uint64_t>(afterSize);
    if (ReadUI32(file, &complete) != kWave || !complete) {
        Trace("Not a WAVE file\n");
        return false;
    }
    const int64_t fileLength = FileLength(file);
    long start = std::ftell(file);
    if (fileLength < 0 || start < 0) return false;
    uint64_t position = static_cast<uint64_t>(start);

    while (position < end) {
        if (!SeekTo(file, position)) return false;
        uint32_t id = ReadUI32(file, &complete);
        uint32_t chunkSize = ReadUI32(file, &complete);
        if (!complete) {
            Trace("Truncated chunk header\n");
            return false;
        }
        const uint64_t content = position + 8;
        position = content + chunkSize;  // 64 bits: a huge size cannot wrap
        Trace("\n----- Chunk ID %lx, Size %ld -----\n", static_cast<unsigned long>(id),
              static_cast<long>(chunkSize));
        if (position > end) {
            Trace("Chunk ends %lu bytes beyond the RIFF data\n",
                  static_cast<unsigned long>(position - end));
            return false;
        }

        if (id == kFmt) {
            Trace("Format Chunk\n");
            Trace("Common Fields:\n");
            formatTag = ReadUI16(file, &complete);
            Trace("  Format Tag %04lXh:  ", static_cast<unsigned long>(formatTag));
            Trace(FormatTagName(formatTag));
            uint32_t channels = ReadUI16(file, &complete);
            if (!complete) {
                Trace("Truncated format chunk\n");
                return false;
            }
            Trace("  %u Channels\n", channels);
            if (channels != 1 && channels != 2) {
                Trace("%u channels unsupported\n", channels);
                return false;
            }
            format.stereo = static_cast<uint8_t>(channels - 1);
            uint32_t samplesPerSecond = ReadUI32(file, &complete);
            if (!complete) {
                Trace("Truncated format chunk\n");
                return false;
            }
            Trace("  %u Samples Per Second\n", samplesPerSecond);
            switch (samplesPerSecond / 5000) {
            case 1: format.rate = 0; break;
            case 2: format.rate = 1; break;
            case 4: format.rate = 2; break;
            case 8: format.rate = 3; break;
            default:
                Trace("Sample rate %d unsupported\n", static_cast<int>(samplesPerSecond));
                return false;
            }
            uint32_t averageBytes = ReadUI32(file, &complete);
            Trace("  %u Average Bytes Per Second\n", averageBytes);
            uint32_t blockAlign = ReadUI16(file, &complete);
            Trace("  Block Align %u\n", blockAlign);
            Trace("Format Specific Fields:\n");
            uint32_t bits = ReadUI16(file, &complete);
            if (!complete) {
                Trace("Truncated format chunk\n");
                return false;
            }
            Trace("  %u Bits Per Sample\n", bits);
            if (bits == 16) format.is16Bit = 1;
            if (formatTag != 1) {
                uint32_t extra = ReadUI16(file, &complete);
                if (complete) Trace("  %d Bytes of extra information\n", static_cast<int>(extra));
                Trace("  NOT YET SUPPORTED\n");
                return false;
            }
            if (bits != 8 && bits != 16) {
                Trace("%u bits per sample unsupported\n", bits);
                return false;
            }
        } else if (id == kData) {
            Trace("Data Chunk\n");
            if (formatTag == 0) {
                Trace("Warning Format Chunk not defined before Data Chunk\n");
                return false;
            }
            // Refused before anything is allocated: the file cannot hold it.
            const uint64_t available =
                static_cast<uint64_t>(fileLength) > content ? static_cast<uint64_t>(fileLength) - content : 0;
            if (chunkSize > available) {
                Trace("Warning Read %d of %d bytes\n", static_cast<int>(available),
                      static_cast<int>(chunkSize));
                return false;
            }
            std::unique_ptr<uint8_t[]> buffer(new uint8_t[chunkSize > 0 ? chunkSize : 1]);
            size_t read = std::fread(buffer.get(), 1, chunkSize, file);
            if (read < chunkSize) {
                Trace("Warning Read %d of %d bytes\n", static_cast<int>(read),
                      static_cast<int>(chunkSize));
                return false;
            }
            // Set only now, so a refused sound never claims samples it lacks.
            format.sampleCount = chunkSize / ((format.is16Bit + 1u) * (format.stereo + 1u));
            data = std::move(buffer);
            size = chunkSize;
            return true;
        } else {
            Trace("Unknown Chunk\n");
            return false;
        }
    }
    return false;
}

}  // namespace quillon
