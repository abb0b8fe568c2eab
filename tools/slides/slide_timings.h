// What a presentation file says of its slides that LibreOffice's PDF does
// not keep: how long each slide shows before the deck moves on by itself,
// and the sound that plays with it (PowerPoint's recorded narration, a
// slide's sound, a transition's sound). Read from the file itself: an
// Office Open XML package (.pptx, .ppsx, .potx) with libzip and libxml2,
// and an OpenDocument presentation (.odp, .otp, or flat .fodp).
#pragma once

#include <string>
#include <vector>

namespace quillon_tools {

struct SlideTiming {
    double seconds = 0;     // shown this long, then the next slide; 0: not said
    std::string sound;      // the file it was extracted to, or "" for none
    std::string soundName;  // its name inside the deck, for messages
};

// Reads the slides of deck in the order they are shown, hidden slides left
// out as LibreOffice's PDF leaves them out; their sounds are extracted into
// folder, named prefix-N.EXT. False (slides empty) when the deck is not a
// package or flat document of those kinds, or says nothing of timings and
// sounds. warnings receives the sounds that cannot be kept (linked to
// outside the deck, which are never fetched, or unreadable).
bool ReadSlideTimings(const std::string &deck, const std::string &folder, const std::string &prefix,
                      std::vector<SlideTiming> &slides, std::vector<std::string> &warnings);

}  // namespace quillon_tools
