// Splitting a large NFSIV model (100,000 vertices, 200,000 triangles, 30
// parts) into part files and joining it again, against a plain read and
// write of the same bytes.
//
// Prints Google Benchmark's table, then the ratios measured in this run.

#include "FceStore.h"
#include "Workspace.h"

#include "CarModel.h"
#include "FceFiles.h"
#include "RandomModel.h"
#include "TestFiles.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <unistd.h>

namespace {

using bench_support::PlainRead;
using bench_support::PlainWrite;

namespace fs = std::filesystem;

struct Fixture {
    testing_support::TempDir dir;
    fs::path fce = fs::path(dir.path()) / "large.fce";
    fs::path out = fs::path(dir.path()) / "out.fce";
    fs::path temp = fs::path(dir.path()) / "temp";
    std::vector<std::uint8_t> bytes;

    Fixture()
    {
        mobrix::CarModel model = testing_support::RandomModel(
            1, {.vertices = 100'000, .triangles = 200'000, .parts = 30, .dummies = 8});
        bytes = mobrix::EncodeFCE4(model).bytes;
        testing_support::WriteBytes(fce.string(), bytes);
    }
};

Fixture& Files()
{
    static Fixture fixture;
    return fixture;
}



void PlainCopy(benchmark::State& state, bool sync)
{
    for (auto _ : state) {
        auto bytes = PlainRead(Files().fce);
        PlainWrite(Files().out, bytes, sync);
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_PlainCopy(benchmark::State& s) { PlainCopy(s, false); }
void BM_PlainCopySynced(benchmark::State& s) { PlainCopy(s, true); }

trimlet::FceStore SplitOnce()
{
    auto split = trimlet::SplitFce(Files().fce, Files().temp);
    if (!std::holds_alternative<trimlet::FceStore>(split))
        return {};
    return std::get<trimlet::FceStore>(std::move(split));
}

// Reads the model and writes its 30 part files and the project file.
void BM_Split(benchmark::State& state)
{
    for (auto _ : state) {
        auto split = trimlet::SplitFce(Files().fce, Files().temp);
        if (!std::holds_alternative<trimlet::FceStore>(split))
            state.SkipWithError("split failed");
    }
}

// Reads the 30 part files and writes the model, flushed to disk before it
// replaces the old file.
void BM_Join(benchmark::State& state)
{
    const trimlet::FceStore store = SplitOnce();
    for (auto _ : state) {
        if (trimlet::JoinFce(Files().out, Files().temp, store))
            state.SkipWithError("join failed");
    }
}

void BM_SplitInMemory(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(trimlet::SplitFceBytes(Files().bytes));
}

void BM_JoinInMemory(benchmark::State& state)
{
    auto split = std::get<trimlet::SplitModel>(trimlet::SplitFceBytes(Files().bytes));
    for (auto _ : state)
        benchmark::DoNotOptimize(trimlet::JoinFceBytes(split.store, split.parts));
}

void BM_CopyInMemory(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<std::uint8_t> copy = Files().bytes;
        benchmark::DoNotOptimize(copy.data());
    }
}

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopySynced)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Split)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Join)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JoinInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The ratios measured in this run, printed after the table.
void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios in this run (time / baseline), 100,000 vertices, 200,000 triangles, 30 parts.\n"
                "Part files are working copies and are not flushed; the saved model is.\n");
    r.Ratio("split into part files", "BM_Split", "BM_PlainCopy", "plain read + write");
    r.Ratio("join from part files", "BM_Join", "BM_PlainCopySynced", "plain read + synced write");
    r.Ratio("join from part files", "BM_Join", "BM_PlainCopy", "plain read + write");
    r.Ratio("split in memory", "BM_SplitInMemory", "BM_CopyInMemory", "copying the bytes");
    r.Ratio("join in memory", "BM_JoinInMemory", "BM_CopyInMemory", "copying the bytes");
}

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(argc, argv, [] { Files(); }, PrintRatios);
}
