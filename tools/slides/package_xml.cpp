// Reading zip packages and their XML parts for the slides' timings.
#include "slides/package_xml.h"

#include <libxml/parser.h>
#include <zip.h>

#include <cstdio>
#include <cstring>

namespace quillon_tools {

namespace {

// A sound larger than this is no narration of a slide but a zip bomb.
constexpr uint64_t kMaxExtractedBytes = uint64_t(1) << 30;

}  // namespace

XmlDocument ParseXml(const std::string &bytes, const std::string &name) {
    if (bytes.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
    return XmlDocument(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), name.c_str(), nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

bool IsElement(const xmlNode *node, const char *ns, const char *name) {
    return node && node->type == XML_ELEMENT_NODE && node->ns && node->ns->href &&
           std::strcmp(reinterpret_cast<const char *>(node->ns->href), ns) == 0 &&
           std::strcmp(reinterpret_cast<const char *>(node->name), name) == 0;
}

std::string Attribute(const xmlNode *node, const char *ns, const char *name) {
    xmlChar *value = ns ? xmlGetNsProp(node, BAD_CAST name, BAD_CAST ns)
                        : xmlGetNoNsProp(node, BAD_CAST name);
    if (!value) return "";
    std::string out = reinterpret_cast<const char *>(value);
    xmlFree(value);
    return out;
}

const xmlNode *FindElement(const xmlNode *node, const char *ns, const char *name) {
    if (IsElement(node, ns, name)) return node;
    for (const xmlNode *child = node ? node->children : nullptr; child; child = child->next)
        if (const xmlNode *found = FindElement(child, ns, name)) return found;
    return nullptr;
}

void FindElements(const xmlNode *node, const char *ns, const char *name,
                  std::vector<const xmlNode *> &found) {
    if (IsElement(node, ns, name)) found.push_back(node);
    for (const xmlNode *child = node ? node->children : nullptr; child; child = child->next)
        FindElements(child, ns, name, found);
}

std::unique_ptr<Package> Package::Open(const std::string &path) {
    int error = 0;
    zip *archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!archive) return nullptr;
    return std::unique_ptr<Package>(new Package(archive));
}

Package::~Package() { zip_discard(archive_); }

bool Package::Has(const std::string &name) const {
    return zip_name_locate(archive_, name.c_str(), 0) >= 0;
}

bool Package::Read(const std::string &name, std::string &bytes, uint64_t maxBytes) const {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(archive_, name.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
        st.size > maxBytes)
        return false;
    zip_file_t *file = zip_fopen(archive_, name.c_str(), 0);
    if (!file) return false;
    bytes.resize(st.size);
    zip_int64_t got = bytes.empty() ? 0 : zip_fread(file, &bytes[0], st.size);
    zip_fclose(file);
    return got == static_cast<zip_int64_t>(st.size);
}

bool Package::Extract(const std::string &name, const std::string &path) const {
    zip_file_t *file = zip_fopen(archive_, name.c_str(), 0);
    if (!file) return false;
    std::FILE *out = std::fopen(path.c_str(), "wbx");
    bool ok = out != nullptr;
    char buffer[65536];
    zip_int64_t got;
    uint64_t total = 0;
    while (ok && (got = zip_fread(file, buffer, sizeof buffer)) != 0) {
        total += static_cast<uint64_t>(got);
        ok = got > 0 && total <= kMaxExtractedBytes &&
             std::fwrite(buffer, 1, static_cast<size_t>(got), out) == static_cast<size_t>(got);
    }
    zip_fclose(file);
    if (out && std::fclose(out) != 0) ok = false;
    if (!ok && out) std::remove(path.c_str());
    return ok;
}

std::string ResolvePart(const std::string &from, const std::string &target) {
    if (target.empty() || target.find("://") != std::string::npos) return "";
    std::vector<std::string> parts;
    std::string path = target[0] == '/' ? target.substr(1) : from.substr(0, from.rfind('/') + 1) + target;
    size_t at = 0;
    while (at <= path.size()) {
        size_t slash = path.find('/', at);
        std::string part = path.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
        if (part == "..") {
            if (parts.empty()) return "";
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        if (slash == std::string::npos) break;
        at = slash + 1;
    }
    std::string out;
    for (const std::string &part : parts) out += (out.empty() ? "" : "/") + part;
    return out;
}

}  // namespace quillon_tools
