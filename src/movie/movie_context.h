// MovieContext: the values that the movies of one host share and nothing
// else does: the character id counter and its epoch, the generations of
// movies, and the count of temporary files made for saving.
#pragma once

#include <cstdint>

#include "swf/format.h"

namespace quillon {

// Every QuillonMovie owns one; the classic exports keep one for the whole
// process, so their ids go on counting across CreateMovie and DestroyMovie
// until a movie is written. Nothing here is shared between contexts, so
// movies of different contexts may be built on different threads at once.
class MovieContext {
public:
    MovieContext() = default;
    MovieContext(const MovieContext &) = delete;
    MovieContext &operator=(const MovieContext &) = delete;

    // The next 16-bit character id; the first after a reset is 1. Ids never
    // wrap: once kMaxUI16 was given out, 0 (no id) until the next reset, so that
    // no id is defined twice in one file. Definitions check
    // CharacterIdsLeft() first and add nothing when there are too few.
    uint16_t NextCharacterId() { return idCounter_ == kMaxUI16 ? 0 : ++idCounter_; }
    // How many ids NextCharacterId can still give out before the next reset.
    uint32_t CharacterIdsLeft() const { return kMaxUI16 - idCounter_; }
    // Sets the counter back, so the next id is 1. Done after each successful
    // write.
    void ResetCharacterIds() {
        idCounter_ = 0;
        ++idEpoch_;
    }
    // Counts the resets: an id drawn under an older epoch may be in use again.
    uint32_t CharacterIdEpoch() const { return idEpoch_; }

    // A generation that no movie of this context had before.
    uint64_t NewGeneration() { return ++lastGeneration_; }

    // Counts the temporary files made while saving; it goes into their
    // names, so that saves of one context never pick the same name twice.
    uint64_t &SaveCount() { return saves_; }

private:
    uint16_t idCounter_ = 0;       // the last id given out, 0 after a reset
    uint32_t idEpoch_ = 0;         // resets so far
    uint64_t lastGeneration_ = 0;  // the newest movie generation
    uint64_t saves_ = 0;           // temporary files made so far
};

}  // namespace quillon
