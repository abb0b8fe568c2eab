// The plan of a deck, made before any slide is: every input opened and
// checked, the stage, each slide's page, links and frames, the buttons'
// place and the sounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/nav_buttons.h"
#include "slides/office_convert.h"
#include "slides/options.h"
#include "slides/pdf_read.h"
#include "slides/sound_file.h"

namespace quillon_tools {

// One input file: a picture, or a PDF document (made by LibreOffice from a
// presentation) and the pages taken from it.
struct Input {
    std::string path;
    std::string pdfPath;               // the document read: path, or LibreOffice's PDF
    std::unique_ptr<PdfDocument> pdf;  // null for a picture
    uint64_t wholeDecodeBytes = 0;     // what a picture's loader holds at once
    // A JPEG file, upright, without a colour profile and not progressive:
    // it can go in as it is when it has the slide's size (its markers say
    // the rest).
    bool plainJpeg = false;
    int width = 0, height = 0;  // a picture's, upright
};

// A hyperlink area on the stage, in pixels: to url, or, for a link inside
// a document, to the slide that shows its page (url empty).
struct StageLink {
    std::string url;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    size_t slide = 0;
};

// One slide: its input, the PDF page (from 0; -1 for an image), its web
// links, its links to slides of the deck (go-to areas), and what a
// presentation says of it: how long it shows, and its sound (a file, and
// its name for messages).
struct SlidePlan {
    size_t input = 0;
    int page = -1;
    std::vector<StageLink> links;
    std::vector<StageLink> gotos;
    double seconds = 0;  // 0: not said
    std::string narration, narrationName;
};

// What the checks of the inputs found: the stage, one plan per slide and
// the sounds.
struct Deck {
    int width = 0, height = 0;  // the slides
    std::vector<Input> inputs;
    std::vector<SlidePlan> plans;
    OfficeConversion office;        // the PDF documents of presentations
    uint64_t wholeDecodeBytes = 0;  // the most a picture's loader holds at once
    ButtonRow row;                  // with --buttons
    int strip = 0;                  // the buttons' strip under the slides
    std::vector<long> frames;       // of each slide
    SoundFile sound;                // --sound, when given
    // Of each slide: --narration's, or the presentation's own; null for none.
    std::vector<std::unique_ptr<SoundFile>> narrations;

    int StageHeight() const { return height + strip; }
    long FrameCount() const;
    size_t LinkCount() const;
};

// Writing the movie over one of its own inputs would destroy that input:
// the exit status of that usage error, or 0.
int RefuseInputAsOutput(const Options &o);

// Plans the deck: opens the sounds and every input (so that every input is
// checked before any slide is made), fits the buttons, counts each slide's
// frames, checks the movie's limits and places the links. 0, or the exit
// status of the failure, its message written.
int PlanDeck(const Options &o, Deck &deck);

}  // namespace quillon_tools
