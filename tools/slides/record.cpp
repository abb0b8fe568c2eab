// The deck recorded through the handle face of quillon_movie.h: every call's
// status checked, the first failure reported in the library's words.
#include "slides/record.h"

#include <vector>

#include "common/nav_buttons.h"
#include "slides/prepare.h"

namespace quillon_tools {

namespace {

// One movie's calls: each status checked; the first failure keeps what was
// being done and the library's words.
class Calls {
public:
    Calls(QuillonMovie *movie, std::string &error) : movie_(movie), error_(error) {}

    bool Check(QuillonStatus status, const std::string &what) {
        if (status == QUILLON_OK) return true;
        error_ = what + ": " + quillon_movie_error(movie_);
        return false;
    }
    bool Fail(const std::string &message) {
        error_ = message;
        return false;
    }
    QuillonMovie *Movie() const { return movie_; }

private:
    QuillonMovie *movie_;
    std::string &error_;
};

// The slide's picture: its JPEG, or its colour-mapped bitmap.
bool AddPicture(Calls &c, const PreparedSlide &slide, const std::string &name) {
    if (!slide.jpeg.empty())
        return c.Check(quillon_movie_add_jpeg_slide(c.Movie(), slide.jpeg.data(), slide.jpeg.size()),
                       name + ": the JPEG slide was refused");
    const IndexedPicture &p = slide.picture;
    return c.Check(quillon_movie_add_slide(c.Movie(), p.pixels.data(), p.palette.data(), p.ColourCount()),
                   name + ": the slide was refused");
}

// Hands the library one slide: its picture, its links (the previous slide's
// leave with it), the sound on the first and its narration, a stop where
// the movie waits, and the frames that hold the picture for its time.
bool RecordSlide(const Options &o, Deck &deck, size_t i, const PreparedSlide &slide,
                 const std::string &name, Calls &c) {
    QuillonMovie *movie = c.Movie();
    const SlidePlan &plan = deck.plans[i];
    if (!AddPicture(c, slide, name)) return false;
    const SlidePlan *before = i > 0 ? &deck.plans[i - 1] : nullptr;
    if (before && (!before->links.empty() || !before->gotos.empty()) &&
        !c.Check(quillon_movie_remove_buttons(movie), name + ": links"))
        return false;
    for (const StageLink &link : plan.links)
        if (!c.Check(quillon_movie_add_hyperlink(movie, link.url.c_str(), o.linkTarget.c_str(), link.x1,
                                                 link.y1, link.x2, link.y2),
                     name + ": link " + link.url))
            return false;
    for (const StageLink &link : plan.gotos)
        if (!c.Check(quillon_movie_add_goto_area(movie, static_cast<int32_t>(link.slide), link.x1, link.y1,
                                                 link.x2, link.y2),
                     name + ": the link to slide " + std::to_string(link.slide + 1)))
            return false;
    // The library reads each sound whole; a temporary file is gone before
    // the next is made.
    std::vector<SoundFile *> sounds;
    if (i == 0 && !o.sound.empty()) sounds.push_back(&deck.sound);
    if (i < deck.narrations.size() && deck.narrations[i]) sounds.push_back(deck.narrations[i].get());
    std::string error;
    for (SoundFile *sound : sounds) {
        std::string wav;
        if (!sound->Prepare(wav, error)) return c.Fail(error);
        bool added = c.Check(quillon_movie_add_sound(movie, wav.c_str()), name + ": its sound was refused");
        sound->Release();
        if (!added) return false;
    }
    if (o.buttons && !c.Check(quillon_movie_stop_frame(movie, -1), name)) return false;
    if (!c.Check(quillon_movie_next_slide(movie), name)) return false;
    for (long k = 1; k < deck.frames[i]; ++k)
        if (!c.Check(quillon_movie_duplicate_frame(movie), name)) return false;
    return o.buttons || i + 1 < deck.plans.size() || c.Check(quillon_movie_stop_frame(movie, -1), name);
}

// Records the slides as the threads prepare them: false at the first that
// fails.
bool RecordSlides(const Options &o, Deck &deck, Calls &c, SlideCounts &counts, std::string &error) {
    Progress progress(!o.quiet, deck.plans.size());
    PreparedSlides prepared(o, deck);
    for (size_t i = 0; i < deck.plans.size(); ++i) {
        const SlidePlan &plan = deck.plans[i];
        const std::string &path = deck.inputs[plan.input].path;
        const std::string name = plan.page < 0 ? path : path + " page " + std::to_string(plan.page + 1);
        progress.Slide(i + 1, name);
        PreparedSlide &slide = prepared.Next();
        if (!slide.error.empty()) {
            error = slide.error;
            return false;
        }
        if (!slide.jpeg.empty()) ++counts.jpeg;
        else if (!slide.picture.exact) ++counts.quantised;
        if (!RecordSlide(o, deck, i, slide, name, c)) return false;
        prepared.Release();
    }
    return true;
}

// How the deck's navigation behaves: with --buttons the buttons answer the
// keys too; in a narrated deck every navigation stops the sounds first, so
// that a narration ends with its slide (without narrations a --sound for
// the whole deck plays on).
unsigned NavigationFlags(const Options &o, const Deck &deck) {
    unsigned flags = 0;
    if (o.buttons) flags |= QUILLON_NAVIGATION_KEYS;
    // Slides without a narration of their own hold null.
    for (const std::unique_ptr<SoundFile> &narration : deck.narrations)
        if (narration) flags |= QUILLON_NAVIGATION_STOPS_SOUNDS;
    return flags;
}

// The first, previous, next and last buttons at the row's places.
bool AddButtons(const Deck &deck, Calls &c) {
    int i = 0;
    for (int32_t kind : {QUILLON_BUTTON_FIRST, QUILLON_BUTTON_PREVIOUS, QUILLON_BUTTON_NEXT,
                         QUILLON_BUTTON_LAST}) {
        const ButtonRow &row = deck.row;
        ButtonFaces f = DrawButtonFaces(kind, row.width, row.height);
        if (!c.Check(quillon_movie_add_button(c.Movie(), kind, f.up.data(), f.over.data(), f.down.data(),
                                              row.X(i++), row.y, row.width, row.height),
                     "the navigation buttons"))
            return false;
    }
    return true;
}

}  // namespace

bool RecordDeck(const Options &o, Deck &deck, Movie &movie, SlideCounts &counts, std::string &error) {
    movie.reset(quillon_movie_new(deck.width, deck.StageHeight(), static_cast<int>(deck.plans.size()), o.fps));
    if (!movie) {
        error = "out of memory for the movie";
        return false;
    }
    Calls c(movie.get(), error);
    if (!c.Check(quillon_movie_set_navigation(movie.get(), NavigationFlags(o, deck)), "the navigation") ||
        !RecordSlides(o, deck, c, counts, error) || (o.buttons && !AddButtons(deck, c))) {
        movie.reset();
        return false;
    }
    return true;
}

bool WriteDeck(const Options &o, QuillonMovie *movie, std::string &error) {
    Calls c(movie, error);
    return c.Check(quillon_movie_write(movie, o.output.c_str()), o.output + ": not written");
}

}  // namespace quillon_tools
