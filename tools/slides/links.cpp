// Placing the links of PDF pages on the stage.
#include "slides/links.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

namespace quillon_tools {

namespace {

bool KeptScheme(const std::string &url) {
    std::string lower;
    for (char c : url.substr(0, 8)) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0 ||
           lower.rfind("mailto:", 0) == 0;
}

std::string Shortened(const std::string &text) {
    return text.size() <= 60 ? text : text.substr(0, 57) + "...";
}

// The area of a link on the stage, where fit draws the page that is
// pw x ph points; the area lies on the stage, and is empty when the link
// lies outside it.
StageLink Place(const PdfLink &link, const PageFit &fit, double pw, double ph, int width, int height) {
    double sx = fit.width / pw, sy = fit.height / ph;
    StageLink a;
    a.url = link.uri;
    a.x1 = std::max(0, static_cast<int>(std::floor(fit.left + link.x1 * sx)));
    a.y1 = std::max(0, static_cast<int>(std::floor(fit.top + link.y1 * sy)));
    a.x2 = std::min(width, static_cast<int>(std::ceil(fit.left + link.x2 * sx)));
    a.y2 = std::min(height, static_cast<int>(std::ceil(fit.top + link.y2 * sy)));
    return a;
}

std::string Named(const PdfLink &link) {
    if (link.kind == PdfLink::Kind::Internal) return "the link to page " + std::to_string(link.page + 1);
    return "the link to " + Shortened(link.uri);
}

// Why the movie leaves out a link, with kept links (web and go-to areas)
// on the slide already; "" when it keeps it.
std::string LeftOut(const PdfLink &link, const StageLink &area, size_t kept) {
    if (link.kind == PdfLink::Kind::Other) return link.what + " is not kept";
    if (link.kind == PdfLink::Kind::Uri && !KeptScheme(link.uri))
        return Named(link) + " is not kept: only http, https and mailto links are";
    if (area.x2 <= area.x1 || area.y2 <= area.y1) return Named(link) + " lies outside the page";
    if (kept == kMaxLinksPerSlide)
        return Named(link) + " is not kept: a slide holds " + std::to_string(kMaxLinksPerSlide) + " links";
    return "";
}

// The slide that shows each page of one input, by page; a page taken twice
// by the first slide that shows it.
std::map<int, size_t> SlidesOfPages(const Deck &deck, size_t input) {
    std::map<int, size_t> slides;
    for (size_t i = 0; i < deck.plans.size(); ++i)
        if (deck.plans[i].input == input) slides.emplace(deck.plans[i].page, i);
    return slides;
}

// The links of one document that lead to pages --pages leaves out.
struct PagesLeftOut {
    size_t links = 0;
    std::set<int> pages;  // from 1
};

// The links of a PDF page as areas on the stage: web links, and links to
// the slides that show other pages. Links the movie cannot keep are
// reported; links to pages --pages leaves out are counted in leftOut.
void PlaceLinks(const Input &input, const std::map<int, size_t> &slides, int width, int height,
                SlidePlan &plan, PagesLeftOut &leftOut) {
    double pw, ph;
    input.pdf->PageSize(plan.page, pw, ph);
    PageFit fit = FitPage(pw, ph, width, height);
    std::string where = input.path + ": page " + std::to_string(plan.page + 1) + ": ";
    for (const PdfLink &link : input.pdf->Links(plan.page)) {
        StageLink area = Place(link, fit, pw, ph, width, height);
        bool internal = link.kind == PdfLink::Kind::Internal;
        auto slide = slides.find(link.page);
        if (internal && slide == slides.end()) {
            ++leftOut.links;
            leftOut.pages.insert(link.page + 1);
            continue;
        }
        std::string why = LeftOut(link, area, plan.links.size() + plan.gotos.size());
        if (!why.empty()) {
            Warn(where + why);
        } else if (internal) {
            area.slide = slide->second;
            plan.gotos.push_back(area);
        } else {
            plan.links.push_back(area);
        }
    }
}

// "3", "3 and 5", "3, 5 and 9"
std::string PageList(const std::set<int> &pages) {
    std::string out;
    size_t i = 0;
    for (int page : pages) {
        if (i > 0) out += i + 1 == pages.size() ? " and " : ", ";
        out += std::to_string(page);
        ++i;
    }
    return out;
}

}  // namespace

void PlaceDeckLinks(Deck &deck) {
    for (size_t i = 0; i < deck.inputs.size(); ++i) {
        const Input &input = deck.inputs[i];
        if (!input.pdf) continue;
        const std::map<int, size_t> slides = SlidesOfPages(deck, i);
        PagesLeftOut leftOut;
        for (SlidePlan &plan : deck.plans)
            if (plan.input == i) PlaceLinks(input, slides, deck.width, deck.height, plan, leftOut);
        if (leftOut.links > 0)
            Warn(input.path + ": " + std::to_string(leftOut.links) +
                 (leftOut.links == 1 ? " link leads" : " links lead") + " to " +
                 (leftOut.pages.size() == 1 ? "page " : "pages ") + PageList(leftOut.pages) +
                 ", which --pages leaves out: " + (leftOut.links == 1 ? "it is" : "they are") + " not kept");
    }
}

}  // namespace quillon_tools
