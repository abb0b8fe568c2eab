// The sound of quillon-slides --sound: a WAV file goes to the library as it
// is; any other sound file libsndfile decodes becomes a temporary WAV file.
#pragma once

#include <string>

namespace quillon_tools {

class SoundFile {
public:
    SoundFile() = default;
    SoundFile(const SoundFile &) = delete;
    SoundFile &operator=(const SoundFile &) = delete;
    ~SoundFile();  // removes the temporary file, if any

    // A RIFF/WAVE file with uncompressed samples (or one libsndfile cannot
    // read) is handed to the library, which decides what plays. A
    // compressed WAV file and any other format that libsndfile decodes
    // (FLAC, Ogg Vorbis or Opus, MP3, AIFF, ...) is converted to a WAV file
    // of 32-bit float samples in the temporary directory. False, with error
    // saying why, for a file that cannot be read or is no sound.
    bool Open(const std::string &path, std::string &error);

    // The WAV file to hand to AddSound.
    const std::string &WavPath() const { return wav_; }

private:
    std::string wav_;
    std::string temporary_;
};

}  // namespace quillon_tools
