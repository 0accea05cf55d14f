// The editing handlers of the real main window, on a model whose current
// part has 20,000 vertices and 40,000 triangles (argument 0) and on one of
// 1,000,000 triangles in 8 parts of 125,000 (argument 1): one drag step of
// 5,000 selected vertices (the mouse handler, the canvases and the repaint
// of the views on screen), one nudge of them with an arrow key, one pointer
// move without a button (the hover readout), "Remove Vert" of the 5,000 and
// "Remove Poly" of 10,000 entries chosen in the triangle list (each with its
// list refill and full redraw), and undo and redo of that removal. Loading
// the model again before each removal is not timed. The baseline is a plain
// copy of the model's vertex table. Goal at 1,000,000 triangles: every
// command under 100 ms.
//
// Needs an X display: without DISPLAY the benchmark starts itself again
// under scripts/with-display, which provides a private Xvfb.

#include "FceFiles.h"
#include "panels/EditorPanel.h"
#include "Form1.h"
#include "panels/ViewInput.h"
#include "panels/ViewsPanel.h"
#include "TorusPart.h"
#include "ViewEditing.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QListView>
#include <QListWidget>
#include <QAction>
#include <QTemporaryDir>
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

using namespace mobrix;

namespace {

class QuietDialogs : public app::DialogService {
public:
    app::MessageAnswer Message(const app::MessageRequest&) override { return app::MessageAnswer::Yes; }
    QString Input(const app::InputRequest&) override { return {}; }
    app::FileDialogResult File(const app::FileDialogRequest&) override { return {}; }
    int PickFromList(const app::ChoiceRequest&) override { return 0; }
    int PickButton(const app::ChoiceRequest&) override { return -1; }
};

struct Window {
    QTemporaryDir dir;
    QuietDialogs dialogs;
    std::unique_ptr<app::Form1> form;
    QString path;

    const bool million;

    explicit Window(bool millionTriangles) : million(millionTriangles)
    {
        path = dir.filePath("model.fce");
        CarModel m = million ? bench_support::MillionTriangleModel() : bench_support::TorusModel();
        SaveFCE3(m, path.toStdString());
        form = std::make_unique<app::Form1>(app::Form1Setup{&dialogs, dir.filePath("Mobrix.ini").toStdString()});
        form->show();
        QApplication::processEvents();
        Reload();
        form->ViewsArea().mnuVEdit_Click();
        QApplication::processEvents();
    }
    // Opens the model again, chooses the torus in the part list and marks
    // its band.
    void Reload()
    {
        form->OpenFromCommandLine(path);
        form->findChild<QListWidget*>("PartList")->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        form->Doc().SetVertexMarks(bench_support::BandVertices(form->Model()), true);
    }
};

// Made on first use, again when the other model is asked for, and taken
// down before the application object.
std::unique_ptr<Window> theWindow;

Window& TheWindow(const benchmark::State& state)
{
    const bool million = state.range(0) != 0;
    if (!theWindow || theWindow->million != million) {
        theWindow.reset();
        theWindow = std::make_unique<Window>(million);
    }
    return *theWindow;
}

void Process()
{
    QApplication::processEvents(); // the views copy their canvases to the screen
}

void BM_Window_DragStep(benchmark::State& state)
{
    Window& w = TheWindow(state);
    w.Reload();
    const CarModel& m = w.form->Model();
    const Vec3 grab = views::AbsoluteVertex(m, 1, m.Header.PartFirstVertex[1]);
    w.form->Input().View_MouseDown(views::ViewXY, 1, 0, grab.X, grab.Y);
    int i = 0;
    for (auto _ : state) {
        const float d = (i++ % 2 == 0) ? 0.004f : 0.0f;
        w.form->Input().View_MouseMove(views::ViewXY, 1, 0, grab.X + d, grab.Y + d);
        QApplication::processEvents(); // the views copy their canvases to the screen
    }
    w.form->Input().View_MouseUp(views::ViewXY, 1, 0, grab.X, grab.Y);
    state.counters["selected"] = double(std::count(m.VertSelected.begin(), m.VertSelected.end(), -1));
}
BENCHMARK(BM_Window_DragStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// An arrow key moves the 5,000 marked vertices by one step in the view.
void BM_Window_Nudge(benchmark::State& state)
{
    Window& w = TheWindow(state);
    w.Reload();
    Process();
    int i = 0;
    for (auto _ : state) {
        w.form->Input().Form_KeyDown(i++ % 2 == 0 ? views::vk::Up : views::vk::Down, 0);
        Process();
    }
}
BENCHMARK(BM_Window_Nudge)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The pointer moving over the view without a button: the status line reads
// out the vertex under it, and no view has anything new to show.
void BM_Window_HoverStep(benchmark::State& state)
{
    Window& w = TheWindow(state);
    w.Reload();
    // Above the torus (its Y reaches 0.5): the readout tests every vertex
    // of the part and finds none. A click there first ends any drag, which
    // would hold the readout back until the next press.
    w.form->Input().View_MouseDown(views::ViewXY, 1, 0, 0.0f, 0.9f);
    w.form->Input().View_MouseUp(views::ViewXY, 1, 0, 0.0f, 0.9f);
    QApplication::processEvents();
    int i = 0;
    for (auto _ : state) {
        const float d = (i++ % 2 == 0) ? 0.004f : 0.0f;
        w.form->Input().View_MouseMove(views::ViewXY, 0, 0, d, 0.9f + d);
        QApplication::processEvents(); // the views copy what changed to the screen
    }
}
BENCHMARK(BM_Window_HoverStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Window_RemoveVert5000(benchmark::State& state)
{
    Window& w = TheWindow(state);
    for (auto _ : state) {
        state.PauseTiming();
        w.Reload();
        state.ResumeTiming();
        w.form->Editors().RemoveVert_Click();
    }
}
BENCHMARK(BM_Window_RemoveVert5000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// Opens the model again and chooses every fourth of the first 40,000
// entries of the triangle list.
void ChooseTriangles(Window& w)
{
    w.Reload();
    auto* list = w.form->findChild<QListView*>("TriList");
    QItemSelection chosen;
    for (int t = 0; t < 40'000; t += 4)
        chosen.select(list->model()->index(t, 0), list->model()->index(t, 0));
    list->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
}

void BM_Window_RemovePoly10000(benchmark::State& state)
{
    Window& w = TheWindow(state);
    for (auto _ : state) {
        state.PauseTiming();
        ChooseTriangles(w);
        state.ResumeTiming();
        w.form->Editors().RemovePoly_Click();
    }
}
BENCHMARK(BM_Window_RemovePoly10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// Undo and redo of "Remove Poly" of 10,000 triangles, each with the
// redraw it causes.
void BM_Window_UndoRemovePoly(benchmark::State& state)
{
    Window& w = TheWindow(state);
    ChooseTriangles(w);
    w.form->Editors().RemovePoly_Click();
    QAction* undo = w.form->findChild<QAction*>("mnuUndo");
    QAction* redo = w.form->findChild<QAction*>("mnuRedo");
    for (auto _ : state) {
        undo->trigger();
        Process();
        state.PauseTiming();
        redo->trigger();
        Process();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Window_UndoRemovePoly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_Window_RedoRemovePoly(benchmark::State& state)
{
    Window& w = TheWindow(state);
    ChooseTriangles(w);
    w.form->Editors().RemovePoly_Click();
    QAction* undo = w.form->findChild<QAction*>("mnuUndo");
    QAction* redo = w.form->findChild<QAction*>("mnuRedo");
    for (auto _ : state) {
        state.PauseTiming();
        undo->trigger();
        Process();
        state.ResumeTiming();
        redo->trigger();
        Process();
    }
}
BENCHMARK(BM_Window_RedoRemovePoly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The baseline: a plain copy of the model's vertex table.
void BM_PlainCopy_Vertices(benchmark::State& state)
{
    const CarModel& m = TheWindow(state).form->Model();
    for (auto _ : state) {
        std::vector<Vec3> copy = m.Vertices;
        benchmark::DoNotOptimize(copy.data());
    }
    state.counters["vertices"] = double(m.Vertices.size());
}
BENCHMARK(BM_PlainCopy_Vertices)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    bench_support::EnsureDisplay(argc, argv);
    QApplication app(argc, argv);
    const int status = bench_support::RunWithRatios(argc, argv, [] {}, [](const bench_support::RatioReporter& r) {
        std::printf("\nRatios (same run), against a plain copy of the vertex table of the same model:\n");
        const char* sizes[] = {"0", "1"};
        const char* labels[] = {"40k-triangle part", "1M triangles"};
        for (int k = 0; k < 2; ++k) {
            const std::string arg = std::string("/") + sizes[k];
            const std::string base = "BM_PlainCopy_Vertices" + arg;
            const std::string label = std::string(", ") + labels[k];
            for (const char* name : {"DragStep", "Nudge", "HoverStep"})
                r.Ratio((name + label).c_str(), "BM_Window_" + std::string(name) + arg, base, "copying vertices");
            for (const char* name : {"RemoveVert5000", "RemovePoly10000", "UndoRemovePoly", "RedoRemovePoly"})
                r.Ratio((name + label).c_str(), "BM_Window_" + std::string(name) + arg + "/iterations:5", base,
                        "copying vertices");
        }
    });
    theWindow.reset();
    return status;
}
