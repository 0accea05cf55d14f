// Reading and writing FCE files of the large case (100,000 vertices,
// 200,000 triangles) against a plain read and write of the same number of
// bytes, FCE4M against NFSIV, a million-triangle FCE4M round trip, fcetool
// convert of a million triangles against dd with its peak memory, and
// fcetool info on a real-size car as a whole process.
//
// Prints Google Benchmark's table, then the ratios measured in this run.

#include "CarModel.h"
#include "FceFiles.h"
#include "Process.h"
#include "RandomModel.h"
#include "TestFiles.h"
#include "VariantConversion.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mobrix;
using namespace testing_support;

extern char** environ;

namespace {

using bench_support::PlainRead;
using bench_support::PlainWrite;

constexpr int kLargeVertices = 100'000;
constexpr int kLargeTriangles = 200'000;
constexpr int kCarVertices = 5'000;
constexpr int kCarTriangles = 9'000;

// Files shared by all benchmarks, made once.
struct Fixture {
    TempDir dir;
    std::string nfs3 = dir.File("large3.fce");
    std::string nfs4 = dir.File("large4.fce");
    std::string fce4m = dir.File("large4m.fce");
    std::string car = dir.File("car4.fce");
    std::string out = dir.File("out.fce");
    std::vector<std::uint8_t> nfs4Bytes, fce4mBytes;

    Fixture()
    {
        CarModel large = RandomModel(1, {.vertices = kLargeVertices, .triangles = kLargeTriangles, .parts = 30,
                                         .dummies = 8});
        CarModel copy = large;
        SaveFCE3(copy, nfs3);
        SaveFCE4(large, nfs4);
        nfs4Bytes = EncodeFCE4(large).bytes;
        ConvertToVariant(large, FceVariant::Fce4m);
        SaveFCE4M(large, fce4m);
        fce4mBytes = EncodeFCE4M(large).bytes;
        CarModel real = RandomModel(2, {.vertices = kCarVertices, .triangles = kCarTriangles, .parts = 20,
                                        .dummies = 10});
        SaveFCE4(real, car);
    }
};

Fixture& Files()
{
    static Fixture fixture;
    return fixture;
}



void PlainCopy(benchmark::State& state, const std::string& path, bool sync)
{
    for (auto _ : state) {
        auto bytes = PlainRead(path);
        PlainWrite(Files().out, bytes, sync);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(PlainRead(path).size()));
}

void BM_PlainCopy_Nfs3Size(benchmark::State& s) { PlainCopy(s, Files().nfs3, false); }
void BM_PlainCopySynced_Nfs3Size(benchmark::State& s) { PlainCopy(s, Files().nfs3, true); }
void BM_PlainCopy_Nfs4Size(benchmark::State& s) { PlainCopy(s, Files().nfs4, false); }
void BM_PlainCopySynced_Nfs4Size(benchmark::State& s) { PlainCopy(s, Files().nfs4, true); }

// Steady state: the model lives across runs, as Mobrix's one model does,
// so its tables' memory is already mapped.
CarModel& WarmModel()
{
    static CarModel model;
    return model;
}

void BM_Nfs3_LoadSave(benchmark::State& state)
{
    CarModel& model = WarmModel();
    for (auto _ : state) {
        if (LoadFCE(model, Files().nfs3) || SaveFCE3(model, Files().out))
            state.SkipWithError("read or write failed");
    }
}

void BM_Nfs4_LoadSave(benchmark::State& state)
{
    CarModel& model = WarmModel();
    for (auto _ : state) {
        if (LoadFCE4(model, Files().nfs4) || SaveFCE4(model, Files().out))
            state.SkipWithError("read or write failed");
    }
}

void BM_Nfs3_Load(benchmark::State& state)
{
    CarModel& model = WarmModel();
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadFCE(model, Files().nfs3));
}

void BM_Nfs4_Load(benchmark::State& state)
{
    CarModel& model = WarmModel();
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadFCE4(model, Files().nfs4));
}

void BM_Fce4m_LoadSave(benchmark::State& state)
{
    CarModel& model = WarmModel();
    for (auto _ : state) {
        if (LoadFCE4M(model, Files().fce4m) || SaveFCE4M(model, Files().out))
            state.SkipWithError("read or write failed");
    }
}

void BM_Fce4m_Load(benchmark::State& state)
{
    CarModel& model = WarmModel();
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadFCE4M(model, Files().fce4m));
}

// In memory, without the disk: the codecs alone.
void InMemoryRead(benchmark::State& state, const std::vector<std::uint8_t>& bytes,
                  LoadStatus (*read)(std::span<const std::uint8_t>, CarModel&))
{
    CarModel& model = WarmModel();
    for (auto _ : state) {
        if (read(bytes, model))
            state.SkipWithError("read failed");
    }
}

void InMemoryEncode(benchmark::State& state, const std::vector<std::uint8_t>& bytes,
                    LoadStatus (*read)(std::span<const std::uint8_t>, CarModel&), EncodedFile (*encode)(const CarModel&))
{
    CarModel model;
    if (read(bytes, model))
        state.SkipWithError("read failed");
    for (auto _ : state)
        benchmark::DoNotOptimize(encode(model).bytes.data());
}

void BM_Nfs4_Read(benchmark::State& s) { InMemoryRead(s, Files().nfs4Bytes, ReadFCE4); }
void BM_Fce4m_Read(benchmark::State& s) { InMemoryRead(s, Files().fce4mBytes, ReadFCE4M); }
void BM_Nfs4_Encode(benchmark::State& s) { InMemoryEncode(s, Files().nfs4Bytes, ReadFCE4, EncodeFCE4); }
void BM_Fce4m_Encode(benchmark::State& s) { InMemoryEncode(s, Files().fce4mBytes, ReadFCE4M, EncodeFCE4M); }

// A million triangles: NFSIV -> FCE4M -> NFSIV and FCE4M -> FCE4M give the
// same bytes; one iteration reads and writes the FCE4M file in memory.
void BM_Fce4m_MillionRoundTrip(benchmark::State& state)
{
    CarModel model = RandomModel(3, {.vertices = 500'000, .triangles = 1'000'000, .parts = 40, .dummies = 8});
    const std::vector<std::uint8_t> nfs4 = EncodeFCE4(model).bytes;
    ConvertToVariant(model, FceVariant::Fce4m);
    const std::vector<std::uint8_t> fce4m = EncodeFCE4M(model).bytes;
    CarModel read;
    for (auto _ : state) {
        if (ReadFCE4M(fce4m, read) || EncodeFCE4M(read).bytes != fce4m)
            state.SkipWithError("FCE4M -> FCE4M changed the file");
    }
    ConvertToVariant(read, FceVariant::Nfs4);
    if (EncodeFCE4(read).bytes != nfs4)
        state.SkipWithError("NFSIV -> FCE4M -> NFSIV changed the file");
}

void BM_PlainRead_Nfs4Size(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainRead(Files().nfs4));
}

// Starts a program with its output going to `out` (thrown away when -1),
// waits for it and returns its peak resident memory in bytes, as the system
// counted it.
long Spawn(const std::vector<std::string>& argv, int out = -1)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out >= 0)
        posix_spawn_file_actions_adddup2(&actions, out, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    for (std::string& a : args)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_t pid = 0;
    struct rusage usage {};
    if (posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ) == 0) {
        int status = 0;
        ::wait4(pid, &status, 0, &usage);
    }
    posix_spawn_file_actions_destroy(&actions);
    return usage.ru_maxrss * 1024;
}

constexpr const char* kPeakOfOption = "--peak-of";

// The peak memory of a program, measured through a fresh copy of this
// program started with kPeakOfOption: a child started straight from here
// would be counted with the memory it shared with this process until its
// exec, which holds the benchmark's files.
long PeakMemoryOf(const std::vector<std::string>& argv)
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    int fds[2];
    if (n <= 0 || ::pipe2(fds, O_CLOEXEC) != 0)
        return 0;
    self[n] = '\0';
    std::vector<std::string> helper{self, kPeakOfOption};
    helper.insert(helper.end(), argv.begin(), argv.end());
    Spawn(helper, fds[1]);
    ::close(fds[1]);
    char text[32] = {};
    const ssize_t got = ::read(fds[0], text, sizeof text - 1);
    ::close(fds[0]);
    return got > 0 ? std::atol(text) : 0;
}

// The helper's side: runs the program and prints its peak memory.
int PrintPeakMemoryOf(int argc, char** argv)
{
    std::printf("%ld\n", Spawn(std::vector<std::string>(argv, argv + argc)));
    return 0;
}

// Cold: a fresh process reads and writes the whole file, once with fcetool
// convert, once with dd, both ending with the data on disk.
void ColdCopy(benchmark::State& state, const std::string& in)
{
    const std::string dd = "/bin/dd";
    for (auto _ : state)
        Spawn({dd, "if=" + in, "of=" + Files().out, "bs=64M", "conv=fdatasync", "status=none"});
}

void ColdConvert(benchmark::State& state, const std::string& in, const char* variant)
{
    for (auto _ : state)
        Spawn({FCETOOL_PATH, "convert", in, Files().out, "--to", variant});
}

void BM_Process_DdCopy_Nfs3Size(benchmark::State& s) { ColdCopy(s, Files().nfs3); }
void BM_Process_Convert_Nfs3(benchmark::State& s) { ColdConvert(s, Files().nfs3, "nfs3"); }
void BM_Process_DdCopy_Nfs4Size(benchmark::State& s) { ColdCopy(s, Files().nfs4); }
void BM_Process_Convert_Nfs4(benchmark::State& s) { ColdConvert(s, Files().nfs4, "nfs4"); }

// A million triangles (500,000 vertices) as NFSIII and NFSIV files, made
// on first use.
struct MillionFixture {
    TempDir dir;
    std::string nfs3 = dir.File("million3.fce");
    std::string nfs4 = dir.File("million4.fce");
    std::string out = dir.File("out.fce");

    MillionFixture()
    {
        CarModel model = RandomModel(4, {.vertices = 500'000, .triangles = 1'000'000, .parts = 40, .dummies = 8});
        CarModel copy = model;
        SaveFCE3(copy, nfs3);
        SaveFCE4(model, nfs4);
    }
};

MillionFixture& Million()
{
    static MillionFixture fixture;
    return fixture;
}

// What each million-triangle convert measured: its time against a synced
// copy of its input, and its peak memory against the larger of its files.
struct MillionFigures {
    double convertSeconds = 0;
    double copySeconds = 0;
    long peak = 0;
    std::uintmax_t largerFile = 0;
};
std::map<std::string, MillionFigures>& Figures()
{
    static std::map<std::string, MillionFigures> figures;
    return figures;
}

double SecondsOf(const std::vector<std::string>& argv)
{
    const auto start = std::chrono::steady_clock::now();
    Spawn(argv);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration runs the synced copy and the convert one after the other,
// so that both meet the same machine: other programs' disk flushes make the
// time of a flush vary more between runs than the two differ.
void MillionConvert(benchmark::State& state, const std::string& name, const std::string& in, const char* variant)
{
    const std::vector<std::string> copy{"/bin/dd", "if=" + in, "of=" + Million().out, "bs=64M", "conv=fsync",
                                        "status=none"};
    const std::vector<std::string> convert{FCETOOL_PATH, "convert", in, Million().out, "--to", variant};
    MillionFigures& figures = Figures()[name];
    for (auto _ : state) {
        figures.copySeconds += SecondsOf(copy);
        const double seconds = SecondsOf(convert);
        figures.convertSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    figures.peak = PeakMemoryOf(convert);
    figures.largerFile = std::max(std::filesystem::file_size(in), std::filesystem::file_size(Million().out));
    state.counters["vs_copy"] = figures.convertSeconds / figures.copySeconds;
    state.counters["peak_MB"] = static_cast<double>(figures.peak) / 1e6;
}

void BM_Process_Convert_Million3To4(benchmark::State& s)
{
    MillionConvert(s, "NFSIII -> NFSIV", Million().nfs3, "nfs4");
}
void BM_Process_Convert_Million4To3(benchmark::State& s)
{
    MillionConvert(s, "NFSIV -> NFSIII", Million().nfs4, "nfs3");
}

void BM_Process_True(benchmark::State& state)
{
    for (auto _ : state)
        Spawn({"/bin/true"});
}

void BM_Process_FcetoolInfoCar(benchmark::State& state)
{
    for (auto _ : state)
        Spawn({FCETOOL_PATH, "info", Files().car});
}

BENCHMARK(BM_PlainCopy_Nfs3Size)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopySynced_Nfs3Size)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Nfs3_LoadSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopy_Nfs4Size)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopySynced_Nfs4Size)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Nfs4_LoadSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Fce4m_LoadSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainRead_Nfs4Size)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Nfs3_Load)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Nfs4_Load)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Fce4m_Load)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Nfs4_Read)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Fce4m_Read)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Nfs4_Encode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Fce4m_Encode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Fce4m_MillionRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_Process_DdCopy_Nfs3Size)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Process_Convert_Nfs3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Process_DdCopy_Nfs4Size)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Process_Convert_Nfs4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Process_Convert_Million3To4)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Process_Convert_Million4To3)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_Process_True)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Process_FcetoolInfoCar)->Unit(benchmark::kMillisecond)->UseRealTime();

// The ratios measured in this run, printed after the table.
void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios in this run (time / baseline). Saving always flushes the file to disk\n"
                "before it replaces the old one, so the synced copy is the like-for-like baseline.\n");
    std::printf("In one process, steady state (100,000 vertices, 200,000 triangles):\n");
    r.Ratio("NFSIII load + save", "BM_Nfs3_LoadSave", "BM_PlainCopySynced_Nfs3Size", "plain read + synced write");
    r.Ratio("NFSIII load + save", "BM_Nfs3_LoadSave", "BM_PlainCopy_Nfs3Size", "plain read + write");
    r.Ratio("NFSIV load + save", "BM_Nfs4_LoadSave", "BM_PlainCopySynced_Nfs4Size", "plain read + synced write");
    r.Ratio("NFSIV load + save", "BM_Nfs4_LoadSave", "BM_PlainCopy_Nfs4Size", "plain read + write");
    r.Ratio("NFSIII load", "BM_Nfs3_Load", "BM_PlainRead_Nfs4Size", "plain read of the NFSIV size");
    r.Ratio("NFSIV load", "BM_Nfs4_Load", "BM_PlainRead_Nfs4Size", "plain read");
    std::printf("FCE4M against NFSIV, the same model (goal: at most 1.3):\n");
    r.Ratio("FCE4M load + save", "BM_Fce4m_LoadSave", "BM_Nfs4_LoadSave", "NFSIV load + save");
    r.Ratio("FCE4M load", "BM_Fce4m_Load", "BM_Nfs4_Load", "NFSIV load");
    r.Ratio("FCE4M read in memory", "BM_Fce4m_Read", "BM_Nfs4_Read", "NFSIV read in memory");
    r.Ratio("FCE4M write in memory", "BM_Fce4m_Encode", "BM_Nfs4_Encode", "NFSIV write in memory");
    std::printf("Whole fresh process, cold memory:\n");
    r.Ratio("fcetool convert NFSIII", "BM_Process_Convert_Nfs3", "BM_Process_DdCopy_Nfs3Size", "dd conv=fdatasync");
    r.Ratio("fcetool convert NFSIV", "BM_Process_Convert_Nfs4", "BM_Process_DdCopy_Nfs4Size", "dd conv=fdatasync");
    std::printf("A million triangles, whole fresh process (goal: at most 2 against a synced copy of the\n"
                "input, dd conv=fsync, in the same iterations; peak memory at most 1.1 times the larger file):\n");
    for (const auto& [name, f] : Figures()) {
        if (f.copySeconds > 0)
            std::printf("  fcetool convert %-16s %7.2fx  dd conv=fsync of the input\n", name.c_str(),
                        f.convertSeconds / f.copySeconds);
        if (f.peak > 0 && f.largerFile > 0)
            std::printf("  fcetool convert %-16s %7.2fx  the larger file (peak %.0f MB, file %.0f MB)\n", name.c_str(),
                        static_cast<double>(f.peak) / static_cast<double>(f.largerFile),
                        static_cast<double>(f.peak) / 1e6, static_cast<double>(f.largerFile) / 1e6);
    }
    r.Ratio("fcetool info, 5000-vertex car", "BM_Process_FcetoolInfoCar", "BM_Process_True", "starting /bin/true");
    if (const double info = r.Time("BM_Process_FcetoolInfoCar"); info > 0)
        std::printf("  fcetool info, 5000-vertex car, whole process: %.2f ms (goal: under 20 ms)\n", info);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::string(argv[1]) == kPeakOfOption)
        return PrintPeakMemoryOf(argc - 2, argv + 2);
    return bench_support::RunWithRatios(argc, argv, [] { Files(); }, PrintRatios);
}
