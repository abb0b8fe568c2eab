// File helpers for the tools: whole-file writes that never leave a partial
// file behind, output checks before and after the library writes a movie.
#pragma once

#include <string>
#include <sys/types.h>

namespace quillon_tools {

// Writes bytes to path through a temporary file beside it, renamed over the
// target only when everything was written and closed.
bool WriteFileAtomically(const std::string &path, const std::string &bytes, std::string &error);
// Copies a file the same way.
bool CopyFileAtomically(const std::string &from, const std::string &to, std::string &error);
bool ReadWholeFile(const std::string &path, std::string &bytes);

std::string DirectoryOf(const std::string &path);  // "." for a bare name
std::string BaseName(const std::string &path);
// The path with its extension (from the last '.' of the base name) removed.
std::string WithoutExtension(const std::string &path);
bool IsDirectory(const std::string &path);
// Whether path is a regular file, with its size; otherwise false with error
// naming the file and the reason.
bool CheckRegularFile(const std::string &path, off_t &size, std::string &error);
// Whether two paths name one file (the same device and inode), whatever the
// paths say: links, "..", another spelling. False when either is missing.
bool SameFile(const std::string &a, const std::string &b);
bool MakeDirectory(const std::string &path, std::string &error);

// What the target of a movie was before it is written, so that afterwards a
// new file can be told from an old one left in place.
struct OutputState {
    bool existed = false;
    dev_t device = 0;
    ino_t inode = 0;
};

// Whether a movie can be written to path: its folder exists and is writable
// and path is not a folder. Records the target's state in before.
bool CheckOutputPath(const std::string &path, OutputState &before, std::string &error);
// Whether the library wrote path: a file that was not there before, holding
// a complete movie (signature, version, FileLength equal to the file's size).
bool CheckMovieWritten(const std::string &path, const OutputState &before, std::string &error);

}  // namespace quillon_tools
