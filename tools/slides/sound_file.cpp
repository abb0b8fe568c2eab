// Sound input of quillon-slides, decoded with libsndfile where the library
// cannot read the file itself.
#include "slides/sound_file.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

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
bool Uncompressed(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
        return true;
    default:
        return false;
    }
}

}  // namespace

SoundFile::~SoundFile() {
    if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool SoundFile::Open(const std::string &path, std::string &error) {
    struct stat st;
    std::FILE *probe = nullptr;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !(probe = std::fopen(path.c_str(), "rb"))) {
        error = path + ": the sound file cannot be read";
        return false;
    }
    std::fclose(probe);
    const bool wave = IsRiffWave(path);
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE *in = sf_open(path.c_str(), SFM_READ, &info);
    if (wave && (!in || Uncompressed(info.format))) {
        if (in) sf_close(in);
        wav_ = path;
        return true;
    }
    if (!in) {
        error = path + ": not a sound file that can be read (WAV, FLAC, Ogg Vorbis or Opus, MP3): " +
                sf_strerror(nullptr);
        return false;
    }

    const char *tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon-slides-XXXXXX.wav";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    int fd = mkstemps(buffer.data(), 4);
    if (fd < 0) {
        sf_close(in);
        error = path + ": no temporary file for the decoded sound";
        return false;
    }
    temporary_ = buffer.data();
    SF_INFO outInfo;
    std::memset(&outInfo, 0, sizeof outInfo);
    outInfo.samplerate = info.samplerate;
    outInfo.channels = info.channels;
    outInfo.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE *out = sf_open_fd(fd, SFM_WRITE, &outInfo, SF_TRUE);
    if (!out) {
        close(fd);
        sf_close(in);
        error = path + ": cannot write the decoded sound: " + sf_strerror(nullptr);
        return false;
    }
    std::vector<float> block(4096 * static_cast<size_t>(info.channels));
    bool ok = true;
    for (sf_count_t n; ok && (n = sf_readf_float(in, block.data(), 4096)) > 0;)
        ok = sf_writef_float(out, block.data(), n) == n;
    const bool readError = sf_error(in) != SF_ERR_NO_ERROR;
    sf_close(in);
    if (sf_close(out) != 0 || !ok || readError) {
        error = path + ": the sound cannot be decoded";
        return false;
    }
    wav_ = temporary_;
    return true;
}

}  // namespace quillon_tools
