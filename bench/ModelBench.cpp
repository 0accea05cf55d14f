// Reading and writing FCE files of the large case (100,000 vertices,
// 200,000 triangles) against a plain read and write of the same number of
// bytes, FCE4M against NFSIV, a million-triangle FCE4M round trip, and
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

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <spawn.h>
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

// Starts a program with its output thrown away and waits for it.
void Spawn(const std::vector<std::string>& argv)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    for (std::string& a : args)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
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
    r.Ratio("fcetool info, 5000-vertex car", "BM_Process_FcetoolInfoCar", "BM_Process_True", "starting /bin/true");
    if (const double info = r.Time("BM_Process_FcetoolInfoCar"); info > 0)
        std::printf("  fcetool info, 5000-vertex car, whole process: %.2f ms (goal: under 20 ms)\n", info);
}

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(argc, argv, [] { Files(); }, PrintRatios);
}
