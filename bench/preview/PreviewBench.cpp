// The 3D preview at 800 x 600 in whatever renderer the display gives: Mesa's
// software rasteriser under the private X server that `make bench` starts.
//
// Goals: a 10,000-triangle car turns at 60 frames a second or more, a
// 200,000-triangle model at 20 or more, and a drag step's buffer update on a
// 1,000,000-triangle model takes under 20 ms. Frames are reported against a
// frame of the same view with nothing to draw (clearing and showing the
// window); the buffer update against one plain copy of the whole vertex
// table.
//
// Without a display the program starts itself again under
// scripts/with-display.

#include "PreviewGL.h"

#include "BenchSupport.h"
#include "TorusPart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

using namespace mobrix;
using namespace mobrix::preview;

// One torus part of columns x rows vertices (2 x columns x rows
// triangles), the size of a car, the texture spread over the grid as a
// painted car's is over its body: each vertex has one place on it.
CarModel TorusOf(int columns, int rows)
{
    CarModel m;
    NewFCE(m);
    m.Header.NumParts = 1;
    bench_support::AppendGridPart(m, 0, columns, rows, 1.5f, 0.5f, {0, 0, 0});
    auto u = [columns](int i) { return float(i % columns) / float(columns); };
    auto v = [columns, rows](int i) { return float(i / columns) / float(rows); };
    for (Triangle& t : m.Triangles) {
        t.U1 = u(t.I1), t.U2 = u(t.I2), t.U3 = u(t.I3);
        t.V1 = v(t.I1), t.V2 = v(t.I2), t.V3 = v(t.I3);
    }
    m.Header.NumVertices = static_cast<std::int32_t>(m.Vertices.size());
    m.Header.NumTriangles = static_cast<std::int32_t>(m.Triangles.size());
    m.Header.ZHalfSize = 2.2f; // the torus reaches z = ±2
    m.Normals.assign(m.Vertices.size(), Vec3{0, 1, 0});
    ResetSelection(m);
    return m;
}

struct Bench {
    CarModel empty;
    CarModel car = TorusOf(100, 50);        // 10,000 triangles
    CarModel large = TorusOf(500, 200);     // 200,000 triangles
    CarModel huge = TorusOf(1000, 500);     // 1,000,000 triangles
    PreviewGL preview;
    std::uint64_t frames = 0;

    Bench()
    {
        NewFCE(empty);
        QObject::connect(&preview, &QOpenGLWidget::frameSwapped, [this] { ++frames; });
        preview.setFixedSize(800, 600);
        preview.SetShownParts({true}, 0);
        QImage texture(512, 512, QImage::Format_RGB32);
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 512; ++x)
                texture.setPixel(x, y, qRgb(x / 2, y / 2, ((x ^ y) & 32) ? 255 : 64));
        preview.SetTexture(texture);
        preview.show();
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            QApplication::processEvents();
    }

    void Show(const CarModel& model)
    {
        preview.SetModel(&model);
        WaitForFrame();
    }

    void WaitForFrame()
    {
        const std::uint64_t before = frames;
        while (frames == before)
            QApplication::processEvents(QEventLoop::AllEvents);
    }
};

std::unique_ptr<Bench> theBench;

// A frame of a drag with the left button: the model turns by one pixel's
// worth before every frame.
void Turning(benchmark::State& state, CarModel Bench::*model, FillMode fill, bool lit = true)
{
    Bench& b = *theBench;
    b.preview.SetFillMode(fill);
    b.preview.SetLighting(lit);
    b.Show(b.*model);
    for (auto _ : state) {
        b.preview.RotatePreview(1, 0);
        b.WaitForFrame();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>((b.*model).Triangles.size());
}

void BM_Frame_Empty(benchmark::State& state) { Turning(state, &Bench::empty, FillMode::Solid); }
void BM_Frame_Car10k(benchmark::State& state) { Turning(state, &Bench::car, FillMode::Solid); }
void BM_Frame_Car10kUnlit(benchmark::State& state) { Turning(state, &Bench::car, FillMode::Solid, false); }
void BM_Frame_Car10kWireframe(benchmark::State& state) { Turning(state, &Bench::car, FillMode::Wireframe); }
void BM_Frame_Large200k(benchmark::State& state) { Turning(state, &Bench::large, FillMode::Solid); }
void BM_Frame_Large200kWireframe(benchmark::State& state) { Turning(state, &Bench::large, FillMode::Wireframe); }

// One drag step on the 1,000,000-triangle model: `rows` rows of the grid
// (1,000 vertices each) move, and the preview rewrites what uses them.
void DragStep(benchmark::State& state, int rows)
{
    Bench& b = *theBench;
    b.preview.SetFillMode(FillMode::Solid);
    b.Show(b.huge);
    const int count = rows * 1000;
    float step = 0.001f;
    for (auto _ : state) {
        for (int i = 0; i < count; ++i)
            b.huge.Vertices[static_cast<std::size_t>(i)].Y += step;
        step = -step;
        b.preview.VerticesMoved(0, count);
    }
    state.counters["vertices"] = count;
}

// A rubber band's worth of vertices (25 rows, 25,000 vertices), and the
// whole part.
void BM_DragStep_1M_Band(benchmark::State& state) { DragStep(state, 25); }
void BM_DragStep_1M_WholePart(benchmark::State& state) { DragStep(state, 500); }

// Baseline: one plain copy of the whole vertex table of the 1,000,000-
// triangle model (60 MB).
void BM_PlainCopy_1M_Table(benchmark::State& state)
{
    const std::vector<PreviewVertex> table = BuildPreviewMesh(theBench->huge).corners;
    std::vector<PreviewVertex> copy(table.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), table.data(), table.size() * sizeof(PreviewVertex));
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}

// What a change of the counts costs: the table built again (the upload
// comes on top).
void BM_Rebuild_1M_Table(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildPreviewMesh(theBench->huge));
}

BENCHMARK(BM_Frame_Empty)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame_Car10k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame_Car10kUnlit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame_Car10kWireframe)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame_Large200k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame_Large200kWireframe)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DragStep_1M_Band)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DragStep_1M_WholePart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopy_1M_Table)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rebuild_1M_Table)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios (same run):\n");
    r.Ratio("10k car frame", "BM_Frame_Car10k", "BM_Frame_Empty", "against an empty frame");
    r.Ratio("10k car frame, lit", "BM_Frame_Car10k", "BM_Frame_Car10kUnlit", "against the same frame unlit");
    r.Ratio("200k model frame", "BM_Frame_Large200k", "BM_Frame_Empty", "against an empty frame");
    r.Ratio("1M drag step (25,000 vertices)", "BM_DragStep_1M_Band", "BM_PlainCopy_1M_Table",
            "against copying the whole table");
    r.Ratio("1M drag step (whole part)", "BM_DragStep_1M_WholePart", "BM_PlainCopy_1M_Table",
            "against copying the whole table");
    r.Ratio("1M table rebuilt", "BM_Rebuild_1M_Table", "BM_PlainCopy_1M_Table", "against copying the whole table");
    auto fps = [&](const char* what, const char* name, double goal) {
        const double t = r.Time(name); // milliseconds per frame
        if (t > 0)
            std::printf("  %-32s %7.1f fps (goal %.0f)\n", what, 1000.0 / t, goal);
    };
    fps("10k car", "BM_Frame_Car10k", 60);
    fps("200k model", "BM_Frame_Large200k", 20);
    fps("10k car, wireframe", "BM_Frame_Car10kWireframe", 60);
    fps("200k model, wireframe", "BM_Frame_Large200kWireframe", 20);
    const double step = r.Time("BM_DragStep_1M_Band");
    if (step > 0)
        std::printf("  %-32s %7.2f ms  (goal under 20)\n", "1M drag step (25,000 vertices)", step);
}

} // namespace

int main(int argc, char** argv)
{
    bench_support::EnsureDisplay(argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    return bench_support::RunWithRatios(
        argc, argv, [] { theBench = std::make_unique<Bench>(); },
        [](const bench_support::RatioReporter& r) {
            PrintRatios(r);
            theBench.reset();
        });
}
