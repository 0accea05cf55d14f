#pragma once
// NFSIV files for Trimlet's tests, written by the editor's NFSIV writer (an
// implementation independent of Trimlet's store) from parts described
// here, and little readers for the files Trimlet writes.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace trimlet_testing {

struct Point {
    float x = 0, y = 0, z = 0;
};

struct CarPart {
    std::string name;
    Point position;
    std::array<std::vector<Point>, 3> sets;    // undamaged, second undamaged, damaged
    std::array<std::vector<Point>, 3> normals; // the same
    std::vector<std::array<int, 3>> faces;
    std::vector<std::int32_t> flags; // one per face
};

// A part whose three sets hold the same points and whose normals all point
// along -Z.
CarPart SimplePart(const std::string& name, Point position, std::vector<Point> points,
                   std::vector<std::array<int, 3>> faces, std::vector<std::int32_t> flags = {});

// The file bytes of a model made of `parts`, with random reserved blocks.
std::vector<std::uint8_t> BuildNfs4File(const std::vector<CarPart>& parts, std::uint32_t seed = 1);

// A Trimlet part file read field by field from its documented layout.
struct RawPart {
    std::string magic;
    std::int16_t version = 0;
    std::string name; // the 64 raw characters
    Point position;
    std::int32_t vertices = 0;
    std::int32_t triangles = 0;
    std::array<std::vector<Point>, 4> sets;
    std::array<std::vector<Point>, 4> normals;
    std::vector<std::array<std::uint8_t, 4>> vertFlags;
    std::vector<std::array<std::int32_t, 3>> corners;
    std::vector<std::int32_t> triangleFlags;
    std::size_t fileSize = 0;
};

RawPart ReadRawPart(const std::vector<std::uint8_t>& bytes);

} // namespace trimlet_testing
