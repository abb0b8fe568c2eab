// The sounds of quillon-slides (--sound, --narration): a WAV file the library
// reads goes to it as it is; any other sound file FFmpeg's libraries decode
// becomes a temporary 16-bit PCM WAV file for as long as AddSound needs it.
#pragma once

#include <cstdint>
#include <string>

namespace quillon_tools {

class SoundFile {
public:
    // The rates the library takes, in sample frames a second.
    static constexpr int kLowestRate = 4000, kHighestRate = 192000;

    SoundFile() = default;
    SoundFile(const SoundFile &) = delete;
    SoundFile &operator=(const SoundFile &) = delete;
    ~SoundFile() { Release(); }

    // Checks that path is a sound that can be read and finds its length. A
    // RIFF/WAVE file whose samples the library reads (PCM, float, A-law,
    // mu-law, IMA or Microsoft ADPCM), or that FFmpeg cannot read, will go
    // to the library as it is; any other file FFmpeg decodes (AAC/M4A,
    // MP3, Opus, Vorbis, FLAC, WMA, AIFF, GSM WAV, ...) will be converted.
    // False, with error naming the file and saying why, for a file that
    // cannot be read or is no sound, a sound without samples, and a rate
    // outside kLowestRate to kHighestRate.
    bool Open(const std::string &path, std::string &error);

    // The length in seconds, or a negative value when it cannot be told (a
    // WAV file that only the library reads).
    double Seconds() const { return seconds_; }

    // The WAV file to hand to AddSound: the file itself, or its samples
    // decoded into a temporary 16-bit PCM WAV file, which exists until
    // Release. It is removed also when the program is ended by SIGINT,
    // SIGTERM, SIGHUP or SIGQUIT; for that, at most one temporary file of
    // all SoundFile objects exists at a time (a second Prepare before the
    // first Release fails).
    bool Prepare(std::string &wavPath, std::string &error);
    // Removes the temporary file, if there is one.
    void Release();

private:
    bool CheckWave(bool &libraryReads, std::string &error);
    bool MakeTemporary(int &fd, std::string &error);
    bool WriteDecoded(int fd, std::string &error);

    std::string path_;
    bool convert_ = false;
    double seconds_ = -1;
    bool temporary_ = false;  // this object's temporary file exists
};

}  // namespace quillon_tools
