// What the library asks of the file system, with the code for each system
// behind it: saving a file the way a user expects from "save" (the whole new
// content or the old file, never a mix, with the file's place and
// permissions kept), and 64-bit positions in files being read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>

namespace quillon {

// Writes a file at path with write(), which puts every byte into the stream it
// is given and returns whether it could. Returns true when the whole content
// reached path. saves counts the temporary files its caller made; each save
// adds one, and the count and its address go into the temporary name. An
// exception from write() leaves as it came, once the file is closed and
// the temporary file removed.
//
// - A regular file, or a path where nothing exists yet, is written to a
//   temporary file with a short name in the same folder (so a name of any
//   legal length works) and renamed over the target only once every byte was
//   written and the file closed cleanly. A failed write leaves the old file
//   as it was and removes the temporary file.
// - A symbolic link is followed: the file it points to is replaced, and the
//   link stays a link (a dangling link gets its target created).
// - An existing file keeps its permission bits, and its owner and group where
//   the process may set them. Other hard links to it keep the old content. A
//   file that the process may not write is left alone, as fopen would.
// - A path that exists and is not a regular file (a device such as
//   /dev/stdout, a named pipe) is opened and written directly, as
//   fopen(path, "wb") would; so is an existing file whose folder takes no new
//   files but which may itself be written.
bool SaveFile(const char *path, uint64_t &saves, const std::function<bool(std::FILE *)> &write);

// True when file is open on a regular file, which can be written out of
// order (a seek back); false for pipes and devices.
bool IsRegularFile(std::FILE *file);

// A file opened for reading that closes itself when its owner lets it go.
struct CloseFile {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, CloseFile>;

// Positions in 64 bits, also where long has 32 (Windows), so that a WAV file
// of more than 2 GiB (an hour of 96 kHz 24-bit stereo) is read to its end.
// Moves file to position from its start; false when it cannot.
bool SeekTo(std::FILE *file, uint64_t position);
// The file's length in bytes, or -1; the position is restored.
int64_t FileLength(std::FILE *file);

}  // namespace quillon
