// LibreOffice kept in a box: a deck from a stranger is converted by a
// program that would otherwise fetch what the deck links to and could run
// its macros. The box is a private folder (profile, inputs, outputs) that
// no exit leaves behind, a child process group with a network namespace of
// its own where the system allows one, and a time limit.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quillon_tools {

// A private temporary folder under TMPDIR (or /tmp), removed with the object
// and also when SIGINT, SIGTERM, SIGHUP or SIGQUIT ends the program while it
// exists: the handler then kills the process group of the program running
// in it, removes the folder and ends the program by the same signal. One
// such folder exists at a time.
class PrivateFolder {
public:
    PrivateFolder() = default;
    PrivateFolder(const PrivateFolder &) = delete;
    PrivateFolder &operator=(const PrivateFolder &) = delete;
    ~PrivateFolder() { Remove(); }

    // Makes the folder, named after prefix; false with error saying why.
    bool Make(const char *prefix, std::string &error);
    // Removes it and everything in it, and gives the signals back to the
    // handlers they had before Make.
    void Remove();
    const std::string &Path() const { return path_; }

private:
    std::string path_;
};

// How a boxed program ended.
enum class BoxedEnd {
    Exited,      // status holds its exit status
    Crashed,     // ended by a signal
    TimedOut,    // still running after the time limit: its group was killed
    NotStarted,  // the program could not be run; status holds errno
};

// Runs args[0] (a path) with args in its own process group, stdin from
// /dev/null, stdout and stderr into log, in a network namespace of its own
// when the system allows one (as root, or through a user namespace), so
// that it reaches no address at all. Waits at most timeoutSeconds; then, or
// as soon as the program itself exits, every process left in its group is
// killed, so that nothing it started outlives it. While it runs, a signal
// that ends the program kills the group before the PrivateFolder goes.
BoxedEnd RunBoxed(const std::vector<std::string> &args, const std::string &log, int timeoutSeconds,
                  int &status);

}  // namespace quillon_tools
