// The writer never destroys an existing file and never leaves a partial one:
// it writes beside the target and renames only a complete file. It writes
// where a user means: through links, keeping permissions, into pipes and
// devices, under names of any legal length.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "characters/lossless_bitmap.h"
#include "movie/movie_file.h"

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

// What a target holds before the write, and the file dir/name made to hold it.
const std::string kOld = "the previous movie";
std::string OldFile(const std::string &dir, const std::string &name) {
    WriteText(dir + "/" + name, kOld);
    return dir + "/" + name;
}

// A movie of about 400 KB: two frames of incompressible 32-bit pixels, the
// first bitmap placed 12 000 times in between and taken off again, so that
// the writer's own bytes and the pictures' bytes alternate.
void FillLargeMovie(Movie &movie) {
    std::vector<uint8_t> pixels = test::NoisePixels(160, 160, 11);
    auto first = std::make_unique<LosslessBitmap>(test::Ids(), 5, 160, 160, 0, nullptr, pixels.data(), 1);
    uint16_t id = first->CharacterId();
    movie.GetFrame(0)->AddTag(std::move(first));
    for (uint16_t depth = 1; depth <= 12000; ++depth)
        movie.GetFrame(0)->AddTag(std::make_unique<PlaceObject2Tag>(PlaceObject2Fields::NewCharacter(
            depth, id, std::make_unique<Matrix>(Matrix::Translate(Twips::FromTwips(depth), Twips::FromTwips(-depth))))));
    for (uint16_t depth = 1; depth <= 12000; ++depth)
        movie.GetFrame(1)->AddTag(std::make_unique<RemoveObjectTag>(id, depth));
    movie.GetFrame(1)->AddTag(std::make_unique<LosslessBitmap>(test::Ids(), 5, 160, 160, 0, nullptr, pixels.data(), 0));
}

// Lowers the file size limit of this process for its lifetime (0 keeps it),
// with SIGXFSZ ignored so that an oversized write fails with EFBIG instead of
// killing us.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old_;
        if (bytes) lowered.rlim_cur = bytes;
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

// A movie of about 9 KB (under a pipe's buffer): one frame with a bitmap of
// incompressible pixels, its id the counter's next.
void FillSmallMovie(Movie &movie) {
    std::vector<uint8_t> pixels = test::NoisePixels(48, 48, 5);
    movie.GetFrame(0)->AddTag(std::make_unique<LosslessBitmap>(test::Ids(), 5, 48, 48, 0, nullptr, pixels.data(), 1));
}

// The bytes of the first frames of a movie that fill makes, its ids counted
// from firstId, composed in memory as the writer sends them to pipes and
// devices.
std::vector<uint8_t> Composed(void (*fill)(Movie &), int32_t frames, uint16_t firstId) {
    test::NextIdWillBe(firstId);
    Movie movie(test::Ids());
    fill(movie);
    MovieWriter writer;
    for (int32_t f = 0; f < frames; ++f) {
        for (auto &tag : movie.GetFrame(f)->TakeTags()) writer.AddTag(std::move(tag));
        writer.AddTag(std::make_unique<ShowFrameTag>());
    }
    SwfStream s;
    writer.Compose(s, movie.Width(), movie.Height(), movie.FrameRate());
    return s.Content();
}

std::vector<uint8_t> Bytes(const std::string &text) { return {text.begin(), text.end()}; }

// Where a symbolic link points; empty when path is none.
std::string LinkTarget(const std::string &path) {
    std::error_code error;
    return std::filesystem::read_symlink(path, error).string();
}

// Everything left readable in a descriptor whose writers are all closed.
std::vector<uint8_t> Drain(int fd) {
    std::vector<uint8_t> out;
    uint8_t buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) out.insert(out.end(), buffer, buffer + n);
    close(fd);
    return out;
}

struct stat StatOf(const std::string &path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}

// One kind of target: what is there before the write, what the write must
// give. The folder is a fresh one for each row.
using Dir = const std::string &;
struct TargetCase {
    const char *name;
    // Makes what is there before and returns the path to write.
    std::function<std::string(Dir dir)> setUp;
    bool written;
    // The bytes found afterwards where the movie was to go.
    std::function<std::vector<uint8_t>(Dir dir)> result;
    // The folder's entries afterwards, sorted: a failed or direct write
    // leaves no temporary file behind.
    std::vector<std::string> entries;
    // Further checks on what is left, or null.
    std::function<void(Dir dir)> check = nullptr;
    rlim_t fileSizeLimit = 0;  // 0: none
};

TEST(WriterSafety, EveryKindOfTargetGetsTheMovieOrKeepsItsOldContent) {
    const std::string longName = std::string(246, 'n') + ".swf";   // 250 bytes
    const std::string longest = std::string(251, 'm') + ".swf";    // 255 bytes
    auto file = [](const std::string &name) {
        return [name](Dir dir) { return test::ReadFileBytes(dir + "/" + name); };
    };
    int pipeRead = -1, savedStdout = -1;
    bool root = geteuid() == 0;
    mode_t oldMask = umask(022);

    const TargetCase cases[] = {
        {"new file", [](Dir dir) { return dir + "/movie.swf"; }, true, file("movie.swf"), {"movie.swf"},
         [](Dir dir) {
             EXPECT_EQ(StatOf(dir + "/movie.swf").st_mode & 07777, 0644u) << "as fopen gives under umask 022";
         }},
        {"250-byte name", [&](Dir dir) { return OldFile(dir, longName); }, true, file(longName), {longName}},
        {"255-byte name, new", [&](Dir dir) { return dir + "/" + longest; }, true, file(longest), {longest}},
        {"symbolic link",
         [&](Dir dir) {
             OldFile(dir, "real.swf");
             EXPECT_EQ(symlink("real.swf", (dir + "/link.swf").c_str()), 0);
             return dir + "/link.swf";
         },
         true, file("real.swf"), {"link.swf", "real.swf"},
         [](Dir dir) { EXPECT_EQ(LinkTarget(dir + "/link.swf"), "real.swf"); }},
        {"link to a link in another folder",
         [&](Dir dir) {
             std::filesystem::create_directory(dir + "/decks");
             OldFile(dir, "decks/real.swf");
             EXPECT_EQ(symlink("decks/real.swf", (dir + "/middle.swf").c_str()), 0);
             EXPECT_EQ(symlink((dir + "/middle.swf").c_str(), (dir + "/link.swf").c_str()), 0);
             return dir + "/link.swf";
         },
         true, file("decks/real.swf"), {"decks", "link.swf", "middle.swf"},
         [](Dir dir) {
             EXPECT_EQ(LinkTarget(dir + "/middle.swf"), "decks/real.swf");
             EXPECT_EQ(Entries(dir + "/decks"), std::vector<std::string>{"real.swf"});
         }},
        {"dangling link",
         [&](Dir dir) {
             EXPECT_EQ(symlink("new.swf", (dir + "/link.swf").c_str()), 0);
             return dir + "/link.swf";
         },
         true, file("new.swf"), {"link.swf", "new.swf"},
         [](Dir dir) { EXPECT_EQ(LinkTarget(dir + "/link.swf"), "new.swf"); }},
        {"private file, mode 600",
         [&](Dir dir) {
             chmod(OldFile(dir, "movie.swf").c_str(), 0600);
             return dir + "/movie.swf";
         },
         true, file("movie.swf"), {"movie.swf"},
         [](Dir dir) { EXPECT_EQ(StatOf(dir + "/movie.swf").st_mode & 07777, 0600u); }},
        {"another user's shared file, mode 664",
         [&](Dir dir) {
             chmod(OldFile(dir, "movie.swf").c_str(), 0664);
             if (root) {
                 EXPECT_EQ(chown((dir + "/movie.swf").c_str(), 4321, 8765), 0);
             }
             return dir + "/movie.swf";
         },
         true, file("movie.swf"), {"movie.swf"},
         [&](Dir dir) {
             struct stat st = StatOf(dir + "/movie.swf");
             EXPECT_EQ(st.st_mode & 07777, 0664u);
             if (root) {  // only a privileged process may give a file away
                 EXPECT_EQ(st.st_uid, 4321u);
                 EXPECT_EQ(st.st_gid, 8765u);
             }
         }},
        {"hard link: the other name keeps the old movie",
         [&](Dir dir) {
             EXPECT_EQ(link(OldFile(dir, "movie.swf").c_str(), (dir + "/copy.swf").c_str()), 0);
             return dir + "/movie.swf";
         },
         true, file("movie.swf"), {"copy.swf", "movie.swf"},
         [&](Dir dir) { EXPECT_EQ(test::ReadFileBytes(dir + "/copy.swf"), Bytes(kOld)); }},
        {"named pipe",
         [&](Dir dir) {
             EXPECT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
             // A reader is there before the writer opens, as a player would be.
             pipeRead = open((dir + "/pipe").c_str(), O_RDONLY | O_NONBLOCK);
             EXPECT_GE(pipeRead, 0);
             return dir + "/pipe";
         },
         true, [&](Dir) { return Drain(pipeRead); }, {"pipe"},
         [](Dir dir) { EXPECT_TRUE(S_ISFIFO(StatOf(dir + "/pipe").st_mode)); }},
        // /dev/stdout links to /dev/fd/1; the test writes the descriptor's
        // own name, so that a faulty writer cannot replace /dev/stdout.
        {"standard output into a pipe",
         [&](Dir) {
             int fds[2];
             EXPECT_EQ(pipe(fds), 0);
             std::fflush(stdout);
             savedStdout = dup(STDOUT_FILENO);
             dup2(fds[1], STDOUT_FILENO);
             close(fds[1]);
             pipeRead = fds[0];
             return std::string("/dev/fd/1");
         },
         true,
         [&](Dir) {
             dup2(savedStdout, STDOUT_FILENO);
             close(savedStdout);
             return Drain(pipeRead);
         },
         {}},
        {"missing folder", [](Dir dir) { return dir + "/missing/movie.swf"; }, false, file("missing/movie.swf"), {}},
        {"full disk keeps the old file", [](Dir dir) { return OldFile(dir, "movie.swf"); }, false,
         file("movie.swf"), {"movie.swf"}, nullptr, 4096},
        {"full disk under a long name", [&](Dir dir) { return OldFile(dir, longName); }, false,
         file(longName), {longName}, nullptr, 4096},
    };

    const uint16_t firstId = 100;
    const std::vector<uint8_t> expected = Composed(FillSmallMovie, 1, firstId);
    ASSERT_GT(expected.size(), 8000u);
    for (const TargetCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::string dir = test::TempDir();
        std::string path = c.setUp(dir);
        test::NextIdWillBe(firstId);
        Movie movie(test::Ids());
        FillSmallMovie(movie);
        bool written;
        {
            FileSizeLimit limit(c.fileSizeLimit);
            ASSERT_TRUE(limit.ok());
            written = movie.WriteFile(path.c_str());
        }
        std::vector<uint8_t> bytes = c.result(dir);
        EXPECT_EQ(written, c.written);
        // The movie; or the old content a full disk kept; or nothing.
        EXPECT_EQ(bytes, c.written ? expected : c.fileSizeLimit ? Bytes(kOld) : std::vector<uint8_t>{});
        EXPECT_EQ(Entries(dir), c.entries);
        if (c.check) c.check(dir);
        EXPECT_EQ(movie.FrameCount(), 0);
        // The ids restart after a movie was written, and only then.
        EXPECT_EQ(test::Ids().NextCharacterId(), c.written ? 1 : firstId + 1);
    }
    umask(oldMask);
}

// Fills the movie with the large one and writes it over an old movie.swf in
// dir, under a file size limit (0: none): the write fails, the old file stays,
// no temporary file is left beside it and the movie is emptied all the same.
void ExpectFailedWriteKeepsTheOldFile(const std::string &dir, Movie &movie, rlim_t fileSizeLimit) {
    std::string path = OldFile(dir, "movie.swf");
    FillLargeMovie(movie);
    {
        FileSizeLimit limit(fileSizeLimit);
        ASSERT_TRUE(limit.ok());
        EXPECT_FALSE(movie.WriteFile(path.c_str()));
    }
    EXPECT_EQ(test::ReadFileBytes(path), Bytes(kOld));
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"movie.swf"});
    test::ExpectEmptied(movie);
}

// A file system that fills up during the write.
TEST(WriterSafety, FullFileSystemKeepsTheOldFile) {
    std::string dir = test::TempDir();
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "); the file size limit test covers a full disk";
    test::NextIdWillBe(7);
    Movie movie(test::Ids());
    ExpectFailedWriteKeepsTheOldFile(dir, movie, 0);
    umount(dir.c_str());
    EXPECT_EQ(test::Ids().NextCharacterId(), 9) << "two bitmaps took 7 and 8; a failed write keeps counting";
}

TEST(WriterSafety, MissingDirectoryWritesNothing) {
    std::string dir = test::TempDir();
    Movie movie(test::Ids());
    FillLargeMovie(movie);
    EXPECT_FALSE(movie.WriteFile((dir + "/missing/movie.swf").c_str()));
    EXPECT_TRUE(Entries(dir).empty());
    test::ExpectEmptied(movie);
}

TEST(WriterSafety, EmptyOrNullPathWritesNothing) {
    std::string dir = test::TempDir();
    Movie movie(test::Ids());
    for (const char *path : {static_cast<const char *>(nullptr), ""}) {
        movie.GetFrame(0);
        EXPECT_FALSE(movie.WriteFile(path));
        test::ExpectEmptied(movie);
    }
    EXPECT_TRUE(Entries(dir).empty());
}

TEST(WriterSafety, FailedWriteLeavesTheOldFileAndNoTemporary) {
    std::string dir = test::TempDir(), path = dir + "/movie.swf";
    test::Ids().ResetCharacterIds();
    Movie movie(test::Ids());
    ExpectFailedWriteKeepsTheOldFile(dir, movie, 16 * 1024);

    // With the limit gone the same path is written completely and replaces
    // the old file; streamed into the file, the movie has the bytes composed
    // in memory for pipes and devices.
    std::vector<uint8_t> expected = Composed(FillLargeMovie, 2, 1);
    test::Ids().ResetCharacterIds();
    FillLargeMovie(movie);
    std::vector<uint8_t> bytes = test::WriteAndRead(movie, path);
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"movie.swf"});
    EXPECT_TRUE(bytes == expected);
    test::SwfMovie parsed;
    ASSERT_TRUE(test::ReadsBack(bytes, parsed));
    EXPECT_GT(parsed.header.fileLength, 300000u);
    EXPECT_EQ(parsed.header.frameCount, 2);
}

TEST(WriterSafety, SuccessfulWriteReplacesAnExistingFile) {
    std::string dir = test::TempDir(), path = dir + "/movie.swf";
    WriteText(path, std::string(5000, 'x'));
    Movie movie(test::Ids());
    EXPECT_EQ(test::WriteAndRead(movie, path).size(), 23u);
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"movie.swf"});
}

}  // namespace
}  // namespace quillon
