// Recording a planned deck through the library's exports: one slide after
// another as the worker threads prepare them, then the buttons.
#pragma once

#include <string>

#include "slides/plan.h"

namespace quillon_tools {

// Creates the movie and records every slide in order, on this thread alone:
// its picture, links, sounds, frames and stops; with --buttons the
// navigation row after the last. quantised counts the slides whose
// colours were reduced. False with error set, and the movie destroyed,
// when a slide or a sound cannot be made.
bool RecordDeck(const Options &o, Deck &deck, int &quantised, std::string &error);

}  // namespace quillon_tools
