// Recording a planned deck through the library's handle face: one slide
// after another as the worker threads prepare them, then the buttons.
#pragma once

#include <memory>
#include <string>

#include "quillon_movie.h"
#include "slides/plan.h"

namespace quillon_tools {

struct MovieFree {
    void operator()(QuillonMovie *movie) const { quillon_movie_free(movie); }
};
using Movie = std::unique_ptr<QuillonMovie, MovieFree>;

// What became of the slides: reduced to 256 colours, JPEG (encoded here or
// the input file's own).
struct SlideCounts {
    int quantised = 0, jpeg = 0;
};

// Makes the movie and records every slide in order, on this thread alone:
// its picture, links, sounds, frames and stops; with --buttons the
// navigation row after the last. False with error set (the library's own
// words when it refused a call), the movie then null, when a slide, a sound
// or a call fails.
bool RecordDeck(const Options &o, Deck &deck, Movie &movie, SlideCounts &counts, std::string &error);

// Writes the movie to o.output: false with the library's words in error.
bool WriteDeck(const Options &o, QuillonMovie *movie, std::string &error);

}  // namespace quillon_tools
