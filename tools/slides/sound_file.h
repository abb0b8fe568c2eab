// The sounds of quillon-slides (--sound, --narration): a WAV file the library
// reads goes to it as it is; any other sound file libsndfile decodes becomes
// a temporary 16-bit PCM WAV file for as long as AddSound needs it.
#pragma once

#include <string>

namespace quillon_tools {

class SoundFile {
public:
    SoundFile() = default;
    SoundFile(const SoundFile &) = delete;
    SoundFile &operator=(const SoundFile &) = delete;
    ~SoundFile() { Release(); }

    // Checks that path is a sound that can be read and finds its length. A
    // RIFF/WAVE file whose samples the library reads (PCM, float, A-law,
    // mu-law, IMA or Microsoft ADPCM), or that libsndfile cannot read, will
    // go to the library as it is, which decides what plays; any other file
    // libsndfile decodes (FLAC, Ogg Vorbis or Opus, MP3, AIFF, GSM WAV, ...)
    // will be converted. False, with error saying why, for a file that
    // cannot be read or is no sound.
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
    std::string path_;
    bool convert_ = false;
    double seconds_ = -1;
    bool temporary_ = false;  // this object's temporary file exists
};

}  // namespace quillon_tools
