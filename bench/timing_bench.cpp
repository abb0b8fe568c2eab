// Timing benchmarks, each a ratio of two measurements taken in the same run,
// interleaved, so that a noisy machine slows both sides alike:
//   DeckAgainstZlib      a 50-slide 800 x 600 deck built and written through
//                        the exports, against compress2 at level 9 alone on
//                        the same pictures;
//   SpritePlacements     writing a movie of 200000 sprite placements against
//                        one of 100000, built through the exports;
//   RedefinedPlacements  the same for items that redefine themselves every
//                        few frames, as animated outlines do, built through
//                        the model;
//   ResampledSound       AddSound of a 30-second 48 kHz stereo WAV file, which
//                        is resampled to 44.1 kHz, against the same audio
//                        written at 44.1 kHz, which is encoded as it is;
//   ImaAdpcmSound        AddSound of a 30-second 44.1 kHz stereo IMA ADPCM
//                        WAV file against the same audio as 16-bit PCM.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <time.h>
#include <unistd.h>
#include <zlib.h>

#include "characters/shapes.h"
#include "movie/movie.h"
#include "quillon.h"
#include "ratio.h"
#include "slides.h"
#include "sound.h"

using quillon::bench::AlternatePairs;
using quillon::bench::Clock;
using quillon::bench::RatioRecorder;
using quillon::bench::Seconds;
using quillon::bench::SlidePicture;
using quillon::bench::Span;

namespace {

std::string MoviePath(const char *name) {
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/quillon-bench-" + std::to_string(getpid()) +
           "-" + name + ".swf";
}

void CheckMovie(benchmark::State &state, const std::string &path) {
    uint64_t size = 0;
    if (!quillon::bench::MovieFileIsWhole(path.c_str(), &size))
        state.SkipWithError("the written movie is missing or its FileLength is wrong");
    state.counters["file_bytes"] = static_cast<double>(size);
}

// ---- (1) A deck against zlib alone ---------------------------------------

constexpr int kSlides = 50, kWidth = 800, kHeight = 600;

const std::vector<SlidePicture> &Deck() {
    static const std::vector<SlidePicture> deck = [] {
        std::vector<SlidePicture> d;
        for (int i = 0; i < kSlides; ++i) d.push_back(quillon::bench::RenderSlide(kWidth, kHeight, i));
        return d;
    }();
    return deck;
}

Span BuildDeck(const std::string &path) {
    const auto &deck = Deck();
    auto start = Clock::now();
    CreateMovie(kWidth, kHeight, kSlides, 12);
    for (const SlidePicture &slide : deck) {
        CreateFrame(slide.pixels.data(), slide.palette.data(), 256);
        StopFrame(-1);
        NextSlide();
    }
    WriteMovie(path.c_str());
    DestroyMovie();
    return Seconds(start);
}

Span CompressDeck(const std::vector<std::vector<uint8_t>> &inputs, uint64_t *total) {
    auto start = Clock::now();
    uint64_t sum = 0;
    for (const auto &input : inputs) {
        uLongf size = compressBound(static_cast<uLong>(input.size()));
        std::vector<uint8_t> out(size);
        if (compress2(out.data(), &size, input.data(), static_cast<uLong>(input.size()), 9) != Z_OK)
            std::abort();
        sum += size;
        benchmark::DoNotOptimize(out.data());
    }
    *total = sum;
    return Seconds(start);
}

void DeckAgainstZlib(benchmark::State &state) {
    std::vector<std::vector<uint8_t>> inputs;
    for (const SlidePicture &slide : Deck()) inputs.push_back(quillon::bench::BitmapInput(slide));
    std::string path = MoviePath("deck");
    RatioRecorder r;
    uint64_t compressed = 0;
    bool libraryFirst = true;
    for (auto _ : state) {
        Span tl, tz;
        if (libraryFirst) {
            tl = BuildDeck(path);
            tz = CompressDeck(inputs, &compressed);
        } else {
            tz = CompressDeck(inputs, &compressed);
            tl = BuildDeck(path);
        }
        libraryFirst = !libraryFirst;
        r.Add(tl, tz);
        state.SetIterationTime(tl.cpu + tz.cpu);
    }
    r.Report(state, "deck", "zlib");
    state.counters["compressed_bytes"] = static_cast<double>(compressed);
    CheckMovie(state, path);
    std::remove(path.c_str());
}
BENCHMARK(DeckAgainstZlib)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// ---- (2) Placements: 200000 against 100000 --------------------------------

constexpr int kRounds = 10;

// Sprites of 2 x 2 pixels, each shown and hidden again kRounds times in
// frames of their own, at a new position every time; a third of them stay
// up until just before their next showing. At most one placement of a
// sprite is on the stage at a time, so every placement finds a depth also
// beyond 65536 placements.
void BuildSpriteMovie(int32_t placements) {
    int32_t sprites = placements / kRounds;
    static const uint8_t pixels[16] = {255, 200, 0, 0, 255, 0, 200, 0, 255, 0, 0, 200, 128, 90, 90, 90};
    CreateMovie(kWidth, kHeight, 0, 12);
    SetSpritesCount(sprites);
    for (int32_t i = 0; i < sprites; ++i) AddSprite(i, pixels, 2, 2);
    for (int32_t round = 0; round < kRounds; ++round) {
        DuplicateFrame();
        for (int32_t i = 0; i < sprites; ++i) {
            TranslateSprite(i, (i * 7 + round * 13) % kWidth, (i * 3 + round * 5) % kHeight);
            HideSprite(i);  // does nothing unless it stayed up
            ShowSprite(i);
        }
        DuplicateFrame();
        for (int32_t i = 0; i < sprites; ++i)
            if ((i + round) % 3 != 0) HideSprite(i);  // a third stays up until its next showing
    }
}

Span WriteSpriteMovie(int32_t placements, const std::string &path) {
    BuildSpriteMovie(placements);
    auto start = Clock::now();
    WriteMovie(path.c_str());
    Span t = Seconds(start);
    DestroyMovie();
    SetSpritesCount(0);
    return t;
}

// Writes the movie of write() at 200 000 and at 100 000 placements, the larger
// first in every other iteration, and reports their ratio: about 2 when the
// writer is near-linear, about 4 when it is quadratic.
void DoublingRatio(benchmark::State &state, const char *name,
                   Span (*write)(int32_t placements, const std::string &path)) {
    std::string path = MoviePath(name);
    RatioRecorder r;
    AlternatePairs(state, r, [&] { return write(200000, path); }, [&] { return write(100000, path); });
    r.Report(state, "write200k", "write100k");
    CheckMovie(state, path);
    std::remove(path.c_str());
}

void SpritePlacements(benchmark::State &state) { DoublingRatio(state, "sprites", WriteSpriteMovie); }
BENCHMARK(SpritePlacements)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// 100 outlines, each hidden and shown again in every frame; every fourth
// frame each takes a new colour and so defines a new character, as an
// animated outline does on every step.
Span WriteRedefinedMovie(int32_t placements, const std::string &path) {
    constexpr int32_t kItems = 100;
    quillon::Movie movie;
    std::vector<std::unique_ptr<quillon::RectItem>> items;
    for (int32_t i = 0; i < kItems; ++i) {
        using quillon::Twips;
        Twips x = Twips::FromTwips((i % 10) * 1600), y = Twips::FromTwips((i / 10) * 1200);
        items.push_back(std::make_unique<quillon::RectItem>(x, y, x + Twips::FromTwips(1400),
                                                            y + Twips::FromTwips(1000)));
        items.back()->SetDepth(static_cast<uint16_t>(150 + i % 4));
    }
    int32_t steps = placements / kItems;
    for (int32_t step = 0; step < steps; ++step) {
        quillon::Frame *frame = movie.GetFrame(step);
        for (int32_t i = 0; i < kItems; ++i) {
            quillon::RectItem &item = *items[static_cast<size_t>(i)];
            frame->HideItem(&item);
            if (step % 4 == 0) {
                uint8_t c = static_cast<uint8_t>(step / 4 + i);
                item.SetLineColour(quillon::Colour{c, static_cast<uint8_t>(255 - c), 0, 255});
            }
            item.SetTranslate(quillon::Twips::FromTwips((step % 20) * 10), quillon::Twips());
            frame->ShowItem(&item);
        }
    }
    auto start = Clock::now();
    movie.WriteFile(path.c_str());
    return Seconds(start);
}

void RedefinedPlacements(benchmark::State &state) {
    DoublingRatio(state, "redefined", WriteRedefinedMovie);
}
BENCHMARK(RedefinedPlacements)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// ---- (4) A 48 kHz sound against the same at 44.1 kHz ------------------------

Span AddSoundFile(const std::string &wav, const std::string &path) {
    CreateMovie(320, 240, 1, 12);
    DuplicateFrame();
    auto start = Clock::now();
    AddSound(wav.c_str());
    Span t = Seconds(start);
    WriteMovie(path.c_str());
    DestroyMovie();
    return t;
}

void ResampledSound(benchmark::State &state) {
    const std::string at48 = quillon::bench::ScratchPath("48k.wav");
    const std::string at44 = quillon::bench::ScratchPath("44k1.wav");
    if (!quillon::bench::WriteMusicWav(at48, 48000, 2, 30) ||
        !quillon::bench::WriteMusicWav(at44, 44100, 2, 30)) {
        state.SkipWithError("cannot write the WAV files");
        return;
    }
    std::string path = MoviePath("sound");
    RatioRecorder r;
    AlternatePairs(state, r, [&] { return AddSoundFile(at48, path); },
                   [&] { return AddSoundFile(at44, path); });
    r.Report(state, "add48k", "add44k1");
    CheckMovie(state, path);
    std::remove(path.c_str());
    std::remove(at48.c_str());
    std::remove(at44.c_str());
}
BENCHMARK(ResampledSound)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// ---- (5) An IMA ADPCM sound against the same as PCM -------------------------

void ImaAdpcmSound(benchmark::State &state) {
    const std::string ima = quillon::bench::ScratchPath("ima.wav");
    const std::string pcm = quillon::bench::ScratchPath("pcm.wav");
    if (!quillon::bench::WriteMusicImaAdpcmWav(ima, 44100, 2, 30) ||
        !quillon::bench::WriteMusicWav(pcm, 44100, 2, 30)) {
        state.SkipWithError("cannot write the WAV files");
        return;
    }
    std::string path = MoviePath("ima");
    RatioRecorder r;
    AlternatePairs(state, r, [&] { return AddSoundFile(ima, path); },
                   [&] { return AddSoundFile(pcm, path); });
    r.Report(state, "addIma", "addPcm");
    CheckMovie(state, path);
    std::remove(path.c_str());
    std::remove(ima.c_str());
    std::remove(pcm.c_str());
}
BENCHMARK(ImaAdpcmSound)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
