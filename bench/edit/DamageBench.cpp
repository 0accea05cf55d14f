// Create Damage on a part of 100,000 vertices against a plain baseline:
// the same three draws per vertex added in float arithmetic, without the
// extended precision and the bound check.

#include "CarModel.h"
#include "Damage.h"
#include "RandomModel.h"

#include <benchmark/benchmark.h>

using namespace mobrix;

namespace {

const CarModel& DamageModel()
{
    static const CarModel model = testing_support::RandomModel(
        9, {.vertices = 100'000, .triangles = 10, .parts = 1, .dummies = 0, .origin = ModelOrigin::Nfs4});
    return model;
}

void BM_CreateDamage_100000(benchmark::State& state)
{
    CarModel m = DamageModel();
    DamageRandom random(1);
    for (auto _ : state) {
        CreateDamage(m, 0, random);
        benchmark::DoNotOptimize(m.DamagedVerts.data());
    }
}

void BM_PlainScatter_100000(benchmark::State& state)
{
    CarModel m = DamageModel();
    DamageRandom random(1);
    for (auto _ : state) {
        for (Vec3& v : m.DamagedVerts) {
            v.X += static_cast<float>(random.Next() / 8 - 1.0 / 16);
            v.Y += static_cast<float>(random.Next() / 8 - 1.0 / 16);
            v.Z += static_cast<float>(random.Next() / 8 - 1.0 / 16);
        }
        benchmark::DoNotOptimize(m.DamagedVerts.data());
    }
}

BENCHMARK(BM_CreateDamage_100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainScatter_100000)->Unit(benchmark::kMillisecond);

} // namespace
