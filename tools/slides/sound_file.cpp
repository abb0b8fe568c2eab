// Sound input of quillon-slides, decoded with libsndfile where the library
// cannot read the file itself, into a temporary file that no exit leaves
// behind.
#include "slides/sound_file.h"

#include <sndfile.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quillon_tools {

namespace {

// Whether the file starts as RIFF/WAVE does.
bool IsRiffWave(const std::string &path) {
    char head[12] = {0};
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return n == sizeof head && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

// The WAV sample encodings the library reads itself.
bool LibraryReads(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
    case SF_FORMAT_IMA_ADPCM:
    case SF_FORMAT_MS_ADPCM:
        return true;
    default:
        return false;
    }
}

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

int16_t To16(float x) {
    if (!(x == x)) return 0;  // NaN
    const float v = x * 32768.0f;
    return static_cast<int16_t>(v <= -32768.0f ? -32768 : (v >= 32767.0f ? 32767 : std::lround(v)));
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
    const bool wave = IsRiffWave(path);
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE *in = sf_open(path.c_str(), SFM_READ, &info);
    if (!in && !wave) {
        error = path + ": not a sound file that can be read (WAV, FLAC, Ogg Vorbis or Opus, MP3): " +
                sf_strerror(nullptr);
        return false;
    }
    seconds_ = in && info.samplerate > 0 ? static_cast<double>(info.frames) / info.samplerate : -1;
    convert_ = in && !(wave && LibraryReads(info.format));
    if (in) sf_close(in);
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
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE *in = sf_open(path_.c_str(), SFM_READ, &info);
    if (!in) {
        error = path_ + ": the sound cannot be decoded: " + sf_strerror(nullptr);
        return false;
    }
    RemoveTemporaryOnSignals();
    const char *tmp = std::getenv("TMPDIR");
    const std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon-slides-XXXXXX.wav";
    if (name.size() >= sizeof gTemporaryPath) {
        sf_close(in);
        error = path_ + ": the temporary folder's name is too long";
        return false;
    }
    std::memcpy(gTemporaryPath, name.c_str(), name.size() + 1);
    // Marked before it exists, so that a signal during mkstemps removes it.
    gTemporaryExists = 1;
    temporary_ = true;
    const int fd = mkstemps(gTemporaryPath, 4);
    if (fd < 0) {
        Release();
        sf_close(in);
        error = path_ + ": no temporary file for the decoded sound";
        return false;
    }
    SF_INFO outInfo;
    std::memset(&outInfo, 0, sizeof outInfo);
    outInfo.samplerate = info.samplerate;
    outInfo.channels = info.channels;
    outInfo.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *out = sf_open_fd(fd, SFM_WRITE, &outInfo, SF_TRUE);
    if (!out) {
        close(fd);
        sf_close(in);
        Release();
        error = path_ + ": cannot write the decoded sound: " + sf_strerror(nullptr);
        return false;
    }
    // Read as float (full scale 1.0) and rounded here: libsndfile's own
    // float-to-integer writing wraps what lies beyond full scale.
    const size_t channels = static_cast<size_t>(info.channels);
    std::vector<float> block(4096 * channels);
    std::vector<int16_t> samples(4096 * channels);
    bool ok = true;
    for (sf_count_t n; ok && (n = sf_readf_float(in, block.data(), 4096)) > 0;) {
        for (size_t i = 0; i < static_cast<size_t>(n) * channels; ++i) samples[i] = To16(block[i]);
        ok = sf_writef_short(out, samples.data(), n) == n;
    }
    const bool readError = sf_error(in) != SF_ERR_NO_ERROR;
    sf_close(in);
    if (sf_close(out) != 0 || !ok || readError) {
        Release();
        error = path_ + ": the sound cannot be decoded";
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
