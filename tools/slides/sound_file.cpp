// Sound input of quillon-slides: checked before any slide is made, decoded
// with FFmpeg's libraries where the library cannot read the file itself,
// into a temporary file that no exit leaves behind.
#include "slides/sound_file.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "slides/sound_decode.h"
#include "slides/wave_chunks.h"

namespace quillon_tools {

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "WAV samples are written as the machine holds them");

// The library mixes more channels than this down to stereo.
constexpr int kMostChannels = 64;
// A WAV file's sizes are 32-bit: the most bytes of samples after its header.
constexpr uint64_t kMostDataBytes = 0xFFFFFFFFu - 36;

// The one temporary file that may exist, in a fixed buffer the signal
// handler can read: its path, and whether it is there.
char gTemporaryPath[4096];
volatile sig_atomic_t gTemporaryExists = 0;

void RemoveTemporaryAndEnd(int signal) {
    if (gTemporaryExists) unlink(gTemporaryPath);
    struct sigaction standard;
    std::memset(&standard, 0, sizeof standard);
    standard.sa_handler = SIG_DFL;
    sigaction(signal, &standard, nullptr);
    raise(signal);
}

void RemoveTemporaryOnSignals() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RemoveTemporaryAndEnd;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
}

bool CheckRate(const std::string &path, long rate, std::string &error) {
    if (rate >= SoundFile::kLowestRate && rate <= SoundFile::kHighestRate) return true;
    error = path + ": unsupported sound rate " + std::to_string(rate) + " Hz (" +
            std::to_string(SoundFile::kLowestRate) + " to " + std::to_string(SoundFile::kHighestRate) +
            " Hz)";
    return false;
}

// What a RIFF/WAVE file's chunks say before anything decodes it.
bool CheckChunks(const std::string &path, const WaveChunks &wave, std::string &error) {
    if (wave.hasFormat && !CheckRate(path, wave.rate, error)) return false;
    if (wave.hasFormat && !wave.hasData) {
        error = path + ": the sound has no samples (no data chunk)";
        return false;
    }
    if (wave.hasData && wave.dataBytes == 0) {
        error = path + ": the sound has no samples (an empty data chunk)";
        return false;
    }
    return true;
}

// The 44 bytes of a 16-bit PCM WAV file's header.
std::string WavHeader(int channels, int rate, uint64_t dataBytes) {
    std::string h;
    auto le = [&h](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) h.push_back(static_cast<char>(v >> (8 * i)));
    };
    const uint32_t frameBytes = static_cast<uint32_t>(channels) * 2;
    h += "RIFF";
    le(static_cast<uint32_t>(36 + dataBytes), 4);
    h += "WAVEfmt ";
    le(16, 4);
    le(1, 2);  // PCM
    le(static_cast<uint32_t>(channels), 2);
    le(static_cast<uint32_t>(rate), 4);
    le(static_cast<uint32_t>(rate) * frameBytes, 4);
    le(frameBytes, 2);
    le(16, 2);
    h += "data";
    le(static_cast<uint32_t>(dataBytes), 4);
    return h;
}

bool WriteAll(int fd, const void *bytes, size_t size) {
    const char *p = static_cast<const char *>(bytes);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool SoundFile::Open(const std::string &path, std::string &error) {
    struct stat st;
    std::FILE *probe = nullptr;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !(probe = std::fopen(path.c_str(), "rb"))) {
        error = path + ": the sound file cannot be read";
        return false;
    }
    std::fclose(probe);
    path_ = path;
    seconds_ = -1;
    WaveChunks wave;
    const bool riff = ReadWaveChunks(path, wave);
    if (riff && !CheckChunks(path, wave, error)) return false;
    SoundDecoder decoder;
    std::string reason;
    if (!decoder.Open(path, reason)) {
        // A WAV file with samples that FFmpeg does not follow goes to the
        // library, which may: its length stays unknown.
        convert_ = false;
        if (riff && wave.hasFormat) return true;
        error = path + ": not a sound file that can be read (WAV, AAC/M4A, MP3, Ogg Vorbis or Opus, FLAC, "
                       "WMA, AIFF, ...): " + reason;
        return false;
    }
    if (!CheckRate(path, decoder.Rate(), error)) return false;
    if (decoder.Channels() < 1 || decoder.Channels() > kMostChannels) {
        error = path + ": unsupported sound of " + std::to_string(decoder.Channels()) + " channels";
        return false;
    }
    uint64_t frames = 0;
    if (!decoder.Decode([&frames](const int16_t *, size_t n) { return (frames += n), true; }, reason)) {
        error = path + ": the sound cannot be decoded: " + reason;
        return false;
    }
    if (frames == 0) {
        error = path + ": the sound has no samples";
        return false;
    }
    seconds_ = static_cast<double>(frames) / decoder.Rate();
    convert_ = !(riff && wave.hasFormat && LibraryReadsEncoding(wave.formatTag));
    return true;
}

bool SoundFile::MakeTemporary(int &fd, std::string &error) {
    RemoveTemporaryOnSignals();
    const char *tmp = std::getenv("TMPDIR");
    const std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon-slides-XXXXXX.wav";
    if (name.size() >= sizeof gTemporaryPath) {
        error = path_ + ": the temporary folder's name is too long";
        return false;
    }
    std::memcpy(gTemporaryPath, name.c_str(), name.size() + 1);
    // Marked before it exists, so that a signal during mkstemps removes it.
    gTemporaryExists = 1;
    temporary_ = true;
    fd = mkstemps(gTemporaryPath, 4);
    if (fd < 0) {
        Release();
        error = path_ + ": no temporary file for the decoded sound";
        return false;
    }
    return true;
}

bool SoundFile::WriteDecoded(int fd, std::string &error) {
    SoundDecoder decoder;
    std::string reason;
    if (!decoder.Open(path_, reason)) {
        error = path_ + ": the sound cannot be decoded: " + reason;
        return false;
    }
    const int channels = decoder.Channels();
    const std::string placeholder = WavHeader(channels, decoder.Rate(), 0);
    uint64_t bytes = 0;
    bool written = WriteAll(fd, placeholder.data(), placeholder.size()), tooLong = false;
    auto sink = [&](const int16_t *samples, size_t frames) {
        const size_t size = frames * static_cast<size_t>(channels) * 2;
        tooLong = bytes + size > kMostDataBytes;
        bytes += size;
        return written = !tooLong && WriteAll(fd, samples, size);
    };
    if (!written || !decoder.Decode(sink, reason)) {
        error = path_ + (tooLong    ? ": the sound is too long for a WAV file"
                         : !written ? ": cannot write the decoded sound"
                                    : ": the sound cannot be decoded: " + reason);
        return false;
    }
    const std::string header = WavHeader(channels, decoder.Rate(), bytes);
    if (pwrite(fd, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size())) {
        error = path_ + ": cannot write the decoded sound";
        return false;
    }
    return true;
}

bool SoundFile::Prepare(std::string &wavPath, std::string &error) {
    if (!convert_) {
        wavPath = path_;
        return true;
    }
    if (gTemporaryExists) {
        error = path_ + ": another decoded sound is still in use";
        return false;
    }
    int fd;
    if (!MakeTemporary(fd, error)) return false;
    bool written = WriteDecoded(fd, error);
    if (close(fd) != 0 && written) {
        written = false;
        error = path_ + ": cannot write the decoded sound";
    }
    if (!written) {
        Release();
        return false;
    }
    wavPath = gTemporaryPath;
    return true;
}

void SoundFile::Release() {
    if (!temporary_) return;
    temporary_ = false;
    unlink(gTemporaryPath);
    gTemporaryExists = 0;
}

}  // namespace quillon_tools
