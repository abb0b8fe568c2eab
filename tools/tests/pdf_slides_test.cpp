// quillon-slides run on PDF documents the tests draw with cairo: one slide
// per page, the pages' web links as hyperlink areas and their links to
// other pages as go-to areas where the page shows them, and the links a
// movie cannot keep reported. Refused documents are
// rows of the failure table in slides_test.cpp.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <tuple>

#include "slides/pdf_read.h"
#include "slides/slide_timings.h"
#include "sound/wav_builder.h"
#include "tests/support.h"

using namespace tools_test;
using quillon_tools::ReadSlideTimings;
using quillon_tools::SlideTiming;

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

// Presentations made by LibreOffice itself from the flat deck (FlatDeck),
// templates too: each becomes one slide a page, its web link clickable
// where the text shows it.
TEST_F(PdfSlidesTest, PresentationsAndTemplatesBecomeSlidesWithTheirWebLinks) {
    RunResult which = RunTool("/bin/sh", {"-c", "command -v soffice"});
    ASSERT_EQ(which.status, 0) << "LibreOffice not found: run scripts/install-deps";
    WriteText(dir + "/deck.fodp", FlatDeck());
    const std::vector<std::string> formats = {"pptx", "odp", "otp", "potx", "pot:MS PowerPoint 97 Vorlage"};
    // All five in one movie, converted by one run of LibreOffice.
    std::vector<std::string> args = {"--quiet", "--buttons", "-o", dir + "/deck.swf"};
    for (const std::string &format : formats) {
        args.push_back(OfficeConvert(dir, dir + "/deck.fodp", format));
        ASSERT_NE(args.back(), "") << format;
    }
    Deck deck;
    ASSERT_TRUE(RunSlides(args, deck));
    EXPECT_EQ(deck.run.err, "");
    EXPECT_EQ(deck.header.frameCount, 10);
    EXPECT_EQ(deck.header.xMax, 1024 * 20);
    std::vector<MovieLink> links = LinksOf(deck);
    ASSERT_EQ(links.size(), formats.size());
    ASSERT_EQ(deck.slides.size(), 2 * formats.size());
    for (size_t i = 0; i < formats.size(); ++i) {
        SCOPED_TRACE(formats[i]);
        EXPECT_EQ(links[i].frame, static_cast<int>(2 * i));
        EXPECT_EQ(links[i].actions, "GetURL(https://example.com/deck, _blank)");
        // Over the text, in the top-left quarter of the slide.
        EXPECT_GT(links[i].x2, links[i].x1);
        EXPECT_GT(links[i].y2, links[i].y1);
        EXPECT_LT(links[i].x1, 512);
        EXPECT_LT(links[i].y2, deck.header.yMax / 20 / 2);
        // The first page navy, the second white.
        EXPECT_EQ(PixelAt(deck.slides[2 * i], 1000, 10), (std::vector<int>{0x20, 0x40, 0x80}));
        EXPECT_EQ(PixelAt(deck.slides[2 * i + 1], 1000, 10), (std::vector<int>{255, 255, 255}));
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


// LibreOffice in its box. Each deck is first shown to do what it says when
// LibreOffice is left to itself, so that a quiet run proves the box.
class OfficeTest : public InFolder<> {
protected:
    void SetUp() override {
        InFolder::SetUp();
        ASSERT_EQ(RunTool("/bin/sh", {"-c", "command -v soffice"}).status, 0)
            << "LibreOffice not found: run scripts/install-deps";
        tmp = dir + "/tmp";
        ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
    }
    std::string tmp;
};

TEST_F(OfficeTest, APictureLinkedToAnAddressIsNeverFetched) {
    ConnectionCounter server;
    ASSERT_GT(server.Port(), 0);
    FlatDeckForm form;
    form.picture = "http://127.0.0.1:" + std::to_string(server.Port()) + "/pic.png";
    WriteText(dir + "/linked.fodp", FlatDeck(form));
    ASSERT_NE(OfficeConvert(dir, dir + "/linked.fodp", "pdf"), "");
    const int calls = server.Count();
    ASSERT_GT(calls, 0) << "LibreOffice left to itself did not fetch the picture";
    Deck deck;
    ScopedEnv tmpdir("TMPDIR", tmp.c_str());
    ASSERT_TRUE(RunSlides({"--quiet", dir + "/linked.fodp", "-o", dir + "/linked.swf"}, deck));
    EXPECT_EQ(server.Count(), calls) << "quillon-slides let LibreOffice fetch the picture";
    EXPECT_EQ(deck.header.frameCount, 2);
    EXPECT_TRUE(ListDir(tmp).empty());
}

TEST_F(OfficeTest, ADecksOpeningMacroNeverRuns) {
    const std::string ran = dir + "/macro-ran";
    FlatDeckForm form;
    form.openingMacro = ran;
    WriteText(dir + "/macro.fodp", FlatDeck(form));
    // Opened by LibreOffice at its lowest macro security, the macro runs.
    ASSERT_EQ(mkdir((dir + "/low").c_str(), 0700) | mkdir((dir + "/low/user").c_str(), 0700), 0);
    WriteText(dir + "/low/user/registrymodifications.xcu",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\">"
              "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"MacroSecurityLevel\" "
              "oor:op=\"fuse\"><value>0</value></prop></item></oor:items>\n");
    RunTool("/bin/sh", {"-c", "timeout 120 soffice --headless --norestore -env:UserInstallation=file://" + dir +
                                  "/low '" + dir + "/macro.fodp' >/dev/null 2>&1"});
    ASSERT_EQ(ReadText(ran), "ran\n") << "the deck's macro did not run when LibreOffice opened it";
    ASSERT_EQ(unlink(ran.c_str()), 0);
    Deck deck;
    ASSERT_TRUE(RunSlides({"--quiet", dir + "/macro.fodp", "-o", dir + "/macro.swf"}, deck));
    EXPECT_EQ(access(ran.c_str(), F_OK), -1) << "the macro ran in quillon-slides' conversion";
    EXPECT_EQ(deck.header.frameCount, 2);
}

// Whether a process runs (a zombie has ended, only its parent has not
// looked yet).
bool Running(pid_t pid) {
    std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
}

// A LibreOffice that never ends (a stand-in on PATH that starts a child
// and waits): past --timeout, or when quillon-slides is ended by a signal,
// the stand-in and its child are killed and nothing is left in TMPDIR.
TEST_F(OfficeTest, ALibreOfficeThatHangsIsStoppedAndLeavesNothing) {
    const std::string standIn = dir + "/stand-in";
    ASSERT_EQ(mkdir(standIn.c_str(), 0700), 0);
    WriteText(standIn + "/soffice", "#!/bin/sh\nsleep 300 &\necho $! > '" + standIn + "/child'\nwait\n");
    ASSERT_EQ(chmod((standIn + "/soffice").c_str(), 0700), 0);
    WriteText(dir + "/deck.fodp", FlatDeck());
    const struct {
        const char *name;
        int signal;  // sent once the stand-in runs; 0: --timeout 1 ends it
    } rows[] = {{"past --timeout", 0}, {"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}};
    ScopedEnv path("PATH", (standIn + ":/usr/bin:/bin").c_str());
    ScopedEnv tmpdir("TMPDIR", tmp.c_str());
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        unlink((standIn + "/child").c_str());
        std::vector<std::string> args = {"--quiet", dir + "/deck.fodp", "-o", dir + "/deck.swf"};
        if (row.signal == 0) args.insert(args.begin(), {"--timeout", "1"});
        const auto start = std::chrono::steady_clock::now();
        RunResult r = RunTool(kSlides, args, [&](pid_t pid) {
            if (row.signal == 0) return;
            for (int i = 0; i < 3000 && ReadText(standIn + "/child").empty(); ++i) usleep(10000);
            kill(pid, row.signal);
        });
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (row.signal == 0) {
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(Has(r.err, "quillon-slides: " + dir + "/deck.fodp: LibreOffice did not finish "
                                   "converting within 1 second (--timeout) and was stopped"));
            EXPECT_LT(seconds, 30);
        } else {
            EXPECT_EQ(r.signal, row.signal) << r.err;
        }
        const std::string child = ReadText(standIn + "/child");
        ASSERT_FALSE(child.empty()) << "the stand-in did not start";
        EXPECT_FALSE(Running(std::atoi(child.c_str()))) << "the stand-in's child outlived quillon-slides";
        EXPECT_EQ(access((dir + "/deck.swf").c_str(), F_OK), -1);
        EXPECT_TRUE(ListDir(tmp).empty());
    }
}

// PowerPoint's timings and narration, in a deck LibreOffice makes from the
// flat deck (3 and 2 seconds, a hidden slide between) and the test then
// edits: the first slide gets a recorded narration (an audio picture that
// p:audio isNarration names, after an audio picture that is no narration),
// the last a transition sound. The hidden slide is left out, as from the PDF.
std::string Wav(double seconds, uint32_t rate) {
    Bytes wav = PcmWav(1, rate, 16, Samples16(Sine(static_cast<uint32_t>(std::lround(seconds * rate)), 440, rate, 8000)));
    return std::string(wav.begin(), wav.end());
}

std::string AudioPicture(int id, const std::string &link, const std::string &embed) {
    return "<p:pic><p:nvPicPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"Audio " + std::to_string(id) +
           "\"/><p:cNvPicPr/><p:nvPr><a:audioFile r:link=\"" + link + "\"/><p:extLst><p:ext "
           "uri=\"{DAA4B4D4-6D71-4841-9C94-3DA1FCBF3C65}\"><p14:media r:embed=\"" + embed +
           "\"/></p:ext></p:extLst></p:nvPr></p:nvPicPr><p:blipFill/><p:spPr/></p:pic>";
}

std::string AudioNode(int id, bool narration) {
    return std::string("<p:audio") + (narration ? " isNarration=\"1\"" : "") + "><p:cMediaNode><p:cTn id=\"" +
           std::to_string(id + 100) + "\"/><p:tgtEl><p:spTgt spid=\"" + std::to_string(id) +
           "\"/></p:tgtEl></p:cMediaNode></p:audio>";
}

std::string Relationship(const std::string &id, const std::string &kind, const std::string &target) {
    return "<Relationship Id=\"" + id + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/" + kind + "\" Target=\"" + target + "\"/>";
}

// Makes the PowerPoint deck described above; false when a step fails.
// narrationName names the narration's part in ppt/media.
bool MakeTimedPowerPoint(const std::string &dir, const std::string &narration, const std::string &narrationName,
                         const std::string &chime) {
    FlatDeckForm form;
    form.seconds = {3, 2};
    form.hiddenPage = true;
    WriteText(dir + "/timed.fodp", FlatDeck(form));
    const std::string pptx = OfficeConvert(dir, dir + "/timed.fodp", "pptx");
    std::string first, last, firstRels, lastRels, types;
    if (pptx.empty() || !ZipGet(pptx, "ppt/slides/slide1.xml", first) ||
        !ZipGet(pptx, "ppt/slides/slide3.xml", last) || !ZipGet(pptx, "ppt/slides/_rels/slide1.xml.rels", firstRels) ||
        !ZipGet(pptx, "ppt/slides/_rels/slide3.xml.rels", lastRels) || !ZipGet(pptx, "[Content_Types].xml", types))
        return false;
    auto insert = [](std::string &text, const std::string &before, const std::string &what) {
        size_t at = text.rfind(before);
        if (at != std::string::npos) text.insert(at, what);
        return at != std::string::npos;
    };
    bool edited =
        insert(first, "</p:spTree>", AudioPicture(90, "rIdQ1", "rIdQ1") + AudioPicture(91, "rIdQ2", "rIdQ2")) &&
        insert(first, "</p:sld>", "<p:timing><p:tnLst><p:par><p:cTn id=\"1\"><p:childTnLst>" + AudioNode(90, false) +
                                      AudioNode(91, true) + "</p:childTnLst></p:cTn></p:par></p:tnLst></p:timing>") &&
        insert(firstRels, "</Relationships>",
               Relationship("rIdQ1", "audio", "../media/music.wav") + Relationship("rIdQ2", "audio", "../media/" + narrationName)) &&
        insert(lastRels, "</Relationships>", Relationship("rIdQ3", "audio", "../media/chime.wav")) &&
        insert(types, "</Types>", "<Default Extension=\"wav\" ContentType=\"audio/wav\"/>");
    const std::string sound = "<p:sndAc><p:stSnd><p:snd r:embed=\"rIdQ3\" name=\"chime.wav\"/></p:stSnd></p:sndAc>";
    for (size_t at = 0; (at = last.find("</p:transition>", at)) != std::string::npos; at += sound.size() + 1)
        last.insert(at, sound);
    return edited && ZipPut(pptx, {{"ppt/slides/slide1.xml", first}, {"ppt/slides/slide3.xml", last},
                                   {"ppt/slides/_rels/slide1.xml.rels", firstRels},
                                   {"ppt/slides/_rels/slide3.xml.rels", lastRels}, {"[Content_Types].xml", types},
                                   {"ppt/media/music.wav", Wav(5.0, 11025)}, {"ppt/media/" + narrationName, narration},
                                   {"ppt/media/chime.wav", chime}});
}

TEST_F(OfficeTest, PowerPointTimingsAndNarrationAreReadFromTheDeck) {
    const std::string narration = Wav(2.5, 22050), chime = Wav(0.5, 11025);
    ASSERT_TRUE(MakeTimedPowerPoint(dir, narration, "narration.wav", chime));
    std::vector<SlideTiming> slides;
    std::vector<std::string> warnings;
    ASSERT_EQ(mkdir((dir + "/sounds").c_str(), 0700), 0);
    ASSERT_TRUE(ReadSlideTimings(dir + "/timed.pptx", dir + "/sounds", "sound", slides, warnings));
    EXPECT_EQ(warnings, std::vector<std::string>{});
    ASSERT_EQ(slides.size(), 2u);
    EXPECT_EQ(slides[0].seconds, 3.0);
    EXPECT_EQ(slides[1].seconds, 2.0);
    EXPECT_EQ(slides[0].soundName, "ppt/media/narration.wav");
    EXPECT_EQ(slides[1].soundName, "ppt/media/chime.wav");
    EXPECT_EQ(ReadText(slides[0].sound), narration);
    EXPECT_EQ(ReadText(slides[1].sound), chime);

    // The movie plays as the deck is timed: each slide its advance time, or
    // as long as its sound if that is longer; --seconds takes the place of
    // the deck's times; with --buttons each slide waits on its one frame.
    const struct {
        std::vector<std::string> options;
        int frames;
        std::vector<int> pictures, soundStarts, stops;
    } rows[] = {
        {{}, 50, {0, 30}, {0, 30}, {49}},
        {{"--seconds", "1"}, 35, {0, 25}, {0, 25}, {34}},
        {{"--buttons"}, 2, {0, 1}, {0, 1}, {0, 1}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.options));
        std::vector<std::string> args = {"--quiet", "--fps", "10", dir + "/timed.pptx", "-o", dir + "/timed.swf"};
        args.insert(args.begin(), row.options.begin(), row.options.end());
        Deck deck;
        ScopedEnv tmpdir("TMPDIR", tmp.c_str());
        ASSERT_TRUE(RunSlides(args, deck));
        EXPECT_TRUE(ListDir(tmp).empty());
        EXPECT_EQ(deck.header.frameCount, row.frames);
        std::vector<int> pictures, soundStarts;
        for (const SwfTag *t : deck.All(kDefineBitsLossless))
            if (t->body.size() > 2 && t->body[2] == 3) pictures.push_back(t->frame);
        for (const SwfTag *t : deck.All(kStartSound)) soundStarts.push_back(t->frame);
        EXPECT_EQ(pictures, row.pictures);
        EXPECT_EQ(soundStarts, row.soundStarts);
        std::vector<SwfSound> sounds = Sounds(deck);
        ASSERT_EQ(sounds.size(), 2u);
        EXPECT_NEAR(sounds[0].seconds, 2.5, 0.002);
        EXPECT_NEAR(sounds[1].seconds, 0.5, 0.002);
        EXPECT_EQ(StopFrames(deck), row.stops);
    }

    // The narration as PowerPoint records it, AAC in an .m4a file: it starts
    // with its slide and keeps its length (within 2%, AAC's frames).
    WriteText(dir + "/narration.wav", narration);
    ASSERT_TRUE(Ffmpeg("-i '" + dir + "/narration.wav' -c:a aac -b:a 96k '" + dir + "/narration.m4a'"));
    ASSERT_TRUE(MakeTimedPowerPoint(dir, ReadText(dir + "/narration.m4a"), "narration.m4a", chime));
    Deck deck;
    ScopedEnv tmpdir("TMPDIR", tmp.c_str());
    ASSERT_TRUE(RunSlides({"--quiet", "--fps", "10", dir + "/timed.pptx", "-o", dir + "/aac.swf"}, deck));
    EXPECT_EQ(deck.run.err, "");
    EXPECT_TRUE(ListDir(tmp).empty());
    EXPECT_EQ(deck.header.frameCount, 50);
    std::vector<SwfSound> sounds = Sounds(deck);
    ASSERT_EQ(sounds.size(), 2u);
    EXPECT_EQ(sounds[0].frame, 0);
    EXPECT_NEAR(sounds[0].seconds, 2.5, 2.5 * 0.02);
}

// The same deck as OpenDocument: durations of the shown pages, the hidden
// one left out, flat or packed; the first page's sound, when the package
// holds it, is extracted, and a sound that is only linked is reported.
std::string WithFirstPageSound(std::string xml, const std::string &href) {
    size_t at = xml.find("presentation:transition-type=\"automatic\"");
    at = at == std::string::npos ? at : xml.find("/>", at);
    if (at != std::string::npos)
        xml.replace(at, 2, "><presentation:sound xlink:href=\"" + href + "\" xlink:type=\"simple\" "
                           "xlink:show=\"new\" xlink:actuate=\"onRequest\"/></style:drawing-page-properties>");
    return xml;
}

TEST_F(OfficeTest, OpenDocumentDurationsAndSoundsAreReadFromTheDeck) {
    FlatDeckForm form;
    form.seconds = {4, 0};
    form.hiddenPage = true;
    WriteText(dir + "/timed.fodp", FlatDeck(form));
    const std::string odp = OfficeConvert(dir, dir + "/timed.fodp", "odp");
    ASSERT_NE(odp, "");
    std::string content;
    const std::string chime = Wav(0.5, 11025);
    std::string manifest;
    ASSERT_TRUE(ZipGet(odp, "content.xml", content));
    ASSERT_TRUE(ZipGet(odp, "META-INF/manifest.xml", manifest));
    // LibreOffice takes a package with a file its manifest does not list
    // for a damaged one.
    const size_t end = manifest.rfind("</manifest:manifest>");
    ASSERT_NE(end, std::string::npos);
    manifest.insert(end, "<manifest:file-entry manifest:full-path=\"Media/chime.wav\" "
                         "manifest:media-type=\"audio/wav\"/>");
    ASSERT_TRUE(ZipPut(odp, {{"content.xml", WithFirstPageSound(content, "Media/chime.wav")},
                             {"META-INF/manifest.xml", manifest}, {"Media/chime.wav", chime}}));
    WriteText(dir + "/linked.fodp", WithFirstPageSound(FlatDeck(form), "http://127.0.0.1:9/chime.wav"));
    const struct {
        std::string deck, sound, warning;
    } rows[] = {
        {dir + "/timed.fodp", "", ""},
        {odp, chime, ""},
        {dir + "/linked.fodp", "", dir + "/linked.fodp: slide 1: its sound http://127.0.0.1:9/chime.wav is not in "
                                         "the deck (a link, never followed): it is left out"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.deck);
        std::vector<SlideTiming> slides;
        std::vector<std::string> warnings;
        ASSERT_TRUE(ReadSlideTimings(row.deck, tmp, "sound", slides, warnings));
        ASSERT_EQ(slides.size(), 2u);
        EXPECT_EQ(slides[0].seconds, 4.0);
        EXPECT_EQ(slides[1].seconds, 0.0);
        EXPECT_EQ(slides[0].sound.empty() ? "" : ReadText(slides[0].sound), row.sound);
        EXPECT_EQ(slides[1].sound, "");
        EXPECT_EQ(warnings, row.warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.warning});
    }
    // In the movie: the first slide 4 seconds with its sound, the second one
    // frame, as it waits for a click in the deck.
    Deck deck;
    ASSERT_TRUE(RunSlides({"--quiet", "--fps", "10", odp, "-o", dir + "/timed.swf"}, deck));
    EXPECT_EQ(deck.header.frameCount, 41);
    std::vector<SwfSound> sounds = Sounds(deck);
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].frame, 0);
    EXPECT_NEAR(sounds[0].seconds, 0.5, 0.002);
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
