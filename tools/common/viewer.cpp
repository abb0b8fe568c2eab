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

namespace {

// Copies the player's files from the installed or source copy into folder.
bool CopyPlayer(const std::string &folder, std::string &error) {
    std::string ruffle = FindRuffle();
    if (ruffle.empty()) {
        error = "the Ruffle player files were not found (run scripts/install-deps, set "
                "QUILLON_RUFFLE_DIR to a folder with ruffle.js, or give the player's address)";
        return false;
    }
    if (!MakeDirectory(folder, error)) return false;
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
        if (!CopyFileAtomically(ruffle + "/" + name, folder + "/" + name, error)) return false;
    return true;
}

// The address of ruffle.js for a folder's address or the script's own.
std::string PlayerScript(const std::string &playerUrl) {
    if (playerUrl.empty()) return "ruffle/ruffle.js";
    size_t end = playerUrl.find_first_of("?#");
    std::string path = playerUrl.substr(0, end);
    if (path.size() >= 3 && path.compare(path.size() - 3, 3, ".js") == 0) return playerUrl;
    while (!path.empty() && path.back() == '/') path.pop_back();
    return path + "/ruffle.js";
}

// The page's script for input, run once the player is on the page. A
// movie's buttons answer keys only while the player has the keyboard: it
// gets it as soon as the movie's header is read (not within the player's
// own event, which would find the player busy) and back after a click
// beside the stage. A swipe across the stage, mostly sideways, becomes the
// arrow key of its direction (a swipe to the left shows the next slide),
// sent to the player as the keyboard would send it.
const char kInput[] =
    "  const focus = () => player.focus({ preventScroll: true });\n"
    "  player.addEventListener(\"loadedmetadata\", () => setTimeout(focus));\n"
    "  window.addEventListener(\"focus\", focus);\n"
    "  document.addEventListener(\"pointerup\", () => {\n"
    "    if (document.activeElement !== player) focus();\n"
    "  });\n"
    "  let start = null;\n"
    "  player.addEventListener(\"touchstart\", (e) => {\n"
    "    const t = e.touches[0];\n"
    "    start = e.touches.length === 1 ? { x: t.clientX, y: t.clientY, time: e.timeStamp } : null;\n"
    "  }, { passive: true });\n"
    "  player.addEventListener(\"touchcancel\", () => { start = null; });\n"
    "  player.addEventListener(\"touchend\", (e) => {\n"
    "    const t = e.changedTouches[0];\n"
    "    if (!start || e.touches.length > 0) return;\n"
    "    const dx = t.clientX - start.x, dy = t.clientY - start.y;\n"
    "    const swipe = Math.abs(dx) >= 40 && Math.abs(dy) <= Math.abs(dx) / 2 &&\n"
    "      e.timeStamp - start.time <= 1000;\n"
    "    start = null;\n"
    "    if (!swipe) return;\n"
    "    const [key, keyCode] = dx < 0 ? [\"ArrowRight\", 39] : [\"ArrowLeft\", 37];\n"
    "    for (const type of [\"keydown\", \"keyup\"])\n"
    "      player.dispatchEvent(new KeyboardEvent(type, { key, code: key, keyCode, bubbles: true }));\n"
    "  }, { passive: true });\n";

}  // namespace

bool WriteViewer(const std::string &moviePath, int width, int height, const std::string &title,
                 bool sound, const std::string &playerUrl, std::string &page,
                 std::string &error) {
    if (playerUrl.empty() && !CopyPlayer(DirectoryOf(moviePath) + "/ruffle", error)) return false;

    // The stage as large as the window allows, up to its own size, keeping its
    // proportions; a movie with sound keeps a line below it for the hint.
    std::string w = std::to_string(width), h = std::to_string(height);
    std::string room = sound ? "(100vh - 2.5em)" : "100vh";
    std::string html =
        "<!DOCTYPE html>\n"
        "<html lang=\"en\">\n"
        "<head>\n"
        "<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>" + HtmlEscape(title) + "</title>\n"
        "<style>\n"
        "html, body { margin: 0; height: 100%; overflow: hidden; background: #202020; }\n"
        "body { display: flex; flex-direction: column; justify-content: center; align-items: center; }\n"
        "#player { display: block; flex: none; touch-action: pinch-zoom;\n"
        "  width: min(" + w + "px, 100vw, calc(" + room + " * " + w + " / " + h + "));\n"
        "  height: min(" + h + "px, calc(100vw * " + h + " / " + w + "), calc(" + room + ")); }\n" +
        (sound ? "#hint { color: #b0b0b0; font: 0.9em sans-serif; line-height: 2.5em; }\n" : "") +
        "</style>\n"
        "</head>\n"
        "<body>\n"
        "<script>\n"
        "// Plays the movie with the Ruffle player. Serve this folder over http\n"
        "// (for example: python3 -m http.server); file:// pages cannot load it.\n"
        "window.RufflePlayer = window.RufflePlayer || {};\n"
        "window.RufflePlayer.config = {\n"
        "  autoplay: \"on\", splashScreen: false, unmuteOverlay: \"hidden\",\n"
        "  letterbox: \"on\", contextMenu: \"off\", preferredRenderer: \"canvas\",\n"
        "  openUrlMode: \"allow\", allowNetworking: \"all\", allowScriptAccess: true,\n"
        "};\n"
        "</script>\n"
        "<script src=\"" + HtmlEscape(PlayerScript(playerUrl)) + "\"></script>\n"
        "<script>\n"
        "window.addEventListener(\"load\", () => {\n"
        "  const player = window.RufflePlayer.newest().createPlayer();\n"
        "  player.id = \"player\";\n"
        "  document.body.appendChild(player);\n" +
        (sound ? "  const hint = document.createElement(\"div\");\n"
                 "  hint.id = \"hint\";\n"
                 "  hint.textContent = \"This movie has sound: click it to hear it.\";\n"
                 "  document.body.appendChild(hint);\n"
               : "") +
        "  player.load(" + JsString(BaseName(moviePath)) + ");\n" + kInput +
        "});\n"
        "</script>\n"
        "</body>\n"
        "</html>\n";
    page = WithoutExtension(moviePath) + ".html";
    if (page == moviePath) page = moviePath + ".html";  // a movie named *.html
    return WriteFileAtomically(page, html, error);
}

}  // namespace quillon_tools
