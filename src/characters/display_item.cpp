// Display items: the placement protocol and the shape placement matrix.
#include "characters/display_item.h"

#include <cmath>

#include "characters/shape_tag.h"

namespace quillon {

void DisplayItem::Place(Frame &frame, Movie &movie) { PlaceCharacter(frame, movie, GetCharacterId()); }

void DisplayItem::PlaceCharacter(Frame &frame, Movie &movie, int32_t id) {
    std::unique_ptr<Matrix> matrix = HasTransform() ? MakeMatrix() : nullptr;
    auto tag = std::make_unique<PlaceObject2Tag>(
        PlaceObject2Fields::NewCharacter(depth_, static_cast<uint16_t>(id), std::move(matrix)));
    PlaceObject2Tag *place = tag.get();
    frame.AddTag(std::move(tag));
    movie.AddPlacement(id, PlacementRecord{place, nullptr, depth_});
}

bool DisplayItem::PrepareForMovie(const Movie &movie) {
    if (defined_ && generation_ != movie.Generation()) {
        if (!CanRedefine()) return false;
        defined_ = 0;
    }
    return true;
}

uint32_t DisplayItem::IdsToDefine(const Movie &movie) const { return DefinedIn(movie) ? 0 : 1; }

void DisplayItem::MarkDefined(const Movie &movie) {
    defined_ = 1;
    generation_ = movie.Generation();
}

bool DisplayItem::IsOnStage(Movie &movie) const {
    // A look-changing setter clears `defined` but the old character stays on
    // the stage until it is removed, so only the id and the movie count.
    if (characterId_ < 0 || generation_ != movie.Generation()) return false;
    auto it = movie.Placements().find(characterId_);
    if (it == movie.Placements().end() || it->second.empty()) return false;
    return it->second.back().remove == nullptr;
}

void DisplayItem::RemoveFromFrame(Frame &frame, Movie &movie) {
    if (!IsOnStage(movie)) return;
    auto tag = std::make_unique<RemoveObjectTag>(static_cast<uint16_t>(characterId_), depth_);
    RemoveObjectTag *remove = tag.get();
    frame.AddTag(std::move(tag));
    movie.ClosePlacement(characterId_, remove);
}

bool ShapeItem::HasTransform() const {
    return translateX_ != Twips() || translateY_ != Twips() || rotation_ != 0 ||
           scaleX_ != kFixedOne || scaleY_ != kFixedOne;
}

namespace {

double FromFixed(int32_t value) { return value / static_cast<double>(kFixedOne); }
// Truncated towards zero.
int32_t ToFixed(double value) { return static_cast<int32_t>(value * kFixedOne); }

constexpr double kRadiansPerDegree = 0.017453292519943295;

}  // namespace

std::unique_ptr<Matrix> ShapeItem::MakeMatrix() const {
    int32_t cx = static_cast<int32_t>((bounds_.xMin.value() + bounds_.xMax.value()) / 2.0);
    int32_t cy = static_cast<int32_t>((bounds_.yMin.value() + bounds_.yMax.value()) / 2.0);
    float sx = static_cast<float>(FromFixed(scaleX_));
    float sy = static_cast<float>(FromFixed(scaleY_));
    float r = static_cast<float>(FromFixed(rotation_));
    double theta = r * kRadiansPerDegree;
    double c = std::cos(theta);
    double s = std::sin(theta);
    float dx = static_cast<float>(c * cx - s * cy - cx);
    float dy = static_cast<float>(s * cx + c * cy - cy);
    float csx = static_cast<float>(c * sx);
    float ssx = static_cast<float>(s * sx);
    float nssy = static_cast<float>(-s * sy);
    float csy = static_cast<float>(c * sy);
    return std::make_unique<Matrix>(Matrix::ScaleRotateTranslate(
        ToFixed(csx), ToFixed(csy), ToFixed(ssx), ToFixed(nssy),
        translateX_ - Twips::FromTwips(static_cast<int32_t>(dx * sx)),
        translateY_ - Twips::FromTwips(static_cast<int32_t>(dy * sy))));
}

void ShapeItem::BuildStyles(Frame &frame, ShapeTag &tag) {
    switch (fillKind_) {
    case FillKind::Bitmap: {
        if (bitmap_) {
            bitmap_->RenewIdIfStale(frame.GetMovie()->Context());
            bitmapId_ = bitmap_->CharacterId();
            frame.AddTag(bitmap_->CopyTag());
        }
        // A first fill naming no character (kNoBitmapId) at scale 10.0, then
        // the bitmap stretched over the bounds, both corners counted.
        tag.AddFillStyle(std::make_unique<BitmapFill>(
            0, kNoBitmapId, std::make_unique<Matrix>(Matrix::Scale(10 * kFixedOne, 10 * kFixedOne))));
        int64_t w = bitmapWidth_ > 0 ? bitmapWidth_ : 1;
        int64_t h = bitmapHeight_ > 0 ? bitmapHeight_ : 1;
        int32_t sx = static_cast<int32_t>(bounds_.Width().value() * int64_t{kFixedOne} / w);
        int32_t sy = static_cast<int32_t>(bounds_.Height().value() * int64_t{kFixedOne} / h);
        fillStyleIndex_ = tag.AddFillStyle(std::make_unique<BitmapFill>(
            0, static_cast<uint16_t>(bitmapId_),
            std::make_unique<Matrix>(Matrix::ScaleTranslate(sx, sy, bounds_.xMin, bounds_.yMin))));
        break;
    }
    case FillKind::Solid:
        fillStyleIndex_ = tag.AddFillStyle(std::make_unique<SolidFill>(
            Rgba(fillColour_.red, fillColour_.green, fillColour_.blue, fillColour_.alpha)));
        break;
    case FillKind::None:
        break;
    }
    if (lineWidth_ > Twips()) {
        lineStyleIndex_ = tag.AddLineStyle(
            lineWidth_, Rgba(lineColour_.red, lineColour_.green, lineColour_.blue, lineColour_.alpha));
    }
    tag.FinishStyles();
}

uint32_t ShapeItem::IdsToDefine(const Movie &movie) const {
    if (DefinedIn(movie)) return 0;
    return 1 + (fillKind_ == FillKind::Bitmap && bitmap_ && bitmap_->IdIsStale(movie.Context()) ? 1 : 0);
}

ShapeItem::Look ShapeItem::CurrentLook() const {
    auto pack = [](Colour c) {
        return static_cast<uint32_t>(c.red) << 24 | static_cast<uint32_t>(c.green) << 16 |
               static_cast<uint32_t>(c.blue) << 8 | c.alpha;
    };
    return Look(lineWidth_, pack(lineColour_), fillKind_, pack(fillColour_));
}

void ShapeItem::Define(Frame &frame, Movie &movie) {
    if (!PrepareForMovie(movie)) return;
    if (DefinedIn(movie)) {
        if (!defineOnly_) Place(frame, movie);
        return;
    }
    if (lookGeneration_ != movie.Generation()) {
        looks_.clear();
        lookGeneration_ = movie.Generation();
    }
    int32_t id;
    if (movie.Context().CharacterIdsLeft() < IdsToDefine(movie)) {
        auto seen = fillKind_ == FillKind::Bitmap ? looks_.end() : looks_.find(CurrentLook());
        // No id for a new character: nothing is added.
        if (seen == looks_.end() || !movie.Defines(seen->second)) return;
        id = seen->second;
    } else {
        auto tag = std::make_unique<ShapeTag>(movie.Context(), bounds_);
        id = tag->CharacterId();
        BuildStyles(frame, *tag);
        AddOutline(*tag);
        frame.AddTag(std::move(tag));
        if (fillKind_ != FillKind::Bitmap) looks_[CurrentLook()] = id;
    }
    if (!defineOnly_) PlaceCharacter(frame, movie, id);
    // Only now, so that an item whose showing failed half way still names
    // the character it has on the stage.
    SetCharacterId(id);
    MarkDefined(movie);
}

}  // namespace quillon
