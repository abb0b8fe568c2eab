// The slides' preparation on worker threads: decoding within a memory
// budget, centring, colour mapping, the buttons' strip.
#include "slides/prepare.h"

#include <dlfcn.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

#include "common/files.h"
#include "slides/photo.h"
#include "slides/picture_read.h"

namespace quillon_tools {

// Pictures that their loader holds whole while decoding (interlaced PNG,
// progressive JPEG, GIF, HEIF) take turns: one waits while those being
// decoded hold more than the budget together. One larger than the budget
// is decoded alone. The rest take memory by the stage and need no turn.
class DecodeBudget {
public:
    static constexpr uint64_t kBytes = uint64_t(256) << 20;

    void Take(uint64_t bytes) {
        std::unique_lock<std::mutex> lock(mutex_);
        freed_.wait(lock, [&] { return used_ == 0 || used_ + bytes <= kBytes; });
        used_ += bytes;
    }
    void Give(uint64_t bytes) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            used_ -= bytes;
        }
        freed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    uint64_t used_ = 0;
};

namespace {

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
    SlidePreparer(const Options &o, const Deck &deck, DecodeBudget &budget)
        : deck_(deck), background_(o.background), use_(o.jpeg), quality_(o.quality),
          budget_(budget) {
        OneOpenMpThread();
    }

    // The slide of deck.plans[index], deck.width x deck.height, with a strip
    // of deck.strip rows in the background colour under it for the buttons:
    // an exact bitmap when it has at most 256 colours, a JPEG when --jpeg
    // says so, else quantised.
    void Prepare(size_t index, PreparedSlide &slide) {
        slide.error.clear();
        slide.jpeg.clear();
        slide.jpegAsIs = false;
        const SlidePlan &plan = deck_.plans[index];
        // Every slide a JPEG: one that can go as it is needs no decoding.
        if (use_ == JpegUse::Always && TakeAsIs(plan, slide)) return;
        const RgbaCanvas *picture = plan.page >= 0 ? DrawPage(plan, slide.error) : ReadOne(plan, slide.error);
        if (!picture) return;
        bool few = use_ != JpegUse::Always && mapper_.MapExactly(*picture, slide.picture);
        if (!few && (use_ == JpegUse::Always ||
                     (use_ == JpegUse::Auto && LooksLikePhotograph(MeasureTexture(*picture))))) {
            if (!TakeAsIs(plan, slide) && !EncodeJpeg(WithStrip(*picture), quality_, slide.jpeg, slide.error))
                slide.error = deck_.inputs[plan.input].path + ": " + slide.error;
            return;
        }
        if (!few && !mapper_.Map(*picture, slide.picture, slide.error)) {
            slide.error = deck_.inputs[plan.input].path + ": " + slide.error;
            return;
        }
        if (deck_.strip > 0) AddStrip(slide.picture);
    }

private:
    const RgbaCanvas *DrawPage(const SlidePlan &plan, std::string &error) {
        const PdfDocument *pdf = Document(plan.input, error);
        if (!pdf) return nullptr;
        if (!pdf->Render(plan.page, deck_.width, deck_.height, background_, decoded_, scratch_, error)) {
            error = deck_.inputs[plan.input].path + ": " + error;
            return nullptr;
        }
        return &decoded_;
    }

    // A picture, centred on the slide when it is smaller.
    const RgbaCanvas *ReadOne(const SlidePlan &plan, std::string &error) {
        const Input &input = deck_.inputs[plan.input];
        budget_.Take(input.wholeDecodeBytes);
        bool read = ReadPicture(input.path, deck_.width, deck_.height, background_, decoded_, error);
        budget_.Give(input.wholeDecodeBytes);
        if (!read) return nullptr;
        if (decoded_.Width() == deck_.width && decoded_.Height() == deck_.height) return &decoded_;
        Centre(decoded_, staged_);
        return &staged_;
    }

    // A JPEG file that needs no change: of the slide's size (and no strip
    // under it), upright, sRGB, baseline.
    bool TakeAsIs(const SlidePlan &plan, PreparedSlide &slide) {
        const Input &input = deck_.inputs[plan.input];
        if (plan.page >= 0 || !input.plainJpeg || input.width != deck_.width ||
            input.height != deck_.height || deck_.strip > 0)
            return false;
        std::string bytes;
        JpegForm form;
        if (!ReadWholeFile(input.path, bytes)) return false;
        slide.jpeg.assign(bytes.begin(), bytes.end());
        if (!ReadJpegForm(slide.jpeg, form) ||
            form.width != deck_.width || form.height != deck_.height) {
            slide.jpeg.clear();
            return false;
        }
        slide.jpegAsIs = true;
        return true;
    }

    // The slide with the buttons' strip under it, for a JPEG of the stage's
    // size.
    const RgbaCanvas &WithStrip(const RgbaCanvas &picture) {
        if (deck_.strip == 0) return picture;
        const Rgba bg{background_.r, background_.g, background_.b, 255};
        striped_.Resize(picture.Width(), picture.Height() + deck_.strip);
        std::copy(picture.Pixels().begin(), picture.Pixels().end(), striped_.Pixels().begin());
        std::fill(striped_.Pixels().begin() + static_cast<ptrdiff_t>(picture.Pixels().size()),
                  striped_.Pixels().end(), bg);
        return striped_;
    }

    const PdfDocument *Document(size_t input, std::string &error) {
        std::unique_ptr<PdfDocument> &pdf = documents_[input];
        if (!pdf) {
            pdf = PdfDocument::Open(deck_.inputs[input].pdfPath, error);
            if (!pdf) error = deck_.inputs[input].path + ": " + error;
        }
        return pdf.get();
    }

    // A picture smaller than the slide, centred on the background.
    void Centre(const RgbaCanvas &picture, RgbaCanvas &slide) const {
        const Rgba bg{background_.r, background_.g, background_.b, 255};
        const int width = deck_.width, height = deck_.height;
        slide.Resize(width, height);
        std::fill(slide.Pixels().begin(), slide.Pixels().end(), bg);
        int left = (width - picture.Width()) / 2, top = (height - picture.Height()) / 2;
        for (int y = 0; y < picture.Height(); ++y)
            std::copy_n(&picture.Pixels()[static_cast<size_t>(y) * picture.Width()],
                        picture.Width(), &slide.Pixels()[static_cast<size_t>(top + y) * width + left]);
    }

    // The buttons' strip under the slide, in the background colour: a new
    // palette entry while there is room, else the entry nearest to it.
    void AddStrip(IndexedPicture &picture) {
        const Rgb bg = background_;
        int index = -1;
        for (int i = 0; i < picture.ColourCount() && index < 0; ++i)
            if (Rgb{picture.palette[i * 3u], picture.palette[i * 3u + 1], picture.palette[i * 3u + 2]} == bg)
                index = i;
        if (index < 0 && picture.ColourCount() < 256) {
            index = picture.ColourCount();
            picture.palette.insert(picture.palette.end(), {bg.r, bg.g, bg.b});
        }
        if (index < 0) {
            nearest_.SetPalette(picture.palette);
            index = nearest_.Find(bg.r, bg.g, bg.b);
        }
        picture.height += deck_.strip;
        picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height,
                              static_cast<uint8_t>(index));
    }

    const Deck &deck_;
    const Rgb background_;
    const JpegUse use_;
    const int quality_;
    DecodeBudget &budget_;
    RgbaCanvas decoded_{1, 1}, staged_{1, 1}, striped_{1, 1};
    NearestColour nearest_;
    std::vector<uint8_t> scratch_;
    ColourMapper mapper_;
    std::map<size_t, std::unique_ptr<PdfDocument>> documents_;
};

// The memory the system can give without swapping (MemAvailable of
// /proc/meminfo, else the free memory), in bytes; 0 when unknown.
uint64_t AvailableMemory() {
    if (std::FILE *f = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        unsigned long long kib = 0;
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) break;
        std::fclose(f);
        if (kib > 0) return uint64_t(kib) * 1024;
    }
    struct sysinfo info;
    if (sysinfo(&info) != 0) return 0;
    return (uint64_t(info.freeram) + info.bufferram) * info.mem_unit;
}

// One job a processor core, fewer when the memory available would not hold
// them: a job holds a few pictures of the stage's size (decoded, scaled,
// quantised, the slides waiting in its slots) and what the pictures'
// loaders keep whole; half of the available memory is given to them.
unsigned DefaultJobs(int width, int height, uint64_t wholeDecodeBytes) {
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    uint64_t perJob = uint64_t(width) * uint64_t(height) * 4 * 6 + wholeDecodeBytes + (8u << 20);
    uint64_t available = AvailableMemory();
    if (available == 0) return cores;
    return static_cast<unsigned>(std::clamp<uint64_t>(available / 2 / perJob, 1, cores));
}

}  // namespace

PreparedSlides::PreparedSlides(const Options &o, const Deck &deck)
    : budget_(std::make_unique<DecodeBudget>()) {
    unsigned threads = o.jobs > 0 ? static_cast<unsigned>(o.jobs)
                                  : DefaultJobs(deck.width, deck.StageHeight(), deck.wholeDecodeBytes);
    DecodeBudget &budget = *budget_;
    auto makePreparer = [&o, &deck, &budget] {
        auto preparer = std::make_shared<SlidePreparer>(o, deck, budget);
        return [preparer](size_t index, PreparedSlide &slide) { preparer->Prepare(index, slide); };
    };
    work_ = std::make_unique<OrderedWork<PreparedSlide>>(deck.plans.size(), threads, 2 * threads,
                                                         makePreparer);
}

PreparedSlides::~PreparedSlides() = default;

Progress::Progress(bool show, size_t total) : show_(show && isatty(STDERR_FILENO)), total_(total) {}

void Progress::Slide(size_t n, const std::string &name) {
    if (!show_) return;
    std::fprintf(stderr, "\r%s: slide %zu of %zu: %-40.40s", kProgram, n, total_, name.c_str());
    std::fflush(stderr);
}

void Progress::Done() {
    if (show_) std::fprintf(stderr, "\r%*s\r", 80, "");
    show_ = false;
}

}  // namespace quillon_tools
