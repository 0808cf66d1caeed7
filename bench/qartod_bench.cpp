// The quality tests over one CTD profile of 2000 temperatures, one scan a
// second, as the export runs them for each tested column: each test alone,
// the median scan interval, the aggregate, and all of them together (values
// per second).

#include "export/qartod.h"
#include "export/qc_settings.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t kScans = 2000;

struct Profile {
    std::vector<double> values, times;
    std::vector<uint8_t> flags[5];
    Profile() : values(kScans), times(kScans)
    {
        for (std::size_t i = 0; i < kScans; ++i) {
            times[i] = 1.7e9 + static_cast<double>(i);
            values[i] = 12.0 - 0.004 * static_cast<double>(i) + 0.01 * std::sin(static_cast<double>(i) * 0.7);
        }
        for (auto& f : flags)
            f.resize(kScans);
    }
};

const QcThresholds kTemperature{-5, 40, -2, 35, 2, 6, 2, 4, 60, 120, 0.0001};

void Count(benchmark::State& state)
{
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kScans));
}

void GrossRange(benchmark::State& state)
{
    Profile p;
    const QartodSpan suspect{kTemperature.suspectLow, kTemperature.suspectHigh};
    for (auto _ : state) {
        GrossRangeTest(p.values, {kTemperature.failLow, kTemperature.failHigh}, &suspect, p.flags[0].data());
        benchmark::DoNotOptimize(p.flags[0].data());
    }
    Count(state);
}
BENCHMARK(GrossRange);

void Spike(benchmark::State& state)
{
    Profile p;
    for (auto _ : state) {
        SpikeTest(p.values, kTemperature.spikeSuspect, kTemperature.spikeFail, p.flags[1].data());
        benchmark::DoNotOptimize(p.flags[1].data());
    }
    Count(state);
}
BENCHMARK(Spike);

void RateOfChange(benchmark::State& state)
{
    Profile p;
    for (auto _ : state) {
        RateOfChangeTest(p.values, p.times, kTemperature.rateSuspect, kTemperature.rateFail, p.flags[2].data());
        benchmark::DoNotOptimize(p.flags[2].data());
    }
    Count(state);
}
BENCHMARK(RateOfChange);

void FlatLine(benchmark::State& state)
{
    Profile p;
    for (auto _ : state) {
        FlatLineTest(p.values, 1.0, kTemperature.flatSuspect, kTemperature.flatFail, kTemperature.flatTolerance,
                     p.flags[3].data());
        benchmark::DoNotOptimize(p.flags[3].data());
    }
    Count(state);
}
BENCHMARK(FlatLine);

void Median(benchmark::State& state)
{
    Profile p;
    for (auto _ : state)
        benchmark::DoNotOptimize(MedianInterval(p.times));
    Count(state);
}
BENCHMARK(Median);

void Aggregate(benchmark::State& state)
{
    Profile p;
    for (auto _ : state) {
        QartodAggregate({p.flags[0].data(), p.flags[1].data(), p.flags[2].data(), p.flags[3].data()}, kScans,
                        p.flags[4].data());
        benchmark::DoNotOptimize(p.flags[4].data());
    }
    Count(state);
}
BENCHMARK(Aggregate);

void AllTests(benchmark::State& state)
{
    Profile p;
    for (auto _ : state) {
        RunQartod(kTemperature, p.values.data(), p.times.data(), MedianInterval(p.times), kScans,
                  {p.flags[0].data(), p.flags[1].data(), p.flags[2].data(), p.flags[3].data(), p.flags[4].data()});
        benchmark::DoNotOptimize(p.flags[4].data());
    }
    Count(state);
}
BENCHMARK(AllTests);

}  // namespace
