// The one formatter, on the conversions the output files use most, and the
// row writers that give its bytes for each row shape.

#include "formats/row_text.h"
#include "formats/text_format.h"
#include "formats/timestamp.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

void FormatCtdRow(benchmark::State& state)
{
    char buffer[128];
    double c = 28.0024, t = 5.0004, p = 113.45;
    for (auto _ : state) {
        std::size_t n = Format(buffer, sizeof buffer, " %+08.4f  %+08.4f  %+09.3f\r\n", c, t, p);
        benchmark::DoNotOptimize(n);
        c += 0.0001;
        p += 0.25;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FormatCtdRow);

void FormatEngineeringRow(benchmark::State& state)
{
    char buffer[128];
    double current = 81, voltage = 14.45, pressure = 1234.5678;
    for (auto _ : state) {
        std::size_t n = Format(buffer, sizeof buffer, "   %4.0f   %4.1f   %8.3f", current, voltage, pressure);
        benchmark::DoNotOptimize(n);
        pressure += 0.125;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FormatEngineeringRow);

void FormatIntegers(benchmark::State& state)
{
    char buffer[64];
    uint32_t profile = 0;
    for (auto _ : state) {
        std::size_t n = Format(buffer, sizeof buffer, "%07u  %8d", profile, static_cast<int>(profile) - 500);
        benchmark::DoNotOptimize(n);
        ++profile;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FormatIntegers);

void TimeStamps(benchmark::State& state)
{
    char text[32];
    int32_t t = 1719792000;
    const bool human = state.range(0) != 0;
    for (auto _ : state) {
        TimeStampText(t, human, text);
        benchmark::DoNotOptimize(text);
        t += 10;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(TimeStamps)->Arg(0)->Arg(1)->ArgNames({"human"});

// The row writers, one row per item, values stepping as a profile's do.
void CtdRowWriter(benchmark::State& state)
{
    char row[kMaxRowLength];
    CtdValues scan{28.0024f, 5.0004f, 113.45f};
    for (auto _ : state) {
        char* end = PutCtdRow(row, scan);
        benchmark::DoNotOptimize(end);
        scan.conductivity += 0.0001f;
        scan.pressure += 0.25f;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(CtdRowWriter);

void AcmRowWriter(benchmark::State& state)
{
    char row[kMaxRowLength];
    AcmValues scan{-0.2, 29.999, 0.4996f, -0.5f, 0.0001f, 0.53f, -0.55f, 12.35f, 0.01f};
    for (auto _ : state) {
        char* end = PutAcmRow(row, scan);
        benchmark::DoNotOptimize(end);
        scan.tiltX += 0.001;
        scan.velocityAB += 0.01f;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(AcmRowWriter);

void EngineeringRowWriter(benchmark::State& state)
{
    char row[kMaxRowLength];
    EngineeringValues scan{1719792000, 81.0f, 14.45f, 1234.5678f, 0.25f, 1, 1.5f, 10};
    const bool layout301 = state.range(0) != 0;
    for (auto _ : state) {
        char* end = PutEngineeringRow(row, scan, false, layout301);
        benchmark::DoNotOptimize(end);
        scan.time += 10;
        scan.pressure += 0.125f;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(EngineeringRowWriter)->Arg(0)->Arg(1)->ArgNames({"layout301"});

}  // namespace
