// OBJ export and conversion of a model of 500,000 vertices and 1,000,000
// triangles, against a plain write and read of the same bytes.
//
// Prints Google Benchmark's table, then the ratios measured in this run.

#include "CarModel.h"
#include "Obj.h"
#include "RandomModel.h"
#include "TestFiles.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace mobrix;
using namespace testing_support;

namespace {

using bench_support::PlainRead;
using bench_support::PlainWrite;

constexpr int kVertices = 500'000;
constexpr int kTriangles = 1'000'000;

struct Fixture {
    TempDir dir;
    std::string obj = dir.File("car.obj");
    std::string plain = dir.File("plain.obj");
    CarModel model = RandomModel(3, {.vertices = kVertices, .triangles = kTriangles, .parts = 8,
                                     .origin = ModelOrigin::Nfs3});
    std::vector<std::uint8_t> objBytes;

    Fixture()
    {
        ObjFiles files;
        if (EncodeObj(model, "car.mtl", "", files) || WriteObj(model, obj))
            std::fprintf(stderr, "cannot build the benchmark files\n");
        objBytes.assign(files.obj.begin(), files.obj.end());
    }
};

Fixture& Files()
{
    static Fixture fixture;
    return fixture;
}

void BM_PlainRead_ObjSize(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainRead(Files().obj));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Files().objBytes.size()));
}

void BM_Obj_Import(benchmark::State& state)
{
    CarModel model;
    for (auto _ : state) {
        if (const ExchangeStatus failure = ConvertObj(model, Files().obj))
            state.SkipWithError(("conversion failed: " + failure->detail).c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Files().objBytes.size()));
}

void BM_PlainWrite_ObjSize(benchmark::State& state)
{
    for (auto _ : state)
        PlainWrite(Files().plain, Files().objBytes, false);
}

void BM_PlainWriteSynced_ObjSize(benchmark::State& state)
{
    for (auto _ : state)
        PlainWrite(Files().plain, Files().objBytes, true);
}

void BM_Obj_Export(benchmark::State& state)
{
    for (auto _ : state) {
        if (WriteObj(Files().model, Files().obj))
            state.SkipWithError("export failed");
    }
}

void BM_Obj_Encode(benchmark::State& state)
{
    ObjFiles files;
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodeObj(Files().model, "car.mtl", "", files));
        benchmark::DoNotOptimize(files.obj.data());
    }
}

BENCHMARK(BM_PlainRead_ObjSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Obj_Import)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWrite_ObjSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWriteSynced_ObjSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Obj_Encode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Obj_Export)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios in this run (time / baseline). Export flushes the file to disk before it\n"
                "replaces the old one, so the synced write is the like-for-like baseline.\n");
    std::printf("OBJ, %d vertices and %d triangles in 8 parts (%zu bytes):\n", kVertices, kTriangles,
                Files().objBytes.size());
    r.Ratio("Convert OBJ (read + model)", "BM_Obj_Import", "BM_PlainRead_ObjSize", "plain read");
    r.Ratio("Export OBJ", "BM_Obj_Export", "BM_PlainWriteSynced_ObjSize", "plain synced write");
    r.Ratio("Export OBJ", "BM_Obj_Export", "BM_PlainWrite_ObjSize", "plain write");
    r.Ratio("Export OBJ, encoding only", "BM_Obj_Encode", "BM_PlainWrite_ObjSize", "plain write");
    std::printf("Both must stay under 2 s a run: import %.2f s, export %.2f s.\n", r.Time("BM_Obj_Import") / 1e3,
                r.Time("BM_Obj_Export") / 1e3);
}

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(argc, argv, [] { Files(); }, PrintRatios);
}
