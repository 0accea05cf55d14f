// The editing handlers of the real main window on a model whose current
// part has 20,000 vertices and 40,000 triangles: one drag step of 5,000
// selected vertices (the mouse handler, the canvases and the repaint of the
// views on screen), one pointer move without a button (the hover readout),
// "Remove Vert" of the 5,000 and "Remove Poly" of 10,000
// entries chosen in the triangle list (each with its list refill and full
// redraw). Loading the model again before each removal is not timed.
//
// Needs an X display: without DISPLAY the benchmark starts itself again
// under scripts/with-display, which provides a private Xvfb.

#include "FceFiles.h"
#include "EditorPanel.h"
#include "Form1.h"
#include "ViewsPanel.h"
#include "TorusPart.h"
#include "ViewEditing.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QListView>
#include <QListWidget>
#include <QTemporaryDir>
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>
#include <unistd.h>

using namespace mobrix;

namespace {

class QuietDialogs : public app::DialogService {
public:
    app::MessageAnswer Message(const app::MessageRequest&) override { return app::MessageAnswer::Yes; }
    QString Input(const app::InputRequest&) override { return {}; }
    app::FileDialogResult File(const app::FileDialogRequest&) override { return {}; }
};

struct Window {
    QTemporaryDir dir;
    QuietDialogs dialogs;
    std::unique_ptr<app::Form1> form;
    QString path;

    Window()
    {
        path = dir.filePath("torus.fce");
        CarModel m = bench_support::TorusModel();
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
        bench_support::MarkBand(form->Model());
    }
};

// Made on first use and taken down before the application object.
std::unique_ptr<Window> theWindow;

Window& TheWindow()
{
    if (!theWindow)
        theWindow = std::make_unique<Window>();
    return *theWindow;
}

void BM_Window_DragStep(benchmark::State& state)
{
    Window& w = TheWindow();
    w.Reload();
    const CarModel& m = w.form->Model();
    const Vec3 grab = views::AbsoluteVertex(m, 1, m.Header.PartFirstVertex[1]);
    w.form->ViewsArea().View_MouseDown(views::ViewXY, 1, 0, grab.X, grab.Y);
    int i = 0;
    for (auto _ : state) {
        const float d = (i++ % 2 == 0) ? 0.004f : 0.0f;
        w.form->ViewsArea().View_MouseMove(views::ViewXY, 1, 0, grab.X + d, grab.Y + d);
        QApplication::processEvents(); // the views copy their canvases to the screen
    }
    w.form->ViewsArea().View_MouseUp(views::ViewXY, 1, 0, grab.X, grab.Y);
    state.counters["selected"] = double(std::count(m.VertSelected.begin(), m.VertSelected.end(), -1));
}
BENCHMARK(BM_Window_DragStep)->Unit(benchmark::kMillisecond);

// The pointer moving over the view without a button: the status line reads
// out the vertex under it, and no view has anything new to show.
void BM_Window_HoverStep(benchmark::State& state)
{
    Window& w = TheWindow();
    w.Reload();
    // Above the torus (its Y reaches 0.5): the readout tests every vertex
    // of the part and finds none. A click there first ends any drag, which
    // would hold the readout back until the next press.
    w.form->ViewsArea().View_MouseDown(views::ViewXY, 1, 0, 0.0f, 0.9f);
    w.form->ViewsArea().View_MouseUp(views::ViewXY, 1, 0, 0.0f, 0.9f);
    QApplication::processEvents();
    int i = 0;
    for (auto _ : state) {
        const float d = (i++ % 2 == 0) ? 0.004f : 0.0f;
        w.form->ViewsArea().View_MouseMove(views::ViewXY, 0, 0, d, 0.9f + d);
        QApplication::processEvents(); // the views copy what changed to the screen
    }
}
BENCHMARK(BM_Window_HoverStep)->Unit(benchmark::kMillisecond);

void BM_Window_RemoveVert5000(benchmark::State& state)
{
    Window& w = TheWindow();
    for (auto _ : state) {
        state.PauseTiming();
        w.Reload();
        state.ResumeTiming();
        w.form->Editors().Command3_Click();
    }
}
BENCHMARK(BM_Window_RemoveVert5000)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_Window_RemovePoly10000(benchmark::State& state)
{
    Window& w = TheWindow();
    auto* list = w.form->findChild<QListView*>("TriList");
    for (auto _ : state) {
        state.PauseTiming();
        w.Reload();
        QItemSelection chosen;
        for (int t = 0; t < 40'000; t += 4)
            chosen.select(list->model()->index(t, 0), list->model()->index(t, 0));
        list->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
        state.ResumeTiming();
        w.form->Editors().Command4_Click();
    }
}
BENCHMARK(BM_Window_RemovePoly10000)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    bench_support::EnsureDisplay(argc, argv);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theWindow.reset();
    return 0;
}
