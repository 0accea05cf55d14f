#include "RawFce.h"

#include <algorithm>
#include <bit>
#include <random>

namespace testing_support {

std::vector<std::uint8_t> RawFce::Block(const std::string& name) const
{
    const RawBlock& b = blocks.at(name);
    return {bytes.begin() + b.position, bytes.begin() + b.position + b.size};
}

std::int32_t GetI32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | bytes.at(at + static_cast<std::size_t>(i));
    return static_cast<std::int32_t>(v);
}

float GetF32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return std::bit_cast<float>(GetI32(bytes, at));
}

void PutI32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutF32(std::vector<std::uint8_t>& bytes, std::size_t at, float value)
{
    PutI32(bytes, at, std::bit_cast<std::int32_t>(value));
}

namespace {

struct BlockSpec {
    const char* name;
    std::size_t offsetField; // header position of its offset
    std::int64_t size;
};

// Splits `total` into `parts` consecutive counts of at least `least` each
// (when the total allows), the rest spread at random.
std::vector<int> Split(std::mt19937& rng, int total, int parts, int least)
{
    const int base = total >= least * parts ? least : 0;
    const int spread = total - base * parts;
    std::vector<int> cuts;
    for (int i = 0; i + 1 < parts; ++i)
        cuts.push_back(std::uniform_int_distribution<int>(0, spread)(rng));
    cuts.push_back(0);
    cuts.push_back(spread);
    std::sort(cuts.begin(), cuts.end());
    std::vector<int> counts;
    for (std::size_t i = 1; i < cuts.size(); ++i)
        counts.push_back(base + cuts[i] - cuts[i - 1]);
    return counts;
}

// Colour tables of plausible values: counts 0..16, components 0..255.
void WriteColours(std::mt19937& rng, std::vector<std::uint8_t>& header, std::initializer_list<std::size_t> counts,
                  std::size_t tablesAt, std::size_t tablesEnd)
{
    for (std::size_t at : counts)
        PutI32(header, at, std::uniform_int_distribution<int>(0, 16)(rng));
    for (std::size_t at = tablesAt; at < tablesEnd; at += 4)
        PutI32(header, at, std::uniform_int_distribution<int>(0, 255)(rng));
}

void FillRandom(std::mt19937& rng, std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i)
        bytes[i] = static_cast<std::uint8_t>(rng());
}

// Positions for the blocks: shuffled, with random gaps of random bytes.
RawFce Place(std::mt19937& rng, std::vector<std::uint8_t> header, const std::vector<BlockSpec>& specs,
             bool shuffle)
{
    RawFce raw;
    raw.headerSize = static_cast<int>(header.size());
    std::vector<std::size_t> order(specs.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    if (shuffle)
        std::shuffle(order.begin(), order.end(), rng);
    std::int64_t at = static_cast<std::int64_t>(header.size());
    for (std::size_t i : order) {
        if (shuffle)
            at += std::uniform_int_distribution<int>(0, 40)(rng);
        raw.blocks[specs[i].name] = {at, specs[i].size};
        PutI32(header, specs[i].offsetField, static_cast<std::int32_t>(at - raw.headerSize));
        at += specs[i].size;
    }
    raw.bytes = std::move(header);
    raw.bytes.resize(static_cast<std::size_t>(at));
    FillRandom(rng, raw.bytes, static_cast<std::size_t>(raw.headerSize), raw.bytes.size());
    return raw;
}

// Part tables that tile the vertex and triangle tables, and triangles whose
// corners lie inside their part.
void WriteStructure(std::mt19937& rng, RawFce& raw, const RawFceShape& shape, std::size_t partTablesAt)
{
    const std::vector<int> vertexCounts = Split(rng, shape.vertices, shape.parts, 1);
    const std::vector<int> triangleCounts = Split(rng, shape.triangles, shape.parts, 0);
    int firstVertex = 0;
    int firstTriangle = 0;
    const RawBlock& triangles = raw.blocks.at("triangles");
    for (int p = 0; p < shape.parts; ++p) {
        const auto slot = static_cast<std::size_t>(p) * 4;
        PutI32(raw.bytes, partTablesAt + slot, firstVertex);
        PutI32(raw.bytes, partTablesAt + 256 + slot, vertexCounts[static_cast<std::size_t>(p)]);
        PutI32(raw.bytes, partTablesAt + 512 + slot, firstTriangle);
        PutI32(raw.bytes, partTablesAt + 768 + slot, triangleCounts[static_cast<std::size_t>(p)]);
        const int corners = std::max(1, vertexCounts[static_cast<std::size_t>(p)]);
        for (int t = 0; t < triangleCounts[static_cast<std::size_t>(p)]; ++t) {
            const auto record = static_cast<std::size_t>(triangles.position) + static_cast<std::size_t>(firstTriangle + t) * 56;
            for (std::size_t c = 0; c < 3; ++c)
                PutI32(raw.bytes, record + 4 + 4 * c, std::uniform_int_distribution<int>(0, corners - 1)(rng));
        }
        firstVertex += vertexCounts[static_cast<std::size_t>(p)];
        firstTriangle += triangleCounts[static_cast<std::size_t>(p)];
    }
}

} // namespace

RawFce BuildRawFce3(std::uint32_t seed, const RawFceShape& shape)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> header(0x1F04);
    FillRandom(rng, header, 0, header.size());
    const std::int64_t n = shape.vertices;
    const std::int64_t m = shape.triangles;
    PutI32(header, 0x04, shape.triangles);
    PutI32(header, 0x08, shape.vertices);
    PutI32(header, 0x34, shape.dummies);
    PutI32(header, 0xF8, shape.parts);
    WriteColours(rng, header, {0x7FC, 0x900}, 0x800, 0x900);
    WriteColours(rng, header, {}, 0x904, 0xA04);
    const std::vector<BlockSpec> specs = {
        {"vertices", 0x10, 12 * n}, {"normals", 0x14, 12 * n},   {"triangles", 0x18, 56 * m},
        {"reserved1", 0x1C, 32 * n}, {"reserved2", 0x20, 12 * n}, {"reserved3", 0x24, 12 * n},
    };
    RawFce raw = Place(rng, std::move(header), specs, shape.shuffleBlocks);
    raw.vertices = shape.vertices;
    raw.triangles = shape.triangles;
    WriteStructure(rng, raw, shape, 0x3FC);
    return raw;
}

namespace {

RawFce BuildNfs4Layout(std::uint32_t seed, const RawFceShape& shape, std::uint32_t word, std::int64_t triTail)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> header(0x2038);
    FillRandom(rng, header, 0, header.size());
    const std::int64_t n = shape.vertices;
    const std::int64_t m = shape.triangles;
    PutI32(header, 0, static_cast<std::int32_t>(word));
    PutI32(header, 0x08, shape.triangles);
    PutI32(header, 0x0C, shape.vertices);
    PutI32(header, 0x58, shape.dummies);
    PutI32(header, 0x11C, shape.parts);
    WriteColours(rng, header, {0x820}, 0x820, 0x820); // one-byte components take any byte
    const std::vector<BlockSpec> specs = {
        {"vertices", 0x14, 12 * n},        {"normals", 0x18, 12 * n},         {"triangles", 0x1C, 56 * m},
        {"reserved1", 0x20, 32 * n},       {"reserved2", 0x24, 12 * n},       {"reserved3", 0x28, 12 * n},
        {"undamaged2Verts", 0x2C, 12 * n}, {"undamaged2Norms", 0x30, 12 * n}, {"damagedVerts", 0x34, 12 * n},
        {"damagedNorms", 0x38, 12 * n},    {"vertReservedA", 0x3C, 4 * n},    {"vertFlags", 0x40, 4 * n},
        {"vertReservedB", 0x44, 4 * n},    {"triReserved", 0x48, 12 * m + triTail},
    };
    RawFce raw = Place(rng, std::move(header), specs, shape.shuffleBlocks);
    raw.vertices = shape.vertices;
    raw.triangles = shape.triangles;
    WriteStructure(rng, raw, shape, 0x420);
    return raw;
}

} // namespace

RawFce BuildRawFce4(std::uint32_t seed, const RawFceShape& shape)
{
    return BuildNfs4Layout(seed, shape, 0x00101014, 0);
}

RawFce BuildRawFce4m(std::uint32_t seed, const RawFceShape& shape, bool unversioned)
{
    return BuildNfs4Layout(seed, shape, unversioned ? 0 : 0x00101015, shape.vertices);
}

} // namespace testing_support
