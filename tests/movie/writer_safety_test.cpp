// The writer never destroys an existing file and never leaves a partial one:
// it writes beside the target and renames only a complete file.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "characters/lossless_bitmap.h"
#include "movie/movie.h"
#include "support/bytes.h"
#include "support/swf_reader.h"

namespace quillon {
namespace {

std::vector<std::string> Entries(const std::string &dir) {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteText(const std::string &path, const std::string &text) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// A movie of about 200 KB: two frames of incompressible 32-bit pixels.
void FillLargeMovie(Movie &movie) {
    std::mt19937 random(11);
    std::vector<uint8_t> pixels(160 * 160 * 4);
    for (auto &p : pixels) p = static_cast<uint8_t>(random());
    movie.GetFrame(0)->AddTag(std::make_unique<LosslessBitmap>(5, 160, 160, 0, nullptr, pixels.data(), 1));
    movie.GetFrame(1)->AddTag(std::make_unique<LosslessBitmap>(5, 160, 160, 0, nullptr, pixels.data(), 0));
}

// Lowers the file size limit of this process for its lifetime, with SIGXFSZ
// ignored so that an oversized write fails with EFBIG instead of killing us.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};

TEST(WriterSafety, MissingDirectoryWritesNothing) {
    std::string dir = test::TempDir();
    Movie movie;
    FillLargeMovie(movie);
    std::string path = dir + "/missing/movie.swf";
    EXPECT_FALSE(movie.WriteFile(path.c_str()));
    EXPECT_TRUE(Entries(dir).empty());
    EXPECT_EQ(movie.FrameCount(), 0);
    EXPECT_EQ(movie.SlotCount(), 0u);
}

TEST(WriterSafety, EmptyOrNullPathWritesNothing) {
    std::string dir = test::TempDir();
    Movie movie;
    movie.GetFrame(0);
    EXPECT_FALSE(movie.WriteFile(nullptr));
    EXPECT_EQ(movie.FrameCount(), 0);
    movie.GetFrame(0);
    EXPECT_FALSE(movie.WriteFile(""));
    EXPECT_EQ(movie.FrameCount(), 0);
    EXPECT_TRUE(Entries(dir).empty());
}

TEST(WriterSafety, FailedWriteLeavesTheOldFileAndNoTemporary) {
    std::string dir = test::TempDir();
    std::string path = dir + "/movie.swf";
    const std::string old = "the previous movie";
    WriteText(path, old);
    ResetCharacterIds();
    Movie movie;
    FillLargeMovie(movie);
    bool written;
    {
        FileSizeLimit limit(16 * 1024);
        ASSERT_TRUE(limit.ok());
        written = movie.WriteFile(path.c_str());
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(test::ReadFileBytes(path), std::vector<uint8_t>(old.begin(), old.end()));
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"movie.swf"});
    EXPECT_EQ(movie.FrameCount(), 0);
    EXPECT_EQ(movie.SlotCount(), 0u);

    // With the limit gone the same path is written completely and replaces
    // the old file.
    FillLargeMovie(movie);
    ASSERT_TRUE(movie.WriteFile(path.c_str()));
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"movie.swf"});
    test::SwfMovie parsed;
    std::string error;
    ASSERT_TRUE(test::ReadSwfFile(path, parsed, error)) << error;
    EXPECT_GT(parsed.header.fileLength, 200000u);
    EXPECT_EQ(parsed.header.frameCount, 2);
}

TEST(WriterSafety, SuccessfulWriteReplacesAnExistingFile) {
    std::string dir = test::TempDir();
    std::string path = dir + "/movie.swf";
    WriteText(path, std::string(5000, 'x'));
    Movie movie;
    ASSERT_TRUE(movie.WriteFile(path.c_str()));
    EXPECT_EQ(test::ReadFileBytes(path).size(), 23u);
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"movie.swf"});
}

}  // namespace
}  // namespace quillon
