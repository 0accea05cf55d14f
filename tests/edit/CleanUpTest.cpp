// The clean-up commands against the step-by-step reference on random parts
// full of ties, signed zeros and NaN; Copy Part and Fuse Selected Parts.

#include "CarModel.h"
#include "CleanUp.h"
#include "MeshEdit.h"
#include "PartsDummies.h"
#include "RandomModel.h"
#include "ReferenceMeshEdit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace mobrix;
using namespace testing_support;
using ::testing::IsEmpty;

namespace {

bool SameBits(const std::vector<Vec3>& a, const std::vector<Vec3>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Vec3)) == 0);
}

// NaN never equals itself, so coordinates are compared by their bits.
void ExpectSameModel(CarModel a, CarModel b, const std::string& what)
{
    EXPECT_TRUE(SameBits(a.Vertices, b.Vertices)) << what;
    a.Vertices.clear();
    b.Vertices.clear();
    EXPECT_EQ(a, b) << what;
}

// Vertices on few positions (ties, both zeros, NaN, neighbouring floats)
// and triangles on few corners (duplicates, unused vertices).
CarModel TiedModel(std::uint32_t seed, ModelOrigin origin)
{
    std::mt19937 rng(seed);
    CarModel m = RandomModel(seed, {.vertices = 45, .triangles = 70, .parts = 3, .dummies = 0, .origin = origin});
    const std::array<float, 5> xs{0.0f, -0.0f, 1.0f, std::numeric_limits<float>::quiet_NaN(), std::nextafter(1.0f, 2.0f)};
    const std::array<float, 3> ys{0.0f, -0.0f, 2.0f};
    for (Vec3& v : m.Vertices)
        v = {xs[rng() % xs.size()], ys[rng() % ys.size()], 0.5f};
    for (int p = 0; p < m.Header.NumParts; ++p) {
        const auto i = static_cast<std::size_t>(p);
        const auto n = static_cast<std::uint32_t>(m.Header.PartNumVertices[i]);
        for (int k = 0; k < m.Header.PartNumTriangles[i]; ++k) {
            Triangle& t = m.Triangles[static_cast<std::size_t>(m.Header.PartFirstTriangle[i] + k)];
            for (std::int32_t* corner : {&t.I1, &t.I2, &t.I3})
                *corner = static_cast<std::int32_t>(rng() % 2 ? rng() % std::min(n, 3u) : rng() % n);
        }
    }
    return m;
}

} // namespace

TEST(CleanUp, AgreesWithTheStepByStepRulesOnTiedParts)
{
    for (ModelOrigin origin : {ModelOrigin::Nfs3, ModelOrigin::Nfs4}) {
        for (std::uint32_t seed = 1; seed <= 25; ++seed) {
            for (int part = 0; part < 3; ++part) {
                const std::string what = "seed " + std::to_string(seed) + " part " + std::to_string(part);
                CarModel fast = TiedModel(seed, origin);
                CarModel slow = fast;
                const CleanUpResult polys = RemoveDuplicatePolys(fast, part);
                EXPECT_EQ(polys.statusText, reference::RemoveDuplicatePolys(slow, part)) << what;
                ExpectSameModel(fast, slow, what + " duplicate polys");
                const CleanUpResult verts = RemoveUnnecessaryVerts(fast, part);
                EXPECT_EQ(verts.statusText, reference::RemoveUnnecessaryVerts(slow, part)) << what;
                ExpectSameModel(fast, slow, what + " unnecessary verts");
                ASSERT_THAT(CheckModel(fast), IsEmpty()) << what;
            }
        }
    }
}

TEST(CleanUp, CoincidentCornersMoveToTheLastMemberAndUnusedVerticesGo)
{
    CarModel m;
    NewFCE(m);
    AddPartSlot(m, "body");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const Vec3& v : {Vec3{0, 1, 2}, Vec3{-0.0f, 1, 2}, Vec3{nan, 0, 0}, Vec3{nan, 0, 0}, Vec3{5, 5, 5}})
        AddVertex(m, 0, v.X, v.Y, v.Z);
    AddTriangle(m, 0, 0, 2, 3);
    AddTriangle(m, 0, 1, 2, 3);
    AddTriangle(m, 0, 2, 3, 0);
    AddTriangle(m, 0, 3, 2, 0);
    AddTriangle(m, 0, 0, 2, 3);

    const CleanUpResult polys = RemoveDuplicatePolys(m, 0);
    EXPECT_EQ(polys.removedTriangles, 1) << "a rotated or reversed corner order is no duplicate";
    EXPECT_EQ(polys.statusText, "3");

    const CleanUpResult verts = RemoveUnnecessaryVerts(m, 0);
    EXPECT_EQ(verts.statusText, "Done. Removed a total of 2 unnecessary vertices.");
    ASSERT_EQ(m.Header.NumVertices, 3);
    EXPECT_EQ(m.Vertices[0].X, 0.0f);
    EXPECT_TRUE(std::signbit(m.Vertices[0].X)) << "the -0 vertex has the higher index and stays";
    ASSERT_EQ(m.Header.NumTriangles, 4) << "triangles that became equal are kept";
    EXPECT_EQ((std::array{m.Triangles[0].I1, m.Triangles[0].I2, m.Triangles[0].I3}), (std::array{0, 1, 2}));
    EXPECT_EQ((std::array{m.Triangles[1].I1, m.Triangles[1].I2, m.Triangles[1].I3}), (std::array{0, 1, 2}));
    EXPECT_THAT(CheckModel(m), IsEmpty());
    EXPECT_EQ(RemoveUnnecessaryVerts(m, 0).statusText, "Done. Removed a total of 0 unnecessary vertices.");
}

TEST(CleanUp, CopyPartCopiesEveryVertexSetWithItsNormalsAndTheTriangleRecords)
{
    CarModel m = RandomModel(8, {.vertices = 30, .triangles = 24, .parts = 3, .dummies = 0, .origin = ModelOrigin::Nfs4});
    ModelHeader& h = m.Header;
    for (std::size_t p = 0; p < 3; ++p) {
        h.PartFirstVertex[p] = static_cast<std::int32_t>(10 * p);
        h.PartNumVertices[p] = 10;
        h.PartFirstTriangle[p] = static_cast<std::int32_t>(8 * p);
        h.PartNumTriangles[p] = 8;
    }
    for (Triangle& t : m.Triangles) {
        t.I1 %= 10;
        t.I2 %= 10;
        t.I3 %= 10;
    }

    CarModel expected = m;
    for (auto set : {&CarModel::Vertices, &CarModel::Normals, &CarModel::NormalVerts, &CarModel::NormalNorms,
                     &CarModel::Undamaged2Verts, &CarModel::Undamaged2Norms, &CarModel::DamagedVerts,
                     &CarModel::DamagedNorms})
        std::copy_n((m.*set).begin(), 10, (expected.*set).begin() + 20);
    std::copy_n(m.Triangles.begin(), 8, expected.Triangles.begin() + 16);
    EXPECT_EQ(CopyPart(m, 0, 2).status, MeshToolStatus::Done);
    EXPECT_EQ(m, expected);
    EXPECT_EQ(CopyPart(m, 1, 1).status, MeshToolStatus::Done);
    EXPECT_EQ(m, expected);

    h.PartNumTriangles[1] = 7;
    h.PartFirstTriangle[2] = 15;
    h.PartNumTriangles[2] = 9;
    const CarModel uneven = m;
    const CopyPartResult refused = CopyPart(m, 1, 2);
    EXPECT_EQ(refused.status, MeshToolStatus::SizeMismatch);
    EXPECT_EQ(refused.message, "The selected parts do not contain the same number of vertices or triangles!");
    EXPECT_EQ(m, uneven);
}

TEST(CleanUp, FusedPartsKeepTheirPlacesAndEveryTableComesAlong)
{
    for (ModelOrigin origin : {ModelOrigin::Nfs3, ModelOrigin::Nfs4}) {
        const CarModel before = RandomModel(12, {.vertices = 50, .triangles = 60, .parts = 4, .dummies = 0, .origin = origin});
        CarModel m = before;
        const std::vector<int> selected{3, 1, 0, 3};
        const FuseResult fused = FuseParts(m, 1, selected);
        ASSERT_EQ(fused.status, MeshToolStatus::Done);
        EXPECT_EQ(fused.fusedParts, 2);
        EXPECT_EQ(fused.target, 0);
        EXPECT_EQ(m.CurrentPart, 0);
        ASSERT_EQ(m.Header.NumParts, 2);
        EXPECT_THAT(CheckModel(m), IsEmpty());
        EXPECT_EQ(ListedName(m.Header.PartNames[1]), ListedName(before.Header.PartNames[2]));

        // The target's own mesh, then part 1's, then part 4's, each at its old place.
        const ModelHeader& b = before.Header;
        std::size_t out = 0;
        std::int32_t cornerBase = 0;
        std::size_t triangle = 0;
        for (std::size_t p : {1u, 0u, 3u}) {
            for (std::int32_t k = 0; k < b.PartNumVertices[p]; ++k, ++out) {
                const auto in = static_cast<std::size_t>(b.PartFirstVertex[p] + k);
                EXPECT_NEAR(m.Vertices[out].X + m.Header.PartPos[0].X, before.Vertices[in].X + b.PartPos[p].X, 1e-5);
                EXPECT_NEAR(m.Vertices[out].Z + m.Header.PartPos[0].Z, before.Vertices[in].Z + b.PartPos[p].Z, 1e-5);
                EXPECT_EQ(m.Reserved1[out], before.Reserved1[in]);
                if (origin == ModelOrigin::Nfs4) {
                    EXPECT_NEAR(m.DamagedVerts[out].Y + m.Header.PartPos[0].Y, before.DamagedVerts[in].Y + b.PartPos[p].Y, 1e-5);
                    EXPECT_EQ(m.VertFlags[out], before.VertFlags[in]);
                }
            }
            for (std::int32_t k = 0; k < b.PartNumTriangles[p]; ++k, ++triangle) {
                const auto in = static_cast<std::size_t>(b.PartFirstTriangle[p] + k);
                EXPECT_EQ(m.Triangles[triangle].I2, before.Triangles[in].I2 + cornerBase);
                EXPECT_EQ(m.Triangles[triangle].TriFill, before.Triangles[in].TriFill);
            }
            cornerBase += b.PartNumVertices[p];
        }
        EXPECT_EQ(m.Header.PartNumVertices[0], static_cast<std::int32_t>(out));
        EXPECT_EQ(m.Header.PartPos[1], b.PartPos[2]);
        const auto rest = static_cast<std::size_t>(b.PartFirstVertex[2]);
        EXPECT_TRUE(std::equal(m.Vertices.begin() + static_cast<std::ptrdiff_t>(out), m.Vertices.end(),
                               before.Vertices.begin() + static_cast<std::ptrdiff_t>(rest),
                               before.Vertices.begin() + static_cast<std::ptrdiff_t>(rest) + b.PartNumVertices[2]))
            << "the part between keeps its mesh";

        CarModel single = before;
        EXPECT_EQ(FuseParts(single, 2, std::vector<int>{2}).status, MeshToolStatus::EmptyScope);
        EXPECT_EQ(FuseParts(single, 2, std::vector<int>{4}).status, MeshToolStatus::NoSuchPart);
        EXPECT_EQ(single, before);
    }
}
