// The mesh transforms and clean-up on an NFSIV model of 1,000,000 triangles
// (so every vertex set and normal set moves): three parts, the middle one
// of 500,000 vertices and 1,000,000 triangles holding repeated triangles and
// coincident vertices. Each command is compared with a plain pass over the
// tables it works on, measured in the same run.

#include "BenchSupport.h"
#include "CarModel.h"
#include "CleanUp.h"
#include "MeshTables.h"
#include "RandomModel.h"
#include "Transforms.h"

#include <random>

using namespace mobrix;

namespace {

constexpr int kBigPart = 1;

const CarModel& BigModel()
{
    static const CarModel model = [] {
        CarModel m = testing_support::RandomModel(
            5, {.vertices = 502'000, .triangles = 1'004'000, .parts = 3, .dummies = 4});
        ModelHeader& h = m.Header;
        h.PartFirstVertex = {0, 1'000, 501'000};
        h.PartNumVertices = {1'000, 500'000, 1'000};
        h.PartFirstTriangle = {0, 2'000, 1'002'000};
        h.PartNumTriangles = {2'000, 1'000'000, 2'000};
        std::mt19937 rng(9);
        for (int p = 0; p < 3; ++p) {
            const auto i = static_cast<std::size_t>(p);
            const auto first = static_cast<std::size_t>(h.PartFirstTriangle[i]);
            std::uniform_int_distribution<int> corner(0, h.PartNumVertices[i] - 1);
            for (int t = 0; t < h.PartNumTriangles[i]; ++t) {
                Triangle& tri = m.Triangles[first + static_cast<std::size_t>(t)];
                tri.I1 = corner(rng);
                tri.I2 = corner(rng);
                tri.I3 = corner(rng);
                // One triangle in ten repeats an earlier one.
                if (t > 0 && t % 10 == 0)
                    tri = m.Triangles[first + static_cast<std::size_t>(corner(rng) % t)];
            }
        }
        // One vertex in ten of the big part sits on another one.
        std::uniform_int_distribution<int> vertex(1'000, 500'999);
        for (std::size_t v = 1'000; v < 501'000; v += 10)
            m.Vertices[v] = m.Vertices[static_cast<std::size_t>(vertex(rng))];
        return m;
    }();
    return model;
}

// Writes every entry of every table the whole-model transforms move once:
// the floor for any of them.
void BM_PlainPass_Model(benchmark::State& state)
{
    CarModel m = BigModel();
    for (auto _ : state) {
        auto touch = [](std::vector<Vec3>& set) {
            for (Vec3& v : set)
                v.X = -v.X;
        };
        ForEachVertexSet(m, touch);
        ForEachNormalSet(m, touch);
        for (Triangle& t : m.Triangles)
            t.I2 = -t.I2;
        benchmark::ClobberMemory();
    }
}

// Reads the big part's vertices and triangles once: the floor for the
// clean-up of the part.
void BM_PlainPass_Part(benchmark::State& state)
{
    const CarModel& m = BigModel();
    const auto span = *PartSpanOf(m, kBigPart);
    for (auto _ : state) {
        float sum = 0;
        for (std::size_t v = 0; v < span.vertices; ++v)
            sum += m.Vertices[span.firstVertex + v].X;
        std::int64_t corners = 0;
        for (std::size_t t = 0; t < span.triangles; ++t) {
            const Triangle& tri = m.Triangles[span.firstTriangle + t];
            corners += tri.I1 + tri.I2 + tri.I3;
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(corners);
    }
}

// A command that leaves the model fit for running it again.
template <class Command>
void Repeated(benchmark::State& state, Command command)
{
    CarModel m = BigModel();
    for (auto _ : state) {
        command(m);
        benchmark::ClobberMemory();
    }
}

// A command that needs the model as it was before each run.
template <class Command>
void OnFreshCopy(benchmark::State& state, Command command)
{
    for (auto _ : state) {
        state.PauseTiming();
        CarModel m = BigModel();
        state.ResumeTiming();
        command(m);
        benchmark::ClobberMemory();
    }
}

void BM_SwapXY(benchmark::State& s) { Repeated(s, [](CarModel& m) { SwapAxes(m, AxisPair::XY); }); }
void BM_SwapXZ(benchmark::State& s) { Repeated(s, [](CarModel& m) { SwapAxes(m, AxisPair::XZ); }); }
void BM_SwapYZ(benchmark::State& s) { Repeated(s, [](CarModel& m) { SwapAxes(m, AxisPair::YZ); }); }
void BM_RotateMesh(benchmark::State& s) { Repeated(s, [](CarModel& m) { RotateMesh(m); }); }
void BM_MirrorX(benchmark::State& s) { Repeated(s, [](CarModel& m) { MirrorPart(m, kBigPart, Axis::X); }); }
void BM_Rescale(benchmark::State& s)
{
    const std::vector<int> all{0, 1, 2};
    Repeated(s, [&](CarModel& m) { RescaleParts(m, all, {100, 100, 100}); });
}
void BM_CentrePart(benchmark::State& s) { Repeated(s, [](CarModel& m) { CentrePart(m, kBigPart); }); }
void BM_CentreAllParts(benchmark::State& s) { Repeated(s, [](CarModel& m) { CentreAllParts(m); }); }
void BM_ReverseWinding(benchmark::State& s) { Repeated(s, [](CarModel& m) { ReverseWindingOrder(m); }); }
void BM_FuseAllParts(benchmark::State& s)
{
    const std::vector<int> all{0, 1, 2};
    OnFreshCopy(s, [&](CarModel& m) { FuseParts(m, kBigPart, all); });
}
void BM_RemoveDuplicatePolys(benchmark::State& s)
{
    OnFreshCopy(s, [](CarModel& m) { RemoveDuplicatePolys(m, kBigPart); });
}
void BM_RemoveUnnecessaryVerts(benchmark::State& s)
{
    OnFreshCopy(s, [](CarModel& m) { RemoveUnnecessaryVerts(m, kBigPart); });
}

BENCHMARK(BM_PlainPass_Model)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SwapXY)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SwapXZ)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SwapYZ)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RotateMesh)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MirrorX)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rescale)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CentrePart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CentreAllParts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReverseWinding)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FuseAllParts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainPass_Part)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RemoveDuplicatePolys)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RemoveUnnecessaryVerts)->Unit(benchmark::kMillisecond)->UseRealTime();

void Goal(const bench_support::RatioReporter& r, const char* what, const char* name, double goalMs)
{
    if (const double ms = r.Time(name); ms > 0)
        std::printf("  %-32s %8.1f ms  (goal: under %.0f ms)\n", what, ms, goalMs);
}

void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios in this run (time / baseline), NFSIV model of 1,004,000 triangles:\n");
    const std::pair<const char*, const char*> transforms[] = {
        {"Swap X Y", "BM_SwapXY"},          {"Swap X Z", "BM_SwapXZ"},
        {"Swap Y Z", "BM_SwapYZ"},          {"Rotate Mesh", "BM_RotateMesh"},
        {"Mirror X (big part)", "BM_MirrorX"}, {"Rescale (all parts)", "BM_Rescale"},
        {"Centre Part (big part)", "BM_CentrePart"}, {"Centre All Parts", "BM_CentreAllParts"},
        {"Reverse Winding Order", "BM_ReverseWinding"}, {"Fuse all parts", "BM_FuseAllParts"},
    };
    for (const auto& [what, name] : transforms)
        r.Ratio(what, name, "BM_PlainPass_Model", "one write pass over every vertex, normal and triangle table");
    r.Ratio("Remove Duplicate Polys", "BM_RemoveDuplicatePolys", "BM_PlainPass_Part", "one read pass over the part");
    r.Ratio("Remove Unnecessary Verts", "BM_RemoveUnnecessaryVerts", "BM_PlainPass_Part", "one read pass over the part");
    std::printf("Times against the goals:\n");
    for (const auto& [what, name] : transforms)
        Goal(r, what, name, 100);
    Goal(r, "Remove Duplicate Polys", "BM_RemoveDuplicatePolys", 1000);
    Goal(r, "Remove Unnecessary Verts", "BM_RemoveUnnecessaryVerts", 1000);
}

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(argc, argv, [] { BigModel(); }, PrintRatios);
}
