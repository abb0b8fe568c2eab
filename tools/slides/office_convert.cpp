// Runs LibreOffice headless once for every deck of a run:
//   soffice --headless -env:UserInstallation=file:///TMP/profile
//           --convert-to pdf --outdir TMP/out TMP/in/deck-0.pptx ...
// Each deck is linked into TMP/in under a name of its own, so that decks of
// one name from different folders do not overwrite each other's PDF.
#include "slides/office_convert.h"

#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/files.h"

extern char **environ;

namespace quillon_tools {

namespace {

const char *const kExtensions[] = {".pptx", ".ppt", ".pps", ".ppsx", ".odp", ".fodp", ".key"};

std::string Extension(const std::string &path) {
    std::string base = BaseName(path);
    size_t dot = base.rfind('.');
    if (dot == std::string::npos) return "";
    std::string ext = base.substr(dot);
    for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The program named name in a folder of PATH, or "".
std::string FindProgram(const char *name) {
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t at = 0;
    while (at <= dirs.size()) {
        size_t colon = dirs.find(':', at);
        std::string dir = dirs.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
        std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0 && !IsDirectory(candidate)) return candidate;
        if (colon == std::string::npos) break;
        at = colon + 1;
    }
    return "";
}

// A file: URL for a local path, with every byte outside the unreserved
// characters and '/' percent-encoded.
std::string FileUrl(const std::string &path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

std::string Absolute(const std::string &path) {
    if (!path.empty() && path[0] == '/') return path;
    char here[4096];
    if (!getcwd(here, sizeof here)) return path;
    return std::string(here) + "/" + path;
}

int RemoveEntry(const char *path, const struct stat *, int, struct FTW *) {
    std::remove(path);
    return 0;
}

// Runs program with args, its output and errors into log; its exit status,
// or -1 when it could not start or did not exit normally.
int Run(const std::vector<std::string> &args, const std::string &log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return -1;
    int status;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool IsPresentation(const std::string &path) {
    std::string ext = Extension(path);
    for (const char *e : kExtensions)
        if (ext == e) return true;
    return false;
}

OfficeConversion::~OfficeConversion() {
    if (!folder_.empty()) nftw(folder_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool OfficeConversion::Convert(const std::vector<std::string> &decks,
                               std::vector<std::string> &pdfs, std::string &error) {
    pdfs.clear();
    if (decks.empty()) return true;
    for (const std::string &deck : decks) {
        off_t size;
        if (!CheckRegularFile(deck, size, error)) return false;
        if (access(deck.c_str(), R_OK) != 0) {
            error = deck + ": cannot be read: " + std::strerror(errno);
            return false;
        }
    }
    std::string soffice = FindProgram("soffice");
    if (soffice.empty()) soffice = FindProgram("libreoffice");
    if (soffice.empty()) {
        error = decks[0] +
                ": presentations are converted with LibreOffice, which is not installed "
                "(Debian package libreoffice-impress)";
        return false;
    }

    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon-slides-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        error = "cannot make a temporary folder for LibreOffice in " + DirectoryOf(pattern) + ": " +
                std::strerror(errno);
        return false;
    }
    folder_ = Absolute(name.data());
    if (!MakeDirectory(folder_ + "/in", error) || !MakeDirectory(folder_ + "/out", error))
        return false;
    std::vector<std::string> args = {soffice,
                                     "--headless",
                                     "--norestore",
                                     "--nologo",
                                     "--nolockcheck",
                                     "-env:UserInstallation=" + FileUrl(folder_ + "/profile"),
                                     "--convert-to",
                                     "pdf",
                                     "--outdir",
                                     folder_ + "/out"};
    for (size_t i = 0; i < decks.size(); ++i) {
        std::string link = folder_ + "/in/deck-" + std::to_string(i) + Extension(decks[i]);
        if (symlink(Absolute(decks[i]).c_str(), link.c_str()) != 0) {
            error = "cannot link " + decks[i] + " into " + folder_ + ": " + std::strerror(errno);
            return false;
        }
        args.push_back(link);
        pdfs.push_back(folder_ + "/out/deck-" + std::to_string(i) + ".pdf");
    }
    std::string log = folder_ + "/soffice.log";
    int status = Run(args, log);
    // LibreOffice reports a deck it cannot load on its output and still
    // exits 0: the PDF that is missing tells.
    for (size_t i = 0; i < decks.size(); ++i) {
        off_t size = 0;
        std::string ignored;
        if (status != 0 || !CheckRegularFile(pdfs[i], size, ignored) || size == 0) {
            error = decks[i] + ": LibreOffice could not convert the presentation" +
                    (status == 0 ? " (damaged, or not a presentation)"
                                 : " (" + soffice + " failed; see its messages below)");
            if (status != 0) {
                std::string said;
                if (ReadWholeFile(log, said) && !said.empty()) error += "\n" + said;
            }
            return false;
        }
    }
    return true;
}

}  // namespace quillon_tools
