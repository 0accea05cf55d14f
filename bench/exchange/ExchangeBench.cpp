// 3DS import and export of a mesh of 32,000 vertices and 32,000 faces, and
// the text part file round trip of a 5,000-vertex part, each against a plain
// read or write of the same bytes.
//
// Prints Google Benchmark's table, then the ratios measured in this run.

#include "CarModel.h"
#include "PartFiles.h"
#include "RandomModel.h"
#include "TestFiles.h"
#include "ThreeDs.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <unistd.h>

using namespace mobrix;
using namespace testing_support;

namespace {

using bench_support::PlainRead;
using bench_support::PlainWrite;

constexpr int kMeshVertices = 32'000;
constexpr int kMeshFaces = 32'000;
constexpr int kPartVertices = 5'000;
constexpr int kPartTriangles = 9'000;

// Files and models shared by all benchmarks, made once.
struct Fixture {
    TempDir dir;
    std::string mesh3ds = dir.File("mesh.3ds");
    std::string out3ds = dir.File("out.3ds");
    std::string partText = dir.File("part.txt");
    std::string outText = dir.File("out.txt");
    CarModel mesh = RandomModel(1, {.vertices = kMeshVertices, .triangles = kMeshFaces, .parts = 1,
                                    .origin = ModelOrigin::Nfs3});
    CarModel car = RandomModel(2, {.vertices = kPartVertices, .triangles = kPartTriangles, .parts = 1,
                                   .origin = ModelOrigin::Nfs3});
    std::vector<std::uint8_t> mesh3dsBytes;
    std::vector<std::uint8_t> partTextBytes;

    Fixture()
    {
        if (Encode3DS(mesh, mesh3dsBytes) || EncodePartText(car, 0, "now", partTextBytes))
            std::fprintf(stderr, "cannot build the benchmark files\n");
        WriteBytes(mesh3ds, mesh3dsBytes);
        WriteBytes(partText, partTextBytes);
    }
};

Fixture& Files()
{
    static Fixture fixture;
    return fixture;
}



// --- 3DS -------------------------------------------------------------------

void BM_PlainRead_3dsSize(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainRead(Files().mesh3ds));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Files().mesh3dsBytes.size()));
}

// Steady state: the model lives across runs, as the editor's one model does.
void BM_3ds_Import(benchmark::State& state)
{
    CarModel model;
    for (auto _ : state) {
        if (Convert3DS(model, Files().mesh3ds))
            state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Files().mesh3dsBytes.size()));
}

void BM_PlainWrite_3dsSize(benchmark::State& state)
{
    for (auto _ : state)
        PlainWrite(Files().out3ds, Files().mesh3dsBytes, false);
}

void BM_PlainWriteSynced_3dsSize(benchmark::State& state)
{
    for (auto _ : state)
        PlainWrite(Files().out3ds, Files().mesh3dsBytes, true);
}

void BM_3ds_Export(benchmark::State& state)
{
    for (auto _ : state) {
        if (Write3DS(Files().mesh, Files().out3ds))
            state.SkipWithError("export failed");
    }
}

void BM_3ds_Encode(benchmark::State& state)
{
    std::vector<std::uint8_t> bytes;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Encode3DS(Files().mesh, bytes));
        benchmark::DoNotOptimize(bytes.data());
    }
}

// --- Text part file --------------------------------------------------------------

void PlainTextRoundTrip(benchmark::State& state, bool sync)
{
    for (auto _ : state) {
        PlainWrite(Files().outText, Files().partTextBytes, sync);
        benchmark::DoNotOptimize(PlainRead(Files().outText));
    }
}

void BM_PlainWriteRead_PartTextSize(benchmark::State& s) { PlainTextRoundTrip(s, false); }
void BM_PlainWriteSyncedRead_PartTextSize(benchmark::State& s) { PlainTextRoundTrip(s, true); }

// Extract the part as text, then insert the file as a new part.
void BM_PartText_RoundTrip(benchmark::State& state)
{
    CarModel model = Files().car;
    for (auto _ : state) {
        if (ExtractPart(model, 0, Files().outText, PartFileFormat::Text, "now") ||
            InsertPart(model, Files().outText, PartFileFormat::Text))
            state.SkipWithError("round trip failed");
        state.PauseTiming();
        model = Files().car;
        state.ResumeTiming();
    }
}

// The two halves of the round trip without the files.
void BM_PartText_Encode(benchmark::State& state)
{
    std::vector<std::uint8_t> bytes;
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodePartText(Files().car, 0, "now", bytes));
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_PartText_Insert(benchmark::State& state)
{
    CarModel model = Files().car;
    for (auto _ : state) {
        if (InsertPartText(model, Files().partTextBytes))
            state.SkipWithError("insert failed");
        state.PauseTiming();
        model = Files().car;
        state.ResumeTiming();
    }
}

BENCHMARK(BM_PlainRead_3dsSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_3ds_Import)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWrite_3dsSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWriteSynced_3dsSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_3ds_Encode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_3ds_Export)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWriteRead_PartTextSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWriteSyncedRead_PartTextSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PartText_RoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PartText_Encode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PartText_Insert)->Unit(benchmark::kMillisecond)->UseRealTime();

// The ratios measured in this run, printed after the table.
void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios in this run (time / baseline). Writing a file always flushes it to disk\n"
                "before it replaces the old one, so the synced write is the like-for-like baseline.\n");
    std::printf("3DS, one mesh of %d vertices and %d faces (%zu bytes):\n", kMeshVertices, kMeshFaces,
                Files().mesh3dsBytes.size());
    r.Ratio("Convert 3DS (read + model)", "BM_3ds_Import", "BM_PlainRead_3dsSize", "plain read");
    r.Ratio("Export 3DS", "BM_3ds_Export", "BM_PlainWriteSynced_3dsSize", "plain synced write");
    r.Ratio("Export 3DS", "BM_3ds_Export", "BM_PlainWrite_3dsSize", "plain write");
    r.Ratio("Export 3DS, encoding only", "BM_3ds_Encode", "BM_PlainWrite_3dsSize", "plain write");
    std::printf("Text part file, one part of %d vertices and %d triangles (%zu bytes):\n", kPartVertices,
                kPartTriangles, Files().partTextBytes.size());
    r.Ratio("extract + insert", "BM_PartText_RoundTrip", "BM_PlainWriteSyncedRead_PartTextSize",
          "plain synced write + read");
    r.Ratio("extract + insert", "BM_PartText_RoundTrip", "BM_PlainWriteRead_PartTextSize", "plain write + read");
    r.Ratio("text encoding only", "BM_PartText_Encode", "BM_PlainWriteRead_PartTextSize", "plain write + read");
    r.Ratio("insert from memory only", "BM_PartText_Insert", "BM_PlainWriteRead_PartTextSize", "plain write + read");
}

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(argc, argv, [] { Files(); }, PrintRatios);
}
