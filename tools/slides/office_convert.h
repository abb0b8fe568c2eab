// Presentations (.pptx, .ppt, .odp, .key...) through LibreOffice: when it is
// installed, it runs as a program of its own (never linked) and turns the
// decks into PDF documents, which the tools then read as any other.
#pragma once

#include <string>
#include <vector>

namespace quillon_tools {

// Whether the file is named as a presentation LibreOffice Impress opens:
// .pptx, .ppt, .pps, .ppsx, .odp, .fodp or .key, in any case.
bool IsPresentation(const std::string &path);

// The PDF documents of decks converted by one run of LibreOffice, in a
// private temporary folder with a LibreOffice profile of its own, so that
// several runs at once do not share one; the folder goes with the object.
class OfficeConversion {
public:
    OfficeConversion() = default;
    OfficeConversion(const OfficeConversion &) = delete;
    OfficeConversion &operator=(const OfficeConversion &) = delete;
    ~OfficeConversion();

    // Converts every deck; pdfs[i] is then the document of decks[i]. False,
    // with error naming the deck and the reason, when LibreOffice is not
    // installed (the message names the Debian package), or a deck does not
    // convert (damaged, or not a presentation).
    bool Convert(const std::vector<std::string> &decks, std::vector<std::string> &pdfs,
                 std::string &error);

private:
    std::string folder_;
};

}  // namespace quillon_tools
