// Atomic writes, path helpers and the checks around WriteMovie, which reports
// nothing itself.
#include "common/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace quillon_tools {

bool WriteFileAtomically(const std::string &path, const std::string &bytes, std::string &error) {
    std::string temporary = path + ".tmp-" + std::to_string(getpid());
    std::FILE *f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
        error = path + ": cannot be written: " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int savedErrno = errno;
    if (std::fflush(f) != 0) ok = false;
    if (std::fclose(f) != 0) ok = false;
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        savedErrno = errno;
        ok = false;
    }
    if (!ok) {
        std::remove(temporary.c_str());
        error = path + ": cannot be written: " + std::strerror(savedErrno ? savedErrno : EIO);
    }
    return ok;
}

bool ReadWholeFile(const std::string &path, std::string &bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return false;
    bytes = s.str();
    return true;
}

bool CopyFileAtomically(const std::string &from, const std::string &to, std::string &error) {
    std::string bytes;
    if (!ReadWholeFile(from, bytes)) {
        error = from + ": cannot be read";
        return false;
    }
    return WriteFileAtomically(to, bytes, error);
}

std::string DirectoryOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string &path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1))
        return path;
    return path.substr(0, dot);
}

bool IsDirectory(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CheckRegularFile(const std::string &path, off_t &size, std::string &error) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + ": not a regular file";
        return false;
    }
    size = st.st_size;
    return true;
}

bool SameFile(const std::string &a, const std::string &b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool MakeDirectory(const std::string &path, std::string &error) {
    if (IsDirectory(path)) return true;
    if (mkdir(path.c_str(), 0777) == 0) return true;
    error = path + ": cannot create the folder: " + std::strerror(errno);
    return false;
}

bool CheckOutputPath(const std::string &path, OutputState &before, std::string &error) {
    if (path.empty()) {
        error = "the output file name is empty";
        return false;
    }
    std::string dir = DirectoryOf(path);
    if (!IsDirectory(dir)) {
        error = path + ": cannot be written: folder " + dir + " does not exist";
        return false;
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        error = path + ": cannot be written: folder " + dir + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    before = OutputState();
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = path + ": cannot be written: it is a folder";
            return false;
        }
        before.existed = true;
        before.device = st.st_dev;
        before.inode = st.st_ino;
    }
    return true;
}

bool CheckMovieWritten(const std::string &path, const OutputState &before, std::string &error) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 ||
        (before.existed && st.st_dev == before.device && st.st_ino == before.inode)) {
        error = path + ": the movie could not be written";
        return false;
    }
    unsigned char header[8];
    std::FILE *f = std::fopen(path.c_str(), "rb");
    bool ok = f && std::fread(header, 1, 8, f) == 8;
    if (f) std::fclose(f);
    uint32_t length = ok ? (header[4] | header[5] << 8 | header[6] << 16 |
                            static_cast<uint32_t>(header[7]) << 24)
                         : 0;
    if (!ok || std::memcmp(header, "FWS", 3) != 0 || header[3] != 4 ||
        static_cast<off_t>(length) != st.st_size) {
        error = path + ": the movie written is not complete";
        return false;
    }
    return true;
}

}  // namespace quillon_tools
