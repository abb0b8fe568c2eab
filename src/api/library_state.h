// The classic face's one movie, which the 27 exports of quillon.h share.
#pragma once

#include "api/movie_record.h"

namespace quillon {

using LibraryState = QuillonMovie;

// The classic face's movie, made on first use; null when there was no
// memory for it.
QuillonMovie *ClassicMovie() noexcept;
// The same, for code that knows it exists.
QuillonMovie &State();
// Releases everything the classic face holds, the record included, so that
// an unloaded library leaves no byte behind. A later ClassicMovie() starts
// afresh.
void ReleaseState();

}  // namespace quillon
