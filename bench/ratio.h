// Measurements taken in pairs in the same run, reported as ratios, so that a
// busy machine slows both sides alike.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace quillon::bench {

// The thread's processor time (user and system): other programs on a busy
// machine delay it far less than they delay the wall clock.
struct Clock {
    struct time_point {
        double cpu, wall;
    };
    static time_point now() {
        timespec t;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        double wall = std::chrono::duration<double>(
                          std::chrono::steady_clock::now().time_since_epoch()).count();
        return {t.tv_sec + t.tv_nsec * 1e-9, wall};
    }
};

struct Span {
    double cpu = 0, wall = 0;
};

inline Span Seconds(Clock::time_point from) {
    Clock::time_point to = Clock::now();
    return {to.cpu - from.cpu, to.wall - from.wall};
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Pairs of measurements, a then b then b then a..., reported as the median
// of the pairwise processor-time ratios a / b (ratio), the ratio of the
// fastest runs (ratio_of_fastest), and the median of the wall-clock ratios
// (wall_ratio).
struct RatioRecorder {
    std::vector<double> a, b, ratios, wallRatios;
    void Add(Span ta, Span tb) {
        a.push_back(ta.cpu);
        b.push_back(tb.cpu);
        ratios.push_back(ta.cpu / tb.cpu);
        wallRatios.push_back(ta.wall / tb.wall);
    }
    void Report(benchmark::State &state, const char *aName, const char *bName) {
        if (ratios.empty()) return;
        state.counters["ratio"] = Median(ratios);
        state.counters["ratio_of_fastest"] =
            *std::min_element(a.begin(), a.end()) / *std::min_element(b.begin(), b.end());
        state.counters["wall_ratio"] = Median(wallRatios);
        state.counters[std::string(aName) + "_ms"] = Median(a) * 1000;
        state.counters[std::string(bName) + "_ms"] = Median(b) * 1000;
    }
};

// Measures a then b in one iteration, b then a in the next, and so on,
// recording each pair.
template <typename A, typename B>
void AlternatePairs(benchmark::State &state, RatioRecorder &r, A a, B b) {
    bool aFirst = true;
    for (auto _ : state) {
        Span ta, tb;
        if (aFirst) {
            ta = a();
            tb = b();
        } else {
            tb = b();
            ta = a();
        }
        aFirst = !aFirst;
        r.Add(ta, tb);
        state.SetIterationTime(ta.cpu + tb.cpu);
    }
}

}  // namespace quillon::bench
