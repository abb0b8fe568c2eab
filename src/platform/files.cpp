// Saving through a temporary file beside the target, renamed over it at the
// end; devices and pipes written directly. File positions in 64 bits.
#include "platform/files.h"

#include <chrono>
#include <climits>
#include <cstdint>
#include <string>

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quillon {

namespace {

// The folder part of path, with its trailing separator: "" for a bare name.
std::string FolderOf(const std::string &path) {
#ifdef _WIN32
    size_t end = path.find_last_of("/\\");
    if (end == std::string::npos && path.size() >= 2 && path[1] == ':') end = 1;  // "C:name"
#else
    size_t end = path.find_last_of('/');
#endif
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// Six characters that no other save in this or another process is likely to
// pick at the same moment; creation with O_EXCL settles the rest.
std::string RandomPart(uint64_t &counter) {
    uint64_t x = static_cast<uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
#ifdef _WIN32
    x ^= static_cast<uint64_t>(GetCurrentProcessId()) << 32;
#else
    x ^= static_cast<uint64_t>(getpid()) << 32;
#endif
    x += ++counter * 0x9E3779B97F4A7C15ull;
    x ^= reinterpret_cast<uintptr_t>(&counter);
    // splitmix64 finaliser
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string part;
    for (int i = 0; i < 6; ++i) {
        part += digits[x % 36];
        x /= 36;
    }
    return part;
}

// Writes an open file and closes it; false when any byte failed. The file is
// closed also when write() throws.
bool WriteAndClose(std::FILE *file, const std::function<bool(std::FILE *)> &write) {
    bool ok = false;
    try {
        ok = write(file);
    } catch (...) {
        std::fclose(file);
        throw;
    }
    if (std::fflush(file) != 0 || std::ferror(file)) ok = false;
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

// Writes path as fopen(path, "wb") does, in place.
bool WriteDirectly(const char *path, const std::function<bool(std::FILE *)> &write) {
    std::FILE *file = std::fopen(path, "wb");
    return file != nullptr && WriteAndClose(file, write);
}

#ifndef _WIN32

// The file that a write to path lands in: path with the symbolic links of its
// last component followed, links to links included. A link whose target
// cannot be read ends the walk there.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char link[PATH_MAX];
        ssize_t n = readlink(path.c_str(), link, sizeof link);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof link) return path;
        std::string target(link, static_cast<size_t>(n));
        path = target[0] == '/' ? target : FolderOf(path) + target;
    }
    return path;
}

bool SameFile(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

#endif

}  // namespace

#ifdef _WIN32

bool IsRegularFile(std::FILE *file) {
    struct _stat64 st;
    return _fstat64(_fileno(file), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
}

bool SaveFile(const char *path, uint64_t &saves, const std::function<bool(std::FILE *)> &write) {
    std::string target = path;
    // Devices and pipes of the \\.\ namespace, and anything that is not a
    // plain file, are written in place.
    struct _stat64 st;
    bool exists = _stat64(path, &st) == 0;
    if (target.rfind("\\\\.\\", 0) == 0 || (exists && (st.st_mode & _S_IFMT) != _S_IFREG))
        return WriteDirectly(path, write);
    std::string temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = FolderOf(target) + ".qln" + RandomPart(saves) + ".tmp";
        handle = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    std::FILE *file = std::fopen(temporary.c_str(), "wb");
    bool ok = false;
    try {
        ok = file != nullptr && WriteAndClose(file, write);
    } catch (...) {
        DeleteFileA(temporary.c_str());
        throw;
    }
    // ReplaceFile keeps the replaced file's attributes and security.
    if (ok && exists)
        ok = ReplaceFileA(path, temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                          nullptr, nullptr) != 0;
    else if (ok)
        ok = MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok) DeleteFileA(temporary.c_str());
    return ok;
}

#else

bool IsRegularFile(std::FILE *file) {
    struct stat st;
    return fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
}

bool SaveFile(const char *path, uint64_t &saves, const std::function<bool(std::FILE *)> &write) {
    struct stat st;
    bool exists = stat(path, &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return WriteDirectly(path, write);
    std::string target = FollowLinks(path);
    if (exists) {
        // A link that leads elsewhere than its own walk says (a descriptor
        // link of /proc to a deleted file) is written through in place.
        struct stat resolved;
        if (stat(target.c_str(), &resolved) != 0 || !SameFile(st, resolved))
            return WriteDirectly(path, write);
        // A file that fopen could not open for writing is not replaced either.
        if (access(target.c_str(), W_OK) != 0) return false;
    }
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = FolderOf(target) + ".qln" + RandomPart(saves) + ".tmp";
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        // A folder that takes no new files may hold a file that may be written.
        if (exists && errno == EACCES && access(path, W_OK) == 0) return WriteDirectly(path, write);
        return false;
    }
    if (exists) {
        // Owner and group first (a change of owner clears set-id bits), then
        // the permission bits. A process that may not give the file away may
        // still give it one of its own groups.
        if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
            // The file then belongs to this process, as a new file would.
        }
        if (fchmod(fd, st.st_mode & 07777) != 0) {
            // The temporary file keeps mode 600: never more open than before.
        }
    }
    std::FILE *file = fdopen(fd, "wb");
    if (file == nullptr) close(fd);
    bool ok = false;
    try {
        ok = file != nullptr && WriteAndClose(file, write);
    } catch (...) {
        unlink(temporary.c_str());
        throw;
    }
    if (ok) ok = std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}

#endif

namespace {

int64_t Tell(std::FILE *file) {
#if defined(_WIN32)
    return _ftelli64(file);
#else
    return std::ftell(file);
#endif
}

}  // namespace

bool SeekTo(std::FILE *file, uint64_t position) {
#if defined(_WIN32)
    return position <= static_cast<uint64_t>(INT64_MAX) &&
           _fseeki64(file, static_cast<int64_t>(position), SEEK_SET) == 0;
#else
    return position <= static_cast<uint64_t>(LONG_MAX) &&
           std::fseek(file, static_cast<long>(position), SEEK_SET) == 0;
#endif
}

int64_t FileLength(std::FILE *file) {
    const int64_t here = Tell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const int64_t end = Tell(file);
    if (!SeekTo(file, static_cast<uint64_t>(here))) return -1;
    return end;
}

}  // namespace quillon
