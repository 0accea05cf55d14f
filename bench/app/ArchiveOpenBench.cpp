// Opening the sample car archive in the real main window, its texture
// loading itself from the archive, against opening the same car as a loose
// car.fce with its car00.tga beside it (which loads the same way). Both
// include the window's refresh. Goal: the archive under 1.5 times the loose
// files.
//
// Needs an X display: without DISPLAY the benchmark starts itself again
// under scripts/with-display, which provides a private Xvfb.

#include "BenchSupport.h"
#include "Form1.h"
#include "Viv.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

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
    QString archive;
    QString loose;

    Window()
    {
        archive = dir.filePath("car.viv");
        QFile::copy(QStringLiteral(MOBRIX_SAMPLES_DIR "/car.viv"), archive);
        // The same entries as loose files in a folder of their own.
        const std::vector<std::uint8_t> bytes = bench_support::PlainRead(archive.toStdString());
        const auto read = ReadViv(bytes);
        QDir(dir.path()).mkdir("loose");
        for (const VivEntry& e : std::get<VivArchive>(read).entries) {
            const auto entry = EntryBytes(bytes, e);
            bench_support::PlainWrite(dir.filePath("loose/" + QString::fromStdString(e.name)).toStdString(),
                                      {entry.begin(), entry.end()}, false);
        }
        loose = dir.filePath("loose/car.fce");
        form = std::make_unique<app::Form1>(app::Form1Setup{&dialogs, dir.filePath("Mobrix.ini").toStdString()});
        form->show();
        QApplication::processEvents();
    }
};

std::unique_ptr<Window> theWindow;

Window& TheWindow()
{
    if (!theWindow)
        theWindow = std::make_unique<Window>();
    return *theWindow;
}

void OpenEach(benchmark::State& state, const QString& path)
{
    Window& w = TheWindow();
    for (auto _ : state) {
        w.form->OpenFromCommandLine(path);
        QApplication::processEvents();
    }
    if (w.form->Doc().TexturePath().isEmpty())
        state.SkipWithError("the texture did not load");
}

void BM_Open_Archive(benchmark::State& state)
{
    OpenEach(state, TheWindow().archive);
}
BENCHMARK(BM_Open_Archive)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Open_LooseFiles(benchmark::State& state)
{
    OpenEach(state, TheWindow().loose);
}
BENCHMARK(BM_Open_LooseFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    bench_support::EnsureDisplay(argc, argv);
    QApplication app(argc, argv);
    const int status = bench_support::RunWithRatios(argc, argv, [] {}, [](const bench_support::RatioReporter& r) {
        std::printf("\nRatio (same run):\n");
        r.Ratio("car.viv with its texture", "BM_Open_Archive", "BM_Open_LooseFiles", "car.fce and car00.tga");
    });
    theWindow.reset();
    return status;
}
