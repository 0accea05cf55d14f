// One drag step of 5,000 selected vertices of a 20,000-vertex, 40,000-
// triangle part into the three wireframe views of the 2 x 2 grid (400 x 260
// each): erase, move, redraw. The step of a mouse drag, whose selected
// vertices and affected triangles are worked out once at the press, is
// compared with the one-pass step that works them out again (as a key nudge
// does) and with the same step done vertex by vertex (erase the vertex and
// the edges of every triangle that uses it, move it, draw it again), which
// scans all the part's triangles for each vertex. A full redraw of the
// model is there to compare against as well.

#include "TorusPart.h"
#include "ViewDrawing.h"
#include "ViewEditing.h"

#include <benchmark/benchmark.h>

using namespace mobrix;
using namespace mobrix::views;

namespace {

struct Scene {
    CarModel model = bench_support::TorusModel();
    ViewState state;
    DisplayOptions options;
    ViewSurfaces views;
    PartSelection parts{{true, true, true}};

    Scene()
    {
        options.Vertices = true;
        options.Modes.Vertex = true;
        for (int v = 0; v < kViewCount; ++v) {
            views[v].Resize(ViewSize{404, 264});
            views[v].visible = v < kOrthoViewCount;
        }
        bench_support::MarkBand(model);
        RescaleView(model, options, views[ViewZX].size, state);
        RedrawView(Ctx(), parts);
    }
    DrawContext Ctx() { return DrawContext{model, state, options, views}; }
};

// Small moves back and forth, as a hand on the mouse makes them.
float Step(int i)
{
    return (i % 2 == 0 ? 1.0f : -1.0f) * 0.004f;
}

// Erase, move in the XY view's plane, draw: what the window does per step.
void DragStep(Scene& s, const DragSet& set, float dh, float dv)
{
    DrawDragStep(s.Ctx(), set, DragPhase::Erase);
    const std::vector<Vec3> moved = MovedInView(s.model, set.selected, ViewXY, dh, dv);
    for (std::size_t k = 0; k < moved.size(); ++k)
        s.model.Vertices[static_cast<std::size_t>(set.selected[k])] = moved[k];
    DrawDragStep(s.Ctx(), set, DragPhase::Draw);
}

void BM_DragStep_PreparedAtPress(benchmark::State& state)
{
    Scene s;
    const DragSet set = PrepareDrag(s.model, 1);
    int i = 0;
    for (auto _ : state) {
        DragStep(s, set, Step(i), Step(i + 1));
        ++i;
    }
    state.counters["selected"] = double(set.selected.size());
}
BENCHMARK(BM_DragStep_PreparedAtPress)->Unit(benchmark::kMillisecond);

void BM_DragStep_OnePass(benchmark::State& state)
{
    Scene s;
    int i = 0;
    for (auto _ : state) {
        DragStep(s, PrepareDrag(s.model, 1), Step(i), Step(i + 1));
        ++i;
    }
    state.counters["selected"] = 5000;
}
BENCHMARK(BM_DragStep_OnePass)->Unit(benchmark::kMillisecond);

void BM_DragStep_VertexByVertex(benchmark::State& state)
{
    Scene s;
    int i = 0;
    for (auto _ : state) {
        const DrawContext ctx = s.Ctx();
        for (std::size_t v = 0; v < s.model.VertSelected.size(); ++v) {
            if (s.model.VertSelected[v] == 0)
                continue;
            ReDrawVert(ctx, 1, int(v), kWhite, kWhite, kWhite);
            MoveInView(s.model.Vertices[v], ViewXY, Step(i), Step(i + 1));
            ReDrawVert(ctx, 1, int(v), QBColor(12), Complement(QBColor(12)), kBlack);
        }
        ++i;
    }
}
BENCHMARK(BM_DragStep_VertexByVertex)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_FullRedraw(benchmark::State& state)
{
    Scene s;
    for (auto _ : state)
        RedrawView(s.Ctx(), s.parts);
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
