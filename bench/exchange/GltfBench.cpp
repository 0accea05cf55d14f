// glTF export and import of an NFSIV model of 500,000 vertices and 1,000,000
// triangles (damage, a second undamaged set, reserved data), against a plain
// write and read of the same bytes. Before timing, the fixture checks that
// FCE -> .glb -> FCE gives the same NFSIV file, and stops when it does not.
//
// Prints Google Benchmark's table, then the ratios measured in this run.

#include "CarModel.h"
#include "FceFiles.h"
#include "Gltf.h"
#include "RandomModel.h"
#include "TestFiles.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

using namespace mobrix;
using namespace testing_support;

namespace {

using bench_support::PlainRead;
using bench_support::PlainWrite;

constexpr int kVertices = 500'000;
constexpr int kTriangles = 1'000'000;

// Shaped as a car is: triangles in runs of a few texture pages and flags,
// and the corners of a vertex sharing texture coordinates except along
// seams (every tenth vertex).
CarModel Nfs4Model()
{
    CarModel random = RandomModel(4, {.vertices = kVertices, .triangles = kTriangles, .parts = 8});
    constexpr std::int32_t kFlags[] = {0, 2, 4, 0x102};
    for (std::size_t t = 0; t < random.Triangles.size(); ++t) {
        Triangle& tri = random.Triangles[t];
        tri.TexPage = static_cast<std::int32_t>(t / 5000 % 2);
        tri.Flags = kFlags[t / 1000 % 4];
        std::int32_t* corner[3] = {&tri.I1, &tri.I2, &tri.I3};
        float* u[3] = {&tri.U1, &tri.U2, &tri.U3};
        float* v[3] = {&tri.V1, &tri.V2, &tri.V3};
        for (std::size_t c = 0; c < 3; ++c) {
            if (*corner[c] % 10 == 0)
                continue;
            *u[c] = static_cast<float>(*corner[c] % 1000) / 1000.0f;
            *v[c] = static_cast<float>(*corner[c] % 977) / 977.0f;
        }
    }
    CarModel model;
    if (ReadFCE4(EncodeFCE4(random).bytes, model))
        std::fprintf(stderr, "cannot build the benchmark model\n");
    return model;
}

struct Fixture {
    TempDir dir;
    std::string glb = dir.File("car.glb");
    std::string plain = dir.File("plain.glb");
    CarModel model = Nfs4Model();
    std::vector<std::uint8_t> glbBytes;

    Fixture()
    {
        if (EncodeGltf(model, GltfContainer::Binary, {}, "", glbBytes) || WriteGltf(model, glb)) {
            std::fprintf(stderr, "cannot build the benchmark files\n");
            std::exit(1);
        }
        CarModel back;
        NewFCE(back);
        CarModel original = model;
        if (ConvertGltf(back, glb) || EncodeFCE4(back).bytes != EncodeFCE4(original).bytes) {
            std::fprintf(stderr, "FCE -> glb -> FCE is not byte-exact for the 1,000,000-triangle model\n");
            std::exit(1);
        }
        std::printf("FCE -> glb -> FCE gives the same %d-triangle NFSIV file.\n", kTriangles);
    }
};

Fixture& Files()
{
    static Fixture fixture;
    return fixture;
}

void BM_PlainRead_GlbSize(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainRead(Files().glb));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Files().glbBytes.size()));
}

void BM_Gltf_Import(benchmark::State& state)
{
    CarModel model;
    for (auto _ : state) {
        if (const ExchangeStatus failure = ConvertGltf(model, Files().glb))
            state.SkipWithError(("import failed: " + failure->detail).c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Files().glbBytes.size()));
}

void BM_PlainWriteSynced_GlbSize(benchmark::State& state)
{
    for (auto _ : state)
        PlainWrite(Files().plain, Files().glbBytes, true);
}

void BM_Gltf_Export(benchmark::State& state)
{
    for (auto _ : state) {
        if (WriteGltf(Files().model, Files().glb))
            state.SkipWithError("export failed");
    }
}

BENCHMARK(BM_PlainRead_GlbSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Gltf_Import)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWriteSynced_GlbSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Gltf_Export)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios in this run (time / baseline); the goal is 3x at most for both.\n");
    std::printf("glb, NFSIV, %d vertices and %d triangles in 8 parts (%zu bytes):\n", kVertices, kTriangles,
                Files().glbBytes.size());
    r.Ratio("Import glTF (read + model)", "BM_Gltf_Import", "BM_PlainRead_GlbSize", "plain read");
    r.Ratio("Export glTF (build + safe save)", "BM_Gltf_Export", "BM_PlainWriteSynced_GlbSize", "plain synced write");
}

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(argc, argv, [] { Files(); }, PrintRatios);
}
