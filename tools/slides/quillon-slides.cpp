// quillon-slides: turns PNG images and PDF pages into a movie with one slide
// per image or page, through the exported functions of the library only.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/files.h"
#include "common/nav_buttons.h"
#include "common/viewer.h"
#include "quillon.h"
#include "slides/ordered_work.h"
#include "slides/palette.h"
#include "slides/pdf_read.h"
#include "slides/png_read.h"
#include "slides/sound_file.h"

using namespace quillon_tools;

namespace {

const char kProgram[] = "quillon-slides";

// Players refuse bitmaps beyond these: 8191 pixels a side, 16777215 in all.
constexpr int kMaxStageSide = 8191;
constexpr long kMaxStagePixels = 16777215;

const char kHelp[] =
    "Usage: quillon-slides [options] FILE... -o OUT.swf\n"
    "Writes a Flash movie (SWF 4) with one slide per PNG image and per page of\n"
    "each PDF document, in the order given.\n"
    "Images of at most 256 colours keep their colours exactly; others, and PDF\n"
    "pages, are reduced to 256 colours with libimagequant.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE      the movie to write (required)\n"
    "  --fps N                frames per second, 1 to 255 (default 1); each slide\n"
    "                         is one frame unless --seconds or a narration makes\n"
    "                         it longer\n"
    "  --seconds S            each slide is shown S seconds (fractions allowed,\n"
    "                         rounded to whole frames at --fps, at least one)\n"
    "  --narration FILE       the sound of the next slide: given once per slide,\n"
    "                         in slide order (the slides after the last one given\n"
    "                         have none), in any format --sound takes; it starts\n"
    "                         with its slide, which lasts until the narration ends\n"
    "                         or for --seconds, whichever is longer (use --fps 10\n"
    "                         or more for slides that end soon after it)\n"
    "  --size WxH             the stage in pixels (default: the first image's size,\n"
    "                         or the first PDF page 1024 pixels wide); images and\n"
    "                         pages of another size are scaled to fit, centred\n"
    "  --pages LIST           the pages of every PDF document to take, e.g.\n"
    "                         2-7,9 or 3- (default: all)\n"
    "  --link-target NAME     the window that links of PDF pages open in (default\n"
    "                         _blank, a new one); only http, https and mailto\n"
    "                         links are kept\n"
    "  --background RRGGBB    colour around scaled images and under transparent\n"
    "                         pixels (default FFFFFF)\n"
    "  --buttons              first, previous, next and last buttons in the\n"
    "                         bottom-right corner; the movie stops on every slide\n"
    "                         (without them it plays the slides and stops on the\n"
    "                         last); previous on the first slide goes to the last,\n"
    "                         next on the last slide goes to the first. Each slide\n"
    "                         then waits for the viewer (--seconds does not\n"
    "                         apply); a narration plays to its end even when the\n"
    "                         viewer moves on, over the next slide's narration\n"
    "  --sound FILE           a sound that starts with the first slide: WAV (PCM,\n"
    "                         float, A-law, mu-law, IMA or Microsoft ADPCM, any\n"
    "                         rate from 4 to 192 kHz), FLAC, Ogg Vorbis or Opus,\n"
    "                         MP3\n"
    "  --html                 also write OUT.html beside the movie, a page that plays\n"
    "                         it with the Ruffle player (copied into ruffle/ beside\n"
    "                         it); open it through http, e.g. python3 -m http.server\n"
    "  --player-url URL       with --html: load the player from URL (a folder that\n"
    "                         holds ruffle.js, or ruffle.js itself) instead of\n"
    "                         copying it\n"
    "  --quiet                no progress line and no summary\n"
    "  -h, --help             this text\n"
    "  --version              the program's version\n"
    "\n"
    "Options with a value also take it as --name=VALUE, e.g. --output=OUT.swf.\n"
    "The stage is at most 8191 pixels a side and 16777215 pixels in all.\n"
    "Links to other pages of a PDF document, and links of other kinds, are left\n"
    "out and reported.\n"
    "Exit status: 0 written, 1 an input, the sound or the output failed, 2 wrong\n"
    "usage. Nothing is left behind when the movie cannot be written.\n";

// The default stage width of a deck that starts with a PDF page.
constexpr int kPdfStageWidth = 1024;
// Hyperlink areas the library keeps on one slide.
constexpr size_t kMaxLinksPerSlide = 100;

// Pages picked by --pages: ranges from first to last, counted from 1.
struct PageRange {
    int first = 1, last = 0;  // last 0: to the end
};

struct Options {
    std::vector<std::string> inputs;
    std::string output;
    int fps = 1;
    int width = 0, height = 0;  // 0: the first input's size
    Rgb background{255, 255, 255};
    std::vector<PageRange> pages;  // empty: every page
    std::string linkTarget = "_blank";
    bool buttons = false;
    double seconds = 0;  // 0: a slide is one frame
    std::vector<std::string> narrations;
    std::string sound;
    bool html = false;
    std::string playerUrl;
    bool quiet = false;
};

int Usage(const std::string &message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", kProgram, message.c_str(),
                 kProgram);
    return 2;
}

int Fail(const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return 1;
}

bool ParseInt(const std::string &text, long low, long high, int &value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

bool ParseSize(const std::string &text, int &w, int &h) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseInt(text.substr(0, x), 1, 999999999, w) &&
           ParseInt(text.substr(x + 1), 1, 999999999, h);
}

bool ParseColour(const std::string &text, Rgb &c) {
    std::string t = text[0] == '#' ? text.substr(1) : text;
    if (t.size() != 6) return false;
    for (char ch : t)
        if (!std::isxdigit(static_cast<unsigned char>(ch))) return false;
    unsigned long v = std::strtoul(t.c_str(), nullptr, 16);
    c = Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    return true;
}

// Seconds as written by people: 2, 2.5, .5; above 0, at most 65535.
bool ParseSeconds(const std::string &text, double &seconds) {
    size_t digits = 0, points = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') ++digits;
        else if (c == '.') ++points;
        else return false;
    }
    if (digits == 0 || points > 1 || text.size() > 12) return false;
    seconds = std::strtod(text.c_str(), nullptr);
    return seconds > 0 && seconds <= 65535;
}

// "2-7,9", "3-": ranges of page numbers from 1.
bool ParsePages(const std::string &text, std::vector<PageRange> &pages) {
    pages.clear();
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        std::string part = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        size_t dash = part.find('-');
        PageRange r;
        if (dash == std::string::npos) {
            if (!ParseInt(part, 1, 65535, r.first)) return false;
            r.last = r.first;
        } else {
            if (!ParseInt(part.substr(0, dash), 1, 65535, r.first)) return false;
            std::string last = part.substr(dash + 1);
            if (!last.empty() && (!ParseInt(last, 1, 65535, r.last) || r.last < r.first))
                return false;
        }
        pages.push_back(r);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return !pages.empty();
}

enum class Request { Run, Help, Version };

// 0 when parsed; otherwise the exit status of a usage error.
int ParseArguments(int argc, char **argv, Options &o, Request &request) {
    request = Request::Run;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        // --name=value gives the value of --name within the argument.
        bool hasInlineValue = false;
        std::string inlineValue;
        if (!optionsEnded && a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
            hasInlineValue = true;
            inlineValue = a.substr(a.find('=') + 1);
            a = a.substr(0, a.find('='));
        }
        auto value = [&](std::string &out) {
            if (hasInlineValue) {
                hasInlineValue = false;
                out = inlineValue;
                return true;
            }
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            o.inputs.push_back(a);
            continue;
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "-h" || a == "--help") {
            request = Request::Help;
            return 0;
        } else if (a == "--version") {
            request = Request::Version;
            return 0;
        } else if (a == "-o" || a == "--output") {
            if (!value(o.output) || o.output.empty()) return Usage(a + " needs a file name");
        } else if (a == "--fps") {
            if (!value(v) || !ParseInt(v, 1, 255, o.fps))
                return Usage("--fps needs a whole number from 1 to 255");
        } else if (a == "--size") {
            if (!value(v) || !ParseSize(v, o.width, o.height))
                return Usage("--size needs WIDTHxHEIGHT in pixels, e.g. 800x600");
        } else if (a == "--background") {
            if (!value(v) || !ParseColour(v, o.background))
                return Usage("--background needs a colour RRGGBB, e.g. FFFFFF");
        } else if (a == "--pages") {
            if (!value(v) || !ParsePages(v, o.pages))
                return Usage("--pages needs page numbers and ranges, e.g. 2-7,9");
        } else if (a == "--link-target") {
            if (!value(o.linkTarget) || o.linkTarget.empty())
                return Usage("--link-target needs a window name, e.g. _blank or _self");
        } else if (a == "--player-url") {
            if (!value(o.playerUrl) || o.playerUrl.empty())
                return Usage("--player-url needs the address of the Ruffle player");
        } else if (a == "--buttons") {
            o.buttons = true;
        } else if (a == "--sound") {
            if (!value(o.sound)) return Usage("--sound needs a sound file");
        } else if (a == "--seconds") {
            if (!value(v) || !ParseSeconds(v, o.seconds))
                return Usage("--seconds needs a number of seconds above 0, e.g. 2.5");
        } else if (a == "--narration") {
            if (!value(v) || v.empty()) return Usage("--narration needs a sound file");
            o.narrations.push_back(v);
        } else if (a == "--html") {
            o.html = true;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else {
            return Usage("unknown option " + a);
        }
        if (hasInlineValue) return Usage(a + " takes no value");
    }
    if (o.inputs.empty()) return Usage("no images given");
    // A movie holds at most 65535 frames.
    if (o.inputs.size() > 65535) return Usage("too many images: at most 65535 slides");
    if (o.output.empty()) return Usage("no output file given (-o OUT.swf)");
    if (!o.playerUrl.empty() && !o.html) return Usage("--player-url goes with --html");
    return 0;
}

// The four navigation buttons, added once every slide was recorded.
void AddNavigation(int width, int height) {
    struct Nav {
        int kind;
        NavSymbol symbol;
    };
    const Nav navs[] = {{3, NavSymbol::First}, {5, NavSymbol::Previous},
                        {6, NavSymbol::Next}, {4, NavSymbol::Last}};
    ButtonRow row = LayOutButtonRow(width, height, 4);
    for (int i = 0; i < 4; ++i) {
        ButtonFaces f = DrawButtonFaces(navs[i].symbol, row.width, row.height);
        AddButton(navs[i].kind, f.up.data(), f.over.data(), f.down.data(), row.X(i), row.y,
                  row.width, row.height);
    }
}

// One input file: a PNG image, or a PDF document and the pages taken from it.
struct Input {
    std::string path;
    std::unique_ptr<PdfDocument> pdf;  // null for a PNG image
};

// A hyperlink area on the stage, in pixels.
struct StageLink {
    std::string url;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// One slide: its input, the PDF page (from 0; -1 for an image), its links.
struct SlidePlan {
    size_t input = 0;
    int page = -1;
    std::vector<StageLink> links;
};

// What the threads prepare for the library: the slide's colour-mapped picture.
struct PreparedSlide {
    IndexedPicture picture;
    std::string error;
};

bool StartsLikePng(const std::string &path) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    unsigned char head[8];
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool png = std::fread(head, 1, 8, f) == 8 && std::memcmp(head, kSignature, 8) == 0;
    std::fclose(f);
    return png;
}

bool NamedPdf(const std::string &path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".pdf";
}

bool IsPdfInput(const std::string &path) {
    return !StartsLikePng(path) && (LooksLikePdf(path) || NamedPdf(path));
}

// The pages of a document that --pages picks, from 0.
bool PickPages(const Options &o, const Input &input, std::vector<int> &pages, std::string &error) {
    int count = input.pdf->PageCount();
    pages.clear();
    if (o.pages.empty()) {
        for (int p = 0; p < count; ++p) pages.push_back(p);
        return true;
    }
    for (const PageRange &r : o.pages) {
        int last = r.last == 0 ? count : r.last;
        if (r.first > count || last > count) {
            error = input.path + ": --pages asks for page " +
                    std::to_string(r.first > count ? r.first : last) + ", but the document has " +
                    std::to_string(count) + (count == 1 ? " page" : " pages");
            return false;
        }
        for (int p = r.first; p <= last; ++p) pages.push_back(p - 1);
    }
    return true;
}

bool KeptScheme(const std::string &url) {
    std::string lower;
    for (char c : url.substr(0, 8)) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0 ||
           lower.rfind("mailto:", 0) == 0;
}

std::string Shortened(const std::string &text) {
    return text.size() <= 60 ? text : text.substr(0, 57) + "...";
}

void Warn(const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
}

// The links of a PDF page as hyperlink areas on the stage, where the page is
// drawn. Links the movie cannot keep are reported; internal ones counted.
std::vector<StageLink> PlaceLinks(const Input &input, int page, int width, int height,
                                  int &internal) {
    double pw, ph;
    input.pdf->PageSize(page, pw, ph);
    PageFit fit = FitPage(pw, ph, width, height);
    double sx = fit.width / pw, sy = fit.height / ph;
    std::string where = input.path + ": page " + std::to_string(page + 1) + ": ";
    std::vector<StageLink> out;
    for (const PdfLink &link : input.pdf->Links(page)) {
        if (link.kind == PdfLink::Kind::Internal) {
            ++internal;
            continue;
        }
        if (link.kind == PdfLink::Kind::Other) {
            Warn(where + link.what + " is not kept");
            continue;
        }
        if (!KeptScheme(link.uri)) {
            Warn(where + "the link to " + Shortened(link.uri) +
                 " is not kept: only http, https and mailto links are");
            continue;
        }
        StageLink a;
        a.url = link.uri;
        a.x1 = std::max(0, static_cast<int>(std::floor(fit.left + link.x1 * sx)));
        a.y1 = std::max(0, static_cast<int>(std::floor(fit.top + link.y1 * sy)));
        a.x2 = std::min(width, static_cast<int>(std::ceil(fit.left + link.x2 * sx)));
        a.y2 = std::min(height, static_cast<int>(std::ceil(fit.top + link.y2 * sy)));
        if (a.x2 <= a.x1 || a.y2 <= a.y1) {
            Warn(where + "the link to " + Shortened(link.uri) + " lies outside the page");
            continue;
        }
        if (out.size() == kMaxLinksPerSlide) {
            Warn(where + "the link to " + Shortened(link.uri) + " is not kept: a slide holds " +
                 std::to_string(kMaxLinksPerSlide) + " links");
            continue;
        }
        out.push_back(a);
    }
    return out;
}

// Lets libimagequant's OpenMP use one thread on the calling thread: slides
// are already prepared on several threads (up to one a core), and idle
// OpenMP threads would spin, taking processor time from them.
void OneOpenMpThread() {
    using SetNumThreads = void (*)(int);
    if (void *symbol = dlsym(RTLD_DEFAULT, "omp_set_num_threads"))
        reinterpret_cast<SetNumThreads>(symbol)(1);
}

// Prepares slides on one thread, with buffers kept from slide to slide and
// PDF documents of its own.
class SlidePreparer {
public:
    SlidePreparer(const Options &o, const std::vector<Input> &inputs,
                  const std::vector<SlidePlan> &plans, int width, int height)
        : o_(o), inputs_(inputs), plans_(plans), width_(width), height_(height) {
        OneOpenMpThread();
    }

    void Prepare(size_t index, PreparedSlide &slide) {
        slide.error.clear();
        const SlidePlan &plan = plans_[index];
        const Input &input = inputs_[plan.input];
        const RgbaCanvas *picture = &decoded_;
        if (plan.page >= 0) {
            const PdfDocument *pdf = Document(plan.input, slide.error);
            if (!pdf) return;
            if (!pdf->Render(plan.page, width_, height_, o_.background, decoded_, scratch_,
                             slide.error)) {
                slide.error = input.path + ": " + slide.error;
                return;
            }
        } else {
            if (!ReadPng(input.path, decoded_, slide.error)) return;
            Flatten(decoded_, o_.background);
            if (decoded_.Width() != width_ || decoded_.Height() != height_) {
                FitToStage(decoded_, width_, height_, o_.background, staged_);
                picture = &staged_;
            }
        }
        if (!mapper_.Map(*picture, slide.picture, slide.error))
            slide.error = input.path + ": " + slide.error;
    }

private:
    const PdfDocument *Document(size_t input, std::string &error) {
        std::unique_ptr<PdfDocument> &pdf = documents_[input];
        if (!pdf) pdf = PdfDocument::Open(inputs_[input].path, error);
        return pdf.get();
    }

    const Options &o_;
    const std::vector<Input> &inputs_;
    const std::vector<SlidePlan> &plans_;
    int width_, height_;
    RgbaCanvas decoded_{1, 1}, staged_{1, 1};
    std::vector<uint8_t> scratch_;
    ColourMapper mapper_;
    std::map<size_t, std::unique_ptr<PdfDocument>> documents_;
};

class Progress {
public:
    Progress(bool show, size_t total) : show_(show && isatty(STDERR_FILENO)), total_(total) {}
    void Slide(size_t n, const std::string &name) {
        if (!show_) return;
        std::fprintf(stderr, "\r%s: slide %zu of %zu: %-40.40s", kProgram, n, total_, name.c_str());
        std::fflush(stderr);
    }
    void Done() {
        if (show_) std::fprintf(stderr, "\r%*s\r", 80, "");
        show_ = false;
    }
    ~Progress() { Done(); }

private:
    bool show_;
    size_t total_;
};

// What the checks of the inputs found: the stage, one plan per slide and
// the sounds.
struct Deck {
    int width = 0, height = 0;
    std::vector<Input> inputs;
    std::vector<SlidePlan> plans;
    std::vector<long> frames;  // of each slide
    SoundFile sound;           // --sound, when given
    std::vector<std::unique_ptr<SoundFile>> narrations;  // of the first slides

    long FrameCount() const {
        long count = 0;
        for (long n : frames) count += n;
        return count;
    }

    size_t LinkCount() const {
        size_t count = 0;
        for (const SlidePlan &plan : plans) count += plan.links.size();
        return count;
    }
};

// Writing the movie over one of its own inputs would destroy that input:
// the exit status of that usage error, or 0.
int RefuseInputAsOutput(const Options &o) {
    std::vector<std::string> read = o.inputs;
    if (!o.sound.empty()) read.push_back(o.sound);
    read.insert(read.end(), o.narrations.begin(), o.narrations.end());
    for (const std::string &input : read)
        if (SameFile(o.output, input))
            return Usage("the output " + o.output + " is the input " + input +
                         "; choose another output file");
    return 0;
}

// Opens every input and plans its slides, so that every input is checked
// before any slide is made. The stage is --size, or the first input's size.
bool PlanSlides(const Options &o, Deck &deck, std::string &error) {
    deck.width = o.width;
    deck.height = o.height;
    for (const std::string &path : o.inputs) {
        Input input;
        input.path = path;
        if (IsPdfInput(path)) {
            input.pdf = PdfDocument::Open(path, error);
            if (!input.pdf) return false;
            std::vector<int> pages;
            if (!PickPages(o, input, pages, error)) return false;
            if (deck.width == 0) {
                double pw, ph;
                input.pdf->PageSize(pages[0], pw, ph);
                deck.width = kPdfStageWidth;
                deck.height = std::max(1, static_cast<int>(std::lround(kPdfStageWidth * ph / pw)));
            }
            for (int page : pages) deck.plans.push_back(SlidePlan{deck.inputs.size(), page, {}});
        } else {
            int w, h;
            if (!ProbePng(path, w, h, error)) return false;
            if (deck.width == 0) {
                deck.width = w;
                deck.height = h;
            }
            deck.plans.push_back(SlidePlan{deck.inputs.size(), -1, {}});
        }
        deck.inputs.push_back(std::move(input));
    }
    return true;
}

// Opens the sound and the narrations, and finds how long each narration
// plays.
bool OpenSounds(const Options &o, Deck &deck, std::string &error) {
    if (!o.sound.empty() && !deck.sound.Open(o.sound, error)) return false;
    for (const std::string &path : o.narrations) {
        deck.narrations.push_back(std::make_unique<SoundFile>());
        if (!deck.narrations.back()->Open(path, error)) return false;
        if (deck.narrations.back()->Seconds() < 0) {
            error = path + ": the length of the narration cannot be read";
            return false;
        }
    }
    return true;
}

// The frames of each slide: one where the deck stops on every slide;
// otherwise --seconds, or as many as its narration needs to end.
void PlanFrames(const Options &o, Deck &deck) {
    deck.frames.assign(deck.plans.size(), 1);
    if (o.buttons) return;
    for (size_t i = 0; i < deck.plans.size(); ++i) {
        long &n = deck.frames[i];
        if (o.seconds > 0) n = std::max(1L, std::lround(o.seconds * o.fps));
        if (i < deck.narrations.size())
            n = std::max(n, static_cast<long>(std::ceil(deck.narrations[i]->Seconds() * o.fps - 1e-9)));
    }
}

// The limits of a movie: 65535 frames, and the stage players show.
bool CheckLimits(const Options &o, const Deck &deck, std::string &error) {
    if (deck.plans.size() > 65535) {
        error = "too many slides: at most 65535";
        return false;
    }
    if (deck.FrameCount() > 65535) {
        error = "the deck needs " + std::to_string(deck.FrameCount()) + " frames at " +
                std::to_string(o.fps) + " fps: a movie holds at most 65535 (lower --fps or --seconds)";
        return false;
    }
    if (deck.width > kMaxStageSide || deck.height > kMaxStageSide ||
        static_cast<long>(deck.width) * deck.height > kMaxStagePixels) {
        error = "stage " + std::to_string(deck.width) + "x" + std::to_string(deck.height) +
                " is too large: at most " + std::to_string(kMaxStageSide) +
                " pixels a side and " + std::to_string(kMaxStagePixels) +
                " pixels in all (use --size)";
        return false;
    }
    return true;
}

// The links of PDF pages on the stage; those the movie cannot keep are
// reported, links inside a document once for the document.
void PlaceDeckLinks(Deck &deck) {
    for (size_t i = 0; i < deck.inputs.size(); ++i) {
        if (!deck.inputs[i].pdf) continue;
        int internal = 0;
        for (SlidePlan &plan : deck.plans)
            if (plan.input == i)
                plan.links = PlaceLinks(deck.inputs[i], plan.page, deck.width, deck.height, internal);
        if (internal > 0)
            Warn(deck.inputs[i].path + ": " + std::to_string(internal) +
                 (internal == 1 ? " link to a page inside the document is not kept"
                                : " links to pages inside the document are not kept"));
    }
}

// Hands the library one slide: its picture, its links (the previous slide's
// leave with it), the sound on the first and its narration, a stop where
// the movie waits, and the frames that hold the picture for its time. False
// with error set when a sound cannot be decoded.
bool RecordSlide(const Options &o, Deck &deck, size_t i, const IndexedPicture &picture,
                 std::string &error) {
    const SlidePlan &plan = deck.plans[i];
    CreateFrame(picture.pixels.data(), picture.palette.data(), picture.ColourCount());
    if (i > 0 && !deck.plans[i - 1].links.empty()) RemoveButtons();
    for (const StageLink &link : plan.links)
        AddHyperLink(link.url.c_str(), o.linkTarget.c_str(), link.x1, link.y1, link.x2, link.y2);
    // The library reads each sound whole in AddSound; a temporary file is
    // gone before the next is made.
    std::vector<SoundFile *> sounds;
    if (i == 0 && !o.sound.empty()) sounds.push_back(&deck.sound);
    if (i < deck.narrations.size()) sounds.push_back(deck.narrations[i].get());
    for (SoundFile *sound : sounds) {
        std::string wav;
        if (!sound->Prepare(wav, error)) return false;
        AddSound(wav.c_str());
        sound->Release();
    }
    if (o.buttons) StopFrame(-1);
    NextSlide();
    for (long k = 1; k < deck.frames[i]; ++k) DuplicateFrame();
    if (!o.buttons && i + 1 == deck.plans.size()) StopFrame(-1);
    return true;
}

// Creates the movie and records every slide, in order. Slides are prepared
// (decoded, drawn, colour-mapped) on worker threads, at most two a thread
// ahead; a thread starts only when the slides come slower than the library
// takes them, up to one a core. The library runs on this thread alone. False
// with error set, and the movie destroyed, when a slide cannot be made.
bool RecordSlides(const Options &o, Deck &deck, int &quantised, std::string &error) {
    CreateMovie(deck.width, deck.height, static_cast<int>(deck.plans.size()), o.fps);
    Progress progress(!o.quiet, deck.plans.size());
    {
        unsigned threads = std::max(1u, std::thread::hardware_concurrency());
        OrderedWork<PreparedSlide> work(deck.plans.size(), threads, 2 * threads, [&] {
            auto preparer = std::make_shared<SlidePreparer>(o, deck.inputs, deck.plans,
                                                            deck.width, deck.height);
            return [preparer](size_t index, PreparedSlide &slide) { preparer->Prepare(index, slide); };
        });
        for (size_t i = 0; i < deck.plans.size(); ++i) {
            const SlidePlan &plan = deck.plans[i];
            const std::string &path = deck.inputs[plan.input].path;
            progress.Slide(i + 1, plan.page < 0 ? path : path + " page " + std::to_string(plan.page + 1));
            PreparedSlide &slide = work.Next();
            if (!slide.error.empty()) {
                error = slide.error;
                break;
            }
            if (!slide.picture.exact) ++quantised;
            if (!RecordSlide(o, deck, i, slide.picture, error)) break;
            work.Release();
        }
    }
    progress.Done();
    if (!error.empty()) {
        DestroyMovie();
        return false;
    }
    return true;
}

void PrintSummary(const Options &o, const Deck &deck, int quantised, const std::string &page) {
    size_t count = deck.plans.size(), links = deck.LinkCount();
    std::printf("%s: wrote %s: %zu slide%s, %dx%d pixels, %d quantised to 256 colours", kProgram,
                o.output.c_str(), count, count == 1 ? "" : "s", deck.width, deck.height, quantised);
    if (links > 0) std::printf(", %zu link%s", links, links == 1 ? "" : "s");
    if (deck.FrameCount() > static_cast<long>(count))
        std::printf(", %ld frames at %d fps", deck.FrameCount(), o.fps);
    std::printf("\n");
    if (o.html) std::printf("%s: viewer page %s\n", kProgram, page.c_str());
}

// The whole run: check the output, the sounds and the inputs, plan each
// slide's frames, record the slides, add the buttons, write the movie and
// its viewer page.
int Run(const Options &o) {
    if (int status = RefuseInputAsOutput(o)) return status;
    OutputState before;
    std::string error;
    if (!CheckOutputPath(o.output, before, error)) return Fail(error);
    Deck deck;
    if (!OpenSounds(o, deck, error) || !PlanSlides(o, deck, error)) return Fail(error);
    if (deck.narrations.size() > deck.plans.size())
        return Usage(std::to_string(deck.narrations.size()) + " narrations for " +
                     std::to_string(deck.plans.size()) +
                     (deck.plans.size() == 1 ? " slide" : " slides") + ": give at most one a slide");
    PlanFrames(o, deck);
    if (!CheckLimits(o, deck, error)) return Fail(error);
    PlaceDeckLinks(deck);

    int quantised = 0;
    if (!RecordSlides(o, deck, quantised, error)) return Fail(error);
    if (o.buttons) AddNavigation(deck.width, deck.height);
    WriteMovie(o.output.c_str());
    DestroyMovie();
    if (!CheckMovieWritten(o.output, before, error)) return Fail(error);

    std::string page;
    if (o.html && !WriteViewer(o.output, deck.width, deck.height, BaseName(o.output),
                               !o.sound.empty(), o.playerUrl, page, error))
        return Fail(error);
    if (!o.quiet) PrintSummary(o, deck, quantised, page);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    Request request;
    if (int status = ParseArguments(argc, argv, o, request)) return status;
    if (request == Request::Help) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (request == Request::Version) {
        std::printf("%s %s\n", kProgram, QUILLON_VERSION);
        return 0;
    }
    return Run(o);
}
