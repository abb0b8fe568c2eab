// quillon-slides' options: one table of every option (its names, the kind
// of value it takes, the value's range and the field it sets), read by one
// loop; the help text beside it.
#include "slides/options.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <variant>

#include "quillon.h"

namespace quillon_tools {

namespace {

const char kHelp[] =
    "Usage: quillon-slides [options] FILE... -o OUT.swf\n"
    "Writes a Flash movie (SWF 4) with one slide per picture and per page of\n"
    "each PDF document or presentation, in the order given.\n"
    "\n"
    "Files:\n"
    "  pictures               JPEG, PNG, WebP, GIF (its first frame), TIFF,\n"
    "                         HEIF/HEIC and SVG, read with libvips: turned upright\n"
    "                         by their EXIF orientation, an embedded ICC profile\n"
    "                         converted to sRGB\n"
    "  PDF documents          drawn with poppler, web links and links to their\n"
    "                         own pages kept\n"
    "  presentations          .pptx, .ppt, .pps, .ppsx, .odp, .fodp, .key and the\n"
    "                         templates .potx, .pot and .otp: converted to PDF by\n"
    "                         LibreOffice, which must be installed (Debian package\n"
    "                         libreoffice-impress), with no network, no macros and\n"
    "                         no linked file loaded; a slide's own advance time\n"
    "                         and narration or sound (PowerPoint, OpenDocument)\n"
    "                         are kept, as --seconds and --narration would give\n"
    "                         them, unless those options are given\n"
    "Slides of at most 256 colours keep their colours exactly. Photographs go in\n"
    "as JPEG (see --jpeg); the other slides, text, diagrams and screenshots, are\n"
    "reduced to 256 colours with libimagequant.\n"
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
    "  --size WxH             the slides in pixels (default: the first picture's\n"
    "                         size, or the first page 1024 pixels wide); pictures\n"
    "                         and pages of another size are scaled to fit, centred\n"
    "  --pages LIST           the pages of every PDF document to take, e.g.\n"
    "                         2-7,9 or 3- (default: all)\n"
    "  --link-target NAME     the window that links of PDF pages open in (default\n"
    "                         _blank, a new one); only http, https and mailto\n"
    "                         links are kept\n"
    "  --background RRGGBB    colour around scaled pictures, under transparent\n"
    "                         pixels and behind the buttons (default FFFFFF)\n"
    "  --buttons[=WHERE]      first, previous, next and last buttons; the movie\n"
    "                         stops on every slide (without them it plays the\n"
    "                         slides and stops on the last);\n"
    "                         previous on the first slide goes to the last,\n"
    "                         next on the last slide goes to the first.\n"
    "                         WHERE: under (the default), in a strip under the\n"
    "                         slide that the stage grows by, or over, over the\n"
    "                         slide's bottom-right corner. On a small stage they\n"
    "                         shrink, down to 6x4 pixels. Each slide then waits\n"
    "                         for the viewer (--seconds does not apply). The\n"
    "                         keys move too: Left and Page Up to the previous\n"
    "                         slide, Right, Page Down and Space to the next, Home\n"
    "                         to the first, End to the last. With narrations,\n"
    "                         every move (buttons, keys, links) stops the sounds\n"
    "                         playing first, --sound's too\n"
    "  --jobs N               slides prepared at once, 1 to 256 (default: one a\n"
    "                         processor core, fewer when memory would not hold\n"
    "                         them)\n"
    "  --sound FILE           a sound that starts with the first slide: WAV (PCM,\n"
    "                         float, A-law, mu-law, IMA or Microsoft ADPCM, read\n"
    "                         as it is), AAC/M4A, MP3, Ogg Vorbis or Opus, FLAC,\n"
    "                         WMA, AIFF and the other sounds FFmpeg's libraries\n"
    "                         decode; with samples, at any rate from 4 to\n"
    "                         192 kHz\n"
    "  --html                 also write OUT.html beside the movie, a page that plays\n"
    "                         it with the Ruffle player (copied into ruffle/ beside\n"
    "                         it); open it through http, e.g. python3 -m http.server.\n"
    "                         The page gives the player the keyboard, and on a\n"
    "                         touch screen a swipe left or right moves one slide\n"
    "  --player-url URL       with --html: load the player from URL (a folder that\n"
    "                         holds ruffle.js, or ruffle.js itself) instead of\n"
    "                         copying it\n"
    "  --jpeg WHEN            which slides go in as baseline JPEG: auto (the\n"
    "                         default) the photographs, told by measure: more\n"
    "                         than 256 colours that change gradually, not flat\n"
    "                         areas with sharp edges as text and diagrams have;\n"
    "                         always every slide; never none, every slide an 8-bit\n"
    "                         bitmap. A JPEG file already of the slide's size,\n"
    "                         upright, baseline, greyscale or YCbCr and without\n"
    "                         a colour profile goes in as it is\n"
    "  --quality Q            quality of the JPEG slides made, 1 to 100 (default\n"
    "                         85)\n"
    "  --timeout SECONDS      the time LibreOffice is given to convert the\n"
    "                         presentations, 1 to 86400 (default 300); past it,\n"
    "                         LibreOffice and what it started are stopped\n"
    "  --quiet                no progress line and no summary\n"
    "  -h, --help             this text\n"
    "  --version              the program's version\n"
    "\n"
    "Options with a value also take it as --name=VALUE, e.g. --output=OUT.swf.\n"
    "The stage, buttons' strip included, is at most 8191 pixels a side and\n"
    "16777215 pixels in all.\n"
    "Links of other kinds, and links to pages that --pages leaves out, are left\n"
    "out and reported.\n"
    "Exit status: 0 written, 1 an input, the sound or the output failed, 2 wrong\n"
    "usage. Nothing is left behind when the movie cannot be written.\n";

// Where --seconds stops: a slide held longer needs more frames than a movie
// holds even at 1 frame a second.
constexpr long kMostSeconds = QUILLON_MAX_FRAMES;
// Where page numbers of --pages stop: a page beyond it would start a slide
// beyond the most a movie holds.
constexpr long kMostPage = QUILLON_MAX_SLIDES;
// The most digits of a whole number, so that it fits an int.
constexpr size_t kMostDigits = 9;

// The kind of value an option takes.
enum class Kind {
    Help,     // the help text; any value is ignored
    Version,  // the program's version; any value is ignored
    Switch,   // none: sets a flag
    Text,     // a text of at least `low` characters
    Texts,    // the same, added to a list
    Whole,    // a whole number from low to high
    Seconds,  // a number of seconds above 0, at most high
    Size,     // WIDTHxHEIGHT
    Colour,   // RRGGBB, with or without '#'
    Pages,    // page numbers and ranges from 1 to high
    Place,    // under or over, given only as --name=VALUE (under without one)
    Jpeg,     // auto, always or never
};

// The field an option sets, of the type its kind gives.
using Field = std::variant<std::monostate, bool Options::*, std::string Options::*,
                           std::vector<std::string> Options::*, int Options::*, double Options::*,
                           SlideSize Options::*, Rgb Options::*, std::vector<PageRange> Options::*,
                           std::optional<ButtonPlace> Options::*, JpegUse Options::*>;

struct OptionRow {
    const char *name;
    const char *alias;  // the short name, or null
    Kind kind;
    Field field;
    long low, high;    // the value's range (of a text: its least length)
    const char *need;  // what a usage error says after the name as typed
};

const OptionRow kOptions[] = {
    {"--output", "-o", Kind::Text, &Options::output, 1, 0, " needs a file name"},
    // The movie's header keeps 8 bits of the frame rate.
    {"--fps", nullptr, Kind::Whole, &Options::fps, 1, 255, " needs a whole number from 1 to 255"},
    {"--size", nullptr, Kind::Size, &Options::size, 1, 999999999,
     " needs WIDTHxHEIGHT in pixels, e.g. 800x600"},
    {"--background", nullptr, Kind::Colour, &Options::background, 0, 0,
     " needs a colour RRGGBB, e.g. FFFFFF"},
    {"--pages", nullptr, Kind::Pages, &Options::pages, 1, kMostPage,
     " needs page numbers and ranges, e.g. 2-7,9"},
    {"--link-target", nullptr, Kind::Text, &Options::linkTarget, 1, 0,
     " needs a window name, e.g. _blank or _self"},
    {"--player-url", nullptr, Kind::Text, &Options::playerUrl, 1, 0,
     " needs the address of the Ruffle player"},
    {"--buttons", nullptr, Kind::Place, &Options::buttons, 0, 0, "=WHERE needs under or over"},
    {"--jobs", nullptr, Kind::Whole, &Options::jobs, 1, 256, " needs a whole number from 1 to 256"},
    {"--sound", nullptr, Kind::Text, &Options::sound, 0, 0, " needs a sound file"},
    {"--seconds", nullptr, Kind::Seconds, &Options::seconds, 0, kMostSeconds,
     " needs a number of seconds above 0, e.g. 2.5"},
    {"--narration", nullptr, Kind::Texts, &Options::narrations, 1, 0, " needs a sound file"},
    {"--jpeg", nullptr, Kind::Jpeg, &Options::jpeg, 0, 0, " needs auto, always or never"},
    {"--quality", nullptr, Kind::Whole, &Options::quality, 1, 100,
     " needs a whole number from 1 to 100"},
    {"--timeout", nullptr, Kind::Whole, &Options::timeout, 1, 86400,
     " needs a whole number of seconds from 1 to 86400"},
    {"--html", nullptr, Kind::Switch, &Options::html, 0, 0, ""},
    {"--quiet", "-q", Kind::Switch, &Options::quiet, 0, 0, ""},
    {"--help", "-h", Kind::Help, {}, 0, 0, ""},
    {"--version", nullptr, Kind::Version, {}, 0, 0, ""},
};

const OptionRow *FindOption(const std::string &name) {
    for (const OptionRow &row : kOptions)
        if (name == row.name || (row.alias && name == row.alias)) return &row;
    return nullptr;
}

bool ParseInt(const std::string &text, long low, long high, int &value) {
    if (text.empty() || text.size() > kMostDigits) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

bool ParseSize(const std::string &text, long low, long high, SlideSize &size) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseInt(text.substr(0, x), low, high, size.width) &&
           ParseInt(text.substr(x + 1), low, high, size.height);
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

// Seconds as written by people: 2, 2.5, .5; above 0, at most high.
bool ParseSeconds(const std::string &text, long high, double &seconds) {
    size_t digits = 0, points = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') ++digits;
        else if (c == '.') ++points;
        else return false;
    }
    if (digits == 0 || points > 1 || text.size() > 12) return false;
    seconds = std::strtod(text.c_str(), nullptr);
    return seconds > 0 && seconds <= high;
}

// One part of --pages: "4" or "2-7", or "3-" to the end.
bool ParsePageRange(const std::string &part, long high, PageRange &r) {
    size_t dash = part.find('-');
    if (dash == std::string::npos) {
        if (!ParseInt(part, 1, high, r.first)) return false;
        r.last = r.first;
        return true;
    }
    if (!ParseInt(part.substr(0, dash), 1, high, r.first)) return false;
    std::string last = part.substr(dash + 1);
    return last.empty() || (ParseInt(last, 1, high, r.last) && r.last >= r.first);
}

// "2-7,9", "3-": ranges of page numbers from 1.
bool ParsePages(const std::string &text, long high, std::vector<PageRange> &pages) {
    pages.clear();
    size_t at = 0;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        PageRange r;
        if (!ParsePageRange(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at),
                            high, r))
            return false;
        pages.push_back(r);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return !pages.empty();
}

// Sets the option's field from its value: false when the value is not of
// its kind or outside its range.
bool Store(const OptionRow &row, const std::string &v, Options &o) {
    switch (row.kind) {
    case Kind::Text:
        o.*std::get<std::string Options::*>(row.field) = v;
        return static_cast<long>(v.size()) >= row.low;
    case Kind::Texts:
        (o.*std::get<std::vector<std::string> Options::*>(row.field)).push_back(v);
        return static_cast<long>(v.size()) >= row.low;
    case Kind::Whole: return ParseInt(v, row.low, row.high, o.*std::get<int Options::*>(row.field));
    case Kind::Seconds: return ParseSeconds(v, row.high, o.*std::get<double Options::*>(row.field));
    case Kind::Size:
        return ParseSize(v, row.low, row.high, o.*std::get<SlideSize Options::*>(row.field));
    case Kind::Colour: return ParseColour(v, o.*std::get<Rgb Options::*>(row.field));
    case Kind::Pages:
        return ParsePages(v, row.high, o.*std::get<std::vector<PageRange> Options::*>(row.field));
    case Kind::Jpeg: {
        JpegUse &use = o.*std::get<JpegUse Options::*>(row.field);
        use = v == "always" ? JpegUse::Always : v == "never" ? JpegUse::Never : JpegUse::Auto;
        return v == "auto" || v == "always" || v == "never";
    }
    default: return false;
    }
}

// One argument that starts with '-': the option's name, and the value after
// '=' of a --name=VALUE, until an option takes it.
struct Argument {
    std::string name;
    std::optional<std::string> value;
};

// Applies one option, taking its value from within the argument or else
// from the next one (i moves past it): 0, or the exit status of the usage
// error.
int Apply(const OptionRow &row, Argument &a, int argc, char **argv, int &i, Options &o) {
    if (row.kind == Kind::Switch) {
        o.*std::get<bool Options::*>(row.field) = true;
        return 0;
    }
    if (row.kind == Kind::Place) {
        std::optional<ButtonPlace> &place = o.*std::get<std::optional<ButtonPlace> Options::*>(row.field);
        if (!place) place = ButtonPlace::Under;
        if (!a.value) return 0;
        if (*a.value != "under" && *a.value != "over") return Usage(a.name + row.need);
        place = *a.value == "under" ? ButtonPlace::Under : ButtonPlace::Over;
        a.value.reset();
        return 0;
    }
    std::string value;
    if (a.value) {
        value = *a.value;
        a.value.reset();
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        return Usage(a.name + row.need);
    }
    return Store(row, value, o) ? 0 : Usage(a.name + row.need);
}

// What every run needs besides its options: 0, or the exit status of the
// usage error.
int CheckArguments(const Options &o) {
    if (o.inputs.empty()) return Usage("no images given");
    if (o.inputs.size() > QUILLON_MAX_SLIDES)
        return Usage("too many images: at most " + std::to_string(QUILLON_MAX_SLIDES) + " slides");
    if (o.output.empty()) return Usage("no output file given (-o OUT.swf)");
    if (!o.playerUrl.empty() && !o.html) return Usage("--player-url goes with --html");
    return 0;
}

}  // namespace

int ParseArguments(int argc, char **argv, Options &o, Request &request) {
    request = Request::Run;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string text = argv[i];
        if (optionsEnded || text.empty() || text[0] != '-' || text == "-") {
            o.inputs.push_back(text);
            continue;
        }
        Argument a{text, std::nullopt};
        size_t equals = text.find('=');
        if (text.rfind("--", 0) == 0 && equals != std::string::npos)
            a = Argument{text.substr(0, equals), text.substr(equals + 1)};
        if (a.name == "--") {
            optionsEnded = true;
        } else if (const OptionRow *row = FindOption(a.name)) {
            if (row->kind == Kind::Help || row->kind == Kind::Version) {
                request = row->kind == Kind::Help ? Request::Help : Request::Version;
                return 0;
            }
            if (int status = Apply(*row, a, argc, argv, i, o)) return status;
        } else {
            return Usage("unknown option " + a.name);
        }
        if (a.value) return Usage(a.name + " takes no value");
    }
    return CheckArguments(o);
}

void PrintHelp() { std::fputs(kHelp, stdout); }

int Usage(const std::string &message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", kProgram, message.c_str(),
                 kProgram);
    return 2;
}

int Fail(const std::string &message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return 1;
}

void Warn(const std::string &message) { std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str()); }

}  // namespace quillon_tools
