// The structural routines on a big part: 20,000 vertices and 40,000
// triangles, with 5,000 vertices or 10,000 triangles selected.

#include "CarModel.h"
#include "MeshEdit.h"
#include "RandomModel.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace mobrix;

namespace {

// Three parts; the middle one is the big one, so the part after it moves too.
const CarModel& BigModel()
{
    static const CarModel model = [] {
        CarModel m = testing_support::RandomModel(
            7, {.vertices = 24'000, .triangles = 48'000, .parts = 3, .dummies = 0});
        ModelHeader& h = m.Header;
        h.PartFirstVertex = {0, 2'000, 22'000};
        h.PartNumVertices = {2'000, 20'000, 2'000};
        h.PartFirstTriangle = {0, 4'000, 44'000};
        h.PartNumTriangles = {4'000, 40'000, 4'000};
        std::mt19937 rng(3);
        for (int p = 0; p < 3; ++p) {
            const auto i = static_cast<std::size_t>(p);
            std::uniform_int_distribution<int> corner(0, h.PartNumVertices[i] - 1);
            for (int t = 0; t < h.PartNumTriangles[i]; ++t) {
                Triangle& tri = m.Triangles[static_cast<std::size_t>(h.PartFirstTriangle[i] + t)];
                tri.I1 = corner(rng);
                tri.I2 = corner(rng);
                tri.I3 = corner(rng);
            }
        }
        return m;
    }();
    return model;
}

void BM_RemoveMarkedVertices_5000Of20000(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        CarModel m = BigModel();
        for (int k = 0; k < 20'000; k += 4)
            m.VertSelected[static_cast<std::size_t>(2'000 + k)] = -1;
        state.ResumeTiming();
        RemoveMarkedVertices(m, 1);
        benchmark::DoNotOptimize(m.Header.NumVertices);
    }
}

void BM_RemoveTriangles_10000Of40000(benchmark::State& state)
{
    std::vector<int> chosen;
    for (int t = 0; t < 40'000; t += 4)
        chosen.push_back(t);
    for (auto _ : state) {
        state.PauseTiming();
        CarModel m = BigModel();
        state.ResumeTiming();
        RemoveTriangles(m, 1, chosen);
        benchmark::DoNotOptimize(m.Header.NumTriangles);
    }
}

void BM_AddVertexToMiddlePart(benchmark::State& state)
{
    CarModel m = BigModel();
    for (auto _ : state)
        AddVertex(m, 1, 1, 2, 3);
}

BENCHMARK(BM_RemoveMarkedVertices_5000Of20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveTriangles_10000Of40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddVertexToMiddlePart)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
