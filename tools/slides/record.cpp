// The deck recorded through the classic exports of quillon.h.
#include "slides/record.h"

#include <vector>

#include "common/nav_buttons.h"
#include "quillon.h"
#include "slides/prepare.h"

namespace quillon_tools {

namespace {

// Hands the library one slide: its picture, its links (the previous slide's
// leave with it), the sound on the first and its narration, a stop where
// the movie waits, and the frames that hold the picture for its time. False
// with error set when a sound cannot be decoded.
bool RecordSlide(const Options &o, Deck &deck, size_t i, const IndexedPicture &picture,
                 std::string &error) {
    const SlidePlan &plan = deck.plans[i];
    CreateFrame(picture.pixels.data(), picture.palette.data(), picture.ColourCount());
    if (i > 0 && !deck.plans[i - 1].links.empty()) RemoveButtons();
    for (const StageLink &link : plan.links)
        AddHyperLink(link.url.c_str(), o.linkTarget.c_str(), link.x1, link.y1, link.x2, link.y2);
    // The library reads each sound whole in AddSound; a temporary file is
    // gone before the next is made.
    std::vector<SoundFile *> sounds;
    if (i == 0 && !o.sound.empty()) sounds.push_back(&deck.sound);
    if (i < deck.narrations.size() && deck.narrations[i]) sounds.push_back(deck.narrations[i].get());
    for (SoundFile *sound : sounds) {
        std::string wav;
        if (!sound->Prepare(wav, error)) return false;
        AddSound(wav.c_str());
        sound->Release();
    }
    if (o.buttons) StopFrame(-1);
    NextSlide();
    for (long k = 1; k < deck.frames[i]; ++k) DuplicateFrame();
    if (!o.buttons && i + 1 == deck.plans.size()) StopFrame(-1);
    return true;
}

// Records the slides as the threads prepare them: false with error set at
// the first that fails.
bool RecordSlides(const Options &o, Deck &deck, int &quantised, std::string &error) {
    Progress progress(!o.quiet, deck.plans.size());
    PreparedSlides prepared(o, deck);
    for (size_t i = 0; i < deck.plans.size(); ++i) {
        const SlidePlan &plan = deck.plans[i];
        const std::string &path = deck.inputs[plan.input].path;
        progress.Slide(i + 1, plan.page < 0 ? path : path + " page " + std::to_string(plan.page + 1));
        PreparedSlide &slide = prepared.Next();
        if (!slide.error.empty()) {
            error = slide.error;
            return false;
        }
        if (!slide.picture.exact) ++quantised;
        if (!RecordSlide(o, deck, i, slide.picture, error)) return false;
        prepared.Release();
    }
    return true;
}

}  // namespace

bool RecordDeck(const Options &o, Deck &deck, int &quantised, std::string &error) {
    CreateMovie(deck.width, deck.StageHeight(), static_cast<int>(deck.plans.size()), o.fps);
    if (!RecordSlides(o, deck, quantised, error)) {
        DestroyMovie();
        return false;
    }
    if (o.buttons)
        AddButtonRow({QUILLON_BUTTON_FIRST, QUILLON_BUTTON_PREVIOUS, QUILLON_BUTTON_NEXT,
                      QUILLON_BUTTON_LAST},
                     deck.row);
    return true;
}

}  // namespace quillon_tools
