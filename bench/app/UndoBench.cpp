// Undo and redo on a model of 1,000,000 triangles in 8 parts, through the
// document the window edits with:
//  - a drag of 5,000 selected vertices (20 pointer moves, one step), against
//    a plain copy of the same 5,000 positions;
//  - "Remove Poly" of 10,000 triangles of one 125,000-triangle part, against
//    a plain copy of that part's triangle table.
// The memory 100 separate drags hold in the history is reported as well, and
// what the Remove Poly step holds against the rows it removed. In plain
// vectors every change of the part's length would move the rows of every
// triangle table after the part; that move down and back is measured too,
// as what the free rows the triangle tables keep at the part's end save.
// Goals: every undo and redo under 100 ms; undo and redo of Remove Poly
// within 3x copying the part's triangles; 100 drag steps under 50 MB.

#include "BenchSupport.h"
#include "EditRecord.h"
#include "MeshEdit.h"
#include "TorusPart.h"
#include "document/Document.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>

using namespace mobrix;

namespace {

constexpr int kPart = 3;
constexpr int kSelected = 5000;

std::unique_ptr<app::Document> MillionDocument()
{
    auto doc = std::make_unique<app::Document>();
    doc->ReplaceModel(bench_support::MillionTriangleModel(), {});
    return doc;
}

std::vector<std::int32_t> SelectedOfPart(const CarModel& m)
{
    std::vector<std::int32_t> indices;
    for (int k = 0; k < kSelected; ++k)
        indices.push_back(m.Header.PartFirstVertex[kPart] + k);
    return indices;
}

// One drag: 20 pointer moves merged into one step.
void Drag(app::Document& doc, const std::vector<std::int32_t>& indices)
{
    doc.EndMerge();
    for (int move = 0; move < 20; ++move) {
        std::vector<Vec3> to = PositionsOf(doc.Model(), indices);
        for (Vec3& p : to)
            p.X += 0.001f;
        doc.MoveVertices("Drag Vertices", kPart, indices, std::move(to), app::Document::MergeKey::Drag);
    }
    doc.EndMerge();
}

void BM_Undo_Drag(benchmark::State& state)
{
    auto doc = MillionDocument();
    const auto indices = SelectedOfPart(doc->Model());
    Drag(*doc, indices);
    for (auto _ : state) {
        doc->History().undo();
        state.PauseTiming();
        doc->History().redo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Undo_Drag)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Redo_Drag(benchmark::State& state)
{
    auto doc = MillionDocument();
    const auto indices = SelectedOfPart(doc->Model());
    Drag(*doc, indices);
    for (auto _ : state) {
        state.PauseTiming();
        doc->History().undo();
        state.ResumeTiming();
        doc->History().redo();
    }
}
BENCHMARK(BM_Redo_Drag)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainCopy_DragPositions(benchmark::State& state)
{
    CarModel m = bench_support::MillionTriangleModel();
    const auto indices = SelectedOfPart(m);
    const std::vector<Vec3> positions = PositionsOf(m, indices);
    for (auto _ : state) {
        PutPositions(m, indices, positions);
        benchmark::DoNotOptimize(m.Vertices.data());
    }
}
BENCHMARK(BM_PlainCopy_DragPositions)->Unit(benchmark::kMillisecond)->UseRealTime();

std::vector<int> EveryTwelfth()
{
    std::vector<int> rows;
    for (int t = 0; t < 120'000; t += 12)
        rows.push_back(t);
    return rows;
}

std::size_t removePolyStepBytes = 0;
std::size_t removePolyRowBytes = 0;

void BM_Undo_RemovePoly10000(benchmark::State& state)
{
    auto doc = MillionDocument();
    const std::vector<int> rows = EveryTwelfth();
    doc->EditPart("Remove Poly", kPart, app::Change{.meshPart = kPart},
                  [&](CarModel& m) { return RemoveTriangles(m, kPart, rows) == MeshEditStatus::Done; });
    removePolyStepBytes = doc->HistoryBytes();
    removePolyRowBytes = rows.size() * (sizeof(Triangle) + sizeof(TriStateRecord));
    for (auto _ : state) {
        doc->History().undo();
        state.PauseTiming();
        doc->History().redo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Undo_RemovePoly10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Redo_RemovePoly10000(benchmark::State& state)
{
    auto doc = MillionDocument();
    const std::vector<int> rows = EveryTwelfth();
    doc->EditPart("Remove Poly", kPart, app::Change{.meshPart = kPart},
                  [&](CarModel& m) { return RemoveTriangles(m, kPart, rows) == MeshEditStatus::Done; });
    for (auto _ : state) {
        state.PauseTiming();
        doc->History().undo();
        state.ResumeTiming();
        doc->History().redo();
    }
}
BENCHMARK(BM_Redo_RemovePoly10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainCopy_PartTriangles(benchmark::State& state)
{
    const CarModel m = bench_support::MillionTriangleModel();
    const auto first = m.Triangles.begin() + m.Header.PartFirstTriangle[kPart];
    for (auto _ : state) {
        std::vector<Triangle> copy(first, first + m.Header.PartNumTriangles[kPart]);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_PlainCopy_PartTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainShift_RowsAfterPart(benchmark::State& state)
{
    CarModel m = bench_support::MillionTriangleModel();
    const auto end = static_cast<std::ptrdiff_t>(m.Header.PartFirstTriangle[kPart] + m.Header.PartNumTriangles[kPart]);
    constexpr std::ptrdiff_t kRows = 10'000;
    const auto downAndBack = [&](auto& table) {
        table.erase(table.begin() + end - kRows, table.begin() + end);
        table.insert(table.begin() + end - kRows, kRows, {});
    };
    for (auto _ : state) {
        downAndBack(m.Triangles);
        downAndBack(m.TriState);
        benchmark::DoNotOptimize(m.Triangles.data());
    }
}
BENCHMARK(BM_PlainShift_RowsAfterPart)->Unit(benchmark::kMillisecond)->UseRealTime();

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// What 100 separate drags of 5,000 vertices keep in the history.
void BM_History_100Drags(benchmark::State& state)
{
    double mb = 0;
    for (auto _ : state) {
        auto doc = MillionDocument();
        const auto indices = SelectedOfPart(doc->Model());
        const long before = ResidentKiB();
        for (int drag = 0; drag < 100; ++drag)
            Drag(*doc, indices);
        mb = double(ResidentKiB() - before) / 1024.0;
    }
    state.counters["MB"] = mb;
    std::printf("  100 drags of %d vertices hold %.1f MB in the history (goal: under 50 MB)\n", kSelected, mb);
}
BENCHMARK(BM_History_100Drags)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(
        argc, argv, [] {},
        [](const bench_support::RatioReporter& r) {
            std::printf("\nUndo and redo on 1,000,000 triangles (goal: each under 100 ms)\n");
            r.Ratio("undo of a drag", "BM_Undo_Drag", "BM_PlainCopy_DragPositions", "copying its positions");
            r.Ratio("redo of a drag", "BM_Redo_Drag", "BM_PlainCopy_DragPositions", "copying its positions");
            r.Ratio("undo of Remove Poly 10,000", "BM_Undo_RemovePoly10000", "BM_PlainCopy_PartTriangles",
                    "copying the part's triangles");
            r.Ratio("redo of Remove Poly 10,000", "BM_Redo_RemovePoly10000", "BM_PlainCopy_PartTriangles",
                    "copying the part's triangles");
            const double both = r.Time("BM_Undo_RemovePoly10000") + r.Time("BM_Redo_RemovePoly10000");
            if (const double shift = r.Time("BM_PlainShift_RowsAfterPart"); shift > 0)
                std::printf("  %-32s %7.2fx  %s\n", "undo + redo of Remove Poly", both / shift,
                            "moving the rows after the part down and back in vectors");
            std::printf("  undo of a drag: %.2f ms, of Remove Poly: %.2f ms\n", r.Time("BM_Undo_Drag"),
                        r.Time("BM_Undo_RemovePoly10000"));
            if (removePolyRowBytes > 0)
                std::printf("  the Remove Poly step holds %zu bytes for %zu bytes of removed rows (%.2fx)\n",
                            removePolyStepBytes, removePolyRowBytes,
                            double(removePolyStepBytes) / double(removePolyRowBytes));
        });
}
