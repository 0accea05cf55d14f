// REMAP on the largest case (500,000 vertices, 1,000,000 triangles) against
// a plain pass over the same triangle table that reads each triangle's three
// corners and writes six texture coordinates, measured in the same run.

#include "CarModel.h"
#include "RandomModel.h"
#include "Remap.h"
#include "RemapSections.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace mobrix;

namespace {

constexpr int kVertices = 500'000;
constexpr int kTriangles = 1'000'000;

// Every triangle in one of the seven sections, in turn.
CarModel& LargeModel()
{
    static CarModel model = [] {
        CarModel m = testing_support::RandomModel(
            11, {.vertices = kVertices, .triangles = kTriangles, .parts = 30, .dummies = 0});
        ResetSelection(m);
        for (std::size_t t = 0; t < m.TriState.size(); ++t)
            m.TriState[t].RemapGroup = static_cast<std::int16_t>(t % kUsedRemapSections);
        return m;
    }();
    return model;
}

void BM_PlainTrianglePass_1M(benchmark::State& state)
{
    CarModel& m = LargeModel();
    for (auto _ : state) {
        for (int p = 0; p < m.Header.NumParts; ++p) {
            const IndexRange range = PartTriangleRange(m, p);
            const Vec3* base = m.Vertices.data() + m.Header.PartFirstVertex[static_cast<std::size_t>(p)];
            for (std::int64_t t = range.begin; t < range.end; ++t) {
                Triangle& tri = m.Triangles[static_cast<std::size_t>(t)];
                tri.U1 = base[tri.I1].X;
                tri.V1 = base[tri.I1].Y;
                tri.U2 = base[tri.I2].X;
                tri.V2 = base[tri.I2].Y;
                tri.U3 = base[tri.I3].X;
                tri.V3 = base[tri.I3].Y;
            }
        }
        benchmark::ClobberMemory();
    }
}

void BM_Remap_1M(benchmark::State& state)
{
    CarModel& m = LargeModel();
    const RemapSections sections = StartupRemapSections();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Remap(m, sections));
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_PlainTrianglePass_1M)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Remap_1M)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios in this run (time / baseline), 1,000,000 triangles in 30 parts:\n");
    r.Ratio("REMAP", "BM_Remap_1M", "BM_PlainTrianglePass_1M", "plain pass reading corners, writing U/V");
    if (const double remap = r.Time("BM_Remap_1M"); remap > 0)
        std::printf("  REMAP, 1,000,000 triangles: %.1f ms (goal: under 200 ms)\n", remap);
}

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(argc, argv, [] { LargeModel(); }, PrintRatios);
}
