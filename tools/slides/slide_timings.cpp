// The slides' timings and sounds, from the deck's own XML.
//
// Office Open XML: ppt/presentation.xml lists the slides in showing order
// (p:sldIdLst, each a relationship to a slide part); a slide with show="0"
// is hidden. A slide's p:transition (inside mc:AlternateContent, the first
// one, as PowerPoint writes both choices alike) has advTm, the time in
// milliseconds after which the show moves on. Its sound: the p:audio of the
// slide's timing marked isNarration (PowerPoint's recorded narration),
// else any p:audio, else the first audio picture (a:audioFile, p14:media),
// else the transition's p:sndAc sound; each names a relationship of the
// slide whose target is the sound's part, usually in ppt/media.
//
// OpenDocument: each draw:page's drawing-page style says
// presentation:transition-type="automatic" with presentation:duration (an
// ISO 8601 duration, "PT00H00M05S"), presentation:visibility="hidden" for a
// hidden page, and a presentation:sound whose xlink:href names a file of
// the package.
#include "slides/slide_timings.h"

#include <cctype>
#include <cstdlib>
#include <map>

#include "common/files.h"
#include "slides/package_xml.h"

namespace quillon_tools {

namespace {

const char kP[] = "http://schemas.openxmlformats.org/presentationml/2006/main";
const char kR[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char kA[] = "http://schemas.openxmlformats.org/drawingml/2006/main";
const char kP14[] = "http://schemas.microsoft.com/office/powerpoint/2010/main";
const char kRels[] = "http://schemas.openxmlformats.org/package/2006/relationships";
const char kOffice[] = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
const char kDraw[] = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
const char kStyle[] = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
const char kPresentation[] = "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0";
const char kXlink[] = "http://www.w3.org/1999/xlink";

// XML parts are small; a larger one is no part of a deck worth reading.
constexpr uint64_t kMaxPartBytes = uint64_t(256) << 20;

struct Relationship {
    std::string part;  // resolved in the package; "" for an external target
    std::string target;
};
using Relationships = std::map<std::string, Relationship>;

// The relationships of a part: "ppt/slides/slide1.xml" has its own in
// "ppt/slides/_rels/slide1.xml.rels".
Relationships ReadRelationships(const Package &package, const std::string &part) {
    Relationships out;
    size_t slash = part.rfind('/');
    std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    std::string name = "_rels/" + part.substr(folder.size()) + ".rels";
    std::string bytes;
    if (!package.Read(folder + name, bytes, kMaxPartBytes)) return out;
    XmlDocument doc = ParseXml(bytes, name);
    std::vector<const xmlNode *> all;
    if (doc) FindElements(xmlDocGetRootElement(doc.get()), kRels, "Relationship", all);
    for (const xmlNode *r : all) {
        Relationship &rel = out[Attribute(r, nullptr, "Id")];
        rel.target = Attribute(r, nullptr, "Target");
        if (Attribute(r, nullptr, "TargetMode") != "External") rel.part = ResolvePart(part, rel.target);
    }
    return out;
}

// Extracts a sound of the package for the slide, or says why it cannot.
void TakeSound(const Package &package, const std::string &part, const std::string &where,
               const std::string &folder, const std::string &prefix, size_t index, SlideTiming &slide,
               std::vector<std::string> &warnings) {
    slide.soundName = part;
    if (part.empty() || !package.Has(part)) {
        warnings.push_back(where + " is not in the deck (a link, never followed): it is left out");
        slide.soundName.clear();
        return;
    }
    std::string ext;
    size_t dot = part.rfind('.');
    if (dot != std::string::npos && part.size() - dot <= 6 && part.find('/', dot) == std::string::npos)
        for (char c : part.substr(dot + 1))
            if (std::isalnum(static_cast<unsigned char>(c)))
                ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string path = folder + "/" + prefix + "-" + std::to_string(index + 1) + "." + (ext.empty() ? "snd" : ext);
    if (!package.Extract(part, path)) {
        warnings.push_back(where + " (" + part + ") cannot be read from the deck: it is left out");
        return;
    }
    slide.sound = path;
}

// The relationship id of the slide's sound, as the comment at the top says.
std::string SoundRelationship(const xmlNode *slide) {
    std::map<std::string, std::string> shapes;  // shape id: relationship of its sound
    std::string firstShape;
    std::vector<const xmlNode *> pictures;
    FindElements(slide, kP, "pic", pictures);
    for (const xmlNode *pic : pictures) {
        const xmlNode *audio = FindElement(pic, kA, "audioFile");
        if (!audio) continue;
        const xmlNode *media = FindElement(pic, kP14, "media");
        const xmlNode *props = FindElement(pic, kP, "cNvPr");
        std::string rel = media ? Attribute(media, kR, "embed") : Attribute(audio, kR, "link");
        if (props) shapes[Attribute(props, nullptr, "id")] = rel;
        if (firstShape.empty()) firstShape = rel;
    }
    std::vector<const xmlNode *> audios;
    FindElements(slide, kP, "audio", audios);
    const xmlNode *chosen = nullptr;
    for (const xmlNode *a : audios)
        if (!chosen || (Attribute(a, nullptr, "isNarration") == "1" &&
                        Attribute(chosen, nullptr, "isNarration") != "1"))
            chosen = a;
    if (chosen) {
        const xmlNode *target = FindElement(chosen, kP, "spTgt");
        auto found = target ? shapes.find(Attribute(target, nullptr, "spid")) : shapes.end();
        if (found != shapes.end()) return found->second;
    }
    if (!firstShape.empty()) return firstShape;
    const xmlNode *transition = FindElement(slide, kP, "transition");
    const xmlNode *sound = transition ? FindElement(transition, kP, "snd") : nullptr;
    return sound ? Attribute(sound, kR, "embed") : "";
}

bool ReadPowerPoint(const Package &package, const std::string &deck, const std::string &folder,
                    const std::string &prefix, std::vector<SlideTiming> &slides,
                    std::vector<std::string> &warnings) {
    std::string main = "ppt/presentation.xml";
    for (const auto &rel : ReadRelationships(package, ""))
        if (rel.second.target.find("presentation.xml") != std::string::npos && !rel.second.part.empty())
            main = rel.second.part;
    std::string bytes;
    if (!package.Read(main, bytes, kMaxPartBytes)) return false;
    XmlDocument doc = ParseXml(bytes, main);
    const xmlNode *list = doc ? FindElement(xmlDocGetRootElement(doc.get()), kP, "sldIdLst") : nullptr;
    if (!list) return false;
    Relationships rels = ReadRelationships(package, main);
    bool said = false;
    size_t number = 0;  // of the slide in the deck, hidden ones counted
    for (const xmlNode *id = list->children; id; id = id->next) {
        if (!IsElement(id, kP, "sldId")) continue;
        ++number;
        const std::string part = rels[Attribute(id, kR, "id")].part;
        XmlDocument slideDoc;
        if (part.empty() || !package.Read(part, bytes, kMaxPartBytes) || !(slideDoc = ParseXml(bytes, part)))
            return false;
        const xmlNode *root = xmlDocGetRootElement(slideDoc.get());
        std::string show = Attribute(root, nullptr, "show");
        if (show == "0" || show == "false") continue;
        SlideTiming slide;
        const xmlNode *transition = FindElement(root, kP, "transition");
        std::string advance = transition ? Attribute(transition, nullptr, "advTm") : "";
        if (!advance.empty()) slide.seconds = std::strtod(advance.c_str(), nullptr) / 1000;
        std::string sound = SoundRelationship(root);
        if (!sound.empty()) {
            Relationships slideRels = ReadRelationships(package, part);
            TakeSound(package, slideRels[sound].part,
                      deck + ": slide " + std::to_string(number) + ": its sound " + slideRels[sound].target,
                      folder, prefix, slides.size(), slide, warnings);
        }
        said = said || slide.seconds > 0 || !slide.soundName.empty();
        slides.push_back(slide);
    }
    return said;
}

// "PT00H00M05S", "PT2.5S", "P0DT1M": the seconds, 0 when unreadable.
double IsoSeconds(const std::string &text) {
    size_t t = text.find('T');
    if (text.empty() || text[0] != 'P' || t == std::string::npos) return 0;
    double seconds = 0;
    const char *at = text.c_str() + t + 1;
    while (*at) {
        char *end;
        double value = std::strtod(at, &end);
        if (end == at) return 0;
        if (*end == 'H') seconds += value * 3600;
        else if (*end == 'M') seconds += value * 60;
        else if (*end == 'S') seconds += value;
        else return 0;
        at = end + 1;
    }
    return seconds;
}

bool ReadOpenDocument(const Package *package, const std::string &bytes, const std::string &deck,
                      const std::string &folder, const std::string &prefix,
                      std::vector<SlideTiming> &slides, std::vector<std::string> &warnings) {
    XmlDocument doc = ParseXml(bytes, deck);
    const xmlNode *root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    const xmlNode *body = root ? FindElement(root, kOffice, "presentation") : nullptr;
    if (!body) return false;
    std::map<std::string, const xmlNode *> pageStyles;  // name: drawing-page-properties
    std::vector<const xmlNode *> styles;
    FindElements(root, kStyle, "style", styles);
    for (const xmlNode *s : styles)
        if (Attribute(s, kStyle, "family") == "drawing-page")
            pageStyles[Attribute(s, kStyle, "name")] = FindElement(s, kStyle, "drawing-page-properties");
    bool said = false;
    size_t number = 0;
    for (const xmlNode *page = body->children; page; page = page->next) {
        if (!IsElement(page, kDraw, "page")) continue;
        ++number;
        const xmlNode *props = pageStyles[Attribute(page, kDraw, "style-name")];
        if (props && Attribute(props, kPresentation, "visibility") == "hidden") continue;
        SlideTiming slide;
        for (const xmlNode *on : {props, page})
            if (on && Attribute(on, kPresentation, "transition-type") == "automatic" &&
                !Attribute(on, kPresentation, "duration").empty())
                slide.seconds = IsoSeconds(Attribute(on, kPresentation, "duration"));
        const xmlNode *sound = props ? FindElement(props, kPresentation, "sound") : nullptr;
        if (sound) {
            std::string href = Attribute(sound, kXlink, "href");
            std::string where = deck + ": slide " + std::to_string(number) + ": its sound " + href;
            std::string part = ResolvePart("", href);
            if (package) {
                TakeSound(*package, part, where, folder, prefix, slides.size(), slide, warnings);
            } else {
                warnings.push_back(where + " is not in the deck (a link, never followed): it is left out");
            }
        }
        said = said || slide.seconds > 0 || !slide.soundName.empty();
        slides.push_back(slide);
    }
    return said;
}

}  // namespace

bool ReadSlideTimings(const std::string &deck, const std::string &folder, const std::string &prefix,
                      std::vector<SlideTiming> &slides, std::vector<std::string> &warnings) {
    slides.clear();
    bool said = false;
    std::unique_ptr<Package> package = Package::Open(deck);
    std::string bytes;
    if (package && package->Has("ppt/presentation.xml")) {
        said = ReadPowerPoint(*package, deck, folder, prefix, slides, warnings);
    } else if (package && package->Read("content.xml", bytes, kMaxPartBytes)) {
        said = ReadOpenDocument(package.get(), bytes, deck, folder, prefix, slides, warnings);
    } else if (!package) {
        off_t size = 0;
        std::string ignored;
        if (CheckRegularFile(deck, size, ignored) && static_cast<uint64_t>(size) <= kMaxPartBytes &&
            ReadWholeFile(deck, bytes) && bytes.find("office:presentation") != std::string::npos)
            said = ReadOpenDocument(nullptr, bytes, deck, folder, prefix, slides, warnings);
    }
    if (!said) slides.clear();
    return said;
}

}  // namespace quillon_tools
