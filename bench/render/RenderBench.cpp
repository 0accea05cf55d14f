// fcetool render --size 256 as a whole process, beside fcetool info on the
// same file (reading the model and printing its report), on:
//  - a real-size car: 5,000 vertices and 10,000 triangles in connected
//    meshes, with a 256 x 256 car00.tga beside it, so the texture is found,
//    read and laid on;
//  - a model of 1,000,000 triangles in 8 parts.
// Goals: the car under 100 ms, the million triangles under 2 s.

#include "BenchSupport.h"
#include "FceFiles.h"
#include "TorusPart.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

std::string Folder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/mobrix-render-bench-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return folder;
}
std::string Car() { return Folder() + "/car.fce"; }
std::string Million() { return Folder() + "/million.fce"; }
std::string Picture() { return Folder() + "/out.png"; }

// A 32-bit TGA of size x size pixels, uncompressed.
std::vector<std::uint8_t> Texture(int size)
{
    std::vector<std::uint8_t> tga(18, 0);
    tga[2] = 2;
    tga[12] = std::uint8_t(size & 0xFF), tga[13] = std::uint8_t(size >> 8);
    tga[14] = std::uint8_t(size & 0xFF), tga[15] = std::uint8_t(size >> 8);
    tga[16] = 32;
    for (int i = 0; i < size * size; ++i)
        tga.insert(tga.end(), {std::uint8_t(i), std::uint8_t(i >> 8), std::uint8_t(i * 7), 255});
    return tga;
}

void MakeFiles()
{
    using namespace mobrix;
    CarModel car;
    NewFCE(car);
    // Body 100 x 40 and four wheels 10 x 25 vertices: 5,000 in all.
    car.Header.NumParts = 5;
    bench_support::AppendGridPart(car, 0, 100, 40, 1.6f, 0.6f, {0, 0.6f, 0});
    const Vec3 wheels[4] = {{-0.8f, 0.3f, 1.3f}, {0.8f, 0.3f, 1.3f}, {-0.8f, 0.3f, -1.3f}, {0.8f, 0.3f, -1.3f}};
    for (int w = 0; w < 4; ++w)
        bench_support::AppendGridPart(car, 1 + w, 10, 25, 0.2f, 0.1f, wheels[w]);
    car.Header.NumVertices = static_cast<std::int32_t>(car.Vertices.size());
    car.Header.NumTriangles = static_cast<std::int32_t>(car.Triangles.size());
    for (std::size_t t = 0; t < car.Triangles.size(); ++t) {
        Triangle& tri = car.Triangles[t];
        tri.U1 = 0.1f, tri.U2 = 0.9f, tri.U3 = 0.5f, tri.V1 = 0.1f, tri.V2 = 0.2f, tri.V3 = 0.9f;
    }
    const std::size_t n = car.Vertices.size();
    car.Normals.assign(n, Vec3{0, 1, 0});
    car.Reserved1.assign(n, Reserved32{});
    car.Reserved2.assign(n, Reserved12{});
    car.Reserved3.assign(n, Reserved12{});
    ResetSelection(car);
    if (SaveFCE4(car, Car()))
        std::fprintf(stderr, "could not write %s\n", Car().c_str());
    const std::vector<std::uint8_t> tga = Texture(256);
    if (std::FILE* f = std::fopen((Folder() + "/car00.tga").c_str(), "wb")) {
        std::fwrite(tga.data(), 1, tga.size(), f);
        std::fclose(f);
    }
    CarModel million = bench_support::MillionTriangleModel();
    if (SaveFCE4(million, Million()))
        std::fprintf(stderr, "could not write %s\n", Million().c_str());
}

// Runs fcetool with its output thrown away; false when it failed.
bool Fcetool(const std::vector<std::string>& arguments)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args{FCETOOL_PATH};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (std::string& a : args)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ) == 0)
        ::waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Run(benchmark::State& state, const std::vector<std::string>& arguments)
{
    for (auto _ : state) {
        if (!Fcetool(arguments)) {
            state.SkipWithError("fcetool failed");
            return;
        }
    }
}

void BM_Render_Car(benchmark::State& s) { Run(s, {"render", "--size", "256", Car(), Picture()}); }
void BM_Info_Car(benchmark::State& s) { Run(s, {"info", Car()}); }
void BM_Render_Million(benchmark::State& s) { Run(s, {"render", "--size", "256", Million(), Picture()}); }
void BM_Info_Million(benchmark::State& s) { Run(s, {"info", Million()}); }

BENCHMARK(BM_Render_Car)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Info_Car)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Render_Million)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Info_Million)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void PrintRatios(const bench_support::RatioReporter& r)
{
    std::printf("\nRatios in this run (whole fresh processes, time / baseline):\n");
    r.Ratio("render 256, 5,000-vertex car", "BM_Render_Car", "BM_Info_Car", "fcetool info on the same file");
    r.Ratio("render 256, 1M triangles", "BM_Render_Million/iterations:5", "BM_Info_Million/iterations:5",
            "fcetool info on the same file");
    const double car = r.Time("BM_Render_Car"), million = r.Time("BM_Render_Million/iterations:5");
    if (car > 0 && million > 0)
        std::printf("  render 256: car %.1f ms (goal: under 100 ms), 1M triangles %.0f ms (goal: under 2000 ms)\n",
                    car, million);
}

} // namespace

int main(int argc, char** argv)
{
    const int status = bench_support::RunWithRatios(argc, argv, MakeFiles, PrintRatios);
    std::error_code error;
    std::filesystem::remove_all(Folder(), error);
    return status;
}
