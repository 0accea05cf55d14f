#pragma once
// Random but structurally sound car models for round trips and benchmarks.

#include "CarModel.h"

#include <cstdint>

namespace testing_support {

struct RandomModelShape {
    int vertices = 50;
    int triangles = 80;
    int parts = 4;
    int dummies = 3;
    mobrix::ModelOrigin origin = mobrix::ModelOrigin::Nfs4;
};

// Every table filled with random values: finite coordinates, colour
// components 0..255, names with blanks and NULs, random reserved bytes and
// header tail. Parts tile the tables and corners lie inside their part.
mobrix::CarModel RandomModel(std::uint32_t seed, const RandomModelShape& shape = {});

} // namespace testing_support
