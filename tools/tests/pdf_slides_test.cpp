// quillon-slides run on PDF documents the tests draw with cairo: one slide
// per page, the pages' web links as hyperlink areas and their links to
// other pages as go-to areas where the page shows them, and the links a
// movie cannot keep reported. Refused documents are
// rows of the failure table in slides_test.cpp.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "slides/pdf_read.h"
#include "tests/support.h"

using namespace tools_test;

namespace {

const std::string kPdftocairo = QUILLON_PDFTOCAIRO;

// A hyperlink or go-to area of the movie: the frame its button is placed
// in, its actions (as DescribeActions writes them), and its rectangle in
// pixels.
struct MovieLink {
    int frame = 0;
    std::string actions;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    auto Key() const { return std::tie(frame, actions, x1, y1, x2, y2); }
    bool operator==(const MovieLink &o) const { return Key() == o.Key(); }
};

std::ostream &operator<<(std::ostream &out, const MovieLink &l) {
    return out << "{frame " << l.frame << ", " << l.actions << ", (" << l.x1 << ", " << l.y1 << ")-("
               << l.x2 << ", " << l.y2 << ")}";
}

// Where the movie places its link buttons: those that answer a click
// alone and open an address or go to a slide and stop there (navigation
// buttons answer keys too, and leave the stop to the slide). Their actions
// and the bounds of the shape they show. A link that stays on the stage
// after its slide's frame adds a failure.
std::vector<MovieLink> LinksOf(const SwfMovie &movie) {
    std::map<uint16_t, MovieLink> buttons;  // by character id
    for (const auto &[id, button] : movie.buttons) {
        if (button.conditions.size() != 1) continue;
        std::string actions = DescribeActions(button.conditions[0].actions);
        bool stops = actions.size() >= 4 && actions.compare(actions.size() - 4, 4, "Stop") == 0;
        if (actions.rfind("GetURL(", 0) != 0 && !stops) continue;
        MovieLink &link = buttons[id];
        link.actions = actions;
        // The first record's character: the invisible rectangle.
        auto bounds = movie.shapeBounds.find(button.characters.at(0));
        if (bounds != movie.shapeBounds.end()) {
            const std::vector<int32_t> &r = bounds->second;
            std::tie(link.x1, link.x2, link.y1, link.y2) = std::make_tuple(r[0] / 20, r[1] / 20, r[2] / 20, r[3] / 20);
        }
    }
    std::vector<MovieLink> out;
    for (const SwfPlacement &p : movie.placements) {
        auto found = buttons.find(p.characterId);
        if (p.remove || found == buttons.end()) continue;
        out.push_back(found->second);
        out.back().frame = p.frame;
        bool removed = p.frame + 1 >= movie.header.frameCount;
        for (const SwfPlacement &q : movie.placements)
            removed |= q.remove && q.frame == p.frame + 1 && q.depth == p.depth;
        if (!removed) ADD_FAILURE() << out.back() << " stays after its slide";
    }
    return out;
}

// The test document: four 400 x 300 point pages; a web link on page 1, a
// mail link and a link to page 3 on page 2, a script and a file link on
// page 4.
std::vector<PdfPageSpec> Document() {
    std::vector<PdfPageSpec> pages(4);
    for (int i = 0; i < 4; ++i) pages[static_cast<size_t>(i)].seed = i;
    pages[0].links = {{40, 200, 120, 50, "https://example.com/first", ""}};
    pages[1].links = {{250, 40, 100, 30, "mailto:team@example.com", ""},
                      {40, 200, 100, 40, "", "third"}};
    pages[2].destName = "third";
    pages[3].links = {{40, 200, 100, 40, "javascript:alert(1)", ""},
                      {200, 200, 100, 40, "file:///etc/hosts", ""}};
    return pages;
}

class PdfSlidesTest : public InFolder<> {
protected:
    void SetUp() override {
        ASSERT_EQ(access(kPdftocairo.c_str(), X_OK), 0) << "pdftocairo not found: run scripts/install-deps";
        InFolder::SetUp();
        ASSERT_TRUE(WritePdf(dir + "/talk.pdf", Document()));
    }
    // Page `page` (from 1) of talk.pdf as pdftocairo renders it at width x height.
    std::vector<uint8_t> Rendering(int page, int width, int height) {
        std::string prefix = dir + "/render-" + std::to_string(page);
        RunResult r = RunTool(kPdftocairo, {"-png", "-f", std::to_string(page), "-l", std::to_string(page),
                                            "-scale-to-x", std::to_string(width), "-scale-to-y",
                                            std::to_string(height), "-singlefile", dir + "/talk.pdf", prefix});
        EXPECT_EQ(r.status, 0) << r.err;
        int w = 0, h = 0;
        std::vector<uint8_t> rgb;
        EXPECT_TRUE(ReadPictureAsStored(prefix + ".png", w, h, rgb));
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        return rgb;
    }
};

struct PdfCase {
    const char *name;
    std::vector<std::string> args;  // "@" stands for the test's folder
    int frames, width, height;
    std::vector<int> pages;  // the page each slide shows, from 1; 0 for the PNG
    std::vector<MovieLink> links;
    std::vector<std::string> reported;  // lines of standard error, in part
};

TEST_F(PdfSlidesTest, PagesBecomeSlidesWithTheirLinks) {
    // A 300 x 300 picture: the 400 x 300 point page fits it at 0.75, 225
    // pixels high and 37 from the top.
    ASSERT_TRUE(WritePicture(dir + "/square.png", 300, 300, std::vector<uint8_t>(300 * 300 * 3, 90)));
    const std::string script = "talk.pdf: page 4: the link to javascript:alert(1) is not kept";
    const std::string file = "talk.pdf: page 4: the link to file:///etc/hosts is not kept";
    const PdfCase cases[] = {
        {"every page, 1024 pixels wide",
         {"@/talk.pdf"}, 4, 1024, 768, {1, 2, 3, 4},
         {{0, "GetURL(https://example.com/first, _blank)", 102, 512, 410, 640},
          {1, "GetURL(mailto:team@example.com, _blank)", 640, 102, 896, 180},
          {1, "GotoFrame(2) Stop", 102, 512, 359, 615}},
         {script, file}},
        {"pages picked, another size and target",
         {"--pages", "2,4", "--size", "800x600", "--link-target", "_self", "@/talk.pdf"}, 2, 800, 600, {2, 4},
         {{0, "GetURL(mailto:team@example.com, _self)", 500, 80, 700, 140}},
         {"talk.pdf: 1 link leads to page 3, which --pages leaves out: it is not kept", script, file}},
        {"pages in another order: the link goes back",
         {"--pages", "3,2", "@/talk.pdf"}, 2, 1024, 768, {3, 2},
         {{1, "GetURL(mailto:team@example.com, _blank)", 640, 102, 896, 180},
          {1, "GotoFrame(0) Stop", 102, 512, 359, 615}},
         {}},
        {"a range without an end",
         {"--pages=3-", "@/talk.pdf"}, 2, 1024, 768, {3, 4}, {}, {script, file}},
        {"a picture first sets the stage",
         {"@/square.png", "--pages", "1", "@/talk.pdf"}, 2, 300, 300, {0, 1},
         {{1, "GetURL(https://example.com/first, _blank)", 30, 187, 120, 225}},
         {}},
    };
    for (const PdfCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = InDir(dir, c.args);
        args.insert(args.end(), {"--quiet", "--buttons=over", "-o", dir + "/talk.swf"});
        Deck deck;
        ASSERT_TRUE(RunSlides(args, deck));
        EXPECT_EQ(deck.header.frameCount, c.frames);
        EXPECT_EQ(deck.header.xMax, c.width * 20);
        EXPECT_EQ(deck.header.yMax, c.height * 20);
        EXPECT_EQ(LinksOf(deck), c.links);

        // Every line of standard error is one of the reports, each once.
        const std::string &err = deck.run.err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), static_cast<long>(c.reported.size())) << err;
        for (const std::string &line : c.reported) EXPECT_TRUE(Has(err, "quillon-slides: " + dir + "/" + line));

        // The slides look like pdftocairo's renderings of their pages.
        ASSERT_EQ(deck.slides.size(), c.pages.size());
        for (size_t i = 0; i < c.pages.size(); ++i) {
            if (c.pages[i] == 0 || c.width * 3 != c.height * 4) continue;
            double psnr = Psnr(Rendering(c.pages[i], c.width, c.height), deck.slides[i]);
            EXPECT_GE(psnr, 35.0) << "slide " << i + 1;
            RecordProperty("psnr", std::to_string(psnr));
        }
    }
}

// Presentations made by LibreOffice itself from the flat deck of
// tools/tests/data (two 25.4 x 19.05 cm pages: the first navy with a web
// link in a text frame at its top-left, the second white with a line of
// text): each becomes one slide a page, its web link clickable where the
// text shows it.
TEST_F(PdfSlidesTest, PresentationsBecomeSlidesWithTheirWebLinks) {
    RunResult which = RunTool("/bin/sh", {"-c", "command -v soffice"});
    ASSERT_EQ(which.status, 0) << "LibreOffice not found: run scripts/install-deps";
    std::string flat = ReadText(QUILLON_TEST_DATA "/deck.fodp");
    flat.replace(flat.find("@LINK@"), 6, "https://example.com/deck");
    WriteText(dir + "/deck.fodp", flat);
    for (const std::string format : {"pptx", "odp"}) {
        SCOPED_TRACE(format);
        RunResult made = RunTool("/bin/sh",
            {"-c", "soffice --headless --norestore -env:UserInstallation=file://" + dir + "/profile --convert-to " +
                       format + " --outdir '" + dir + "' '" + dir + "/deck.fodp' >/dev/null 2>&1"});
        ASSERT_EQ(made.status, 0);
        Deck deck;
        ASSERT_TRUE(RunSlides({"--quiet", "--buttons", dir + "/deck." + format, "-o", dir + "/deck.swf"}, deck));
        EXPECT_EQ(deck.run.err, "");
        EXPECT_EQ(deck.header.frameCount, 2);
        EXPECT_EQ(deck.header.xMax, 1024 * 20);
        std::vector<MovieLink> links = LinksOf(deck);
        ASSERT_EQ(links.size(), 1u);
        EXPECT_EQ(links[0].frame, 0);
        EXPECT_EQ(links[0].actions, "GetURL(https://example.com/deck, _blank)");
        // Over the text, in the top-left quarter of the slide.
        EXPECT_GT(links[0].x2, links[0].x1);
        EXPECT_GT(links[0].y2, links[0].y1);
        EXPECT_LT(links[0].x1, 512);
        EXPECT_LT(links[0].y2, deck.header.yMax / 20 / 2);
        // The first page navy, the second white.
        ASSERT_EQ(deck.slides.size(), 2u);
        EXPECT_EQ(PixelAt(deck.slides[0], 1000, 10), (std::vector<int>{0x20, 0x40, 0x80}));
        EXPECT_EQ(PixelAt(deck.slides[1], 1000, 10), (std::vector<int>{255, 255, 255}));
    }
}

// With --buttons the buttons keep off a PDF page: in the strip under it,
// the stage growing by the strip; over it only when asked.
TEST_F(PdfSlidesTest, ButtonsSitUnderThePageUnlessAskedOver) {
    const struct {
        const char *where;
        int stageHeight;
        bool onThePage;
    } rows[] = {{"--buttons", 768 + 48 + 24, false}, {"--buttons=under", 768 + 48 + 24, false},
                {"--buttons=over", 768, true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.where);
        Deck deck;
        ASSERT_TRUE(RunSlides({"--quiet", row.where, "--pages", "3", dir + "/talk.pdf", "-o", dir + "/b.swf"},
                              deck));
        EXPECT_EQ(deck.header.xMax, 1024 * 20);
        EXPECT_EQ(deck.header.yMax, row.stageHeight * 20);
        std::vector<std::vector<int32_t>> faces = ButtonFaces(deck, 1024);
        for (const std::vector<int32_t> &b : faces) {
            EXPECT_GE(b[0], 0);
            EXPECT_LE(b[1], 1024 * 20);
            EXPECT_LE(b[3], row.stageHeight * 20);
            EXPECT_EQ(b[2] < 768 * 20, row.onThePage) << b[2] / 20;
        }
        EXPECT_EQ(faces.size(), 12u);  // four buttons, three faces each
        // The page itself fills the slide above the strip.
        ASSERT_EQ(deck.slides.size(), 1u);
        if (!row.onThePage) {
            EXPECT_GE(Psnr(Rendering(3, 1024, 768), deck.slides[0]), 35.0);
        }
    }
}

}  // namespace

namespace {

// A PDF document written byte by byte, its cross-reference table counted:
// the catalog (with a name tree of destinations), the page tree and one
// page of size points a side per entry of pages, each page's links its
// entries: what the link's dictionary says it does, "@N" standing for a
// reference to page N (from 1).
std::string HandMadePdf(const std::vector<std::vector<std::string>> &pages, const std::string &dests,
                        const std::string &size = "400 300", const std::string &content = "") {
    std::vector<std::string> objects(3);
    std::vector<size_t> pageObject;
    size_t next = 4;
    for (const auto &links : pages) {
        pageObject.push_back(next);
        next += 1 + links.size() + 1;  // the page, its links, its content
    }
    auto refs = [&](std::string text) {
        for (size_t at; (at = text.find('@')) != std::string::npos;)
            text.replace(at, 2, std::to_string(pageObject[static_cast<size_t>(text[at + 1] - '1')]) + " 0 R");
        return text;
    };
    std::string kids;
    for (size_t i = 0; i < pages.size(); ++i) {
        std::string annots;
        for (size_t k = 0; k < pages[i].size(); ++k) annots += std::to_string(pageObject[i] + 1 + k) + " 0 R ";
        const size_t contentObject = pageObject[i] + 1 + pages[i].size();
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + size + "] /Annots [" + annots +
                          "] /Contents " + std::to_string(contentObject) + " 0 R >>");
        for (size_t k = 0; k < pages[i].size(); ++k)
            objects.push_back("<< /Type /Annot /Subtype /Link /Rect [" + std::to_string(20 + 40 * k) +
                              " 20 " + std::to_string(50 + 40 * k) + " 50] /Border [0 0 0] " +
                              refs(pages[i][k]) + " >>");
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                          "\nendstream");
        kids += std::to_string(pageObject[i]) + " 0 R ";
    }
    objects[0] = "<< /Type /Catalog /Pages 2 0 R /Names << /Dests 3 0 R >> >>";
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>";
    objects[2] = "<< /Names [" + refs(dests) + "] >>";
    std::string pdf = "%PDF-1.4\n", offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", pdf.size());
        offsets += line;
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    return pdf + "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n" + offsets +
           "trailer << /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
}

using quillon_tools::PdfDocument;
using quillon_tools::PdfLink;
using Kind = PdfLink::Kind;

// Links inside a document know the page they go to: explicit and named
// destinations and beamer's navigation symbols (the named actions
// NextPage, PrevPage, FirstPage and LastPage). The viewer's other commands
// and destinations the document lacks are links of another kind.
TEST_F(PdfSlidesTest, InternalLinksKnowTheirPages) {
    const std::vector<std::vector<std::string>> pages = {
        {"/A << /S /Named /N /NextPage >>", "/Dest [@3 /Fit]", "/Dest (closing)", "/A << /S /Named /N /LastPage >>"},
        {"/A << /S /Named /N /PrevPage >>", "/A << /S /GoTo /D [@1 /XYZ 0 0 0] >>",
         "/A << /S /Named /N /GoBack >>", "/Dest (nowhere)", "/A << /S /URI /URI (https://example.com/) >>"},
        {"/A << /S /Named /N /FirstPage >>", "/A << /S /GoTo /D (closing) >>"},
    };
    ASSERT_TRUE(WriteText(dir + "/nav.pdf", HandMadePdf(pages, "(closing) [@3 /Fit]")));
    const std::vector<std::vector<std::pair<Kind, int>>> expected = {
        {{Kind::Internal, 1}, {Kind::Internal, 2}, {Kind::Internal, 2}, {Kind::Internal, 2}},
        {{Kind::Internal, 0}, {Kind::Internal, 0}, {Kind::Other, -1}, {Kind::Other, -1}, {Kind::Uri, -1}},
        {{Kind::Internal, 0}, {Kind::Internal, 2}},
    };
    std::string error;
    std::unique_ptr<PdfDocument> pdf = PdfDocument::Open(dir + "/nav.pdf", error);
    ASSERT_TRUE(pdf) << error;
    ASSERT_EQ(pdf->PageCount(), 3);
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE("page " + std::to_string(page + 1));
        std::vector<std::pair<Kind, int>> got;
        const std::vector<PdfLink> links = pdf->Links(page);
        for (const PdfLink &link : links) got.emplace_back(link.kind, link.page);
        EXPECT_EQ(got, expected[static_cast<size_t>(page)]);
        // Each where the page shows it: 30 points wide, 40 apart, 250 down.
        for (size_t k = 0; k < links.size(); ++k) {
            EXPECT_EQ(links[k].x1, 20 + 40.0 * k);
            EXPECT_EQ(links[k].y2, 280);
        }
    }
    EXPECT_TRUE(Has(pdf->Links(1)[2].what, "a command of the viewer (GoBack)"));
    EXPECT_TRUE(Has(pdf->Links(1)[3].what, "a page the document does not have"));
}

// A page box of any size is drawn at the stage's size: one of 3000 km a
// side (far beyond the 200 inches a PDF page should keep to) on a 300 x 200
// stage, the lower-left quarter blue; and a deck that starts with a page
// far taller than wide gets a stage within the players' limits.
TEST_F(PdfSlidesTest, PageBoxesOfAnySizeAreDrawnAtTheStageSize) {
    ASSERT_TRUE(WriteText(dir + "/huge.pdf", HandMadePdf({{}}, "", "3000000 2000000",
                                                         "0 0 1 rg 0 0 1500000 1000000 re f")));
    Deck deck;
    ASSERT_TRUE(RunSlides({"--quiet", "--size", "300x200", dir + "/huge.pdf", "-o", dir + "/huge.swf"}, deck));
    ASSERT_EQ(deck.slides.size(), 1u);
    EXPECT_EQ(PixelAt(deck.slides[0], 70, 150), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(PixelAt(deck.slides[0], 230, 50), (std::vector<int>{255, 255, 255}));
    ASSERT_TRUE(WriteText(dir + "/tall.pdf", HandMadePdf({{}}, "", "100 20000", "0 0 1 rg 0 0 100 10000 re f")));
    Deck tall;
    ASSERT_TRUE(RunSlides({"--quiet", dir + "/tall.pdf", "-o", dir + "/tall.swf"}, tall));
    EXPECT_EQ(tall.header.xMax, 41 * 20);
    EXPECT_EQ(tall.header.yMax, 8191 * 20);
    ASSERT_EQ(tall.slides.size(), 1u);
    EXPECT_EQ(PixelAt(tall.slides[0], 20, 6000), (std::vector<int>{0, 0, 255}));
    const struct {
        double width, height;
        int stageWidth, stageHeight;
    } rows[] = {{400, 300, 1024, 768}, {100, 20000, 41, 8191}, {20000, 100, 1024, 5},
                {3000000, 2000000, 1024, 683}, {1000, 8000, 1024, 8191}, {4000, 4000, 1024, 1024}};
    for (const auto &row : rows) {
        int w = 0, h = 0;
        quillon_tools::PageStage(row.width, row.height, 1024, 8191, 16777215, w, h);
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(row.stageWidth, row.stageHeight))
            << row.width << " x " << row.height;
    }
}

}  // namespace
