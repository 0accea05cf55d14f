// Whole processes on a model of 1,000,000 triangles in 8 parts:
//  - `fcetool convert` from NFSIII to NFSIV (read, convert, write, flush to
//    disk), against dd writing the bytes converted and flushing them the
//    same way (both mostly wait for the disk);
//  - Mobrix from starting the process to the first paint of its window with
//    the model (MOBRIX_FIRST_PAINT_EXIT=1), against starting /bin/true, and
//    the memory it holds then (VmRSS, and its peak VmHWM) against the size
//    of the file it opened.
// Goals: the conversion under 1 s, the first paint under 1.5 s, at most 3
// times the file's size in memory after the first paint.
//
// Needs an X display: without DISPLAY the benchmark starts itself again
// under scripts/with-display, which provides a private Xvfb.

#include "BenchSupport.h"
#include "FceFiles.h"
#include "TorusPart.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Folder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/mobrix-million-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}
std::string Input() { return Folder() + "/million3.fce"; }
std::string Output() { return Folder() + "/million4.fce"; }

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs the program with its arguments; returns its standard output, or
// nothing when it failed.
std::optional<std::string> Run(const std::vector<std::string>& command, bool firstPaintExit)
{
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        if (firstPaintExit)
            setenv("MOBRIX_FIRST_PAINT_EXIT", "1", 1);
        std::vector<char*> argv;
        for (const std::string& a : command)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}

void TimeProcess(benchmark::State& state, const std::vector<std::string>& command)
{
    for (auto _ : state) {
        const std::int64_t start = NowNs();
        if (!Run(command, false)) {
            state.SkipWithError("the process failed");
            return;
        }
        state.SetIterationTime(double(NowNs() - start) * 1e-9);
    }
}

void BM_Million_FcetoolConvert(benchmark::State& state)
{
    TimeProcess(state, {FCETOOL_PATH, "convert", Input(), Output(), "--to", "nfs4"});
}
BENCHMARK(BM_Million_FcetoolConvert)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_Million_PlainWriteAndFlush(benchmark::State& state)
{
    TimeProcess(state, {"/bin/dd", "if=" + Output(), "of=" + Output() + ".copy", "bs=4M", "conv=fdatasync",
                        "status=none"});
}
BENCHMARK(BM_Million_PlainWriteAndFlush)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// What Mobrix held after its first paint, in kB, at the last iteration.
struct PaintMemory {
    long resident = 0;
    long peak = 0;
};
PaintMemory& MemoryAfterPaint()
{
    static PaintMemory memory;
    return memory;
}

void BM_Million_StartToFirstPaint(benchmark::State& state)
{
    for (auto _ : state) {
        const std::int64_t start = NowNs();
        const std::optional<std::string> printed = Run({MOBRIX_PATH, Input()}, true);
        long long paintedAt = 0;
        PaintMemory memory;
        if (!printed ||
            std::sscanf(printed->c_str(), "%lld %ld %ld", &paintedAt, &memory.resident, &memory.peak) != 3) {
            state.SkipWithError("mobrix did not report its first paint");
            return;
        }
        state.SetIterationTime(double(paintedAt - start) * 1e-9);
        MemoryAfterPaint() = memory;
    }
    state.counters["rss_MB"] = static_cast<double>(MemoryAfterPaint().resident) / 1e3;
}

void PrintMemoryAfterPaint()
{
    std::error_code error;
    const auto fileBytes = static_cast<double>(std::filesystem::file_size(Input(), error));
    const PaintMemory& memory = MemoryAfterPaint();
    if (error || fileBytes <= 0 || memory.resident <= 0)
        return;
    std::printf("Mobrix after its first paint of the 1M model (goal: at most 3 times the file):\n");
    std::printf("  resident %7.2fx  the file (%.0f MB held, %.0f MB file)\n", memory.resident * 1e3 / fileBytes,
                memory.resident / 1e3, fileBytes / 1e6);
    std::printf("  peak     %7.2fx  the file (%.0f MB at most, while opening)\n", memory.peak * 1e3 / fileBytes,
                memory.peak / 1e3);
}
BENCHMARK(BM_Million_StartToFirstPaint)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_Million_ProcessStart(benchmark::State& state)
{
    TimeProcess(state, {"/bin/true"});
}
BENCHMARK(BM_Million_ProcessStart)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    bench_support::EnsureDisplay(argc, argv);
    const int status = bench_support::RunWithRatios(
        argc, argv,
        [] {
            mobrix::CarModel m = bench_support::MillionTriangleModel();
            if (mobrix::SaveFCE3(m, Input()))
                std::fprintf(stderr, "could not write %s\n", Input().c_str());
        },
        [](const bench_support::RatioReporter& r) {
            std::printf("\nRatios (same run):\n");
            r.Ratio("fcetool convert, 1M triangles", "BM_Million_FcetoolConvert/iterations:10", "BM_Million_PlainWriteAndFlush/iterations:10",
                    "dd writing and flushing its output");
            r.Ratio("start to first paint, 1M", "BM_Million_StartToFirstPaint/iterations:10", "BM_Million_ProcessStart/iterations:10",
                    "starting /bin/true");
            PrintMemoryAfterPaint();
        });
    std::remove(Input().c_str());
    std::remove(Output().c_str());
    std::remove((Output() + ".copy").c_str());
    ::rmdir(Folder().c_str());
    return status;
}
