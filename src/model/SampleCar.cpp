#include "SampleCar.h"

#include <cmath>
#include <iterator>
#include <utility>

namespace mobrix {

namespace {

// X is across the car (left negative), Y up, Z forward.
struct Section {
    float z;
    float halfWidth;    // at the sill and the waist
    float sillY;        // underside
    float waistY;       // top of the doors
    float roofHalfWidth;
    float roofY;
};

// Rear to front: boot, rear screen foot, cabin, windscreen foot, bonnet, nose.
constexpr Section kBody[] = {
    {-2.20f, 0.85f, 0.25f, 0.65f, 0.75f, 0.85f}, {-1.50f, 0.90f, 0.20f, 0.70f, 0.80f, 0.95f},
    {-0.80f, 0.90f, 0.20f, 0.75f, 0.70f, 1.35f}, {0.30f, 0.90f, 0.20f, 0.75f, 0.70f, 1.35f},
    {1.10f, 0.90f, 0.20f, 0.70f, 0.80f, 0.90f},  {2.20f, 0.85f, 0.25f, 0.60f, 0.75f, 0.75f},
};
constexpr int kSections = static_cast<int>(std::size(kBody));
constexpr int kRing = 6; // points around one section
constexpr int kRearScreenGap = 1; // gap between sections 1 and 2
constexpr int kTransparent = 8; // triangle flag of semi-transparent faces

constexpr float kWheelRadius = 0.32f;
constexpr float kWheelHalfWidth = 0.11f;
constexpr int kWheelSegments = 8;
// cos and sin of k * 45 degrees, written out so the sample never depends
// on the maths library.
constexpr float kCos[kWheelSegments] = {1.0f, 0.70710678f, 0.0f, -0.70710678f, -1.0f, -0.70710678f, 0.0f, 0.70710678f};
constexpr float kSin[kWheelSegments] = {0.0f, 0.70710678f, 1.0f, 0.70710678f, 0.0f, -0.70710678f, -1.0f, -0.70710678f};

struct UV {
    float u = 0;
    float v = 0;
};

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
float Dot(const Vec3& a, const Vec3& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

// Appends parts one at a time, keeping the part tables and every parallel
// table of the model in step.
class PartBuilder {
public:
    explicit PartBuilder(CarModel& model) : model_(model) {}

    void Begin(const char* name, Vec3 position)
    {
        ModelHeader& h = model_.Header;
        part_ = h.NumParts++;
        const auto p = static_cast<std::size_t>(part_);
        h.PartNames[p] = MakeName(name);
        h.PartPos[p] = position;
        h.PartFirstVertex[p] = h.NumVertices;
        h.PartFirstTriangle[p] = h.NumTriangles;
        centre_ = {};
    }

    // Faces are turned to face away from this point (relative to the part).
    void SetCentre(Vec3 centre) { centre_ = centre; }

    int Vertex(Vec3 v)
    {
        ModelHeader& h = model_.Header;
        model_.Vertices.push_back(v);
        ++h.NumVertices;
        return h.PartNumVertices[static_cast<std::size_t>(part_)]++;
    }

    void Triangle(int a, int b, int c, UV ua, UV ub, UV uc, int flags = 0)
    {
        const std::size_t first = static_cast<std::size_t>(model_.Header.PartFirstVertex[static_cast<std::size_t>(part_)]);
        const Vec3& pa = model_.Vertices[first + static_cast<std::size_t>(a)];
        const Vec3& pb = model_.Vertices[first + static_cast<std::size_t>(b)];
        const Vec3& pc = model_.Vertices[first + static_cast<std::size_t>(c)];
        const Vec3 normal = Cross(Sub(pb, pa), Sub(pc, pa));
        const Vec3 centroid{(pa.X + pb.X + pc.X) / 3, (pa.Y + pb.Y + pc.Y) / 3, (pa.Z + pb.Z + pc.Z) / 3};
        if (Dot(normal, Sub(centroid, centre_)) < 0) {
            std::swap(b, c);
            std::swap(ub, uc);
        }
        mobrix::Triangle t;
        t.I1 = a;
        t.I2 = b;
        t.I3 = c;
        t.Flags = flags;
        t.U1 = ua.u;
        t.U2 = ub.u;
        t.U3 = uc.u;
        t.V1 = ua.v;
        t.V2 = ub.v;
        t.V3 = uc.v;
        model_.Triangles.push_back(t);
        ++model_.Header.NumTriangles;
        ++model_.Header.PartNumTriangles[static_cast<std::size_t>(part_)];
    }

    void Quad(int a, int b, int c, int d, UV ua, UV ub, UV uc, UV ud, int flags = 0)
    {
        Triangle(a, b, c, ua, ub, uc, flags);
        Triangle(a, c, d, ua, uc, ud, flags);
    }

private:
    CarModel& model_;
    int part_ = 0;
    Vec3 centre_;
};

std::array<Vec3, kRing> RingPoints(const Section& s)
{
    return {{{-s.halfWidth, s.sillY, s.z},
             {-s.halfWidth, s.waistY, s.z},
             {-s.roofHalfWidth, s.roofY, s.z},
             {s.roofHalfWidth, s.roofY, s.z},
             {s.halfWidth, s.waistY, s.z},
             {s.halfWidth, s.sillY, s.z}}};
}

// Side view projection onto the upper half of the texture.
UV BodyUV(const Vec3& v)
{
    return {(v.Z + 2.2f) / 4.4f, 0.5f - v.Y / 3.0f};
}

// Glass between sections 1..4: side windows on the two upper side strips,
// rear screen and windscreen on the roof strip of the sloping gaps.
bool IsGlass(int gap, int ringEdge)
{
    const bool cabin = gap >= kRearScreenGap && gap <= kRearScreenGap + 2;
    const bool sideWindow = ringEdge == 1 || ringEdge == 3;
    const bool screen = ringEdge == 2 && (gap == kRearScreenGap || gap == kRearScreenGap + 2);
    return cabin && (sideWindow || screen);
}

void BuildBody(PartBuilder& b)
{
    b.Begin(":HB", {0.0f, 0.0f, 0.0f});
    b.SetCentre({0.0f, 0.6f, 0.0f});
    int ring[kSections][kRing];
    Vec3 points[kSections][kRing];
    for (int s = 0; s < kSections; ++s) {
        const auto pts = RingPoints(kBody[s]);
        for (int k = 0; k < kRing; ++k) {
            points[s][k] = pts[static_cast<std::size_t>(k)];
            ring[s][k] = b.Vertex(points[s][k]);
        }
    }
    for (int s = 0; s + 1 < kSections; ++s) {
        for (int k = 0; k < kRing; ++k) {
            const int k2 = (k + 1) % kRing;
            b.Quad(ring[s][k], ring[s][k2], ring[s + 1][k2], ring[s + 1][k], BodyUV(points[s][k]),
                   BodyUV(points[s][k2]), BodyUV(points[s + 1][k2]), BodyUV(points[s + 1][k]),
                   IsGlass(s, k) ? kTransparent : 0);
        }
    }
    // End caps, fanned from the first point of the ring; their texture is
    // the lower left quarter.
    for (int s : {0, kSections - 1}) {
        for (int k = 1; k + 1 < kRing; ++k) {
            auto capUV = [&](int i) {
                return UV{0.25f + points[s][i].X / 4.0f, 1.0f - points[s][i].Y / 3.0f};
            };
            b.Triangle(ring[s][0], ring[s][k], ring[s][k + 1], capUV(0), capUV(k), capUV(k + 1));
        }
    }
}

void BuildWheel(PartBuilder& b, const char* name, Vec3 position)
{
    b.Begin(name, position);
    b.SetCentre({});
    const float outer = position.X < 0 ? -kWheelHalfWidth : kWheelHalfWidth;
    int rim[2][kWheelSegments];
    for (int side = 0; side < 2; ++side) {
        const float x = side == 0 ? outer : -outer;
        for (int k = 0; k < kWheelSegments; ++k)
            rim[side][k] = b.Vertex({x, kWheelRadius * kSin[k], kWheelRadius * kCos[k]});
    }
    const int hub[2] = {b.Vertex({outer, 0.0f, 0.0f}), b.Vertex({-outer, 0.0f, 0.0f})};
    // The wheel face takes the lower right quarter of the texture.
    auto faceUV = [](int k) { return UV{0.875f + 0.125f * kCos[k], 0.875f + 0.125f * kSin[k]}; };
    const UV hubUV{0.875f, 0.875f};
    for (int k = 0; k < kWheelSegments; ++k) {
        const int k2 = (k + 1) % kWheelSegments;
        const float u1 = 0.5f + 0.25f * static_cast<float>(k) / kWheelSegments;
        const float u2 = 0.5f + 0.25f * static_cast<float>(k + 1) / kWheelSegments;
        b.Quad(rim[0][k], rim[0][k2], rim[1][k2], rim[1][k], {u1, 0.75f}, {u2, 0.75f}, {u2, 1.0f}, {u1, 1.0f});
        for (int side = 0; side < 2; ++side)
            b.Triangle(hub[side], rim[side][k], rim[side][k2], hubUV, faceUV(k), faceUV(k2));
    }
}

// Smooth vertex normals: the normalised sum of the face normals around each
// vertex, weighted by face area.
std::vector<Vec3> VertexNormals(const CarModel& model)
{
    std::vector<Vec3> sum(model.Vertices.size());
    for (int p = 0; p < model.Header.NumParts; ++p) {
        const auto first = static_cast<std::size_t>(model.Header.PartFirstVertex[static_cast<std::size_t>(p)]);
        const IndexRange tris = PartTriangleRange(model, p);
        for (std::int64_t t = tris.begin; t < tris.end; ++t) {
            const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
            const std::size_t corners[3] = {first + static_cast<std::size_t>(tri.I1),
                                            first + static_cast<std::size_t>(tri.I2),
                                            first + static_cast<std::size_t>(tri.I3)};
            const Vec3 n = Cross(Sub(model.Vertices[corners[1]], model.Vertices[corners[0]]),
                                 Sub(model.Vertices[corners[2]], model.Vertices[corners[0]]));
            for (std::size_t c : corners)
                sum[c] = {sum[c].X + n.X, sum[c].Y + n.Y, sum[c].Z + n.Z};
        }
    }
    for (Vec3& n : sum) {
        const float length = std::sqrt(Dot(n, n));
        if (length > 0)
            n = {n.X / length, n.Y / length, n.Z / length};
    }
    return sum;
}

// The damaged set: the nose pushed in, a little more on the left.
Vec3 Dented(const Vec3& v)
{
    if (v.Z < 1.8f)
        return v;
    const float push = v.X < 0 ? 0.12f : 0.06f;
    return {v.X * 0.97f, v.Y - 0.03f, v.Z - push};
}

void AddDummies(ModelHeader& h)
{
    struct Light {
        const char* name;
        Vec3 position;
    };
    const Light lights[] = {
        {":HFLO", {-0.62f, 0.55f, 2.22f}}, {":HFRE", {0.62f, 0.55f, 2.22f}},
        {":TRLO", {-0.65f, 0.62f, -2.22f}}, {":TRRE", {0.65f, 0.62f, -2.22f}},
    };
    for (const Light& light : lights) {
        const auto i = static_cast<std::size_t>(h.NumDummies++);
        h.DummyNames[i] = MakeName(light.name);
        h.DummyPos[i] = light.position;
    }
}

void AddColours(ModelHeader& h)
{
    // Hue, saturation, brightness, tolerance: red, blue, silver, yellow.
    const Colour paint[] = {{0, 220, 170, 40}, {160, 200, 150, 40}, {0, 0, 190, 30}, {40, 230, 210, 40}};
    const Colour trim[] = {{0, 0, 40, 20}, {0, 0, 40, 20}, {0, 0, 90, 20}, {0, 0, 40, 20}};
    const Colour interior[] = {{0, 0, 60, 30}, {150, 60, 70, 30}, {0, 0, 120, 30}, {30, 80, 90, 30}};
    const Colour hair[] = {{20, 120, 40, 20}, {25, 160, 200, 20}, {0, 0, 30, 20}, {15, 170, 110, 20}};
    constexpr int kColours = 4;
    for (int i = 0; i < kColours; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        h.PriColours[slot] = paint[i];
        h.SecColours[slot] = trim[i];
        h.IntColours[slot] = interior[i];
        h.HairColours[slot] = hair[i];
    }
    h.NumPriColours = kColours;
    h.NumSecColours = kColours;
}

} // namespace

CarModel BuildSampleCar()
{
    CarModel model;
    NewFCE(model);
    model.Header.NumArts = 1;

    PartBuilder builder(model);
    BuildBody(builder);
    BuildWheel(builder, ":HLFW", {-0.80f, 0.32f, 1.35f});
    BuildWheel(builder, ":HRFW", {0.80f, 0.32f, 1.35f});
    BuildWheel(builder, ":HLRW", {-0.80f, 0.32f, -1.35f});
    BuildWheel(builder, ":HRRW", {0.80f, 0.32f, -1.35f});
    AddDummies(model.Header);
    AddColours(model.Header);

    const auto n = model.Vertices.size();
    const auto m = model.Triangles.size();
    model.Normals = VertexNormals(model);
    model.Reserved1.assign(n, Reserved32{});
    model.Reserved2.assign(n, Reserved12{});
    model.Reserved3.assign(n, Reserved12{});

    model.NormalVerts = model.Vertices;
    model.NormalNorms = model.Normals;
    model.Undamaged2Verts = model.Vertices;
    model.Undamaged2Norms = model.Normals;
    model.DamagedVerts.clear();
    const IndexRange body = PartVertexRange(model, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const bool inBody = static_cast<std::int64_t>(i) < body.end;
        model.DamagedVerts.push_back(inBody ? Dented(model.Vertices[i]) : model.Vertices[i]);
    }
    model.DamagedNorms = model.Normals;
    model.VertReservedA.assign(n, Reserved4{});
    model.VertReservedB.assign(n, Reserved4{});
    model.VertFlags.assign(n, Reserved4{4, 0, 0, 0});
    model.TriReserved.assign(m, Reserved12{});

    model.FileFormat = ModelOrigin::Nfs4;
    model.ActiveVertexSet = VertexSet::Normal;
    ResetSelection(model);
    return model;
}

namespace {

struct Bgra {
    std::uint8_t b, g, r, a;
};

constexpr int kTextureSize = 64;

// The colour of the texture at (u, v), v counted from the top of the image.
Bgra TextureColour(float u, float v)
{
    if (v < 0.5f) {
        const bool glass = u >= 0.16f && u < 0.75f && v >= 0.05f && v < 0.27f;
        return glass ? Bgra{235, 200, 150, 160} : Bgra{40, 30, 200, 255};
    }
    if (u < 0.5f)
        return {20, 120, 240, 255};
    if (v < 0.75f)
        return {40, 220, 240, 255};
    return u < 0.75f ? Bgra{50, 50, 50, 255} : Bgra{200, 200, 200, 255};
}

void PutLittle16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

} // namespace

std::vector<std::uint8_t> BuildSampleTexture()
{
    std::vector<std::uint8_t> tga;
    tga.reserve(18 + kTextureSize * kTextureSize * 4);
    // No image id, no colour map, true colour (type 2), origin 0, 0.
    tga.insert(tga.end(), {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    PutLittle16(tga, kTextureSize);
    PutLittle16(tga, kTextureSize);
    tga.push_back(32);
    tga.push_back(8); // eight alpha bits, rows stored from the bottom
    for (int row = kTextureSize - 1; row >= 0; --row) {
        for (int column = 0; column < kTextureSize; ++column) {
            const float u = (static_cast<float>(column) + 0.5f) / kTextureSize;
            const float v = (static_cast<float>(row) + 0.5f) / kTextureSize;
            const Bgra c = TextureColour(u, v);
            tga.insert(tga.end(), {c.b, c.g, c.r, c.a});
        }
    }
    return tga;
}

std::string SampleCarNotes()
{
    return "Sample car\r\n"
           "Made by the project's sample generator: a body, four wheels and light dummies.\r\n"
           "car.fce    the model (NFSIV)\r\n"
           "car00.tga  its texture, 64 x 64, 32 bits\r\n";
}

} // namespace mobrix
