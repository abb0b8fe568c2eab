// Planning a deck: the inputs opened and checked, the stage, each slide's
// page and frames, the buttons and the movie's limits.
#include "slides/plan.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "common/files.h"
#include "quillon.h"
#include "slides/links.h"
#include "slides/picture_read.h"

namespace quillon_tools {

namespace {

// Players refuse bitmaps beyond these: 8191 pixels a side, 16777215 in all.
constexpr int kMaxStageSide = 8191;
constexpr long kMaxStagePixels = 16777215;
// The default stage width of a deck that starts with a PDF page.
constexpr int kPdfStageWidth = 1024;
// The buttons of a row: first, previous, next and last.
constexpr int kButtonCount = 4;

bool NamedPdf(const std::string &path) {
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".pdf";
}

// A file that starts like a PDF document is one; a file named .pdf is one
// unless it starts like a picture.
bool IsPdfInput(const std::string &path) {
    return LooksLikePdf(path) || (NamedPdf(path) && !IsPicture(path));
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

// A PDF document's slides, one a page that --pages picks; the stage the
// first page's shape, kPdfStageWidth wide or less when the players' limits
// ask it, when nothing set it before.
bool PlanDocument(const Options &o, bool presentation, Input &input, Deck &deck, std::string &error) {
    input.pdf = PdfDocument::Open(input.pdfPath, error);
    if (!input.pdf) {
        if (presentation) error = input.path + ": " + error;
        return false;
    }
    std::vector<int> pages;
    if (!PickPages(o, input, pages, error)) return false;
    if (deck.width == 0) {
        double pw, ph;
        input.pdf->PageSize(pages[0], pw, ph);
        PageStage(pw, ph, kPdfStageWidth, kMaxStageSide, kMaxStagePixels, deck.width, deck.height);
    }
    for (int page : pages) deck.plans.push_back(SlidePlan{deck.inputs.size(), page, {}, {}, 0, {}, {}});
    return true;
}

// A picture's slide; the stage the picture's size when nothing set it before.
bool PlanPicture(Input &input, Deck &deck, std::string &error) {
    PictureInfo info;
    if (!ProbePicture(input.path, info, error)) return false;
    if (deck.width == 0) {
        deck.width = info.width;
        deck.height = info.height;
    }
    deck.wholeDecodeBytes = std::max(deck.wholeDecodeBytes, info.wholeDecodeBytes);
    input.wholeDecodeBytes = info.wholeDecodeBytes;
    input.plainJpeg = info.format == "JPEG" && info.orientation == 1 && !info.hasProfile &&
                      info.wholeDecodeBytes == 0;
    input.width = info.width;
    input.height = info.height;
    deck.plans.push_back(SlidePlan{deck.inputs.size(), -1, {}, {}, 0, {}, {}});
    return true;
}

// Opens every input and plans its slides. The stage is --size, or the first
// input's size. Presentations become PDF documents first, all in one run of
// LibreOffice.
bool PlanSlides(const Options &o, Deck &deck, std::string &error) {
    deck.width = o.size.width;
    deck.height = o.size.height;
    std::vector<std::string> decks, warnings;
    for (const std::string &path : o.inputs)
        if (IsPresentation(path)) decks.push_back(path);
    std::vector<ConvertedDeck> converted;
    bool ok = deck.office.Convert(decks, o.timeout, converted, warnings, error);
    for (const std::string &warning : warnings) Warn(warning);
    if (!ok) return false;
    size_t next = 0;
    for (const std::string &path : o.inputs) {
        Input input;
        input.path = path;
        input.pdfPath = path;
        const ConvertedDeck *office = IsPresentation(path) ? &converted[next++] : nullptr;
        if (office) input.pdfPath = office->pdf;
        const size_t first = deck.plans.size();
        bool planned = office || IsPdfInput(path) ? PlanDocument(o, office != nullptr, input, deck, error)
                                                  : PlanPicture(input, deck, error);
        if (!planned) return false;
        for (size_t i = first; office && i < deck.plans.size(); ++i) {
            SlidePlan &plan = deck.plans[i];
            if (static_cast<size_t>(plan.page) >= office->slides.size()) continue;
            const SlideTiming &timing = office->slides[plan.page];
            plan.seconds = timing.seconds;
            plan.narration = timing.sound;
            plan.narrationName = path + ": page " + std::to_string(plan.page + 1) + ": its sound " + timing.soundName;
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

// The presentations' own sounds of the slides --narration gives none. One
// that cannot be read is left out and reported: the slides still show.
void OpenDeckNarrations(Deck &deck) {
    const size_t given = deck.narrations.size();
    deck.narrations.resize(deck.plans.size());
    for (size_t i = given; i < deck.plans.size(); ++i) {
        const SlidePlan &plan = deck.plans[i];
        if (plan.narration.empty()) continue;
        auto sound = std::make_unique<SoundFile>();
        std::string error;
        if (sound->Open(plan.narration, error) && sound->Seconds() >= 0) {
            deck.narrations[i] = std::move(sound);
            continue;
        }
        // The file has no name of its own: the message names the deck's.
        if (error.rfind(plan.narration + ": ", 0) == 0) error = error.substr(plan.narration.size() + 2);
        Warn(plan.narrationName + " is left out: " + (error.empty() ? "its length cannot be read" : error));
    }
}

// The frames of each slide: one where the deck stops on every slide;
// otherwise --seconds or the presentation's own time, or as many as its
// narration needs to end.
void PlanFrames(const Options &o, Deck &deck) {
    deck.frames.assign(deck.plans.size(), 1);
    if (o.buttons) return;
    for (size_t i = 0; i < deck.plans.size(); ++i) {
        long &n = deck.frames[i];
        const double seconds = o.seconds > 0 ? o.seconds : deck.plans[i].seconds;
        if (seconds > 0) n = std::max(1L, std::lround(seconds * o.fps));
        if (i < deck.narrations.size() && deck.narrations[i])
            n = std::max(n, static_cast<long>(std::ceil(deck.narrations[i]->Seconds() * o.fps - 1e-9)));
    }
}

// With --buttons, their row, and under the slides the strip it takes: the
// exit status of the usage error when the slides are too small, or 0.
int PlaceButtons(const Options &o, Deck &deck) {
    if (!o.buttons ||
        FitButtonRow(deck.width, deck.height, kButtonCount, *o.buttons, deck.row, deck.strip))
        return 0;
    const int across = kButtonCount * (kMinButtonSide * 3 / 2) + kButtonCount + 1,
              down = kMinButtonSide + 2;
    return Usage("the slides, " + std::to_string(deck.width) + "x" + std::to_string(deck.height) +
                 " pixels, are too small for the buttons: they need " + std::to_string(across) +
                 " pixels across" +
                 (*o.buttons == ButtonPlace::Over ? " and " + std::to_string(down) + " down" : "") +
                 " (use --size)");
}

// The limits of a movie: its slides and frames, and the stage players show.
bool CheckLimits(const Options &o, const Deck &deck, std::string &error) {
    if (deck.plans.size() > QUILLON_MAX_SLIDES) {
        error = "too many slides: at most " + std::to_string(QUILLON_MAX_SLIDES);
        return false;
    }
    if (deck.FrameCount() > QUILLON_MAX_FRAMES) {
        error = "the deck needs " + std::to_string(deck.FrameCount()) + " frames at " +
                std::to_string(o.fps) + " fps: a movie holds at most " +
                std::to_string(QUILLON_MAX_FRAMES) + " (lower --fps or --seconds)";
        return false;
    }
    const int height = deck.StageHeight();
    if (deck.width > kMaxStageSide || height > kMaxStageSide ||
        static_cast<long>(deck.width) * height > kMaxStagePixels) {
        error = "stage " + std::to_string(deck.width) + "x" + std::to_string(height) +
                " is too large: at most " + std::to_string(kMaxStageSide) +
                " pixels a side and " + std::to_string(kMaxStagePixels) + " pixels in all (use --size" +
                (deck.strip > 0 ? " or --buttons=over)" : ")");
        return false;
    }
    return true;
}

}  // namespace

long Deck::FrameCount() const {
    long count = 0;
    for (long n : frames) count += n;
    return count;
}

size_t Deck::LinkCount() const {
    size_t count = 0;
    for (const SlidePlan &plan : plans) count += plan.links.size() + plan.gotos.size();
    return count;
}

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

int PlanDeck(const Options &o, Deck &deck) {
    std::string error;
    if (!StartPictureReading(kProgram, error) || !OpenSounds(o, deck, error) ||
        !PlanSlides(o, deck, error))
        return Fail(error);
    if (deck.narrations.size() > deck.plans.size())
        return Usage(std::to_string(deck.narrations.size()) + " narrations for " +
                     std::to_string(deck.plans.size()) +
                     (deck.plans.size() == 1 ? " slide" : " slides") + ": give at most one a slide");
    OpenDeckNarrations(deck);
    if (int status = PlaceButtons(o, deck)) return status;
    PlanFrames(o, deck);
    if (!CheckLimits(o, deck, error)) return Fail(error);
    PlaceDeckLinks(deck);
    return 0;
}

}  // namespace quillon_tools
