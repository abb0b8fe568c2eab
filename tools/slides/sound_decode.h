// Sound files decoded with FFmpeg's libraries (libavformat, libavcodec,
// libswresample): AAC and M4A, MP3, Opus, Vorbis, FLAC, WMA, AIFF, WAV of
// any encoding and the rest, as 16-bit samples at the file's own rate.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quillon_tools {

class SoundDecoder {
public:
    SoundDecoder();
    ~SoundDecoder();
    SoundDecoder(const SoundDecoder &) = delete;
    SoundDecoder &operator=(const SoundDecoder &) = delete;

    // Opens the file's first audio stream. Only sound formats are taken (no
    // playlists, no video containers' other streams, no network, no other
    // files the one named points to). False with error, FFmpeg's reason,
    // when no decoder reads it.
    bool Open(const std::string &path, std::string &error);

    int Rate() const { return rate_; }
    int Channels() const { return channels_; }

    // Receives sample frames, interleaved, channels samples each; returns
    // false to stop.
    using Sink = std::function<bool(const int16_t *samples, size_t frames)>;
    // Decodes the stream from the start, handing every sample frame to sink.
    // Packets the decoder rejects are skipped, as players skip them. False
    // with error when reading fails, the stream changes its rate or
    // channels midway, or sink stops.
    bool Decode(const Sink &sink, std::string &error);

private:
    struct State;
    bool Convert(const Sink &sink, std::string &error);
    std::unique_ptr<State> state_;
    int rate_ = 0, channels_ = 0;
};

}  // namespace quillon_tools
