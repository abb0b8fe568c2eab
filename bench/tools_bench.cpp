// quillon-slides on generated decks, against the work it cannot avoid:
// decoding its inputs (PNG files read, PDF pages drawn) and compress2 at
// level 9 of the 8-bit pictures it hands the library, on one thread.
//   TextSlides   50 slides of 800 x 600: anti-aliased text and a bar chart
//   PhotoSlides  20 photo-like slides of 1024 x 768
//   JpegPhotos   the same photographs as JPEG files (quality 90), as cameras
//                and phones write them; decoded with libvips on both sides
//   (these two as 8-bit slides, --jpeg never)
//   JpegSlides   the photographs of PhotoSlides as JPEG slides (the default),
//                against decoding them with libvips and encoding each as a
//                JPEG at quality 85 with libvips
//   FlatSlides   10 slides of 800 x 600 in 5 colours
//   PdfPages     a 10-page PDF document of text, charts and gradients
// wall_ratio, the goal: the tool's wall time (it prepares slides on every
// core) against that work's on one thread, median of pairs taken in turn.
// ratio: the same for processor time, the tool's threads all counted.
#include <benchmark/benchmark.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <png.h>
#include <poppler.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vips/vips.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ratio.h"
#include "support/swf_reader.h"

extern char **environ;

using quillon::bench::Clock;
using quillon::bench::RatioRecorder;
using quillon::bench::Span;

namespace {

std::string Folder() {
    static const std::string dir = [] {
        const char *base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillon-bench-XXXXXX";
        std::vector<char> b(pattern.begin(), pattern.end());
        b.push_back('\0');
        if (!mkdtemp(b.data())) std::abort();
        return std::string(b.data());
    }();
    // Every benchmark removes its files; the folder goes at exit.
    static const struct Remover {
        ~Remover() { rmdir(dir.c_str()); }
    } remover;
    return dir;
}

// ---- The decks ------------------------------------------------------------

void WriteSurface(cairo_surface_t *surface, const std::string &path) {
    if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) std::abort();
    cairo_surface_destroy(surface);
}

// A slide of text lines and a bar chart, drawn on page coordinates of
// 800 x 600 units.
void DrawTextSlide(cairo_t *cr, int index, bool antialias) {
    cairo_set_antialias(cr, antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.12, 0.2, 0.45);
    cairo_rectangle(cr, 0, 0, 800, 90);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 34);
    cairo_move_to(cr, 40, 60);
    cairo_show_text(cr, ("Quarterly results, part " + std::to_string(index + 1)).c_str());
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 19);
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
    static const char *lines[] = {
        "Revenue grew in every region but one", "Costs held flat against the plan",
        "Three new products reached customers", "Support answered within a day",
        "Next: the autumn release and its pricing", "Questions and discussion"};
    for (int i = 0; i < 6; ++i) {
        cairo_move_to(cr, 50, 140 + i * 38);
        cairo_show_text(cr, (std::string("\u2022 ") + lines[(i + index) % 6]).c_str());
    }
    // The chart: axes, five bars, their values.
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, 480, 560);
    cairo_line_to(cr, 770, 560);
    cairo_move_to(cr, 480, 560);
    cairo_line_to(cr, 480, 380);
    cairo_stroke(cr);
    static const double colours[5][3] = {
        {0.85, 0.33, 0.1}, {0.2, 0.6, 0.3}, {0.15, 0.45, 0.8}, {0.9, 0.7, 0.1}, {0.55, 0.3, 0.7}};
    cairo_set_font_size(cr, 13);
    for (int b = 0; b < 5; ++b) {
        double h = 30 + ((index * 37 + b * 53) % 140);
        cairo_set_source_rgb(cr, colours[b][0], colours[b][1], colours[b][2]);
        cairo_rectangle(cr, 495 + b * 54, 560 - h, 40, h);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        cairo_move_to(cr, 500 + b * 54, 552 - h);
        cairo_show_text(cr, std::to_string(static_cast<int>(h)).c_str());
    }
}

std::vector<std::string> TextDeck() {
    std::vector<std::string> files;
    for (int i = 0; i < 50; ++i) {
        cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 600);
        cairo_t *cr = cairo_create(s);
        DrawTextSlide(cr, i, true);
        cairo_destroy(cr);
        files.push_back(Folder() + "/text-" + std::to_string(i) + ".png");
        WriteSurface(s, files.back());
    }
    return files;
}

// Soft shapes of light and colour with fine grain, as a photograph has.
std::vector<std::string> PhotoDeck() {
    std::vector<std::string> files;
    std::mt19937 random(7);
    std::normal_distribution<double> grain(0.0, 3.0);
    for (int i = 0; i < 20; ++i) {
        const int w = 1024, h = 768;
        cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
        unsigned char *data = cairo_image_surface_get_data(s);
        int stride = cairo_image_surface_get_stride(s);
        double phase = i * 0.7;
        for (int y = 0; y < h; ++y) {
            auto *row = reinterpret_cast<uint32_t *>(data + y * stride);
            for (int x = 0; x < w; ++x) {
                double u = x / double(w), v = y / double(h);
                double sky = 0.5 + 0.5 * std::sin(3.1 * u + phase) * std::cos(2.3 * v - phase);
                double hill = 1 / (1 + std::exp(-(v - 0.55 - 0.1 * std::sin(7 * u + phase)) * 25));
                double leaf = 0.5 + 0.5 * std::sin(40 * u + 9 * std::sin(13 * v + phase)) *
                                         std::sin(31 * v + phase);
                double r = 255 * ((1 - hill) * (0.45 + 0.4 * sky) + hill * (0.25 + 0.35 * leaf));
                double g = 255 * ((1 - hill) * (0.6 + 0.3 * sky) + hill * (0.4 + 0.4 * leaf));
                double b = 255 * ((1 - hill) * (0.85 + 0.15 * sky) + hill * (0.15 + 0.2 * leaf * sky));
                auto c = [&](double value) {
                    return static_cast<uint32_t>(std::min(255.0, std::max(0.0, value + grain(random))));
                };
                row[x] = c(r) << 16 | c(g) << 8 | c(b);
            }
        }
        cairo_surface_mark_dirty(s);
        files.push_back(Folder() + "/photo-" + std::to_string(i) + ".png");
        WriteSurface(s, files.back());
    }
    return files;
}

// The photographs as JPEG files, quality 90.
std::vector<std::string> JpegDeck() {
    if (VIPS_INIT("quillon_bench_tools") != 0) std::abort();
    std::vector<std::string> files;
    for (const std::string &png : PhotoDeck()) {
        VipsImage *image = vips_image_new_from_file(png.c_str(), nullptr);
        if (!image) std::abort();
        std::string jpeg = png.substr(0, png.size() - 4) + ".jpg";
        if (vips_jpegsave(image, jpeg.c_str(), "Q", 90, nullptr) != 0) std::abort();
        g_object_unref(image);
        std::remove(png.c_str());
        files.push_back(jpeg);
    }
    return files;
}

std::vector<std::string> FlatDeck() {
    static const double colours[5][3] = {
        {1, 1, 1}, {0.1, 0.15, 0.35}, {0.9, 0.3, 0.2}, {0.95, 0.8, 0.2}, {0.3, 0.6, 0.4}};
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i) {
        cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 600);
        cairo_t *cr = cairo_create(s);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        for (int k = 0; k < 12; ++k) {
            const double *c = colours[1 + (k + i) % 4];
            cairo_set_source_rgb(cr, c[0], c[1], c[2]);
            if (k % 3 == 0)
                cairo_arc(cr, 100 + (k * 137 + i * 31) % 600, 100 + (k * 89 + i * 17) % 400,
                          30 + k * 4, 0, 2 * M_PI);
            else
                cairo_rectangle(cr, (k * 113 + i * 41) % 640, (k * 71 + i * 23) % 480, 60 + k * 9, 40 + k * 5);
            cairo_fill(cr);
        }
        cairo_destroy(cr);
        files.push_back(Folder() + "/flat-" + std::to_string(i) + ".png");
        WriteSurface(s, files.back());
    }
    return files;
}

std::vector<std::string> PdfDeck() {
    std::string path = Folder() + "/talk.pdf";
    cairo_surface_t *s = cairo_pdf_surface_create(path.c_str(), 600, 450);
    cairo_t *cr = cairo_create(s);
    for (int i = 0; i < 10; ++i) {
        cairo_save(cr);
        cairo_scale(cr, 0.75, 0.75);
        DrawTextSlide(cr, i, true);
        // A gradient band behind the title, as templates have.
        cairo_pattern_t *band = cairo_pattern_create_linear(0, 0, 800, 0);
        cairo_pattern_add_color_stop_rgba(band, 0, 0.9, 0.5, 0.2, 0.6);
        cairo_pattern_add_color_stop_rgba(band, 1, 0.2, 0.5, 0.9, 0.6);
        cairo_set_source(cr, band);
        cairo_rectangle(cr, 0, 90, 800, 16);
        cairo_fill(cr);
        cairo_pattern_destroy(band);
        cairo_restore(cr);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    return {path};
}

// ---- The two sides ----------------------------------------------------------

// Runs quillon-slides on the files; its wall time and its processor time
// (every thread of the child).
Span RunTool(const std::vector<std::string> &files, const std::string &movie, const char *jpeg) {
    std::vector<std::string> args = {QUILLON_SLIDES, "--quiet", "--jpeg", jpeg, "-o", movie};
    args.insert(args.end(), files.begin(), files.end());
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    rusage before, after;
    getrusage(RUSAGE_CHILDREN, &before);
    auto start = Clock::now();
    pid_t pid;
    if (posix_spawn(&pid, QUILLON_SLIDES, nullptr, nullptr, argv.data(), environ) != 0) std::abort();
    int status = 0;
    waitpid(pid, &status, 0);
    Span t = quillon::bench::Seconds(start);
    getrusage(RUSAGE_CHILDREN, &after);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
    auto seconds = [](const timeval &v) { return v.tv_sec + v.tv_usec * 1e-6; };
    t.cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
            seconds(before.ru_stime);
    return t;
}

// The palette and rows of every slide picture in the movie, as the library
// compresses them.
std::vector<std::vector<uint8_t>> SlidePictures(const std::string &movie) {
    quillon::test::SwfMovie m;
    std::string error;
    if (!quillon::test::ReadSwfFile(movie, m, error)) std::abort();
    std::vector<std::vector<uint8_t>> out;
    for (const quillon::test::SwfTag &t : m.tags) {
        if (t.code != 20 || t.body[2] != 3) continue;
        std::vector<uint8_t> data;
        if (!quillon::test::InflateBitmap(t, data)) std::abort();
        out.push_back(std::move(data));
    }
    return out;
}

void DecodePng(const std::string &path, std::vector<uint8_t> &pixels) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) std::abort();
    image.format = PNG_FORMAT_RGBA;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) std::abort();
}

void DecodeWithVips(const std::string &path, std::vector<uint8_t> &pixels) {
    VipsImage *image = vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    if (!image) std::abort();
    size_t size = 0;
    void *data = vips_image_write_to_memory(image, &size);
    g_object_unref(image);
    if (!data) std::abort();
    pixels.assign(static_cast<uint8_t *>(data), static_cast<uint8_t *>(data) + size);
    g_free(data);
}

void DrawPdfPages(const std::string &path, int width, int height, std::vector<uint8_t> &pixels) {
    char *uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    PopplerDocument *document = poppler_document_new_from_file(uri, nullptr, nullptr);
    g_free(uri);
    if (!document) std::abort();
    int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
    pixels.resize(static_cast<size_t>(stride) * height);
    for (int i = 0; i < poppler_document_get_n_pages(document); ++i) {
        PopplerPage *page = poppler_document_get_page(document, i);
        double pw, ph;
        poppler_page_get_size(page, &pw, &ph);
        cairo_surface_t *s = cairo_image_surface_create_for_data(pixels.data(), CAIRO_FORMAT_RGB24,
                                                                 width, height, stride);
        cairo_t *cr = cairo_create(s);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_scale(cr, width / pw, height / ph);
        poppler_page_render(page, cr);
        cairo_destroy(cr);
        cairo_surface_destroy(s);
        g_object_unref(page);
    }
    g_object_unref(document);
}

// Decoded with libvips and encoded as quillon-slides encodes a JPEG slide.
void EncodeWithVips(const std::string &path, std::vector<uint8_t> &jpeg) {
    VipsImage *image = vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    if (!image) std::abort();
    void *data = nullptr;
    size_t size = 0;
    int failed = vips_jpegsave_buffer(image, &data, &size, "Q", 85, "optimize_coding", TRUE,
                                      "interlace", FALSE, "strip", TRUE, nullptr);
    g_object_unref(image);
    if (failed) std::abort();
    jpeg.assign(static_cast<uint8_t *>(data), static_cast<uint8_t *>(data) + size);
    g_free(data);
}

enum class Input { Png, Jpeg, Pdf, PngToJpeg };

// Decoding the inputs and compressing the pictures, on this thread.
Span Unavoidable(const std::vector<std::string> &files, Input input,
                 const std::vector<std::vector<uint8_t>> &pictures) {
    auto start = Clock::now();
    // libvips saves through a worker thread of its own: the process's time
    // counts it (nothing else runs in this process meanwhile).
    timespec processStart, processEnd;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &processStart);
    std::vector<uint8_t> pixels;
    for (const std::string &file : files) {
        switch (input) {
        case Input::Pdf: DrawPdfPages(file, 1024, 768, pixels); break;
        case Input::Jpeg: DecodeWithVips(file, pixels); break;
        case Input::Png: DecodePng(file, pixels); break;
        case Input::PngToJpeg: EncodeWithVips(file, pixels); break;
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    std::vector<uint8_t> out;
    for (const std::vector<uint8_t> &picture : pictures) {
        uLongf size = compressBound(static_cast<uLong>(picture.size()));
        out.resize(size);
        if (compress2(out.data(), &size, picture.data(), static_cast<uLong>(picture.size()), 9) != Z_OK)
            std::abort();
        benchmark::DoNotOptimize(out.data());
    }
    Span t = quillon::bench::Seconds(start);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &processEnd);
    if (input == Input::PngToJpeg)
        t.cpu = double(processEnd.tv_sec - processStart.tv_sec) +
                (processEnd.tv_nsec - processStart.tv_nsec) * 1e-9;
    return t;
}

void DeckAgainstUnavoidable(benchmark::State &state, std::vector<std::string> (*make)(), Input input,
                            const char *jpeg = "auto") {
    if (input == Input::PngToJpeg && VIPS_INIT("quillon_bench_tools") != 0) std::abort();
    std::vector<std::string> files = make();
    std::string movie = Folder() + "/deck.swf";
    RunTool(files, movie, jpeg);
    std::vector<std::vector<uint8_t>> pictures = SlidePictures(movie);
    RatioRecorder r;
    bool toolFirst = true;
    for (auto _ : state) {
        Span tool, work;
        if (toolFirst) {
            tool = RunTool(files, movie, jpeg);
            work = Unavoidable(files, input, pictures);
        } else {
            work = Unavoidable(files, input, pictures);
            tool = RunTool(files, movie, jpeg);
        }
        toolFirst = !toolFirst;
        r.Add(tool, work);
        state.SetIterationTime(tool.wall + work.wall);
    }
    r.Report(state, "tool", "unavoidable");
    state.counters["slides"] = static_cast<double>(pictures.size());
    FILE *f = std::fopen(movie.c_str(), "rb");
    if (f) {
        std::fseek(f, 0, SEEK_END);
        state.counters["file_bytes"] = static_cast<double>(std::ftell(f));
        std::fclose(f);
    }
    for (const std::string &file : files) std::remove(file.c_str());
    std::remove(movie.c_str());
}

void TextSlides(benchmark::State &state) { DeckAgainstUnavoidable(state, TextDeck, Input::Png); }
void PhotoSlides(benchmark::State &state) { DeckAgainstUnavoidable(state, PhotoDeck, Input::Png, "never"); }
void JpegPhotos(benchmark::State &state) { DeckAgainstUnavoidable(state, JpegDeck, Input::Jpeg, "never"); }
void JpegSlides(benchmark::State &state) { DeckAgainstUnavoidable(state, PhotoDeck, Input::PngToJpeg); }
void FlatSlides(benchmark::State &state) { DeckAgainstUnavoidable(state, FlatDeck, Input::Png); }
void PdfPages(benchmark::State &state) { DeckAgainstUnavoidable(state, PdfDeck, Input::Pdf); }
BENCHMARK(TextSlides)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(PhotoSlides)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(JpegPhotos)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(JpegSlides)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);
BENCHMARK(FlatSlides)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(PdfPages)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
