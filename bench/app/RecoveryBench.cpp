// The recovery copy of a model of 1,000,000 triangles in 8 parts, written
// as an NFSIV file through the document and autosave the window uses:
//  - the window's pause: what WriteNow takes before the write runs in its
//    own process (the fork that gives it a copy-on-write picture of the
//    document), against a plain copy of the model, which a write from a
//    copy would have to make first;
//  - the whole write (encoding, the model and remap files and the
//    manifest, each flushed to disk), against a plain synced write of the
//    same bytes.
// Peak memory is read from the process (VmHWM) before and after the writes,
// and from the writing processes (their largest ru_maxrss, which counts the
// pages they share with the window as well).
// Goal: the pause under 50 ms.

#include "BenchSupport.h"
#include "RemapFile.h"
#include "TorusPart.h"
#include "VertexEditor.h"
#include "document/Autosave.h"
#include "document/Document.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>

using namespace mobrix;

namespace {

class QuietStatus : public app::StatusLine {
public:
    void Show(const QString&) override {}
};

struct Session {
    std::string folder;
    std::string plainFile;
    app::Document doc;
    QuietStatus status;
    std::unique_ptr<app::Autosave> autosave;
};

Session& Shared()
{
    static Session s;
    if (s.folder.empty()) {
        char pattern[] = "/tmp/mobrix-recovery-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        s.folder = std::string(pattern) + "/recovery";
        s.plainFile = std::string(pattern) + "/plain.fce";
    }
    return s;
}

// The process's peak resident memory so far (VmHWM), in MB.
double PeakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

double peakWithModel = 0;
double peakAfterWrites = 0;

// One small header step, so that the model has changes no copy holds.
void Change(app::Document& doc)
{
    doc.EditHeader("Move Part", {.parts = true}, [](CarModel& m) { return MovePart(m, 0, 0, 0.001f); });
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void BM_Recovery_WindowPause(benchmark::State& state)
{
    Session& s = Shared();
    for (auto _ : state) {
        Change(s.doc);
        const auto start = std::chrono::steady_clock::now();
        const bool started = s.autosave->WriteNow();
        state.SetIterationTime(Seconds(std::chrono::steady_clock::now() - start));
        s.autosave->Wait();
        if (!started) {
            state.SkipWithError("no write started");
            return;
        }
    }
}
BENCHMARK(BM_Recovery_WindowPause)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_Recovery_WholeWrite(benchmark::State& state)
{
    Session& s = Shared();
    for (auto _ : state) {
        Change(s.doc);
        const auto start = std::chrono::steady_clock::now();
        s.autosave->WriteNow();
        s.autosave->Wait();
        state.SetIterationTime(Seconds(std::chrono::steady_clock::now() - start));
    }
    peakAfterWrites = PeakMegabytes();
}
BENCHMARK(BM_Recovery_WholeWrite)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_Recovery_CopyModel(benchmark::State& state)
{
    const CarModel& model = Shared().doc.Model();
    for (auto _ : state) {
        CarModel copy = model;
        benchmark::DoNotOptimize(copy.Triangles.data());
    }
}
BENCHMARK(BM_Recovery_CopyModel)->UseRealTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_Recovery_PlainSyncedWrite(benchmark::State& state)
{
    Session& s = Shared();
    std::vector<std::uint8_t> bytes = EncodeFCE4(s.doc.Model()).bytes;
    const std::vector<std::uint8_t> remap = EncodeRemapData(s.doc.Model(), s.doc.Sections());
    bytes.insert(bytes.end(), remap.begin(), remap.end());
    for (auto _ : state)
        bench_support::PlainWrite(s.plainFile, bytes, true);
}
BENCHMARK(BM_Recovery_PlainSyncedWrite)->UseRealTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Session& s = Shared();
    const int status = bench_support::RunWithRatios(
        argc, argv,
        [&s] {
            s.doc.ReplaceModel(bench_support::MillionTriangleModel(), {.saveVariant = FceVariant::Nfs4, .reportPath = {}});
            s.autosave = std::make_unique<app::Autosave>(s.doc, s.status, app::AutosaveSetup{s.folder, 3600}, nullptr);
            peakWithModel = PeakMegabytes();
        },
        [](const bench_support::RatioReporter& r) {
            std::printf("\nRatios (same run):\n");
            r.Ratio("recovery copy: window pause", "BM_Recovery_WindowPause/iterations:5",
                    "BM_Recovery_CopyModel/iterations:5", "copying the model");
            r.Ratio("recovery copy: whole write", "BM_Recovery_WholeWrite/iterations:5",
                    "BM_Recovery_PlainSyncedWrite/iterations:5", "a plain synced write of its bytes");
            std::printf("  %-32s %7.1f ms\n", "recovery copy: window pause",
                        r.Time("BM_Recovery_WindowPause/iterations:5"));
            std::printf("  %-32s %7.0f MB, %.0f MB with the model alone\n", "peak memory, window", peakAfterWrites,
                        peakWithModel);
            rusage children{};
            ::getrusage(RUSAGE_CHILDREN, &children);
            std::printf("  %-32s %7.0f MB\n", "peak memory, writing process", double(children.ru_maxrss) / 1024.0);
        });
    s.autosave->EndSession();
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(s.folder).parent_path(), ec);
    return status;
}
