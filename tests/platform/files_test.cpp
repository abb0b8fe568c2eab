// The file system's answers that the library relies on: which streams can be
// written out of order, and 64-bit positions in files being read.
#include <cstdio>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/table.h"

namespace quillon {
namespace {

// A regular file is seekable; a pipe and a character device are not.
TEST(PlatformFiles, OnlyRegularFilesCountAsRegular) {
    OwnedFile regular(std::tmpfile());
    ASSERT_TRUE(regular);
    EXPECT_TRUE(IsRegularFile(regular.get()));
    OwnedFile device(std::fopen("/dev/null", "wb"));
    ASSERT_TRUE(device);
    EXPECT_FALSE(IsRegularFile(device.get()));
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    OwnedFile pipeEnd(fdopen(ends[1], "wb"));
    close(ends[0]);
    ASSERT_TRUE(pipeEnd);
    EXPECT_FALSE(IsRegularFile(pipeEnd.get()));
}

// Positions past 2 and 4 GiB, where a 32-bit long would wrap: a sparse file
// of 5 GiB with a marker byte at each position.
struct PositionCase {
    const char *name;
    uint64_t position;
};
class PlatformPositions : public ::testing::TestWithParam<PositionCase> {};

TEST_P(PlatformPositions, SeekAndLengthUse64Bits) {
    const uint64_t length = 5ull << 30;
    OwnedFile file(std::tmpfile());
    ASSERT_TRUE(file);
    ASSERT_EQ(ftruncate(fileno(file.get()), static_cast<off_t>(length)), 0);
    const uint64_t at = GetParam().position;
    ASSERT_TRUE(SeekTo(file.get(), at));
    ASSERT_EQ(std::fputc('Q', file.get()), 'Q');
    ASSERT_EQ(std::fflush(file.get()), 0);
    ASSERT_TRUE(SeekTo(file.get(), 1));
    EXPECT_EQ(FileLength(file.get()), static_cast<int64_t>(length));
    EXPECT_EQ(std::ftell(file.get()), 1) << "FileLength keeps the position";
    ASSERT_TRUE(SeekTo(file.get(), at));
    EXPECT_EQ(std::fgetc(file.get()), 'Q');
}

INSTANTIATE_TEST_SUITE_P(Table, PlatformPositions,
                         ::testing::Values(PositionCase{"Start", 0},
                                           PositionCase{"Past2GiB", (2ull << 30) + 7},
                                           PositionCase{"Past4GiB", (4ull << 30) + 11},
                                           PositionCase{"LastByte", (5ull << 30) - 1}),
                         test::RowName());

}  // namespace
}  // namespace quillon
