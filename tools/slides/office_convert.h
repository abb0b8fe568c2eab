// Presentations (.pptx, .ppt, .odp, .key, their templates...) through
// LibreOffice: when it is installed, it runs as a program of its own (never
// linked), in a box (office_box.h), and turns the decks into PDF documents,
// which the tools then read as any other. What the PDF loses, the slides'
// own timings and sounds, is read from the decks themselves.
#pragma once

#include <string>
#include <vector>

#include "slides/office_box.h"
#include "slides/slide_timings.h"

namespace quillon_tools {

// Whether the file is named as a presentation LibreOffice Impress opens:
// .pptx, .ppt, .pps, .ppsx, .odp, .fodp, .key or the templates .potx, .pot
// and .otp, in any case.
bool IsPresentation(const std::string &path);

// A deck converted: the PDF document to read (a name that stays valid as
// long as the OfficeConversion lives, though the private folder is gone),
// and what the deck says of each slide shown, in the PDF's page order
// (empty when it says nothing). Narrations are files of the same kind.
struct ConvertedDeck {
    std::string pdf;
    std::vector<SlideTiming> slides;
};

// The decks of one run of LibreOffice, converted in a private folder with a
// LibreOffice profile of its own that forbids macros and loading linked
// files; the folder is gone when Convert returns, whatever happens (the
// files handed out stay open until the object goes).
class OfficeConversion {
public:
    OfficeConversion() = default;
    OfficeConversion(const OfficeConversion &) = delete;
    OfficeConversion &operator=(const OfficeConversion &) = delete;
    ~OfficeConversion();

    // Converts every deck within timeoutSeconds; out[i] is then decks[i].
    // False, with error naming the deck and the reason, when LibreOffice is
    // not installed (the message names the Debian package), a deck is empty
    // (no byte but blank space, or nothing but blank pages in its PDF), does
    // not convert (damaged, or not a presentation), or LibreOffice takes
    // longer than the time limit (it is then stopped). warnings receives
    // what of the decks' timings and sounds cannot be kept.
    bool Convert(const std::vector<std::string> &decks, int timeoutSeconds,
                 std::vector<ConvertedDeck> &out, std::vector<std::string> &warnings,
                 std::string &error);

private:
    bool CheckDecks(const std::vector<std::string> &decks, std::string &error) const;
    bool Run(const std::vector<std::string> &decks, int timeoutSeconds, std::string &error);
    bool ReadBack(const std::vector<std::string> &decks, std::vector<ConvertedDeck> &out,
                  std::vector<std::string> &warnings, std::string &error);
    // A name for a file of the folder that outlives the folder: an open
    // descriptor's, under /proc/self/fd, when the system has that, else
    // the path itself (the folder then stays until the object goes).
    std::string Keep(const std::string &path);

    PrivateFolder folder_;
    bool keepFolder_ = false;
    std::vector<int> kept_;  // descriptors of the files handed out
};

}  // namespace quillon_tools
