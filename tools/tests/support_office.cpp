// Test helpers for presentations: flat decks, LibreOffice conversions, zip
// packages edited in place, and a listener that counts who calls.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zip.h>

#include "tests/support.h"

namespace tools_test {

namespace {

void Put(std::string &text, const std::string &key, const std::string &value) {
    size_t at = text.find(key);
    if (at != std::string::npos) text.replace(at, key.size(), value);
}

// Basic bound to the document's opening (dom:load): writes a line into
// path and ends LibreOffice.
std::string OpeningMacro(const std::string &path) {
    return "<office:scripts><office:script script:language=\"ooo:Basic\"><ooo:libraries>"
           "<ooo:library-embedded ooo:name=\"Standard\"><ooo:module ooo:name=\"Opened\">"
           "<ooo:source-code>Sub Opened\n  Open \"" + path + "\" For Output As #1\n  Print #1, \"ran\"\n"
           "  Close #1\n  StarDesktop.terminate()\nEnd Sub\n</ooo:source-code></ooo:module>"
           "</ooo:library-embedded></ooo:libraries></office:script><office:event-listeners>"
           "<script:event-listener script:language=\"ooo:script\" script:event-name=\"dom:load\" "
           "xlink:type=\"simple\" xlink:href=\"vnd.sun.star.script:Standard.Opened.Opened?"
           "language=Basic&amp;location=document\"/></office:event-listeners></office:scripts>\n ";
}

}  // namespace

std::string FlatDeck(const FlatDeckForm &form) {
    std::string deck = ReadText(QUILLON_TEST_DATA "/deck.fodp");
    Put(deck, "@LINK@", form.link);
    Put(deck, "@PICTURE@",
        form.picture.empty() ? ""
                             : "<draw:frame svg:x=\"2cm\" svg:y=\"8cm\" svg:width=\"6cm\" svg:height=\"6cm\">"
                               "<draw:image xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\" "
                               "xlink:href=\"" + form.picture + "\"/></draw:frame>");
    Put(deck, "@SCRIPTS@", form.openingMacro.empty() ? "" : OpeningMacro(form.openingMacro));
    for (size_t i = 0; i < 2; ++i) {
        int seconds = i < form.seconds.size() ? form.seconds[i] : 0;
        Put(deck, "@TIMING" + std::to_string(i + 1) + "@",
            seconds <= 0 ? "" : "presentation:transition-type=\"automatic\" presentation:duration=\"PT" +
                                    std::to_string(seconds) + "S\"");
    }
    Put(deck, "@HIDDEN@",
        form.hiddenPage ? "<draw:page draw:name=\"hidden\" draw:master-page-name=\"Default\" "
                          "draw:style-name=\"dp3\"><draw:frame svg:x=\"2cm\" svg:y=\"8cm\" svg:width=\"20cm\" "
                          "svg:height=\"3cm\"><draw:text-box><text:p>A hidden slide</text:p></draw:text-box>"
                          "</draw:frame></draw:page>"
                        : "");
    return deck;
}

std::string OfficeConvert(const std::string &dir, const std::string &file, const std::string &format) {
    std::string ext = format.substr(0, format.find(':'));
    std::string base = file.substr(file.rfind('/') + 1);
    std::string made = dir + "/" + base.substr(0, base.rfind('.')) + "." + ext;
    RunResult r = RunTool("/bin/sh", {"-c", "soffice --headless --norestore -env:UserInstallation=file://" + dir +
                                                "/profile --convert-to '" + format + "' --outdir '" + dir +
                                                "' '" + file + "' >/dev/null 2>&1"});
    return r.status == 0 && !ReadText(made).empty() ? made : "";
}

bool ZipPut(const std::string &path, const std::vector<std::pair<std::string, std::string>> &entries) {
    int error = 0;
    zip_t *archive = zip_open(path.c_str(), 0, &error);
    if (!archive) return false;
    for (const auto &entry : entries) {
        zip_source_t *source = zip_source_buffer(archive, entry.second.data(), entry.second.size(), 0);
        if (!source || zip_file_add(archive, entry.first.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
            if (source) zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

bool ZipGet(const std::string &path, const std::string &name, std::string &bytes) {
    int error = 0;
    zip_t *archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!archive) return false;
    zip_stat_t st;
    zip_file_t *file = zip_stat(archive, name.c_str(), 0, &st) == 0 ? zip_fopen(archive, name.c_str(), 0) : nullptr;
    bool ok = file != nullptr;
    if (ok) {
        bytes.assign(st.size, '\0');
        ok = st.size == 0 || zip_fread(file, &bytes[0], st.size) == static_cast<zip_int64_t>(st.size);
        zip_fclose(file);
    }
    zip_discard(archive);
    return ok;
}

ConnectionCounter::ConnectionCounter() {
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket_ < 0 || bind(socket_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        listen(socket_, 16) != 0 || getsockname(socket_, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
        while (!stop_) {
            pollfd p{socket_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int client = accept(socket_, nullptr, nullptr);
            if (client < 0) continue;
            ++count_;
            close(client);
        }
    });
}

ConnectionCounter::~ConnectionCounter() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (socket_ >= 0) close(socket_);
}

}  // namespace tools_test
