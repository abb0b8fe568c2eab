// The box LibreOffice runs in. What a signal handler does here uses system
// calls alone (no allocation, no stdio), since the signal may come while
// any thread is anywhere.
#include "slides/office_box.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace quillon_tools {

namespace {

const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kSignalCount = sizeof kEndingSignals / sizeof kEndingSignals[0];

// What the handler removes and kills: the folder's path in a fixed buffer,
// and the process group of the program running in it (0: none).
char gFolder[4096];
volatile sig_atomic_t gFolderSet = 0;
volatile sig_atomic_t gGroup = 0;
struct sigaction gSavedActions[kSignalCount];

void Pause(long nanoseconds) {
    struct timespec t = {0, nanoseconds};
    nanosleep(&t, nullptr);
}

// Reaps what is left of a killed group: its processes are this program's
// children, or become so when their parent dies (this program is their
// subreaper while the group runs). Gives up after about five seconds.
void ReapGroup(pid_t group) {
    for (int tries = 0; tries < 500; ++tries) {
        pid_t r = waitpid(-group, nullptr, WNOHANG);
        if (r < 0 && errno != EINTR) return;  // ECHILD: none left
        if (r == 0) Pause(10 * 1000 * 1000);
    }
}

// Removes name (in the folder open as parent) and, for a folder, what it
// holds, without following links. A folder is read again after each pass
// since removing entries while reading it may skip some.
void RemoveTreeAt(int parent, const char *name, int depth) {
    if (depth > 64 || unlinkat(parent, name, 0) == 0 || errno != EISDIR) return;
    int dir = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) return;
    alignas(8) char buffer[2048];
    for (bool removed = true; removed;) {
        removed = false;
        lseek(dir, 0, SEEK_SET);
        ssize_t n;
        while ((n = getdents64(dir, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const struct dirent64 *entry = reinterpret_cast<const struct dirent64 *>(buffer + at);
                at += entry->d_reclen;
                const char *child = entry->d_name;
                if (child[0] == '.' && (child[1] == 0 || (child[1] == '.' && child[2] == 0))) continue;
                RemoveTreeAt(dir, child, depth + 1);
                removed = true;
            }
        }
    }
    close(dir);
    unlinkat(parent, name, AT_REMOVEDIR);
}

void EndBySignal(int signal) {
    int savedErrno = errno;
    pid_t group = gGroup;
    if (group > 0) {
        kill(-group, SIGKILL);
        ReapGroup(group);
    }
    if (gFolderSet) RemoveTreeAt(AT_FDCWD, gFolder, 0);
    struct sigaction standard;
    std::memset(&standard, 0, sizeof standard);
    standard.sa_handler = SIG_DFL;
    sigaction(signal, &standard, nullptr);
    raise(signal);
    errno = savedErrno;
}

bool WriteProcFile(const char *path, const char *text) {
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = write(fd, text, std::strlen(text)) == static_cast<ssize_t>(std::strlen(text));
    close(fd);
    return ok;
}

// Between fork and exec: a process group and, where allowed, a network
// namespace of the child's own, in which no address is reachable, not even
// the loopback's. As root the namespace comes directly; otherwise through a
// user namespace in which the child keeps its own user and group ids.
// Reports errno on the pipe when the program cannot be run.
[[noreturn]] void StartInBox(char *const argv[], int in, int out, int report, const char *uidMap,
                             const char *gidMap) {
    setpgid(0, 0);
    if (unshare(CLONE_NEWNET) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0) {
        WriteProcFile("/proc/self/setgroups", "deny");
        WriteProcFile("/proc/self/uid_map", uidMap);
        WriteProcFile("/proc/self/gid_map", gidMap);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    execv(argv[0], argv);
    int error = errno;
    ssize_t ignored = write(report, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// Waits for the program until the deadline; kills its group then.
BoxedEnd WaitBoxed(pid_t pid, int timeoutSeconds, int &status) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int wstatus = 0;
    for (;;) {
        pid_t r = waitpid(pid, &wstatus, WNOHANG);
        if (r == pid) break;
        if (r < 0 && errno != EINTR) return BoxedEnd::Crashed;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(-pid, SIGKILL);
            while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
            }
            return BoxedEnd::TimedOut;
        }
        Pause(20 * 1000 * 1000);
    }
    if (!WIFEXITED(wstatus)) return BoxedEnd::Crashed;
    status = WEXITSTATUS(wstatus);
    return BoxedEnd::Exited;
}

}  // namespace

bool PrivateFolder::Make(const char *prefix, std::string &error) {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    if (pattern[0] != '/') {
        char here[4096];
        if (getcwd(here, sizeof here)) pattern = std::string(here) + "/" + pattern;
    }
    if (pattern.size() >= sizeof gFolder || gFolderSet) {
        error = "cannot make a temporary folder: " + pattern + " is too long";
        return false;
    }
    std::memcpy(gFolder, pattern.c_str(), pattern.size() + 1);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = EndBySignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) sigaddset(&action.sa_mask, kEndingSignals[i]);
    for (int i = 0; i < kSignalCount; ++i) sigaction(kEndingSignals[i], &action, &gSavedActions[i]);
    if (!mkdtemp(gFolder)) {
        error = "cannot make a temporary folder in " + pattern.substr(0, pattern.rfind('/')) + ": " +
                std::strerror(errno);
        for (int i = 0; i < kSignalCount; ++i) sigaction(kEndingSignals[i], &gSavedActions[i], nullptr);
        return false;
    }
    gFolderSet = 1;
    path_ = gFolder;
    return true;
}

void PrivateFolder::Remove() {
    if (path_.empty()) return;
    RemoveTreeAt(AT_FDCWD, path_.c_str(), 0);
    gFolderSet = 0;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kEndingSignals[i], &gSavedActions[i], nullptr);
    path_.clear();
}

BoxedEnd RunBoxed(const std::vector<std::string> &args, const std::string &log, int timeoutSeconds,
                  int &status) {
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    char uidMap[64], gidMap[64];
    std::snprintf(uidMap, sizeof uidMap, "%u %u 1\n", getuid(), getuid());
    std::snprintf(gidMap, sizeof gidMap, "%u %u 1\n", getgid(), getgid());
    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int report[2] = {-1, -1};
    if (in < 0 || out < 0 || pipe2(report, O_CLOEXEC) != 0) {
        status = errno;
        for (int fd : {in, out, report[0], report[1]})
            if (fd >= 0) close(fd);
        return BoxedEnd::NotStarted;
    }
    int wasSubreaper = 0;
    prctl(PR_GET_CHILD_SUBREAPER, &wasSubreaper);
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    // A signal between fork and gGroup would leave the child running: the
    // ending signals wait until the handler knows the group.
    sigset_t ending, before;
    sigemptyset(&ending);
    for (int signal : kEndingSignals) sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, &before);
    pid_t pid = fork();
    if (pid == 0) StartInBox(argv.data(), in, out, report[1], uidMap, gidMap);
    int forkErrno = errno;
    if (pid > 0) {
        setpgid(pid, pid);
        gGroup = pid;
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    close(in);
    close(out);
    close(report[1]);
    BoxedEnd end = BoxedEnd::NotStarted;
    if (pid < 0) {
        status = forkErrno;
    } else {
        int execErrno = 0;
        ssize_t got;
        while ((got = read(report[0], &execErrno, sizeof execErrno)) < 0 && errno == EINTR) {
        }
        if (got == static_cast<ssize_t>(sizeof execErrno)) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            status = execErrno;
        } else {
            end = WaitBoxed(pid, timeoutSeconds, status);
        }
        // What the program started and left running goes with it.
        kill(-pid, SIGKILL);
        ReapGroup(pid);
        gGroup = 0;
    }
    close(report[0]);
    prctl(PR_SET_CHILD_SUBREAPER, wasSubreaper);
    return end;
}

}  // namespace quillon_tools
