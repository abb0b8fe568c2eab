// DisplayItem: anything that can be shown in a frame and taken off again.
// ShapeItem: the drawable items, with their line, fill and placement matrix.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <tuple>

#include "characters/lossless_bitmap.h"
#include "movie/movie.h"
#include "swf/records.h"

namespace quillon {

// Depth values: the stacking keys of what the library shows, higher in
// front. Depth assignment turns them into file depths when the movie is
// written; items with equal keys stack in the order of their characters.
constexpr uint16_t kSlideDepth = 1;  // slide pictures, pause buttons, hyperlink areas
constexpr uint16_t kInfoDepth = 100;
constexpr uint16_t kRubberDepth = 150;
constexpr uint16_t kHighlightBehindDepth = 151;  // an attractor highlight behind its box
constexpr uint16_t kAttractorBoxDepth = 152;
constexpr uint16_t kHighlightInFrontDepth = 153;  // the highlight of the current box
constexpr uint16_t kSpriteDepth = 200;
constexpr uint16_t kButtonPictureDepth = 499;  // AddButton's kind 0: a picture, no button
constexpr uint16_t kNavigationDepth = 500;

class DisplayItem : public FrameItem {
public:
    DisplayItem() = default;
    DisplayItem(const DisplayItem &) = delete;
    DisplayItem &operator=(const DisplayItem &) = delete;
    virtual ~DisplayItem() = default;

    // First time: the definition tags, then a placement (unless define-only).
    // Later: only a placement.
    void AddToFrame(Frame &frame, Movie &movie) override = 0;
    // A RemoveObject closing the most recent placement of the item's
    // character. Without an open placement it adds nothing: a RemoveObject at
    // a depth no placement holds would take another object off the stage.
    void RemoveFromFrame(Frame &frame, Movie &movie) override;
    virtual bool HasTransform() const { return false; }
    virtual std::unique_ptr<Matrix> MakeMatrix() const { return nullptr; }

    void SetDepth(uint16_t value) { depth_ = value; }
    uint16_t Depth() const { return depth_; }
    void SetDefineOnly(uint8_t flag) { defineOnly_ = flag; }
    void SetCharacterId(int32_t id) { characterId_ = id; }
    int32_t GetCharacterId() const { return characterId_; }
    bool IsDefined() const { return defined_ != 0; }
    // Character ids that showing the item in movie would draw: 0 when it is
    // defined there already. An item adds nothing when fewer are left.
    virtual uint32_t IdsToDefine(const Movie &movie) const;
    // True when the item's current character has a placement that no
    // RemoveObject has closed yet.
    bool IsOnStage(Movie &movie) const;
    // A PlaceObject2 (with the matrix when the item has a transform) and its
    // placement record.
    void Place(Frame &frame, Movie &movie);
    // The same for character id, which the item names only afterwards.
    void PlaceCharacter(Frame &frame, Movie &movie, int32_t id);

protected:
    // Called first by every AddToFrame. An item defined for another movie, or
    // before its movie was last written, defines itself again, since those
    // tags are gone. Returns false when it cannot (its bitmap or actions were
    // handed to tags that no longer exist): then it adds nothing.
    bool PrepareForMovie(const Movie &movie);
    virtual bool CanRedefine() const { return true; }
    // Marks the item defined for this movie.
    void MarkDefined(const Movie &movie);
    // A definition that a failed change took back does not count.
    bool DefinedIn(const Movie &movie) const {
        return defined_ && generation_ == movie.Generation() && movie.Defines(characterId_);
    }

    uint64_t generation_ = 0;  // Movie::Generation() of the definition
    uint16_t depth_ = kSlideDepth;  // stacking key; higher keys are drawn in front
    uint8_t defined_ = 0;    // the current character has been defined
    uint8_t defineOnly_ = 0; // AddToFrame defines but does not place
    int32_t characterId_ = -1;
};

class ShapeTag;

// Four bytes red, green, blue, alpha.
struct Colour {
    uint8_t red, green, blue, alpha;
};

// What fills a shape item: nothing (an outline alone), one colour, or a
// bitmap stretched over its bounds.
enum class FillKind : int32_t { None = 0, Solid = 1, Bitmap = 4 };

class ShapeItem : public DisplayItem {
public:
    ShapeItem(Twips x1, Twips y1, Twips x2, Twips y2) : bounds_(x1, y1, x2, y2) {}

    bool HasTransform() const override;
    // Scales, rotates about the centre of the bounds, then translates. With
    // rotation 0 the translation is exact and the scale acts about the stage
    // origin.
    std::unique_ptr<Matrix> MakeMatrix() const override;

    // Setters that change the look clear `defined`, so the next showing
    // defines a new character; moving or scaling only changes the matrix.
    void SetLineColour(Colour c) { lineColour_ = c; defined_ = 0; }
    void SetFillColour(Colour c) { fillColour_ = c; defined_ = 0; }
    void SetLineWidth(Twips width) { lineWidth_ = width; defined_ = 0; }
    void ClearFill() { fillKind_ = FillKind::None; defined_ = 0; }
    bool CanRedefine() const override { return fillKind_ != FillKind::Bitmap || bitmap_ != nullptr; }
    uint32_t IdsToDefine(const Movie &movie) const override;
    void SetTranslate(Twips x, Twips y) { translateX_ = x; translateY_ = y; }
    // 16.16: kFixedOne keeps the size.
    void SetScale(int32_t sx, int32_t sy) { scaleX_ = sx; scaleY_ = sy; }
    void SetRotation(int32_t degrees16_16) { rotation_ = degrees16_16; }

    // Turns fill and line attributes into the tag's styles, then finishes
    // the style arrays. A bitmap fill hands the bitmap to the frame first.
    void BuildStyles(Frame &frame, ShapeTag &tag);

    const Rect &Bounds() const { return bounds_; }
    Twips LineWidth() const { return lineWidth_; }
    Twips TranslateX() const { return translateX_; }
    Twips TranslateY() const { return translateY_; }
    int32_t ScaleX() const { return scaleX_; }
    int32_t ScaleY() const { return scaleY_; }

protected:
    // The definition step shared by rectangles and ellipses: a shape tag,
    // its styles, the outline records, the tag into the frame, then the
    // placement.
    void Define(Frame &frame, Movie &movie);
    virtual void AddOutline(ShapeTag &tag) = 0;

    // What a definition of a shape without a bitmap depends on besides its
    // bounds, which never change.
    using Look = std::tuple<Twips, uint32_t, FillKind, uint32_t>;
    Look CurrentLook() const;
    // Looks already defined in the movie of lookGeneration_, and their
    // characters. Once the ids run out, a look shown again (an outline
    // whose animation repeats) places the character it already has instead
    // of defining the same shape again.
    std::map<Look, int32_t> looks_;
    uint64_t lookGeneration_ = 0;

    Rect bounds_;
    Twips lineWidth_ = 20_tw;  // 0 or less: no outline
    Colour lineColour_{0, 0, 0, 255};
    int32_t lineStyleIndex_ = 1;
    int32_t fillStyleIndex_ = 1;
    Twips translateX_, translateY_;
    int32_t rotation_ = 0;  // 16.16 degrees
    int32_t scaleX_ = kFixedOne, scaleY_ = kFixedOne;
    FillKind fillKind_ = FillKind::Solid;
    Colour fillColour_{255, 255, 255, 255};
    int32_t bitmapWidth_ = 0, bitmapHeight_ = 0;
    // The picture of a bitmap fill. Each movie the item is defined in gets a
    // copy of the tag that shares its compressed data.
    std::unique_ptr<BitmapTag> bitmap_;
    int32_t bitmapId_ = -1;                   // the bitmap's character id
};

}  // namespace quillon
