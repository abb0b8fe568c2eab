// quillon-slides: turns pictures, PDF documents and presentations into a
// movie with one slide per picture or page, through the library's handle
// face (quillon_movie.h) only. The steps: the command line (options), the plan of
// the deck (plan, links), the slides made on worker threads (prepare) and
// recorded through the library (record).
#include <cstdio>
#include <string>

#include "common/files.h"
#include "common/viewer.h"
#include "quillon.h"
#include "slides/options.h"
#include "slides/plan.h"
#include "slides/record.h"

using namespace quillon_tools;

namespace {

void PrintSummary(const Options &o, const Deck &deck, const SlideCounts &counts,
                  const std::string &page) {
    size_t count = deck.plans.size(), links = deck.LinkCount();
    std::printf("%s: wrote %s: %zu slide%s, %dx%d pixels, %d quantised to 256 colours, %d JPEG",
                kProgram, o.output.c_str(), count, count == 1 ? "" : "s", deck.width,
                deck.StageHeight(), counts.quantised, counts.jpeg);
    if (links > 0) std::printf(", %zu link%s", links, links == 1 ? "" : "s");
    if (deck.FrameCount() > static_cast<long>(count))
        std::printf(", %ld frames at %d fps", deck.FrameCount(), o.fps);
    std::printf("\n");
    if (o.html) std::printf("%s: viewer page %s\n", kProgram, page.c_str());
}

// The whole run: check the output, plan the deck, record it, write the
// movie and its viewer page.
int Run(const Options &o) {
    if (int status = RefuseInputAsOutput(o)) return status;
    OutputState before;
    std::string error;
    if (!CheckOutputPath(o.output, before, error)) return Fail(error);
    Deck deck;
    if (int status = PlanDeck(o, deck)) return status;
    SlideCounts counts;
    Movie movie;
    if (!RecordDeck(o, deck, movie, counts, error) || !WriteDeck(o, movie.get(), error))
        return Fail(error);
    movie.reset();
    if (!CheckMovieWritten(o.output, before, error)) return Fail(error);

    std::string page;
    if (o.html && !WriteViewer(o.output, deck.width, deck.StageHeight(), BaseName(o.output),
                               !o.sound.empty(), o.playerUrl, page, error))
        return Fail(error);
    if (!o.quiet) PrintSummary(o, deck, counts, page);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    Request request;
    if (int status = ParseArguments(argc, argv, o, request)) return status;
    if (request == Request::Help) {
        PrintHelp();
        return 0;
    }
    if (request == Request::Version) {
        std::printf("%s %s\n", kProgram, QUILLON_VERSION);
        return 0;
    }
    return Run(o);
}
