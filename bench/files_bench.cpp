// Opening output files as a run does: many new files in one folder, each
// written once, then opened again under another letter case. The time per file
// should not grow with the count of files already in the folder.

#include "platform/platform.h"
#include "tests/fixture/fixture.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

void OpenNewFiles(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = std::make_unique<TempDir>();
        const std::string folder = dir->str() + kPathSeparator;
        state.ResumeTiming();
        for (int i = 0; i < count; ++i) {
            const std::string name = folder + "C" + std::to_string(1000000 + i) + ".TXT";
            const File f = OpenFile(name.c_str(), "wb");
            std::fputs("x", f.get());
        }
        const std::string last = folder + "c" + std::to_string(1000000 + count - 1) + ".txt";
        File f = OpenFile(last.c_str(), "rb");
        benchmark::DoNotOptimize(f.get());
        f.reset();
        state.PauseTiming();
        dir.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(OpenNewFiles)->Arg(500)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace
