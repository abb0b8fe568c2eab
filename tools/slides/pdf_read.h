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
        Internal,  // to a page of the same document: page holds it
        Other,     // opens another file, runs a program, a script or a viewer's
                   // command, or names no page the document has: what says which
    };
    Kind kind = Kind::Other;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::string uri;
    // Internal: the page it goes to, from 0. Explicit destinations, named
    // ones (looked up in the document's name tree) and the named actions
    // NextPage, PrevPage, FirstPage and LastPage (beamer's navigation
    // symbols) all come to a page.
    int page = -1;
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

// The stage of a deck that starts with a page of pageWidth x pageHeight:
// width pixels wide and the page's proportions, shrunk to fit when that is
// more than maxSide pixels a side or maxPixels in all (a page box of any
// size is drawn at what the stage allows, never at its own).
void PageStage(double pageWidth, double pageHeight, int width, int maxSide, long maxPixels,
               int &stageWidth, int &stageHeight);

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
