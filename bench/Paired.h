#pragma once

// The sides of a case (the plugin and its raw sqlite3 baseline, sometimes each on two sizes of
// library) timed in rounds inside one benchmark iteration (one repetition): every round runs
// every side once, in an order that turns from round to round, so that whatever else the
// machine does at the time falls on all sides alike. A repetition reports each side's time per
// operation and the ratios as counters; the report takes the medians over the repetitions.

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// The seconds a piece of work takes.
template <typename Work> double timed(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A side whose whole round counts.
template <typename Work> std::function<double()> whole(Work work) {
    return [work]() mutable { return timed(work); };
}

class Rounds {
public:
    // The sides: each runs one round and reports the seconds that count, the whole round
    // (see whole) or the part after a preparation that does not count.
    explicit Rounds(std::vector<std::function<double()>> sides)
        : sides(std::move(sides)), seconds(this->sides.size(), 0.0), turn(nextFirstTurn()++) {}

    void run(int rounds) {
        for (int round = 0; round < rounds; ++round) {
            for (size_t i = 0; i < sides.size(); ++i) {
                const size_t side = (i + size_t(turn)) % sides.size();
                seconds[side] += sides[side]();
            }
            ++turn;
        }
    }
    double secondsOf(size_t side) const { return seconds.at(side); }

private:
    // Repetitions of a case start their rounds with one side after the other in turn.
    static int& nextFirstTurn() {
        static int first = 0;
        return first;
    }

    std::vector<std::function<double()>> sides;
    std::vector<double> seconds;
    int turn;
};

// The usual pair, plugin (side 0) and baseline (side 1): the plugin's time is the iteration's
// time; plugin_us and raw_us are per operation, ratio is plugin over baseline.
inline void reportPair(benchmark::State& state, const Rounds& rounds, double operations,
                       const std::string& suffix = std::string()) {
    const double plugin = rounds.secondsOf(0);
    const double raw = rounds.secondsOf(1);
    state.SetIterationTime(plugin);
    state.counters["plugin_us" + suffix] = plugin * 1e6 / operations;
    state.counters["raw_us" + suffix] = raw * 1e6 / operations;
    state.counters["ratio" + suffix] = plugin / raw;
}

// Registers a paired case: each repetition is one iteration with the clock set by hand, and
// only the aggregates over the repetitions are reported.
inline void repeated(benchmark::internal::Benchmark* b, int repetitions) {
    b->UseManualTime()
        ->Iterations(1)
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly()
        ->Unit(benchmark::kMillisecond);
}
