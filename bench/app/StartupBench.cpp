// Start-up of Mobrix on the sample car, from starting the process to the
// first paint of its window. The program is started with
// MOBRIX_FIRST_PAINT_EXIT=1, prints the monotonic clock at its first paint
// and ends; the same clock is read here just before the process is started.
// Starting /bin/true the same way is the baseline of what a process start
// costs on this machine.
//
// Needs an X display: without DISPLAY the benchmark starts itself again
// under scripts/with-display, which provides a private Xvfb.

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs the program and returns its standard output (empty on failure).
std::string Run(const char* program, const char* arg, bool probe)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        if (probe)
            setenv("MOBRIX_FIRST_PAINT_EXIT", "1", 1);
        execl(program, program, arg, static_cast<char*>(nullptr));
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
        return {};
    return text;
}

void BM_StartToFirstPaint(benchmark::State& state)
{
    for (auto _ : state) {
        const std::int64_t start = NowNs();
        const std::string printed = Run(MOBRIX_PATH, SAMPLE_PATH, true);
        if (printed.empty()) {
            state.SkipWithError("mobrix did not report its first paint");
            return;
        }
        state.SetIterationTime(double(std::stoll(printed) - start) * 1e-9);
    }
}
BENCHMARK(BM_StartToFirstPaint)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_ProcessStartBaseline(benchmark::State& state)
{
    for (auto _ : state) {
        const std::int64_t start = NowNs();
        Run("/bin/true", nullptr, false);
        state.SetIterationTime(double(NowNs() - start) * 1e-9);
    }
}
BENCHMARK(BM_ProcessStartBaseline)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    bench_support::EnsureDisplay(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
