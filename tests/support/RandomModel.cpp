#include "RandomModel.h"

#include <algorithm>
#include <random>

namespace testing_support {

using namespace mobrix;

namespace {

class Random {
public:
    explicit Random(std::uint32_t seed) : rng_(seed) {}
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    float Float(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(rng_()); }
    Vec3 Point() { return {Float(-3, 3), Float(-3, 3), Float(-3, 3)}; }
    template <std::size_t K>
    std::array<std::uint8_t, K> Bytes()
    {
        std::array<std::uint8_t, K> out;
        for (auto& b : out)
            b = Byte();
        return out;
    }
    Name64 Name()
    {
        Name64 name;
        name.fill(' ');
        const int length = Int(0, 64);
        for (int i = 0; i < length; ++i)
            name[static_cast<std::size_t>(i)] = static_cast<char>(Int(0, 4) == 0 ? 0 : Int(32, 126));
        return name;
    }
    Colour Paint() { return {Int(0, 255), Int(0, 255), Int(0, 255), Int(0, 255)}; }
    // `parts` consecutive counts summing to `total`, each at least `least`
    // when the total allows.
    std::vector<int> Split(int total, int parts, int least)
    {
        const int base = total >= least * parts ? least : 0;
        const int spread = total - base * parts;
        std::vector<int> cuts{0, spread};
        for (int i = 0; i + 1 < parts; ++i)
            cuts.push_back(Int(0, spread));
        std::sort(cuts.begin(), cuts.end());
        std::vector<int> counts;
        for (std::size_t i = 1; i < cuts.size(); ++i)
            counts.push_back(base + cuts[i] - cuts[i - 1]);
        return counts;
    }

private:
    std::mt19937 rng_;
};

template <class T, class Make>
std::vector<T> Table(int count, Make make)
{
    std::vector<T> table;
    for (int i = 0; i < count; ++i)
        table.push_back(make());
    return table;
}

} // namespace

CarModel RandomModel(std::uint32_t seed, const RandomModelShape& shape)
{
    Random r(seed);
    CarModel m;
    ModelHeader& h = m.Header;
    h.HeaderTag = {static_cast<char>(r.Byte()), static_cast<char>(r.Byte()), static_cast<char>(r.Byte()),
                   static_cast<char>(r.Byte())};
    h.NumVertices = shape.vertices;
    h.NumTriangles = shape.triangles;
    h.NumArts = r.Int(0, 5);
    h.NumDummies = shape.dummies;
    for (std::size_t i = 0; i < kDummySlots; ++i) {
        h.DummyPos[i] = r.Point();
        h.DummyNames[i] = r.Name();
    }
    h.NumParts = shape.parts;
    const std::vector<int> vertexCounts = r.Split(shape.vertices, shape.parts, 1);
    const std::vector<int> triangleCounts = r.Split(shape.triangles, shape.parts, 0);
    int firstVertex = 0;
    int firstTriangle = 0;
    for (std::size_t p = 0; p < static_cast<std::size_t>(shape.parts); ++p) {
        h.PartPos[p] = r.Point();
        h.PartFirstVertex[p] = firstVertex;
        h.PartNumVertices[p] = vertexCounts[p];
        h.PartFirstTriangle[p] = firstTriangle;
        h.PartNumTriangles[p] = triangleCounts[p];
        h.PartNames[p] = r.Name();
        for (int t = 0; t < triangleCounts[p]; ++t) {
            const int corners = std::max(1, vertexCounts[p]);
            Triangle tri;
            tri.TexPage = r.Int(0, 3);
            tri.I1 = r.Int(0, corners - 1);
            tri.I2 = r.Int(0, corners - 1);
            tri.I3 = r.Int(0, corners - 1);
            for (auto& w : tri.TriFill)
                w = static_cast<std::uint16_t>(r.Int(0, 65535));
            tri.Flags = r.Int(0, 0xFFFF);
            tri.U1 = r.Float(0, 1);
            tri.U2 = r.Float(0, 1);
            tri.U3 = r.Float(0, 1);
            tri.V1 = r.Float(0, 1);
            tri.V2 = r.Float(0, 1);
            tri.V3 = r.Float(0, 1);
            m.Triangles.push_back(tri);
        }
        firstVertex += vertexCounts[p];
        firstTriangle += triangleCounts[p];
    }
    h.NumPriColours = h.NumSecColours = r.Int(0, 16);
    for (std::size_t i = 0; i < kColourSlots; ++i) {
        h.PriColours[i] = r.Paint();
        h.SecColours[i] = r.Paint();
        h.IntColours[i] = r.Paint();
        h.HairColours[i] = r.Paint();
    }
    for (auto& b : h.HeaderTail)
        b = r.Byte();

    const int n = shape.vertices;
    auto point = [&r] { return r.Point(); };
    m.Vertices = Table<Vec3>(n, point);
    m.Normals = Table<Vec3>(n, point);
    m.Reserved1 = Table<Reserved32>(n, [&r] { return r.Bytes<32>(); });
    m.Reserved2 = Table<Reserved12>(n, [&r] { return r.Bytes<12>(); });
    m.Reserved3 = Table<Reserved12>(n, [&r] { return r.Bytes<12>(); });
    m.FileFormat = shape.origin;
    if (HoldsNfs4Tables(m)) {
        m.NormalVerts = m.Vertices;
        m.NormalNorms = m.Normals;
        m.Undamaged2Verts = Table<Vec3>(n, point);
        m.Undamaged2Norms = Table<Vec3>(n, point);
        m.DamagedVerts = Table<Vec3>(n, point);
        m.DamagedNorms = Table<Vec3>(n, point);
        m.VertReservedA = Table<Reserved4>(n, [&r] { return r.Bytes<4>(); });
        m.VertReservedB = Table<Reserved4>(n, [&r] { return r.Bytes<4>(); });
        m.VertFlags = Table<Reserved4>(n, [&r] { return r.Bytes<4>(); });
        m.TriReserved = Table<Reserved12>(shape.triangles, [&r] { return r.Bytes<12>(); });
    }
    if (HoldsFce4mTables(m)) {
        m.VertReservedC = Table<ReservedByte>(n, [&r] { return r.Bytes<1>(); });
        const std::array<std::uint8_t, 4> version{0x15, 0x10, 0x10, 0x00};
        std::copy(version.begin(), version.end(), m.Fce4Header.begin());
    }
    ResetSelection(m);
    return m;
}

} // namespace testing_support
