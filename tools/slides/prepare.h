// Preparing the slides of a deck (decoding pictures, drawing pages, mapping
// colours) on worker threads, ahead of the one thread that records them;
// how many threads memory allows; the progress line.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "slides/ordered_work.h"
#include "slides/palette.h"
#include "slides/plan.h"

namespace quillon_tools {

// What the threads prepare for the library: the slide's colour-mapped
// picture, or its JPEG.
struct PreparedSlide {
    IndexedPicture picture;
    std::vector<uint8_t> jpeg;  // a JPEG slide when not empty
    bool jpegAsIs = false;      // the input file's own bytes
    std::string error;
};

class DecodeBudget;

// The slides of a deck, prepared in order, at most two a thread ahead. A
// thread starts only when the slides come slower than they are taken, up to
// --jobs, or by default one a processor core that memory allows. The deck
// and the options are borrowed for the object's life.
class PreparedSlides {
public:
    PreparedSlides(const Options &o, const Deck &deck);
    ~PreparedSlides();

    // Waits for the next slide and lends it until Release.
    PreparedSlide &Next() { return work_->Next(); }
    void Release() { work_->Release(); }

private:
    std::unique_ptr<DecodeBudget> budget_;
    std::unique_ptr<OrderedWork<PreparedSlide>> work_;  // stopped before the budget goes
};

// The line on a terminal's standard error that says which slide is made.
class Progress {
public:
    Progress(bool show, size_t total);
    ~Progress() { Done(); }
    void Slide(size_t n, const std::string &name);
    // Clears the line.
    void Done();

private:
    bool show_;
    size_t total_;
};

}  // namespace quillon_tools
