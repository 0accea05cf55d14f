#pragma once
// Trimlet's part file: one part of an NFSIV model with all three vertex and
// normal sets, its vertex flags and its triangles, behind the "MBRX" magic.
//
//   0   4    magic "MBRX"
//   4   2    version, 1
//   6   64   part name
//   70  12   part position X, Y, Z
//   82  4    vertex count N
//   86  4    triangle count M
//   90  48N  vertex sets 0..3, each N points (set 3 is written as zeros)
//       48N  normal sets 0..3, same arrangement
//       4N   vertex flags
//       56M  triangles, corners relative to the part's first vertex

#include "FileFailure.h"
#include "TrimletTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace trimlet {

inline constexpr int kPartHeaderSize = 90;
inline constexpr std::int16_t kPartFileVersion = 1;

struct PartFile {
    Name64 Name{};
    Vec3 Position;
    std::array<std::vector<Vec3>, kVertexSets> VertexSets; // N points each
    std::array<std::vector<Vec3>, kVertexSets> NormalSets; // N normals each
    std::vector<VertFlag> Flags;                           // N records
    std::vector<Triangle> Triangles;                       // M records

    std::int64_t VertexCount() const { return static_cast<std::int64_t>(VertexSets[0].size()); }
    std::int64_t TriangleCount() const { return static_cast<std::int64_t>(Triangles.size()); }
    // True when every per-vertex table has VertexCount() entries.
    bool TablesAgree() const;
    friend bool operator==(const PartFile&, const PartFile&) = default;
};

std::int64_t PartFileSize(std::int64_t vertices, std::int64_t triangles);

std::vector<std::uint8_t> EncodePartFile(const PartFile& part);


// Whether the magic and version are checked; reassembly reads its own part
// files without them.
enum class IdentityCheck { Check, Skip };

// Reads a part file. Before anything is allocated, the counts are checked
// against the file's length; every triangle corner must lie inside the part.
std::variant<PartFile, FileFailure> DecodePartFile(std::span<const std::uint8_t> bytes,
                                                       const std::string& fileName,
                                                       IdentityCheck identity = IdentityCheck::Check);

std::string NotPartFileMessage(const std::string& fileName);
std::string IncompatiblePartMessage(const std::string& fileName);

// Whether the three corners of `t` lie inside a part of `vertices` vertices.
bool CornersInside(const Triangle& t, std::int64_t vertices);

// The first corner of `triangles` that lies outside a part of `vertices`
// vertices, as a description, or an empty text when all are inside.
std::string FindCornerOutsidePart(std::span<const Triangle> triangles, std::int64_t vertices);

// Vertex set `set` of the part placed at the part's position: where the
// scene shows its vertices.
std::vector<Vec3> PlacedVertices(const PartFile& part, int set);

// The distance of the farthest point from the origin; 0 for none.
double FarthestFromOrigin(std::span<const Vec3> points);

// How far the part reaches from the model's origin, over its three vertex
// sets placed at its position.
double PartReach(const PartFile& part);

} // namespace trimlet
