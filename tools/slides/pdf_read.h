// Reading PDF documents with poppler: page sizes, the links on a page, and
// pages rendered with cairo into RGBA pictures.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/canvas.h"

namespace quillon_tools {

// A link on a page, its rectangle in points from the page's top-left corner.
struct PdfLink {
    enum class Kind {
        Uri,       // a URI action: uri holds it
        Internal,  // a destination or named action inside the same document
        Other,     // opens another file, runs a program or script: what says which
    };
    Kind kind = Kind::Other;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::string uri;
    std::string what;
};

class PdfDocument {
public:
    // Opens path. On failure returns null and sets error to a sentence that
    // names the file and the reason: missing, encrypted (a password is
    // needed), damaged or not a PDF, without pages.
    static std::unique_ptr<PdfDocument> Open(const std::string &path, std::string &error);
    ~PdfDocument();
    PdfDocument(const PdfDocument &) = delete;
    PdfDocument &operator=(const PdfDocument &) = delete;

    int PageCount() const { return pageCount_; }
    // The page's size in points, with its rotation applied. page counts from 0.
    void PageSize(int page, double &width, double &height) const;
    std::vector<PdfLink> Links(int page) const;
    // Draws the page scaled to fit a width x height picture, keeping its
    // proportions, centred on background; the page itself is white paper.
    // picture is resized to width x height (its buffer reused when large
    // enough). scratch holds cairo's pixels between calls.
    bool Render(int page, int width, int height, Rgb background, RgbaCanvas &picture,
                std::vector<uint8_t> &scratch, std::string &error) const;

private:
    struct Handle;
    explicit PdfDocument(std::unique_ptr<Handle> handle, int pages);
    std::unique_ptr<Handle> handle_;
    int pageCount_;
};

// Whether a file starts like a PDF document ("%PDF-" in its first kilobyte).
bool LooksLikePdf(const std::string &path);

// Where a page of pageWidth x pageHeight lands when scaled to fit a
// width x height stage and centred: its scale, and its top-left corner.
struct PageFit {
    double scale = 1;
    int left = 0, top = 0, width = 0, height = 0;
};
PageFit FitPage(double pageWidth, double pageHeight, int width, int height);

}  // namespace quillon_tools
