// The web links of PDF pages as hyperlink areas on the slides.
#pragma once

#include "slides/plan.h"

namespace quillon_tools {

// Hyperlink areas the library keeps on one slide.
constexpr size_t kMaxLinksPerSlide = 100;

// Places the links of every PDF page of the deck on the stage, where the
// page is drawn; those the movie cannot keep (links of other kinds, other
// schemes than http, https and mailto, areas outside the page, more than
// kMaxLinksPerSlide) are reported, links inside a document once for the
// document.
void PlaceDeckLinks(Deck &deck);

}  // namespace quillon_tools
