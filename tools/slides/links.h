// The links of PDF pages as areas on the slides: web links open their
// address, links to pages of the same document go to the page's slide.
#pragma once

#include "slides/plan.h"

namespace quillon_tools {

// Hyperlink and go-to areas the library keeps on one slide.
constexpr size_t kMaxLinksPerSlide = 100;

// Places the links of every PDF page of the deck on the stage, where the
// page is drawn; those the movie cannot keep (links of other kinds, other
// schemes than http, https and mailto, areas outside the page, more than
// kMaxLinksPerSlide) are reported, and links to pages that --pages leaves
// out once for the document.
void PlaceDeckLinks(Deck &deck);

}  // namespace quillon_tools
