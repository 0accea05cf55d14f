// Full redraws of a large model into the view canvases, without a window.
// The model is a closed, car-sized mesh of small triangles (100,000
// vertices, about 200,000 triangles in ten parts, all parts selected), as a
// detailed car would be.
//
// Cases: the 2 x 2 grid of a 1600 x 1000 view area (three wireframe views of
// 800 x 500), one view filling 1600 x 1000, and the three wireframe views
// each at 1600 x 1000. Clearing alone and the same outlines drawn with the
// general-purpose painter are there to compare against.
//
// The three views at 1600 x 1000 are drawn for a model of 1,000,000
// triangles in 8 parts too; goals: 10 redraws a second or more at 1,000,000
// triangles, 30 or more at 200,000. Clearing the three views is the
// baseline of those ratios. Its CPU column counts both drawing threads.

#include "BenchSupport.h"
#include "TorusPart.h"
#include "ViewDrawing.h"

#include <QPainter>
#include <benchmark/benchmark.h>

#include <cmath>

using namespace mobrix;
using namespace mobrix::views;

namespace {

// Part p is a band of an ellipsoid of the size of a car: rows x columns
// vertices, two triangles per grid cell.
CarModel LargeCar(int parts = 10, int rows = 100, int columns = 100)
{
    CarModel m;
    ModelHeader& h = m.Header;
    h.NumParts = parts;
    constexpr float kPi = 3.14159265f;
    for (int p = 0; p < parts; ++p) {
        h.PartFirstVertex[p] = static_cast<std::int32_t>(m.Vertices.size());
        h.PartFirstTriangle[p] = static_cast<std::int32_t>(m.Triangles.size());
        for (int r = 0; r < rows; ++r) {
            const float lat = kPi * (float(p * (rows - 1) + r) / float(parts * (rows - 1)) - 0.5f);
            for (int c = 0; c < columns; ++c) {
                const float lon = 2 * kPi * float(c) / float(columns - 1);
                m.Vertices.push_back({0.9f * std::cos(lat) * std::cos(lon), 0.65f * std::sin(lat),
                                      2.2f * std::cos(lat) * std::sin(lon)});
            }
        }
        for (int r = 0; r + 1 < rows; ++r) {
            for (int c = 0; c + 1 < columns; ++c) {
                const int a = r * columns + c, b = a + 1, d = a + columns, e = d + 1;
                Triangle t1, t2;
                t1.I1 = a, t1.I2 = b, t1.I3 = d;
                t2.I1 = b, t2.I2 = e, t2.I3 = d;
                m.Triangles.push_back(t1);
                m.Triangles.push_back(t2);
            }
        }
        h.PartNumVertices[p] = static_cast<std::int32_t>(m.Vertices.size()) - h.PartFirstVertex[p];
        h.PartNumTriangles[p] = static_cast<std::int32_t>(m.Triangles.size()) - h.PartFirstTriangle[p];
    }
    h.NumVertices = static_cast<std::int32_t>(m.Vertices.size());
    h.NumTriangles = static_cast<std::int32_t>(m.Triangles.size());
    m.Normals.assign(m.Vertices.size(), Vec3{});
    ResetSelection(m);
    return m;
}

const CarModel& Model()
{
    static const CarModel model = LargeCar();
    return model;
}

// All eight parts shown, the first current.
const CarModel& MillionModel()
{
    static const CarModel model = bench_support::MillionTriangleModel();
    return model;
}

struct Scene {
    ViewState state;
    DisplayOptions options;
    ViewSurfaces views;
    PartSelection parts;

    Scene(int outerWidth, int outerHeight, bool onlyXY, const CarModel& model = Model())
    {
        for (int v = 0; v < kViewCount; ++v) {
            views[v].Resize(ViewSize{outerWidth, outerHeight});
            views[v].visible = onlyXY ? v == ViewXY : v < kOrthoViewCount;
        }
        parts.Shown.assign(kPartSlots, true);
        RescaleView(model, options, views[ViewZX].size, state);
    }
};

void Report(benchmark::State& state, const CarModel& model = Model())
{
    state.counters["redraws_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = double(model.Header.NumTriangles);
}

void BM_RedrawView(benchmark::State& state)
{
    Scene scene(int(state.range(0)), int(state.range(1)), state.range(2) != 0);
    const DrawContext ctx{Model(), scene.state, scene.options, scene.views};
    for (auto _ : state) {
        RedrawView(ctx, scene.parts);
        benchmark::DoNotOptimize(scene.views[ViewXY].canvas.constBits());
    }
    Report(state);
}
// Grid of a 1600 x 1000 area; one view of 1600 x 1000; three views at 1600 x 1000.
BENCHMARK(BM_RedrawView)->Args({804, 504, 0})->Args({1604, 1004, 1})->Args({1604, 1004, 0})->Unit(benchmark::kMillisecond);

void BM_ClearOnly(benchmark::State& state)
{
    Scene scene(int(state.range(0)), int(state.range(1)), false);
    CarModel empty;
    const DrawContext ctx{empty, scene.state, scene.options, scene.views};
    for (auto _ : state) {
        RedrawView(ctx, scene.parts);
        benchmark::DoNotOptimize(scene.views[ViewXY].canvas.constBits());
    }
    Report(state);
}
BENCHMARK(BM_ClearOnly)->Args({804, 504})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClearOnly)->Args({1604, 1004})->Unit(benchmark::kMillisecond)->UseRealTime();

// The three views at 1600 x 1000, of the 200,000 and the 1,000,000 models.
void BM_ThreeViews(benchmark::State& state)
{
    const CarModel& model = state.range(0) != 0 ? MillionModel() : Model();
    Scene scene(1604, 1004, false, model);
    const DrawContext ctx{model, scene.state, scene.options, scene.views};
    for (auto _ : state) {
        RedrawView(ctx, scene.parts);
        benchmark::DoNotOptimize(scene.views[ViewXY].canvas.constBits());
    }
    Report(state, model);
}
BENCHMARK(BM_ThreeViews)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The same outlines of every part in one 800 x 500 view through QPainter.
void BM_OutlinesWithPainter(benchmark::State& state)
{
    Scene scene(804, 504, true);
    const CarModel& m = Model();
    QImage& canvas = scene.views[ViewXY].canvas;
    const PixelMapping map(scene.state.Scale[ViewXY], canvas.width(), canvas.height());
    std::vector<QPoint> points(m.Vertices.size());
    for (auto _ : state) {
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        painter.setPen(QPen(Qt::black, 1));
        for (int p = 0; p < m.Header.NumParts; ++p) {
            for (std::size_t i = 0; i < points.size(); ++i)
                points[i] = QPoint(map.PixelX(m.Vertices[i].X), map.PixelY(m.Vertices[i].Y));
            const int first = m.Header.PartFirstVertex[p];
            for (int t = 0; t < m.Header.PartNumTriangles[p]; ++t) {
                const Triangle& tri = m.Triangles[std::size_t(m.Header.PartFirstTriangle[p] + t)];
                const QPoint corners[3] = {points[std::size_t(first + tri.I1)], points[std::size_t(first + tri.I2)],
                                           points[std::size_t(first + tri.I3)]};
                painter.drawPolygon(corners, 3);
            }
        }
    }
    Report(state);
}
BENCHMARK(BM_OutlinesWithPainter)->Unit(benchmark::kMillisecond);

void BM_OutlinesWithRasteriser(benchmark::State& state)
{
    Scene scene(804, 504, true);
    const DrawContext ctx{Model(), scene.state, scene.options, scene.views};
    for (auto _ : state) {
        Raster(scene.views[ViewXY].canvas).Fill(kWhite);
        for (int p = 0; p < Model().Header.NumParts; ++p)
            DrawTri(ctx, p, kBlack);
    }
    Report(state);
}
BENCHMARK(BM_OutlinesWithRasteriser)->Unit(benchmark::kMillisecond);

// The texture-map view alone at 800 x 600 with a 1,024 x 1,024 texture:
// the texture under the outlines of every part (all selected), against the
// texture alone (a model without triangles).
const CarModel& MappedModel()
{
    static const CarModel model = [] {
        CarModel m = LargeCar();
        // Each corner's U and V from its position, so the outlines spread
        // over the whole texture as a remapped car's would.
        for (int p = 0; p < m.Header.NumParts; ++p) {
            const std::size_t first = std::size_t(m.Header.PartFirstVertex[p]);
            for (int t = 0; t < m.Header.PartNumTriangles[p]; ++t) {
                Triangle& tri = m.Triangles[std::size_t(m.Header.PartFirstTriangle[p] + t)];
                auto uv = [&](std::int32_t c, float& u, float& v) {
                    const Vec3& x = m.Vertices[first + std::size_t(c)];
                    u = (x.Z / 2.2f + 1) / 2;
                    v = (x.Y / 0.65f + 1) / 2;
                };
                uv(tri.I1, tri.U1, tri.V1);
                uv(tri.I2, tri.U2, tri.V2);
                uv(tri.I3, tri.U3, tri.V3);
            }
        }
        return m;
    }();
    return model;
}

void BM_TextureView(benchmark::State& state)
{
    Scene scene(804, 604, false);
    for (int v = 0; v < kViewCount; ++v)
        scene.views[v].visible = v == ViewUV;
    TextureMap texture;
    QImage image(1024, 1024, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
    texture.SetImage(image);
    const CarModel empty;
    const CarModel& model = state.range(0) != 0 ? MappedModel() : empty;
    const DrawContext ctx{model, scene.state, scene.options, scene.views, &texture};
    for (auto _ : state) {
        RedrawTextureView(ctx, scene.parts);
        benchmark::DoNotOptimize(scene.views[ViewUV].canvas.constBits());
    }
    Report(state);
}
// With the outlines of 200,000 triangles; the texture alone.
BENCHMARK(BM_TextureView)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(
        argc, argv, [] {},
        [](const bench_support::RatioReporter& r) {
            std::printf("\nRatios (same run):\n");
            r.Ratio("three views, 200k triangles", "BM_ThreeViews/0/process_time", "BM_ClearOnly/1604/1004",
                    "clearing the three views");
            r.Ratio("three views, 1M triangles", "BM_ThreeViews/1/process_time", "BM_ClearOnly/1604/1004",
                    "clearing the three views");
        });
}
