// Zip packages (Office Open XML, OpenDocument) read with libzip, and their
// XML parts with libxml2, which never loads anything from the network nor
// substitutes entities.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct zip;

namespace quillon_tools {

struct XmlFree {
    void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};
using XmlDocument = std::unique_ptr<xmlDoc, XmlFree>;

// An XML document parsed from bytes (name for libxml2's messages, which
// are not shown), or null when it is not well-formed.
XmlDocument ParseXml(const std::string &bytes, const std::string &name);

// Whether node is an element of that namespace and local name.
bool IsElement(const xmlNode *node, const char *ns, const char *name);
// An attribute's value, "" when missing; ns null for an unprefixed one.
std::string Attribute(const xmlNode *node, const char *ns, const char *name);
// The first element of that name in the tree under node (node itself
// included), depth first, in document order; null when there is none.
const xmlNode *FindElement(const xmlNode *node, const char *ns, const char *name);
// Every such element, in document order.
void FindElements(const xmlNode *node, const char *ns, const char *name,
                  std::vector<const xmlNode *> &found);

// A zip package open for reading.
class Package {
public:
    // Null when path is no zip file libzip reads.
    static std::unique_ptr<Package> Open(const std::string &path);
    ~Package();
    Package(const Package &) = delete;
    Package &operator=(const Package &) = delete;

    bool Has(const std::string &name) const;
    // The bytes of an entry of at most maxBytes; false when it is missing,
    // larger or damaged.
    bool Read(const std::string &name, std::string &bytes, uint64_t maxBytes) const;
    // Copies an entry into a new file; false when it is missing, damaged or
    // the file cannot be written (no partial file is left).
    bool Extract(const std::string &name, const std::string &path) const;

private:
    explicit Package(zip *archive) : archive_(archive) {}
    zip *archive_;
};

// A part's name resolved from the folder of the part that refers to it:
// ("ppt/slides/slide1.xml", "../media/a.m4a") gives "ppt/media/a.m4a"; a
// target from the package's root starts with '/'. "" when it leaves the
// package.
std::string ResolvePart(const std::string &from, const std::string &target);

}  // namespace quillon_tools
