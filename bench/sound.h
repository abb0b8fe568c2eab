// WAV files for the sound benchmarks: the same music-like signal written at
// any rate, so that a file at 48 kHz and one at 44.1 kHz hold the same audio,
// and in IMA ADPCM as well as PCM.
#pragma once

#include <cstdint>
#include <string>

namespace quillon::bench {

// Writes a 16-bit PCM WAV of seconds of a chord with a slow vibrato and a
// little noise, at rate samples per second, channels 1 or 2. False when the
// file cannot be written.
bool WriteMusicWav(const std::string &path, uint32_t rate, uint32_t channels, double seconds);

// The same signal (seconds at rate, channels 1 or 2) as IMA ADPCM in blocks
// of 1024 bytes per channel, with its fact chunk.
bool WriteMusicImaAdpcmWav(const std::string &path, uint32_t rate, uint32_t channels,
                           double seconds);

// A path for a scratch file of this process in $TMPDIR (or /tmp).
std::string ScratchPath(const char *name);

}  // namespace quillon::bench
