// REMAP on small hand-made models whose results can be worked out by hand.

#include "CarModel.h"
#include "Remap.h"
#include "RemapSections.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mobrix;

namespace {

struct PartSpec {
    Vec3 pos;
    std::vector<Vec3> vertices;
    std::vector<std::array<int, 3>> triangles;
    std::vector<std::int16_t> sections; // one per triangle
};

// Texture coordinates nothing would compute, to see what REMAP left alone.
constexpr float kUntouched = 0.3f;

CarModel ModelOf(const std::vector<PartSpec>& parts)
{
    CarModel m;
    NewFCE(m);
    ModelHeader& h = m.Header;
    h.NumParts = static_cast<int>(parts.size());
    std::vector<std::int16_t> groups;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        h.PartPos[p] = parts[p].pos;
        h.PartFirstVertex[p] = static_cast<int>(m.Vertices.size());
        h.PartNumVertices[p] = static_cast<int>(parts[p].vertices.size());
        h.PartFirstTriangle[p] = static_cast<int>(m.Triangles.size());
        h.PartNumTriangles[p] = static_cast<int>(parts[p].triangles.size());
        m.Vertices.insert(m.Vertices.end(), parts[p].vertices.begin(), parts[p].vertices.end());
        for (const auto& corners : parts[p].triangles) {
            Triangle t;
            t.I1 = corners[0];
            t.I2 = corners[1];
            t.I3 = corners[2];
            t.U1 = t.U2 = t.U3 = t.V1 = t.V2 = t.V3 = kUntouched;
            m.Triangles.push_back(t);
        }
        groups.insert(groups.end(), parts[p].sections.begin(), parts[p].sections.end());
    }
    h.NumVertices = static_cast<int>(m.Vertices.size());
    h.NumTriangles = static_cast<int>(m.Triangles.size());
    m.Normals.resize(m.Vertices.size());
    ResetSelection(m);
    for (std::size_t t = 0; t < groups.size(); ++t)
        m.TriState[t].RemapGroup = groups[t];
    return m;
}

std::array<float, 3> Us(const Triangle& t) { return {t.U1, t.U2, t.U3}; }
std::array<float, 3> Vs(const Triangle& t) { return {t.V1, t.V2, t.V3}; }

void ExpectUV(const Triangle& t, std::array<float, 3> u, std::array<float, 3> v)
{
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(Us(t)[k], u[k]) << "U of corner " << k + 1;
        EXPECT_FLOAT_EQ(Vs(t)[k], v[k]) << "V of corner " << k + 1;
    }
}

void ExpectUntouched(const Triangle& t)
{
    ExpectUV(t, {kUntouched, kUntouched, kUntouched}, {kUntouched, kUntouched, kUntouched});
}

} // namespace

TEST(Remap, StartupSectionsMapEachPlaneOntoItsRectangle)
{
    // Part 0 at the origin: a Front triangle spanning X -2..2 and Y -1..1,
    // and a Top triangle (ZX turned: U from X, V from Z).
    // Part 1 at X = 1: a Back triangle whose extent counts |PartPos| and
    // |vertex| apart, 1 + 3 = 4, though the model reaches only to X = 2.
    CarModel m = ModelOf({
        {{0, 0, 0},
         {{-2, -1, 0}, {2, 0, 0}, {0, 1, 0}, {4, 0, 2}, {-4, 0, -2}, {2, 0, 1}},
         {{0, 1, 2}, {3, 4, 5}},
         {3, 1}},
        {{1, 0, 0}, {{-3, 0, 0}, {1, 2, 0}, {1, -2, 0}}, {{0, 1, 2}}, {4}},
    });
    m.TriState[1].Selected = -1; // selection plays no part

    const RemapSummary summary = Remap(m, StartupRemapSections());

    EXPECT_EQ(summary.remapped, 3);
    EXPECT_EQ(summary.unchanged, 0);
    ExpectUV(m.Triangles[0], {0.0f, 0.5f, 0.25f}, {0.5f, 0.625f, 0.75f});
    ExpectUV(m.Triangles[1], {1.0f, 0.5f, 0.875f}, {0.75f, 0.0f, 0.5625f});
    ExpectUV(m.Triangles[2], {0.125f, 0.375f, 0.375f}, {0.375f, 0.5f, 0.25f});
}

TEST(Remap, SymmetryMirrorsAndWheelsShareOneRectangle)
{
    RemapSections sections = StartupRemapSections();
    sections[6] = {"Mirror", 1.0f, 0.5f, 1.0f, 0.5f, 0, static_cast<std::int16_t>(RemapKind::Symmetry), 0};
    // Two wheels, each centred on its own part position: section 5 ignores
    // PartPos both when measuring and (Wheel kind) when mapping.
    const PartSpec wheel{{0, 0, 0}, {{0, 1, -1}, {0, -1, 1}, {0, 0, 0}}, {{0, 1, 2}}, {5}};
    PartSpec left = wheel;
    left.pos = {-5, 0, 3};
    PartSpec right = wheel;
    right.pos = {5, 0, 3};
    CarModel m = ModelOf({
        {{0, 0, 0}, {{-3, 1, 0}, {3, 1, 0}, {0, -1, 0}}, {{0, 1, 2}}, {6}},
        left,
        right,
    });

    Remap(m, sections);

    ExpectUV(m.Triangles[0], {1.0f, 1.0f, 0.75f}, {1.0f, 1.0f, 1.0f});
    // Wheel: ZY, U from Z over the rectangle U 0..0.25, V from Y over 0..0.25.
    ExpectUV(m.Triangles[1], {0.0f, 0.25f, 0.125f}, {0.25f, 0.0f, 0.125f});
    EXPECT_EQ(m.Triangles[2], m.Triangles[1]);
}

TEST(Remap, SectionsThatCannotMapLeaveTheirTrianglesUnchanged)
{
    RemapSections sections = StartupRemapSections();
    sections[3].Orientation = 3;
    sections[4].MapKind = 3;
    CarModel m = ModelOf({{{0, 0, 0},
                           {{0, 1, 1}, {0, -1, 2}, {0, 0, -1}, {1, 1, 1}},
                           // Bottom maps Z and X, and every corner lies at X = 0.
                           {{0, 1, 2}, {0, 1, 2}, {0, 1, 3}, {0, 1, 3}, {0, 1, 3}, {0, 1, 2}},
                           {2, 0, 3, 4, 7, 0}}});
    m.Triangles[5].I3 = 4; // a corner outside the vertex table
    const Triangle outsideParts = m.Triangles[0];
    m.Triangles.push_back(outsideParts);
    m.TriState.emplace_back();

    const RemapSummary summary = Remap(m, sections);

    EXPECT_EQ(summary.remapped, 1);
    EXPECT_EQ(summary.unchanged, 5);
    ExpectUntouched(m.Triangles[0]);
    EXPECT_NE(m.Triangles[1].U1, kUntouched);
    for (std::size_t t : {2u, 3u, 4u, 5u, 6u})
        ExpectUntouched(m.Triangles[t]);
    for (const Triangle& t : m.Triangles)
        for (float value : {t.U1, t.U2, t.U3, t.V1, t.V2, t.V3})
            EXPECT_TRUE(std::isfinite(value));
}
