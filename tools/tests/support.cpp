// Test helpers for the tools.
#include "tests/support.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <dirent.h>
#include <fontconfig/fontconfig.h>
#include <fcntl.h>
#include <ftw.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vips/vips.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

namespace tools_test {

::testing::AssertionResult ReadMovie(const std::string &path, SwfMovie &movie) {
    std::string error;
    if (ReadSwfFile(path, movie, error)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << path << ": " << error;
}

std::vector<int> StopFrames(const SwfMovie &movie) {
    std::vector<int> stops;
    for (const SwfTag *t : movie.All(kDoAction))
        if (t->body == std::vector<uint8_t>{0x07, 0x00}) stops.push_back(t->frame);
    return stops;
}

double Psnr(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
    if (a.size() != b.size() || a.empty()) return 0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    double mse = sum / a.size();
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

double Psnr(const std::vector<uint8_t> &rgb, const SwfBitmap &b, int x, int y, int width) {
    if (width == 0) width = b.width;
    const int height = width > 0 ? static_cast<int>(rgb.size() / 3 / width) : 0;
    if (x < 0 || y < 0 || x + width > b.width || y + height > b.height) return 0;
    std::vector<uint8_t> window;
    for (int row = y; row < y + height; ++row)
        for (int column = x; column < x + width; ++column) {
            const uint8_t *p = &b.rgba[(static_cast<size_t>(row) * b.width + column) * 4];
            window.insert(window.end(), p, p + 3);
        }
    return Psnr(rgb, window);
}

std::vector<int> PixelAt(const SwfBitmap &b, int x, int y) {
    const uint8_t *p = &b.rgba[(static_cast<size_t>(y) * b.width + x) * 4];
    return {p[0], p[1], p[2]};
}

std::vector<std::vector<int32_t>> ButtonFaces(const SwfMovie &movie, int stageWidth) {
    std::vector<std::vector<int32_t>> faces;
    for (const auto &shape : movie.shapeBounds) {
        const std::vector<int32_t> &b = shape.second;
        if (!(b[0] == 0 && b[2] == 0 && b[1] == stageWidth * 20)) faces.push_back(b);
    }
    return faces;
}

std::vector<SwfSound> Sounds(const SwfMovie &movie) {
    static const double kRates[4] = {5512.5, 11025, 22050, 44100};
    std::vector<SwfSound> sounds;
    for (const SwfTag *t : movie.All(kDefineSound)) {
        const std::vector<uint8_t> &d = t->body;
        if (d.size() < 7) {
            ADD_FAILURE() << "a DefineSound of " << d.size() << " bytes in frame " << t->frame;
            continue;
        }
        SwfSound s;
        s.frame = t->frame;
        s.id = static_cast<uint16_t>(d[0] | d[1] << 8);
        s.flags = d[2];
        s.rateCode = (d[2] >> 2) & 3;
        s.frames = d[3] | d[4] << 8 | d[5] << 16 | static_cast<uint32_t>(d[6]) << 24;
        s.seconds = s.frames / kRates[s.rateCode];
        s.dataSize = d.size() - 7;
        sounds.push_back(s);
    }
    return sounds;
}

std::string TempDir() {
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillon-tools-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : "";
}

void RemoveTree(const std::string &dir) {
    if (dir.empty()) return;
    nftw(dir.c_str(), [](const char *path, const struct stat *, int, struct FTW *) {
        return std::remove(path);
    }, 16, FTW_DEPTH | FTW_PHYS);
}

std::vector<std::string> InDir(const std::string &dir, const std::vector<std::string> &args) {
    std::vector<std::string> out;
    for (const std::string &a : args) out.push_back(!a.empty() && a[0] == '@' ? dir + a.substr(1) : a);
    return out;
}

std::vector<std::string> ListDir(const std::string &dir) {
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

::testing::AssertionResult Has(const std::string &text, const std::string &part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess() << "holds " << part;
    return ::testing::AssertionFailure() << "no " << part << " in:\n" << text;
}

bool WriteText(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary);
    return static_cast<bool>(out << text) && static_cast<bool>(out.flush());
}

bool WriteStripesPng(const std::string &path, int w, int h, int colours, int seed, std::vector<uint8_t> *rgb) {
    std::vector<uint8_t> palette, indexes(static_cast<size_t>(w) * h);
    for (int i = 0; i < colours; ++i) {
        palette.push_back(static_cast<uint8_t>(i * 37 + seed * 11));
        palette.push_back(static_cast<uint8_t>(255 - i * 53 - seed));
        palette.push_back(static_cast<uint8_t>(i * 91 + seed * 29));
    }
    if (rgb) rgb->clear();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t i = static_cast<uint8_t>((x + y * 7) % colours);
            indexes[static_cast<size_t>(y) * w + x] = i;
            if (rgb) rgb->insert(rgb->end(), &palette[i * 3u], &palette[i * 3u] + 3);
        }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = static_cast<png_uint_32>(colours);
    return png_image_write_to_file(&image, path.c_str(), 0, indexes.data(), 0, palette.data()) != 0;
}

std::vector<uint8_t> Gradient(int w, int h) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rgb.push_back(static_cast<uint8_t>(std::lround(x * 255.0 / (w - 1))));
            rgb.push_back(static_cast<uint8_t>(std::lround(y * 255.0 / (h - 1))));
            rgb.push_back(static_cast<uint8_t>(std::lround(128 + 127 * std::sin((x + y) / 40.0))));
        }
    return rgb;
}

std::vector<uint8_t> Photo(int w, int h) {
    std::vector<uint8_t> rgb;
    uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
            double sky = 0.5 + 0.5 * std::sin(3.1 * u) * std::cos(2.3 * v);
            double hill = 1 / (1 + std::exp(-(v - 0.55 - 0.1 * std::sin(7 * u)) * 25));
            double leaf = 0.5 + 0.5 * std::sin(40 * u + 9 * std::sin(13 * v)) * std::sin(31 * v);
            const double c[3] = {(1 - hill) * (0.45 + 0.4 * sky) + hill * (0.25 + 0.35 * leaf),
                                 (1 - hill) * (0.6 + 0.3 * sky) + hill * (0.4 + 0.4 * leaf),
                                 (1 - hill) * (0.85 + 0.15 * sky) + hill * (0.15 + 0.2 * leaf * sky)};
            for (double k : c) {
                seed = (seed * 1103515245u + 12345u) & 0x7fffffffu;
                long grain = static_cast<long>((seed >> 16) % 7) - 3;
                rgb.push_back(static_cast<uint8_t>(std::clamp(std::lround(255 * k) + grain, 0L, 255L)));
            }
        }
    return rgb;
}

namespace {

bool StartVips() {
    static const bool started = [] {
        if (VIPS_INIT("quillon_tools_tests") != 0) return false;
        vips_cache_set_max(0);  // the tests write files again under the same names
        return true;
    }();
    return started;
}

struct VipsUnref {
    void operator()(VipsImage *image) const { g_object_unref(image); }
};
using VipsPtr = std::unique_ptr<VipsImage, VipsUnref>;

// Replaces image by what op made of it; false when op failed.
template <typename Op>
bool Apply(VipsPtr &image, Op op) {
    VipsImage *out = nullptr;
    if (op(image.get(), &out) != 0) return false;
    image.reset(out);
    return true;
}

}  // namespace

bool WritePicture(const std::string &path, int width, int height, const std::vector<uint8_t> &rgb,
                  const PictureForm &form) {
    if (!StartVips()) return false;
    VipsPtr image(vips_image_new_from_memory_copy(rgb.data(), rgb.size(), width, height, 3,
                                                  VIPS_FORMAT_UCHAR));
    if (!image) return false;
    image->Type = VIPS_INTERPRETATION_sRGB;
    if (form.deep) {
        // v * 257 gives the 16-bit sample of v; the low byte then carries a
        // pattern of its own, as a 16-bit camera picture would.
        std::vector<uint16_t> deep(rgb.size());
        for (size_t i = 0; i < rgb.size(); ++i)
            deep[i] = static_cast<uint16_t>(rgb[i] << 8 | ((i * 37 + rgb[i]) & 0x7F));
        image.reset(vips_image_new_from_memory_copy(deep.data(), deep.size() * 2, width, height, 3,
                                                    VIPS_FORMAT_USHORT));
        if (!image) return false;
        image->Type = VIPS_INTERPRETATION_RGB16;
    }
    auto convert = [&](VipsImage *in, VipsImage **out) {
        return vips_icc_transform(in, out, form.profile.c_str(), "input_profile", "srgb", "embedded", FALSE, nullptr);
    };
    if (!form.profile.empty() && !Apply(image, convert)) return false;
    // Stored so that turning by the tag shows it upright: the inverse of
    // what each tag asks for (5 and 7 are their own inverses).
    static const struct {
        VipsAngle angle;
        bool mirrored;
    } kStored[] = {{VIPS_ANGLE_D0, false},  {VIPS_ANGLE_D0, true},    {VIPS_ANGLE_D180, false},
                   {VIPS_ANGLE_D180, true}, {VIPS_ANGLE_D90, true},   {VIPS_ANGLE_D270, false},
                   {VIPS_ANGLE_D270, true}, {VIPS_ANGLE_D90, false}};  // orientations 1 to 8
    if (form.orientation < 1 || form.orientation > 8) return false;
    const auto &stored = kStored[form.orientation - 1];
    auto rot = [&](VipsImage *in, VipsImage **out) { return vips_rot(in, out, stored.angle, nullptr); };
    auto flip = [](VipsImage *in, VipsImage **out) { return vips_flip(in, out, VIPS_DIRECTION_HORIZONTAL, nullptr); };
    if (!Apply(image, rot) || (stored.mirrored && !Apply(image, flip))) return false;
    if (form.extraFrames > 0) {
        // Frames stacked top to bottom, each the first in inverted colours.
        VipsImage *out = nullptr;
        if (vips_invert(image.get(), &out, nullptr) != 0) return false;
        VipsPtr inverted(out);
        std::vector<VipsImage *> frames(form.extraFrames + 1u, inverted.get());
        frames[0] = image.get();
        const int frameHeight = image->Ysize;
        if (!Apply(image, [&](VipsImage *, VipsImage **joined) {
                return vips_arrayjoin(frames.data(), joined, static_cast<int>(frames.size()), "across", 1, nullptr);
            }))
            return false;
        vips_image_set_int(image.get(), "page-height", frameHeight);
    }
    if (form.orientation != 1) vips_image_set_int(image.get(), VIPS_META_ORIENTATION, form.orientation);
    bool written = vips_image_write_to_file(image.get(), path.c_str(), nullptr) == 0;
    vips_error_clear();
    return written;
}

bool ReadPictureAsStored(const std::string &path, int &width, int &height, std::vector<uint8_t> &rgb) {
    if (!StartVips()) return false;
    VipsPtr image(vips_image_new_from_file(path.c_str(), nullptr));
    if (!image) return false;
    // The tests read back 8-bit RGB files only: anything else is a fault.
    if (image->Bands != 3 || image->BandFmt != VIPS_FORMAT_UCHAR) return false;
    size_t size = 0;
    void *pixels = vips_image_write_to_memory(image.get(), &size);
    if (!pixels) return false;
    width = image->Xsize;
    height = image->Ysize;
    rgb.assign(static_cast<uint8_t *>(pixels), static_cast<uint8_t *>(pixels) + size);
    g_free(pixels);
    return true;
}

namespace {

// A page as slides of text and diagrams are: a title, lines of text in three
// colours, three boxes joined by lines and a bar chart, on white.
void DrawTextPage(cairo_t *cr, double w, double h, int seed) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, h / 12);
    cairo_set_source_rgb(cr, 0.1, 0.2, 0.5);
    cairo_move_to(cr, w * 0.06, h * 0.12);
    cairo_show_text(cr, ("Results, part " + std::to_string(seed + 1)).c_str());
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, h / 28);
    const double ink[3][3] = {{0, 0, 0}, {0.6, 0.1, 0.1}, {0.1, 0.45, 0.2}};
    for (int line = 0; line < 8; ++line) {
        const double *c = ink[(line + seed) % 3];
        cairo_set_source_rgb(cr, c[0], c[1], c[2]);
        cairo_move_to(cr, w * 0.06, h * (0.22 + 0.05 * line));
        cairo_show_text(cr, "The quick brown fox jumps over the lazy dog, 0123456789 times.");
    }
    cairo_set_line_width(cr, 1.5);
    for (int i = 0; i < 3; ++i) {
        cairo_set_source_rgb(cr, 0.2 * i, 0.3, 0.7);
        cairo_rectangle(cr, w * (0.06 + 0.16 * i), h * 0.7, w * 0.1, h * 0.1);
        cairo_stroke(cr);
        cairo_move_to(cr, w * (0.16 + 0.16 * i), h * 0.75);
        cairo_line_to(cr, w * (0.22 + 0.16 * i), h * 0.75);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 6; ++i) {
        cairo_set_source_rgb(cr, 0.9 - 0.1 * i, 0.5, 0.1 + 0.1 * i);
        double bar = h * (0.05 + 0.03 * ((i * 7 + seed) % 5));
        cairo_rectangle(cr, w * (0.6 + 0.06 * i), h * 0.92 - bar, w * 0.04, bar);
        cairo_fill(cr);
    }
}

}  // namespace

bool WritePdf(const std::string &path, const std::vector<PdfPageSpec> &pages) {
    if (pages.empty()) return false;
    cairo_surface_t *surface =
        cairo_pdf_surface_create(path.c_str(), pages[0].width, pages[0].height);
    cairo_t *cr = cairo_create(surface);
    for (const PdfPageSpec &page : pages) {
        cairo_pdf_surface_set_size(surface, page.width, page.height);
        double w = page.width, h = page.height;
        if (page.text) {
            DrawTextPage(cr, w, h, page.seed);
            cairo_show_page(cr);
            continue;
        }
        double hue = page.seed * 0.23;
        cairo_pattern_t *gradient = cairo_pattern_create_linear(0, 0, w, h);
        cairo_pattern_add_color_stop_rgb(gradient, 0, 0.95, 0.9 - hue * 0.3, 0.8);
        cairo_pattern_add_color_stop_rgb(gradient, 1, 0.5 + hue * 0.4, 0.7, 0.95 - hue * 0.5);
        cairo_set_source(cr, gradient);
        cairo_paint(cr);
        cairo_pattern_destroy(gradient);
        for (int i = 0; i < 3; ++i) {
            cairo_set_source_rgb(cr, 0.2 + 0.25 * i, 0.3 + 0.1 * page.seed, 0.6 - 0.15 * i);
            cairo_rectangle(cr, w * (0.08 + 0.3 * i), h * 0.55, w * 0.22, h * (0.15 + 0.1 * i));
            cairo_fill(cr);
        }
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.2);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, h / 10);
        cairo_move_to(cr, w * 0.08, h * 0.22);
        cairo_show_text(cr, ("Slide " + std::to_string(page.seed + 1)).c_str());
        if (!page.destName.empty()) {
            std::string name = "name='" + page.destName + "'";
            cairo_tag_begin(cr, CAIRO_TAG_DEST, name.c_str());
            cairo_move_to(cr, w * 0.5, h * 0.22);
            cairo_show_text(cr, "*");
            cairo_tag_end(cr, CAIRO_TAG_DEST);
        }
        for (const PdfLinkSpec &link : page.links) {
            std::string attributes =
                link.dest.empty() ? "uri='" + link.uri + "'" : "dest='" + link.dest + "'";
            cairo_tag_begin(cr, CAIRO_TAG_LINK, attributes.c_str());
            cairo_set_source_rgb(cr, 0.0, 0.35, 0.75);
            cairo_rectangle(cr, link.x, link.y, link.width, link.height);
            cairo_fill(cr);
            cairo_tag_end(cr, CAIRO_TAG_LINK);
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    // cairo and fontconfig keep the fonts they looked up; with nothing of
    // them left alive, they go, so that leak checkers see only what the
    // tests themselves keep.
    cairo_debug_reset_static_data();
    FcFini();
    return ok;
}

RunResult RunTool(const std::string &program, const std::vector<std::string> &args,
                  const std::function<void(pid_t)> &during) {
    RunResult r;
    const std::string dir = TempDir(), outPath = dir + "/out", errPath = dir + "/err";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(open("/dev/null", O_RDONLY), 0);
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (during) during(pid);
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) == pid) r.peakKib = usage.ru_maxrss;
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    r.out = ReadText(outPath);
    r.err = ReadText(errPath);
    RemoveTree(dir);
    return r;
}

::testing::AssertionResult RunSlides(const std::vector<std::string> &args, Deck &deck) {
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "-o" || args[i] == "--output") && i + 1 < args.size()) output = args[i + 1];
        if (args[i].rfind("--output=", 0) == 0) output = args[i].substr(9);
    }
    deck.run = RunTool(kSlides, args);
    if (deck.run.status != 0)
        return ::testing::AssertionFailure() << "quillon-slides exited with " << deck.run.status << ": "
                                             << deck.run.err;
    ::testing::AssertionResult read = ReadMovie(output, deck);
    for (const SwfTag &t : deck.tags) {
        SwfBitmap b;
        if ((t.code == kDefineBitsLossless || t.code == kDefineBitsJPEG2) && DecodeBitmap(t, b) &&
            (b.format == 3 || b.format == 0))
            deck.slides.push_back(b);
    }
    return read;
}

::testing::AssertionResult Ffmpeg(const std::string &args) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
        return ::testing::AssertionFailure()
               << "ffmpeg is needed: scripts/install-deps installs it (scripts/deps/sound.apt)";
    const std::string command = "ffmpeg -nostdin -v error -y " + args;
    if (std::system(command.c_str()) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << command;
}

ScopedEnv::ScopedEnv(const char *name, const char *value) : name_(name), had_(std::getenv(name) != nullptr) {
    if (had_) old_ = std::getenv(name);
    if (value) setenv(name, value, 1);
}

ScopedEnv::~ScopedEnv() {
    if (had_) setenv(name_.c_str(), old_.c_str(), 1);
    else unsetenv(name_.c_str());
}

RunResult RunInTerminal(const std::string &program, const std::vector<std::string> &args) {
    auto quote = [](const std::string &s) {
        std::string q = "'";
        for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    // Standard output goes nowhere, so the terminal shows standard error alone.
    std::string command = quote(program);
    for (const std::string &a : args) command += " " + quote(a);
    RunResult r = RunTool("/usr/bin/script", {"-q", "-e", "-c", command + " >/dev/null", "/dev/null"});
    r.err = r.out;
    r.out.clear();
    return r;
}

}  // namespace tools_test
