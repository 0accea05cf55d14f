#pragma once
// Builds FCE files byte by byte from the published layout, independently of
// the project's writers, with random contents, blocks in shuffled order with
// gaps between them, and random bytes in every area the format carries
// through. Tests read such files and check what the writers give back.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct RawBlock {
    std::int64_t position = 0; // in the file
    std::int64_t size = 0;
};

struct RawFce {
    std::vector<std::uint8_t> bytes;
    std::map<std::string, RawBlock> blocks; // by name, see the builders
    int vertices = 0;
    int triangles = 0;
    int headerSize = 0;
    std::vector<std::uint8_t> Block(const std::string& name) const;
};

struct RawFceShape {
    int vertices = 40;
    int triangles = 60;
    int parts = 3;
    int dummies = 5;
    bool shuffleBlocks = true; // otherwise back to back in the writers' order
};

// Blocks: "vertices", "normals", "triangles", "reserved1", "reserved2",
// "reserved3".
RawFce BuildRawFce3(std::uint32_t seed, const RawFceShape& shape);

// Blocks as above plus "undamaged2Verts", "undamaged2Norms", "damagedVerts",
// "damagedNorms", "vertReservedA", "vertFlags", "vertReservedB",
// "triReserved".
RawFce BuildRawFce4(std::uint32_t seed, const RawFceShape& shape);

// An FCE4M file: as BuildRawFce4 with the version word 15 10 10 00 (or 0
// with `unversioned`) and "triReserved" 12 T + V bytes long.
RawFce BuildRawFce4m(std::uint32_t seed, const RawFceShape& shape, bool unversioned = false);

// Little-endian field access for checks on raw files.
std::int32_t GetI32(const std::vector<std::uint8_t>& bytes, std::size_t at);
float GetF32(const std::vector<std::uint8_t>& bytes, std::size_t at);
void PutI32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value);
void PutF32(std::vector<std::uint8_t>& bytes, std::size_t at, float value);

} // namespace testing_support
