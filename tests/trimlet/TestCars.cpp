#include "TestCars.h"

#include "CarModel.h"
#include "FceFiles.h"
#include "RawFce.h"

#include <random>
#include <stdexcept>

namespace trimlet_testing {

namespace {

mobrix::Vec3 ToVec(const Point& p)
{
    return {p.x, p.y, p.z};
}

Point PointAt(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return {testing_support::GetF32(bytes, at), testing_support::GetF32(bytes, at + 4),
            testing_support::GetF32(bytes, at + 8)};
}

template <std::size_t K>
std::array<std::uint8_t, K> RandomBytes(std::mt19937& rng)
{
    std::array<std::uint8_t, K> out{};
    for (auto& b : out)
        b = static_cast<std::uint8_t>(rng());
    return out;
}

} // namespace

CarPart SimplePart(const std::string& name, Point position, std::vector<Point> points,
                   std::vector<std::array<int, 3>> faces, std::vector<std::int32_t> flags)
{
    CarPart part;
    part.name = name;
    part.position = position;
    for (std::size_t s = 0; s < 3; ++s) {
        part.sets[s] = points;
        part.normals[s] = std::vector<Point>(points.size(), Point{0, 0, -1});
    }
    flags.resize(faces.size(), 0);
    part.faces = std::move(faces);
    part.flags = std::move(flags);
    return part;
}

std::vector<std::uint8_t> BuildNfs4File(const std::vector<CarPart>& parts, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    mobrix::CarModel model;
    mobrix::NewFCE(model);
    mobrix::ModelHeader& h = model.Header;
    h.NumParts = static_cast<std::int32_t>(parts.size());
    int vertices = 0;
    int triangles = 0;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const CarPart& part = parts[p];
        h.PartPos[p] = ToVec(part.position);
        h.PartNames[p] = mobrix::MakeName(part.name);
        h.PartFirstVertex[p] = vertices;
        h.PartNumVertices[p] = static_cast<std::int32_t>(part.sets[0].size());
        h.PartFirstTriangle[p] = triangles;
        h.PartNumTriangles[p] = static_cast<std::int32_t>(part.faces.size());
        for (std::size_t v = 0; v < part.sets[0].size(); ++v) {
            model.NormalVerts.push_back(ToVec(part.sets[0][v]));
            model.Undamaged2Verts.push_back(ToVec(part.sets[1][v]));
            model.DamagedVerts.push_back(ToVec(part.sets[2][v]));
            model.NormalNorms.push_back(ToVec(part.normals[0][v]));
            model.Undamaged2Norms.push_back(ToVec(part.normals[1][v]));
            model.DamagedNorms.push_back(ToVec(part.normals[2][v]));
        }
        for (std::size_t f = 0; f < part.faces.size(); ++f) {
            mobrix::Triangle t;
            t.TexPage = static_cast<std::int32_t>(rng() % 4);
            t.I1 = part.faces[f][0];
            t.I2 = part.faces[f][1];
            t.I3 = part.faces[f][2];
            t.Flags = part.flags[f];
            t.U1 = 0.25f;
            t.V1 = 0.5f;
            model.Triangles.push_back(t);
        }
        vertices += static_cast<int>(part.sets[0].size());
        triangles += static_cast<int>(part.faces.size());
    }
    h.NumVertices = vertices;
    h.NumTriangles = triangles;
    model.Vertices = model.NormalVerts;
    model.Normals = model.NormalNorms;
    for (int v = 0; v < vertices; ++v) {
        model.Reserved1.push_back(RandomBytes<32>(rng));
        model.Reserved2.push_back(RandomBytes<12>(rng));
        model.Reserved3.push_back(RandomBytes<12>(rng));
        model.VertReservedA.push_back(RandomBytes<4>(rng));
        model.VertReservedB.push_back(RandomBytes<4>(rng));
        model.VertFlags.push_back(RandomBytes<4>(rng));
    }
    for (int t = 0; t < triangles; ++t)
        model.TriReserved.push_back(RandomBytes<12>(rng));
    model.FileFormat = mobrix::ModelOrigin::Nfs4;
    mobrix::ResetSelection(model);
    const mobrix::EncodedFile file = mobrix::EncodeFCE4(model);
    if (file.failure)
        throw std::runtime_error("the test car could not be encoded");
    return file.bytes;
}

RawPart ReadRawPart(const std::vector<std::uint8_t>& bytes)
{
    using testing_support::GetI32;
    RawPart part;
    part.fileSize = bytes.size();
    part.magic.assign(bytes.begin(), bytes.begin() + 4);
    part.version = static_cast<std::int16_t>(bytes.at(4) | (bytes.at(5) << 8));
    part.name.assign(bytes.begin() + 6, bytes.begin() + 70);
    part.position = PointAt(bytes, 70);
    part.vertices = GetI32(bytes, 82);
    part.triangles = GetI32(bytes, 86);
    const auto n = static_cast<std::size_t>(part.vertices);
    std::size_t at = 90;
    for (auto* block : {&part.sets, &part.normals}) {
        for (auto& set : *block) {
            for (std::size_t v = 0; v < n; ++v, at += 12)
                set.push_back(PointAt(bytes, at));
        }
    }
    for (std::size_t v = 0; v < n; ++v, at += 4)
        part.vertFlags.push_back({bytes.at(at), bytes.at(at + 1), bytes.at(at + 2), bytes.at(at + 3)});
    for (std::int32_t t = 0; t < part.triangles; ++t, at += 56) {
        part.corners.push_back({GetI32(bytes, at + 4), GetI32(bytes, at + 8), GetI32(bytes, at + 12)});
        part.triangleFlags.push_back(GetI32(bytes, at + 28));
    }
    return part;
}

} // namespace trimlet_testing
