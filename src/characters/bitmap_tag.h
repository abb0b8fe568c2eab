// BitmapTag: what a shape's bitmap fill needs of its picture, whether the
// pixels are compressed losslessly or held as a JPEG.
#pragma once

#include <memory>

#include "movie/tag.h"

namespace quillon {

class BitmapTag : public CharacterTag {
public:
    // A bitmap made before the ids restarted (a sprite added before a write),
    // or made when no id was left, draws a fresh id, so it cannot collide
    // with a character of the new movie.
    void RenewIdIfStale(MovieContext &context) {
        if (IdIsStale(context)) DrawId(context);
    }
    // A tag for the same picture under the same id, sharing its data: the
    // picture is held once however many movies show it.
    virtual std::unique_ptr<BitmapTag> CopyTag() const = 0;

protected:
    explicit BitmapTag(MovieContext &context) : CharacterTag(context) {}
    BitmapTag(const BitmapTag &) = default;
};

}  // namespace quillon
