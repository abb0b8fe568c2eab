// Runs LibreOffice headless once for every deck of a run, in a box:
//   soffice --headless -env:UserInstallation=file:///TMP/profile
//           --convert-to pdf --outdir TMP/out TMP/in/deck-0.pptx ...
// Each deck is linked into TMP/in under a name of its own, so that decks of
// one name from different folders do not overwrite each other's PDF.
#include "slides/office_convert.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/files.h"
#include "slides/pdf_read.h"

namespace quillon_tools {

namespace {

const char *const kExtensions[] = {".pptx", ".ppt", ".pps", ".ppsx", ".odp", ".fodp",
                                   ".key",  ".otp", ".potx", ".pot"};

// The private profile's settings, in LibreOffice's registry format: the
// highest macro security with macros disabled outright, and links to files
// outside a trusted place (there is none) blocked, so that a picture linked
// to an address is never fetched even where the box has no network
// namespace.
const char kProfileSettings[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
    "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop "
    "oor:name=\"MacroSecurityLevel\" oor:op=\"fuse\"><value>3</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop "
    "oor:name=\"DisableMacrosExecution\" oor:op=\"fuse\"><value>true</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop "
    "oor:name=\"BlockUntrustedRefererLinks\" oor:op=\"fuse\"><value>true</value></prop></item>\n"
    "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop "
    "oor:name=\"SecureURL\" oor:op=\"fuse\"><value/></prop></item>\n"
    "</oor:items>\n";

// Pages are looked at this small to tell a blank one: any mark on the page
// leaves at least a grey pixel.
constexpr int kBlankCheckSide = 256;

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

// Whether a file of size bytes holds nothing but blank space. A large file
// is not read: it is no empty one.
bool OnlyBlankSpace(const std::string &path, off_t size) {
    if (size == 0) return true;
    if (size > 4096) return false;
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    for (unsigned char c : bytes)
        if (!std::isspace(c)) return false;
    return true;
}

// Whether every page of the document is blank white paper: what
// LibreOffice makes of an empty file, or of a deck without slides.
bool OnlyBlankPages(const PdfDocument &pdf) {
    RgbaCanvas picture(1, 1);
    std::vector<uint8_t> scratch;
    std::string ignored;
    for (int page = 0; page < pdf.PageCount(); ++page) {
        if (!pdf.Render(page, kBlankCheckSide, kBlankCheckSide, Rgb{255, 255, 255}, picture, scratch,
                        ignored))
            return false;
        for (const Rgba &p : picture.Pixels())
            if (p.r != 255 || p.g != 255 || p.b != 255) return false;
    }
    return true;
}

}  // namespace

bool IsPresentation(const std::string &path) {
    std::string ext = Extension(path);
    for (const char *e : kExtensions)
        if (ext == e) return true;
    return false;
}

OfficeConversion::~OfficeConversion() {
    for (int fd : kept_) close(fd);
}

bool OfficeConversion::CheckDecks(const std::vector<std::string> &decks, std::string &error) const {
    for (const std::string &deck : decks) {
        off_t size;
        if (!CheckRegularFile(deck, size, error)) return false;
        if (access(deck.c_str(), R_OK) != 0) {
            error = deck + ": cannot be read: " + std::strerror(errno);
            return false;
        }
        if (OnlyBlankSpace(deck, size)) {
            error = deck + ": the presentation is empty (" +
                    (size == 0 ? "no byte" : "nothing but blank space") + ")";
            return false;
        }
    }
    return true;
}

bool OfficeConversion::Run(const std::vector<std::string> &decks, int timeoutSeconds,
                           std::string &error) {
    std::string soffice = FindProgram("soffice");
    if (soffice.empty()) soffice = FindProgram("libreoffice");
    if (soffice.empty()) {
        error = decks[0] +
                ": presentations are converted with LibreOffice, which is not installed "
                "(Debian package libreoffice-impress)";
        return false;
    }
    const std::string &folder = folder_.Path();
    if (!MakeDirectory(folder + "/in", error) || !MakeDirectory(folder + "/out", error) ||
        !MakeDirectory(folder + "/profile", error) || !MakeDirectory(folder + "/profile/user", error) ||
        !WriteFileAtomically(folder + "/profile/user/registrymodifications.xcu", kProfileSettings, error))
        return false;
    std::vector<std::string> args = {soffice,
                                     "--headless",
                                     "--norestore",
                                     "--nologo",
                                     "--nolockcheck",
                                     "--nodefault",
                                     "-env:UserInstallation=" + FileUrl(folder + "/profile"),
                                     "--convert-to",
                                     "pdf",
                                     "--outdir",
                                     folder + "/out"};
    for (size_t i = 0; i < decks.size(); ++i) {
        std::string link = folder + "/in/deck-" + std::to_string(i) + Extension(decks[i]);
        if (symlink(Absolute(decks[i]).c_str(), link.c_str()) != 0) {
            error = "cannot link " + decks[i] + " into " + folder + ": " + std::strerror(errno);
            return false;
        }
        args.push_back(link);
    }
    const std::string log = folder + "/soffice.log";
    int status = 0;
    BoxedEnd end = RunBoxed(args, log, timeoutSeconds, status);
    const std::string what = decks.size() == 1 ? decks[0] : decks[0] + " and the other presentations";
    if (end == BoxedEnd::TimedOut) {
        error = what + ": LibreOffice did not finish converting within " + std::to_string(timeoutSeconds) +
                (timeoutSeconds == 1 ? " second" : " seconds") + " (--timeout) and was stopped";
        return false;
    }
    if (end == BoxedEnd::NotStarted) {
        error = what + ": " + soffice + " cannot be run: " + std::strerror(status);
        return false;
    }
    if (end == BoxedEnd::Exited && status == 0) return true;
    error = what + ": LibreOffice could not convert the presentation (" + soffice +
            (end == BoxedEnd::Crashed ? " crashed" : " failed") + "; see its messages below)";
    std::string said;
    if (ReadWholeFile(log, said) && !said.empty()) error += "\n" + said;
    return false;
}

// LibreOffice reports a deck it cannot load on its output and still exits
// 0: the PDF that is missing tells.
bool OfficeConversion::ReadBack(const std::vector<std::string> &decks, std::vector<ConvertedDeck> &out,
                                std::vector<std::string> &warnings, std::string &error) {
    const std::string &folder = folder_.Path();
    for (size_t i = 0; i < decks.size(); ++i) {
        ConvertedDeck converted;
        std::string pdf = folder + "/out/deck-" + std::to_string(i) + ".pdf";
        off_t size = 0;
        std::string reason;
        if (!CheckRegularFile(pdf, size, reason) || size == 0) {
            error = decks[i] + ": LibreOffice could not convert the presentation (damaged, or not a "
                               "presentation)";
            return false;
        }
        std::unique_ptr<PdfDocument> document = PdfDocument::Open(pdf, reason);
        if (!document || OnlyBlankPages(*document)) {
            error = decks[i] + ": the presentation is empty (" +
                    (document ? "nothing but blank slides" : "no slide") + ")";
            return false;
        }
        converted.pdf = Keep(pdf);
        if (ReadSlideTimings(decks[i], folder, "sound-" + std::to_string(i), converted.slides, warnings)) {
            if (converted.slides.size() != static_cast<size_t>(document->PageCount())) {
                warnings.push_back(decks[i] + ": the slides' timings and sounds are left out: " +
                                   std::to_string(converted.slides.size()) + " slides shown, " +
                                   std::to_string(document->PageCount()) + " pages converted");
                converted.slides.clear();
            }
            for (SlideTiming &slide : converted.slides)
                if (!slide.sound.empty()) slide.sound = Keep(slide.sound);
        }
        out.push_back(std::move(converted));
    }
    return true;
}

std::string OfficeConversion::Keep(const std::string &path) {
    if (keepFolder_) return path;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return path;
    kept_.push_back(fd);
    return "/proc/self/fd/" + std::to_string(fd);
}

bool OfficeConversion::Convert(const std::vector<std::string> &decks, int timeoutSeconds,
                               std::vector<ConvertedDeck> &out, std::vector<std::string> &warnings,
                               std::string &error) {
    out.clear();
    if (decks.empty()) return true;
    if (!CheckDecks(decks, error) || !folder_.Make("quillon-slides", error)) return false;
    keepFolder_ = access("/proc/self/fd", X_OK) != 0;
    bool done = Run(decks, timeoutSeconds, error) && ReadBack(decks, out, warnings, error);
    if (!done || !keepFolder_) folder_.Remove();
    return done;
}

}  // namespace quillon_tools
