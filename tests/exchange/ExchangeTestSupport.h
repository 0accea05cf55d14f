#pragma once
// Helpers of the exchange tests: 3DS files built chunk by chunk from the
// published layout (independently of the writer), and model comparisons.

#include "CarModel.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace exchange_testing {

using mobrix::Triangle;
using mobrix::Vec3;

inline void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void PutFloat(std::vector<std::uint8_t>& out, float f)
{
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(out, v);
}

// A chunk: id, its own data, then its sub-chunks. The length is computed
// unless `length` overrides it (for malformed files).
struct Chunk {
    std::uint16_t id = 0;
    std::vector<std::uint8_t> data;
    std::vector<Chunk> children;
    std::int64_t length = -1;

    std::vector<std::uint8_t> Bytes() const
    {
        std::vector<std::uint8_t> body = data;
        for (const Chunk& c : children) {
            const auto b = c.Bytes();
            body.insert(body.end(), b.begin(), b.end());
        }
        std::vector<std::uint8_t> out;
        PutU16(out, id);
        PutU32(out, static_cast<std::uint32_t>(length >= 0 ? length : static_cast<std::int64_t>(body.size()) + 6));
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }
};

inline Chunk Main(std::vector<Chunk> children)
{
    std::vector<std::uint8_t> version;
    PutU32(version, 3);
    children.insert(children.begin(), Chunk{0x0002, version, {}});
    return {0x4D4D, {}, std::move(children)};
}

inline Chunk Editor(std::vector<Chunk> children) { return {0x3D3D, {}, std::move(children)}; }

inline Chunk Object(std::string_view name, std::vector<Chunk> children)
{
    std::vector<std::uint8_t> data(name.begin(), name.end());
    data.push_back(0);
    return {0x4000, std::move(data), std::move(children)};
}

inline Chunk Mesh(std::vector<Chunk> children) { return {0x4100, {}, std::move(children)}; }

inline Chunk VertexList(const std::vector<Vec3>& vertices)
{
    std::vector<std::uint8_t> data;
    PutU16(data, static_cast<std::uint16_t>(vertices.size()));
    for (const Vec3& v : vertices) {
        PutFloat(data, v.X);
        PutFloat(data, v.Y);
        PutFloat(data, v.Z);
    }
    return {0x4110, std::move(data), {}};
}

inline Chunk FaceList(const std::vector<std::array<int, 3>>& faces, std::vector<Chunk> children = {})
{
    std::vector<std::uint8_t> data;
    PutU16(data, static_cast<std::uint16_t>(faces.size()));
    for (const auto& f : faces) {
        for (int corner : f)
            PutU16(data, static_cast<std::uint16_t>(corner));
        PutU16(data, 7); // face flags, dropped on reading
    }
    return {0x4120, std::move(data), std::move(children)};
}

inline Chunk Mapping(const std::vector<std::pair<float, float>>& pairs)
{
    std::vector<std::uint8_t> data;
    PutU16(data, static_cast<std::uint16_t>(pairs.size()));
    for (const auto& [u, v] : pairs) {
        PutFloat(data, u);
        PutFloat(data, v);
    }
    return {0x4140, std::move(data), {}};
}

// A chunk of any id with `size` bytes of filler data.
inline Chunk Opaque(std::uint16_t id, std::size_t size, std::vector<Chunk> children = {})
{
    return {id, std::vector<std::uint8_t>(size, 0x41), std::move(children)};
}

inline std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

// The 56-byte record fields of two triangles (not the NFSIV bookkeeping).
inline bool SameRecord(const Triangle& a, const Triangle& b)
{
    return a.TexPage == b.TexPage && a.I1 == b.I1 && a.I2 == b.I2 && a.I3 == b.I3 && a.TriFill == b.TriFill &&
           a.Flags == b.Flags && a.U1 == b.U1 && a.U2 == b.U2 && a.U3 == b.U3 && a.V1 == b.V1 && a.V2 == b.V2 &&
           a.V3 == b.V3;
}

} // namespace exchange_testing
