// A Movie written in a test: the file's bytes, the strict reader on them, what a write leaves.
#pragma once

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "movie/movie.h"
#include "support/bytes.h"
#include "support/swf_reader.h"

namespace quillon::test {

// A file in a temporary folder made once per process.
inline std::string TempFile(const std::string &name = "m.swf") {
    static const std::string dir = TempDir();
    return dir + "/" + name;
}

// Writes the movie to path, which must succeed, and returns the file's bytes.
inline std::vector<uint8_t> WriteAndRead(Movie &movie, const std::string &path = TempFile()) {
    EXPECT_TRUE(movie.WriteFile(path.c_str())) << path;
    return ReadFileBytes(path);
}

// The strict reader on written bytes (given stacking keys, their check too);
// its first fault is the failure's message.
inline ::testing::AssertionResult ReadsBack(const std::vector<uint8_t> &bytes, SwfMovie &parsed,
                                            const std::vector<uint16_t> *stackingKeys = nullptr) {
    std::string error;
    if (ReadSwf(bytes, parsed, error, stackingKeys)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << error;
}

// Every write, failed or not, leaves the movie without frames.
inline void ExpectEmptied(const Movie &movie) {
    EXPECT_EQ(movie.FrameCount(), 0);
    EXPECT_EQ(movie.SlotCount(), 0u);
}

// Incompressible 32-bit pixels, the same for the same seed.
inline std::vector<uint8_t> NoisePixels(int32_t width, int32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (auto &p : pixels) p = static_cast<uint8_t>(random());
    return pixels;
}

}  // namespace quillon::test
