// Peak heap of building and writing a 50-slide 800 x 600 deck through the
// exports, against the sum of its compressed pictures plus one uncompressed
// slide; and of AddSound with a 10-minute 44.1 kHz stereo WAV file, against
// the ADPCM data it makes. Every malloc, calloc, realloc and free of the process (operator new
// and zlib's own state included) goes through the counting hooks below, so
// this benchmark runs in a process of its own.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "quillon.h"
#include "slides.h"
#include "sound.h"
#include "sound/adpcm_encoder.h"

// ---- Counting allocator ----------------------------------------------------
// glibc's allocator under its internal names; live bytes are counted by usable
// size, which is what the block really occupies.
extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);
void __libc_free(void *);
}

namespace {
std::atomic<int64_t> liveBytes{0};
std::atomic<int64_t> peakBytes{0};

void Count(void *p) {
    if (!p) return;
    int64_t now = liveBytes.fetch_add(static_cast<int64_t>(malloc_usable_size(p))) +
                  static_cast<int64_t>(malloc_usable_size(p));
    int64_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {}
}
void Uncount(void *p) {
    if (p) liveBytes.fetch_sub(static_cast<int64_t>(malloc_usable_size(p)));
}
}  // namespace

extern "C" {
void *malloc(size_t n) {
    void *p = __libc_malloc(n);
    Count(p);
    return p;
}
void *calloc(size_t n, size_t m) {
    void *p = __libc_calloc(n, m);
    Count(p);
    return p;
}
void *realloc(void *old, size_t n) {
    Uncount(old);
    void *p = __libc_realloc(old, n);
    if (p) Count(p);
    else if (old && n != 0) Count(old);  // failed: the old block stays
    return p;
}
void free(void *p) {
    Uncount(p);
    __libc_free(p);
}
void *memalign(size_t alignment, size_t n) {
    void *p = __libc_memalign(alignment, n);
    Count(p);
    return p;
}
void *aligned_alloc(size_t alignment, size_t n) { return memalign(alignment, n); }
int posix_memalign(void **out, size_t alignment, size_t n) {
    void *p = memalign(alignment, n);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
}

namespace {

using quillon::bench::SlidePicture;

constexpr int kSlides = 50, kWidth = 800, kHeight = 600;

void DeckPeakMemory(benchmark::State &state) {
    std::string path = std::string(std::getenv("TMPDIR") && *std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                       "/quillon-bench-" + std::to_string(getpid()) + "-memory.swf";
    // The host renders one slide at a time into the same buffer; that buffer
    // and the deck's compressed sizes are prepared before counting starts.
    std::vector<uint64_t> compressedSizes;
    for (int i = 0; i < kSlides; ++i) {
        SlidePicture s = quillon::bench::RenderSlide(kWidth, kHeight, i);
        std::vector<uint8_t> input = quillon::bench::BitmapInput(s);
        uLongf size = compressBound(static_cast<uLong>(input.size()));
        std::vector<uint8_t> out(size);
        if (compress2(out.data(), &size, input.data(), static_cast<uLong>(input.size()), 9) != Z_OK)
            std::abort();
        compressedSizes.push_back(size);
    }
    uint64_t compressedSum = 0;
    for (uint64_t s : compressedSizes) compressedSum += s;
    uint64_t oneSlide = static_cast<uint64_t>(kWidth) * kHeight + 256 * 3;
    std::vector<SlidePicture> slides;
    for (int i = 0; i < kSlides; ++i) slides.push_back(quillon::bench::RenderSlide(kWidth, kHeight, i));

    int64_t peak = 0;
    for (auto _ : state) {
        int64_t base = liveBytes.load();
        peakBytes.store(base);
        CreateMovie(kWidth, kHeight, kSlides, 12);
        for (const SlidePicture &slide : slides) {
            CreateFrame(slide.pixels.data(), slide.palette.data(), 256);
            StopFrame(-1);
            NextSlide();
        }
        WriteMovie(path.c_str());
        DestroyMovie();
        peak = peakBytes.load() - base;
    }
    uint64_t size = 0;
    if (!quillon::bench::MovieFileIsWhole(path.c_str(), &size))
        state.SkipWithError("the written movie is missing or its FileLength is wrong");
    std::remove(path.c_str());
    double budget = static_cast<double>(compressedSum + oneSlide);
    state.counters["ratio"] = static_cast<double>(peak) / budget;
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["compressed_bytes"] = static_cast<double>(compressedSum);
    state.counters["slide_bytes"] = static_cast<double>(oneSlide);
    state.counters["file_bytes"] = static_cast<double>(size);
}
BENCHMARK(DeckPeakMemory)->Iterations(2)->Unit(benchmark::kMillisecond);

// A 10-minute 44.1 kHz 16-bit stereo file (106 MB) added to a movie: the
// samples are read, converted and encoded a block at a time, so the peak is
// the encoded data (about 33 MB) and a few blocks, never the samples.
void SoundPeakMemory(benchmark::State &state) {
    constexpr uint32_t kRate = 44100, kSeconds = 600;
    const std::string wav = quillon::bench::ScratchPath("ten-minutes.wav");
    if (!quillon::bench::WriteMusicWav(wav, kRate, 2, kSeconds)) {
        state.SkipWithError("cannot write the WAV file");
        return;
    }
    const uint64_t encoded = quillon::AdpcmEncodedSize(uint64_t{kRate} * kSeconds, 2, 5);
    int64_t peak = 0;
    for (auto _ : state) {
        CreateMovie(320, 240, 1, 12);
        DuplicateFrame();
        int64_t base = liveBytes.load();
        peakBytes.store(base);
        AddSound(wav.c_str());
        peak = peakBytes.load() - base;
        DestroyMovie();
    }
    std::remove(wav.c_str());
    state.counters["ratio"] = static_cast<double>(peak) / static_cast<double>(encoded);
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["encoded_bytes"] = static_cast<double>(encoded);
}
BENCHMARK(SoundPeakMemory)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
