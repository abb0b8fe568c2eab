// The viewer page and the copy of the Ruffle player beside it.
#include "common/viewer.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "common/files.h"

namespace quillon_tools {

namespace {

bool HasRuffle(const std::string &dir) { return access((dir + "/ruffle.js").c_str(), R_OK) == 0; }

std::string ExecutableDirectory() {
    std::vector<char> buffer(4096);
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return "";
    return DirectoryOf(std::string(buffer.data(), static_cast<size_t>(n)));
}

// The files a page needs: the loader, its core scripts, the wasm modules and
// the licences that travel with them. Source maps stay behind.
bool IsPlayerFile(const std::string &name) {
    auto ends = [&](const std::string &suffix) {
        return name.size() >= suffix.size() &&
               name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return name == "ruffle.js" || (name.rfind("core.ruffle.", 0) == 0 && ends(".js")) ||
           ends(".wasm") || name.rfind("LICENSE", 0) == 0;
}

std::string HtmlEscape(const std::string &text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// A movie name as a JavaScript string literal.
std::string JsString(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '<') {
            out += "\\x3c";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string FindRuffle() {
    std::vector<std::string> candidates;
    if (const char *env = std::getenv("QUILLON_RUFFLE_DIR")) candidates.push_back(env);
    std::string exe = ExecutableDirectory();
    if (!exe.empty()) candidates.push_back(exe + "/../share/quillon/ruffle");
#ifdef QUILLON_RUFFLE_INSTALL_DIR
    candidates.push_back(QUILLON_RUFFLE_INSTALL_DIR);
#endif
#ifdef QUILLON_RUFFLE_SOURCE_DIR
    candidates.push_back(QUILLON_RUFFLE_SOURCE_DIR);
#endif
    for (const std::string &dir : candidates)
        if (HasRuffle(dir)) return dir;
    return "";
}

bool WriteViewer(const std::string &moviePath, int width, int height, const std::string &title,
                 std::string &page, std::string &error) {
    std::string ruffle = FindRuffle();
    if (ruffle.empty()) {
        error = "the Ruffle player files were not found (run scripts/install-deps, or set "
                "QUILLON_RUFFLE_DIR to a folder with ruffle.js)";
        return false;
    }
    std::string target = DirectoryOf(moviePath) + "/ruffle";
    if (!MakeDirectory(target, error)) return false;
    DIR *dir = opendir(ruffle.c_str());
    if (!dir) {
        error = ruffle + ": cannot be read";
        return false;
    }
    std::vector<std::string> names;
    while (dirent *e = readdir(dir))
        if (IsPlayerFile(e->d_name)) names.push_back(e->d_name);
    closedir(dir);
    for (const std::string &name : names)
        if (!CopyFileAtomically(ruffle + "/" + name, target + "/" + name, error)) return false;

    std::string w = std::to_string(width), h = std::to_string(height);
    std::string html =
        "<!DOCTYPE html>\n"
        "<html lang=\"en\">\n"
        "<head>\n"
        "<meta charset=\"utf-8\">\n"
        "<title>" + HtmlEscape(title) + "</title>\n"
        "<style>body { margin: 0; background: #202020; display: flex; justify-content: center; "
        "align-items: center; min-height: 100vh; }</style>\n"
        "</head>\n"
        "<body>\n"
        "<script>\n"
        "// Plays the movie with the Ruffle player in ruffle/. Serve this folder over\n"
        "// http (for example: python3 -m http.server); file:// pages cannot load it.\n"
        "window.RufflePlayer = window.RufflePlayer || {};\n"
        "window.RufflePlayer.config = {\n"
        "  autoplay: \"on\", splashScreen: false, letterbox: \"on\", contextMenu: \"off\",\n"
        "  preferredRenderer: \"canvas\",\n"
        "  openUrlMode: \"allow\", allowNetworking: \"all\", allowScriptAccess: true,\n"
        "};\n"
        "</script>\n"
        "<script src=\"ruffle/ruffle.js\"></script>\n"
        "<script>\n"
        "window.addEventListener(\"load\", () => {\n"
        "  const player = window.RufflePlayer.newest().createPlayer();\n"
        "  player.id = \"player\";\n"
        "  player.style.width = \"" + w + "px\";\n"
        "  player.style.height = \"" + h + "px\";\n"
        "  document.body.appendChild(player);\n"
        "  player.load(" + JsString(BaseName(moviePath)) + ");\n"
        "});\n"
        "</script>\n"
        "</body>\n"
        "</html>\n";
    page = WithoutExtension(moviePath) + ".html";
    if (page == moviePath) page = moviePath + ".html";  // a movie named *.html
    return WriteFileAtomically(page, html, error);
}

}  // namespace quillon_tools
