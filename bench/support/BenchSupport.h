#pragma once
// What the benchmark programs share: plain reads and writes to measure
// against, and a reporter that prints ratios measured in the same run.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench_support {

// The whole file into memory with the C library, nothing else.
inline std::vector<std::uint8_t> PlainRead(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        bytes.resize(static_cast<std::size_t>(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
            bytes.clear();
        std::fclose(f);
    }
    return bytes;
}

// The bytes over the file in place; `sync` flushes them to disk as every
// save of the project does before it replaces a file.
inline void PlainWrite(const std::string& path, const std::vector<std::uint8_t>& bytes, bool sync)
{
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fflush(f);
        if (sync)
            ::fdatasync(::fileno(f));
        std::fclose(f);
    }
}

// Keeps each benchmark's real time per iteration so that ratios can be
// printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    // Real time of a benchmark registered with UseRealTime() or
    // UseManualTime(), or 0.
    double Time(const std::string& name) const
    {
        for (const char* suffix : {"/real_time", "/manual_time"})
            if (const auto it = times_.find(name + suffix); it != times_.end())
                return it->second;
        return 0.0;
    }

    // One line "what  N.NNx  against" when both benchmarks ran.
    void Ratio(const char* what, const std::string& measured, const std::string& baseline, const char* against) const
    {
        const double m = Time(measured);
        const double b = Time(baseline);
        if (m > 0 && b > 0)
            std::printf("  %-32s %7.2fx  %s\n", what, m / b, against);
    }

private:
    std::map<std::string, double> times_;
};

// main() of a benchmark program that ends with a ratio table.
inline int RunWithRatios(int argc, char** argv, const std::function<void()>& prepare,
                         const std::function<void(const RatioReporter&)>& printRatios)
{
    benchmark::Initialize(&argc, argv);
    prepare();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}

// Benchmarks that open windows need an X display. Without one, the program
// starts itself again under scripts/with-display, which provides a private
// Xvfb, so `make bench` works on a machine without a desktop.
inline void EnsureDisplay(int argc, char** argv)
{
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && display[0] != '\0')
        return;
    std::fflush(stdout);
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        self[n] = '\0';
        std::vector<char*> args{const_cast<char*>(MOBRIX_WITH_DISPLAY), self};
        for (int i = 1; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        ::execv(MOBRIX_WITH_DISPLAY, args.data());
    }
    std::fprintf(stderr, "%s: no display and cannot start %s\n", argv[0], MOBRIX_WITH_DISPLAY);
    std::exit(1);
}

} // namespace bench_support
