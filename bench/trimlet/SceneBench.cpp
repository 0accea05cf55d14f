// Frames per second of Trimlet's scene with a car of real size (about 5,000
// vertices and 9,300 triangles, some of them half transparent) at 800 x 600,
// solid and wireframe passes on, in whatever renderer the display gives:
// Mesa's software rasteriser under the private X server that `make bench`
// starts. Goal: 60 frames per second or more.
//
// Without a display the program starts itself again under
// scripts/with-display.

#include "GlobeWindow.h"
#include "TrimletApp.h"

#include "TestCars.h"
#include "TestFiles.h"

#include <QApplication>
#include <QElapsedTimer>

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using trimlet_testing::CarPart;
using trimlet_testing::Point;

Point Unit(Point p)
{
    const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    return length > 0 ? Point{p.x / length, p.y / length, p.z / length} : Point{0, 1, 0};
}

// A closed grid of `rings` x `columns` points made by `at(u, v)` (u, v from
// 0 to 1), its faces wrapping around in v.
CarPart Grid(const std::string& name, Point position, int rings, int columns, auto at, auto normal,
             int semiTransparentFromRing)
{
    CarPart part;
    part.name = name;
    part.position = position;
    std::vector<Point> points;
    std::vector<Point> normals;
    for (int r = 0; r < rings; ++r) {
        for (int c = 0; c < columns; ++c) {
            const float u = static_cast<float>(r) / static_cast<float>(rings - 1);
            const float v = static_cast<float>(c) / static_cast<float>(columns);
            points.push_back(at(u, v));
            normals.push_back(normal(u, v));
        }
    }
    for (int r = 0; r + 1 < rings; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int a = r * columns + c;
            const int b = r * columns + (c + 1) % columns;
            const std::int32_t flags = r >= semiTransparentFromRing ? 0x08 : 0;
            part.faces.push_back({a, b, a + columns});
            part.faces.push_back({b, b + columns, a + columns});
            part.flags.insert(part.flags.end(), {flags, flags});
        }
    }
    for (std::size_t s = 0; s < 3; ++s) {
        part.sets[s] = points;
        part.normals[s] = normals;
    }
    return part;
}

std::vector<CarPart> RealSizeCar()
{
    constexpr float pi = std::numbers::pi_v<float>;
    auto bodyAt = [pi](float u, float v) {
        const float lat = (u - 0.5f) * pi * 0.98f;
        const float lon = v * 2 * pi;
        return Point{1.0f * std::cos(lat) * std::cos(lon), 0.55f * std::sin(lat) + 0.2f,
                     2.2f * std::cos(lat) * std::sin(lon)};
    };
    auto bodyNormal = [&](float u, float v) {
        const Point p = bodyAt(u, v);
        return Unit({p.x / 1.0f, (p.y - 0.2f) / 0.55f, p.z / 2.2f});
    };
    // The upper rings, the glasshouse, are half transparent.
    std::vector<CarPart> parts{Grid("body", {0, 0, 0}, 45, 100, bodyAt, bodyNormal, 30)};
    auto wheelAt = [pi](float u, float v) {
        return Point{(u - 0.5f) * 0.25f, 0.33f * std::cos(v * 2 * pi), 0.33f * std::sin(v * 2 * pi)};
    };
    auto wheelNormal = [pi](float, float v) { return Point{0, std::cos(v * 2 * pi), std::sin(v * 2 * pi)}; };
    const Point corners[] = {{-0.9f, -0.3f, 1.4f}, {0.9f, -0.3f, 1.4f}, {-0.9f, -0.3f, -1.4f}, {0.9f, -0.3f, -1.4f}};
    for (const Point& at : corners)
        parts.push_back(Grid("wheel", at, 2, 60, wheelAt, wheelNormal, 99));
    return parts;
}

class SilentDialogs : public trimlet::TrimletDialogs {
public:
    void Message(const QString& text, const QString&, Icon) override
    {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    std::optional<QString> OpenFceFile() override { return std::nullopt; }
};

// Trimlet started on the car, every part shown, the scene at 800 x 600.
struct Viewer {
    testing_support::TempDir dir;
    SilentDialogs dialogs;
    std::unique_ptr<trimlet::TrimletApp> app;
    int vertices = 0;
    int triangles = 0;

    Viewer()
    {
        const std::vector<CarPart> car = RealSizeCar();
        for (const CarPart& part : car) {
            vertices += static_cast<int>(part.sets[0].size());
            triangles += static_cast<int>(part.faces.size());
        }
        const fs::path fce = fs::path(dir.path()) / "car.fce";
        testing_support::WriteBytes(fce.string(), trimlet_testing::BuildNfs4File(car));
        trimlet::TrimletSetup setup;
        setup.appFolder = dir.path();
        setup.dialogs = &dialogs;
        setup.endProgram = [](int) {
            std::fprintf(stderr, "Trimlet ended during the benchmark\n");
            std::exit(1);
        };
        setup.fceFile = QString::fromStdString(fce.string());
        app = std::make_unique<trimlet::TrimletApp>(std::move(setup));
        if (!app->StartUp())
            std::exit(1);
        trimlet::GlobeWindow& window = *app->Window();
        window.View()->setFixedSize(800, 600);
        window.PartList->selectAll();
        window.GetScene().ShowSolid = true;
        window.GetScene().ShowWireframe = true;
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            QApplication::processEvents();
    }

    trimlet::Scene& Scene() { return app->Window()->GetScene(); }

    void WaitForFrame()
    {
        const std::uint64_t before = Scene().FramesAdvanced();
        while (Scene().FramesAdvanced() == before)
            QApplication::processEvents(QEventLoop::AllEvents);
    }
};

// Made after and destroyed before the QApplication.
std::unique_ptr<Viewer> theViewer;

Viewer& TheViewer()
{
    if (!theViewer)
        theViewer = std::make_unique<Viewer>();
    return *theViewer;
}

void SceneFrames(benchmark::State& state, int distance, bool solid = true, bool wireframe = true)
{
    Viewer& viewer = TheViewer();
    viewer.Scene().SetDistance(distance);
    viewer.Scene().ShowSolid = solid;
    viewer.Scene().ShowWireframe = wireframe;
    viewer.WaitForFrame();
    for (auto _ : state)
        viewer.WaitForFrame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["vertices"] = viewer.vertices;
    state.counters["triangles"] = viewer.triangles;
    state.SetLabel(viewer.app->Device().name);
}

// At the start distance the car fills about a third of the view's height;
// close up it fills the view.
void BM_SceneFrame_StartDistance(benchmark::State& state) { SceneFrames(state, 15); }
void BM_SceneFrame_CloseUp(benchmark::State& state) { SceneFrames(state, 6); }

// Where the time goes: each pass alone, and a frame with neither (clearing
// and showing the window).
void BM_SceneFrame_SolidOnly(benchmark::State& state) { SceneFrames(state, 15, true, false); }
void BM_SceneFrame_WireframeOnly(benchmark::State& state) { SceneFrames(state, 15, false, true); }
void BM_SceneFrame_NoPasses(benchmark::State& state) { SceneFrames(state, 15, false, false); }

// A frame of a drag with the left button: the model turns a little before
// every frame, as it does while the user turns it with the mouse. Only the
// turn changes; the geometry stays as it was.
void BM_SceneFrame_Turning(benchmark::State& state)
{
    Viewer& viewer = TheViewer();
    viewer.Scene().SetDistance(15);
    viewer.Scene().ShowSolid = true;
    viewer.Scene().ShowWireframe = true;
    viewer.WaitForFrame();
    int x = 0;
    for (auto _ : state) {
        viewer.Scene().Turn(x, 0, x + 1, 1);
        ++x;
        viewer.WaitForFrame();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(viewer.app->Device().name);
}

BENCHMARK(BM_SceneFrame_StartDistance)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_SceneFrame_CloseUp)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_SceneFrame_SolidOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SceneFrame_WireframeOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SceneFrame_NoPasses)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SceneFrame_Turning)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    bench_support::EnsureDisplay(argc, argv);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TheViewer();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theViewer.reset();
    return 0;
}
