// Car archives: listing an archive of 10,000 entries, and replacing one
// 5 MB entry of a 100 MB archive, each against plain file operations on the
// same bytes in the same run.
//
// Prints Google Benchmark's table, then the ratios measured in this run.

#include "TestFiles.h"
#include "Viv.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace mobrix;
using namespace testing_support;

namespace {

using bench_support::PlainRead;
using bench_support::PlainWrite;
using Bytes = std::vector<std::uint8_t>;

constexpr int kListedEntries = 10'000;
constexpr std::size_t kListedEntryBytes = 2'000;
constexpr int kLargeEntries = 20;
constexpr std::size_t kLargeEntryBytes = 5u << 20; // 20 of them: 100 MB

Bytes Pattern(std::size_t size, unsigned seed)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 131 + seed * 17) >> 3);
    return bytes;
}

Bytes Archive(int entries, std::size_t entryBytes, const char* folder)
{
    std::vector<Bytes> contents;
    std::vector<std::string> names;
    for (int i = 0; i < entries; ++i) {
        contents.push_back(Pattern(entryBytes, static_cast<unsigned>(i)));
        names.push_back(std::string(folder) + "/entry" + std::to_string(i) + ".dat");
    }
    std::vector<VivFileView> files;
    for (int i = 0; i < entries; ++i)
        files.push_back({names[static_cast<std::size_t>(i)], contents[static_cast<std::size_t>(i)]});
    VivEncoded encoded = EncodeViv(files);
    if (!std::holds_alternative<Bytes>(encoded)) {
        std::fprintf(stderr, "cannot build the benchmark archive\n");
        return {};
    }
    return std::move(std::get<Bytes>(encoded));
}

// Files shared by all benchmarks, made once.
struct Fixture {
    TempDir dir;
    std::string listed = dir.File("many.viv");
    std::string large = dir.File("large.viv");
    std::string copy = dir.File("copy.viv");
    Bytes listedBytes = Archive(kListedEntries, kListedEntryBytes, "textures");
    Bytes largeBytes = Archive(kLargeEntries, kLargeEntryBytes, "data");
    std::uint32_t listedDirectory = 0;
    Bytes replacement = Pattern(kLargeEntryBytes, 999);

    Fixture()
    {
        WriteBytes(listed, listedBytes);
        WriteBytes(large, largeBytes);
        const VivRead read = ReadViv(listedBytes);
        if (const auto* archive = std::get_if<VivArchive>(&read))
            listedDirectory = archive->headerSize;
    }
};

Fixture& Files()
{
    static Fixture fixture;
    return fixture;
}

// --- Listing 10,000 entries ------------------------------------------------

void BM_PlainRead_WholeListedArchive(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainRead(Files().listed));
}

// What listing has to read: the header and directory.
void BM_PlainRead_ListedDirectory(benchmark::State& state)
{
    Bytes head(Files().listedDirectory);
    for (auto _ : state) {
        const int fd = ::open(Files().listed.c_str(), O_RDONLY);
        benchmark::DoNotOptimize(::read(fd, head.data(), head.size()));
        ::close(fd);
        benchmark::DoNotOptimize(head.data());
    }
}

void BM_Viv_List(benchmark::State& state)
{
    for (auto _ : state) {
        const VivRead read = ListViv(Files().listed);
        if (!std::holds_alternative<VivArchive>(read) ||
            std::get<VivArchive>(read).entries.size() != static_cast<std::size_t>(kListedEntries))
            state.SkipWithError("listing failed");
        benchmark::DoNotOptimize(read);
    }
}

void BM_Viv_LoadWhole(benchmark::State& state)
{
    for (auto _ : state) {
        auto loaded = LoadViv(Files().listed);
        if (!std::holds_alternative<LoadedViv>(loaded))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(loaded);
    }
}

// --- Replacing 5 MB in 100 MB ----------------------------------------------

void BM_PlainWriteSynced_LargeArchive(benchmark::State& state)
{
    for (auto _ : state)
        PlainWrite(Files().copy, Files().largeBytes, true);
}

// The save's own cost: read the archive, replace the entry in memory,
// write the new archive through the safe save (flushed, then renamed).
void BM_Viv_ReplaceEntryInArchive(benchmark::State& state)
{
    WriteBytes(Files().copy, Files().largeBytes);
    for (auto _ : state) {
        // Every round leaves an archive of the same layout for the next.
        if (ReplaceEntryInArchive(Files().copy, "data/entry7.dat", Files().replacement))
            state.SkipWithError("replace failed");
    }
}

void BM_Viv_ReplaceInMemory(benchmark::State& state)
{
    const VivRead read = ReadViv(Files().largeBytes);
    const VivArchive& archive = std::get<VivArchive>(read);
    for (auto _ : state) {
        VivEncoded out = ReplaceEntry(Files().largeBytes, archive, 7, Files().replacement);
        benchmark::DoNotOptimize(out);
    }
}

BENCHMARK(BM_PlainRead_WholeListedArchive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainRead_ListedDirectory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Viv_List)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Viv_LoadWhole)->Unit(benchmark::kMillisecond)->UseRealTime();
// Disk writes vary from one to the next: several rounds each.
const std::string kRounds = "/iterations:8";
BENCHMARK(BM_PlainWriteSynced_LargeArchive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(BM_Viv_ReplaceEntryInArchive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(BM_Viv_ReplaceInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios in this run (time / baseline).\n");
    std::printf("Listing %d entries (%zu bytes, directory %u bytes):\n", kListedEntries, Files().listedBytes.size(),
                Files().listedDirectory);
    r.Ratio("List (directory only)", "BM_Viv_List", "BM_PlainRead_WholeListedArchive", "plain read of the archive");
    r.Ratio("List (directory only)", "BM_Viv_List", "BM_PlainRead_ListedDirectory", "plain read of the directory");
    r.Ratio("Load whole and list", "BM_Viv_LoadWhole", "BM_PlainRead_WholeListedArchive", "plain read of the archive");
    std::printf("Replacing one %zu-byte entry of a %zu-byte archive:\n", kLargeEntryBytes, Files().largeBytes.size());
    const std::string synced = "BM_PlainWriteSynced_LargeArchive" + kRounds;
    r.Ratio("Replace entry, saved", "BM_Viv_ReplaceEntryInArchive" + kRounds, synced,
            "plain synced write of the archive");
    r.Ratio("Replace entry, in memory", "BM_Viv_ReplaceInMemory", synced, "plain synced write of the archive");
}

} // namespace

int main(int argc, char** argv)
{
    return bench_support::RunWithRatios(argc, argv, [] { Files(); }, PrintRatios);
}
