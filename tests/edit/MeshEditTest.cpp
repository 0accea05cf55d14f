// The structural routines against the step-by-step reference, over long
// random sequences on NFSIII and NFSIV models, with the invariant check
// after every step.

#include "CarModel.h"
#include "MeshEdit.h"
#include "RandomModel.h"
#include "ReferenceMeshEdit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

using namespace mobrix;
using namespace testing_support;
using ::testing::IsEmpty;

namespace {

class RandomEdits {
public:
    RandomEdits(std::uint32_t seed, CarModel start) : rng_(seed), fast_(std::move(start)), slow_(fast_) {}

    // Applies one random operation to both models and checks they agree.
    void Step(int step)
    {
        const int parts = fast_.Header.NumParts;
        const int part = Int(0, parts - 1);
        const auto p = static_cast<std::size_t>(part);
        const int vertices = fast_.Header.PartNumVertices[p];
        const int triangles = fast_.Header.PartNumTriangles[p];
        std::string what;
        switch (Int(0, 9)) {
        case 0:
        case 1: {
            const float x = Float(), y = Float(), z = Float();
            what = "AddVertex";
            ASSERT_EQ(AddVertex(fast_, part, x, y, z), MeshEditStatus::Done);
            reference::AddVertex(slow_, part, x, y, z);
            break;
        }
        case 2:
            if (vertices == 0)
                return;
            {
                const int v = Int(0, vertices - 1);
                what = "RemoveVertex " + std::to_string(v);
                ASSERT_EQ(RemoveVertex(fast_, part, v), MeshEditStatus::Done);
                reference::RemoveVertex(slow_, part, v);
            }
            break;
        case 3:
        case 4:
            if (vertices == 0)
                return;
            {
                const int a = Int(0, vertices - 1), b = Int(0, vertices - 1), c = Int(0, vertices - 1);
                what = "AddTriangle";
                ASSERT_EQ(AddTriangle(fast_, part, a, b, c), MeshEditStatus::Done);
                reference::AddTriangle(slow_, part, a, b, c);
            }
            break;
        case 5:
            if (triangles == 0)
                return;
            {
                const int t = Int(0, triangles - 1);
                what = "RemoveTriangle";
                ASSERT_EQ(RemoveTriangle(fast_, part, t), MeshEditStatus::Done);
                reference::RemoveTriangle(slow_, part, t);
            }
            break;
        case 6: {
            // Mark some vertices (the same way in both), then "Remove Vert".
            for (std::size_t i = 0; i < fast_.VertSelected.size(); ++i) {
                const std::int16_t mark = Int(0, 5) == 0 ? -1 : 0;
                fast_.VertSelected[i] = slow_.VertSelected[i] = mark;
            }
            what = "RemoveMarkedVertices";
            ASSERT_EQ(RemoveMarkedVertices(fast_, part), MeshEditStatus::Done);
            reference::RemoveMarkedVertices(slow_, part);
            break;
        }
        case 7: {
            std::vector<int> chosen;
            for (int t = 0; t < triangles; ++t) {
                if (Int(0, 3) == 0)
                    chosen.push_back(t);
            }
            if (!chosen.empty())
                chosen.push_back(chosen.front()); // a duplicate changes nothing
            what = "RemoveTriangles";
            ASSERT_EQ(RemoveTriangles(fast_, part, chosen), MeshEditStatus::Done);
            reference::RemoveTriangles(slow_, part, chosen);
            break;
        }
        case 8:
            if (Int(0, 4) != 0)
                return;
            what = "RemovePartVertices";
            ASSERT_EQ(RemovePartVertices(fast_, part), MeshEditStatus::Done);
            reference::RemovePartVertices(slow_, part);
            break;
        default: {
            // Refused calls change nothing.
            const CarModel before = fast_;
            what = "refusals";
            EXPECT_EQ(AddVertex(fast_, parts, 0, 0, 0), MeshEditStatus::NoSuchPart);
            EXPECT_EQ(RemoveVertex(fast_, part, vertices), MeshEditStatus::IndexOutOfRange);
            EXPECT_EQ(AddTriangle(fast_, part, 0, vertices, 0), MeshEditStatus::IndexOutOfRange);
            EXPECT_EQ(AddTriangle(fast_, -1, 0, 0, 0), MeshEditStatus::NoSuchPart);
            const std::vector<int> bad{0, triangles};
            if (fast_.Header.NumTriangles > 0) {
                EXPECT_EQ(RemoveTriangles(fast_, part, bad), MeshEditStatus::IndexOutOfRange);
            }
            EXPECT_EQ(fast_, before);
            return;
        }
        }
        ASSERT_EQ(fast_, slow_) << "step " << step << ": " << what << " on part " << part;
        ASSERT_THAT(CheckModel(fast_), IsEmpty()) << "step " << step << ": " << what;
    }

    const CarModel& model() const { return fast_; }

private:
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    float Float() { return std::uniform_real_distribution<float>(-2, 2)(rng_); }

    std::mt19937 rng_;
    CarModel fast_;
    CarModel slow_;
};

void RunSequence(std::uint32_t seed, ModelOrigin origin, int steps)
{
    RandomEdits edits(seed, RandomModel(seed, {.vertices = 60, .triangles = 90, .parts = 5, .dummies = 0,
                                               .origin = origin}));
    for (int step = 0; step < steps && !::testing::Test::HasFatalFailure(); ++step)
        edits.Step(step);
}

} // namespace

TEST(MeshEdit, AgreesWithTheStepByStepRulesOnNfs4Models)
{
    for (std::uint32_t seed = 1; seed <= 6; ++seed)
        RunSequence(seed, ModelOrigin::Nfs4, 400);
}

TEST(MeshEdit, AgreesWithTheStepByStepRulesOnNfs3Models)
{
    for (std::uint32_t seed = 11; seed <= 14; ++seed)
        RunSequence(seed, ModelOrigin::Nfs3, 400);
}

TEST(MeshEdit, NewEntriesGetTheirOwnValuesAndTakeOverTheRest)
{
    CarModel m = RandomModel(3, {.vertices = 12, .triangles = 10, .parts = 3, .dummies = 0});
    const ModelHeader before = m.Header;
    const std::size_t n = static_cast<std::size_t>(before.PartFirstVertex[0] + before.PartNumVertices[0]);
    const Vec3 pushedNormal = m.DamagedNorms[n];
    const Reserved4 pushedFlags = m.VertFlags[n];
    ASSERT_EQ(AddVertex(m, 0, 1, 2, 3), MeshEditStatus::Done);
    EXPECT_EQ(m.Vertices[n], (Vec3{1, 2, 3}));
    EXPECT_EQ(m.DamagedVerts[n], (Vec3{1, 2, 3}));
    EXPECT_EQ(m.Normals[n], Vec3{});
    EXPECT_EQ(m.DamagedNorms[n], pushedNormal);
    EXPECT_EQ(m.VertFlags[n], (Reserved4{4, pushedFlags[1], pushedFlags[2], pushedFlags[3]}));
    EXPECT_EQ(m.Reserved1[n], Reserved32{});
    EXPECT_EQ(std::count(m.VertSelected.begin(), m.VertSelected.end(), -1), 1);
    EXPECT_EQ(m.VertSelected[n], -1);
    EXPECT_EQ(m.Header.PartFirstVertex[1], before.PartFirstVertex[1] + 1);
    EXPECT_EQ(m.Header.PartFirstVertex[2], before.PartFirstVertex[2] + 1);

    const std::size_t t = static_cast<std::size_t>(m.Header.PartFirstTriangle[0] + m.Header.PartNumTriangles[0]);
    const auto pushedFill = m.Triangles[t].TriFill;
    m.TriState[0].Selected = -1;
    ASSERT_EQ(AddTriangle(m, 0, 0, 1, 2), MeshEditStatus::Done);
    EXPECT_EQ(m.Triangles[t].TriFill, pushedFill);
    EXPECT_EQ(m.Triangles[t].Flags, 0);
    EXPECT_EQ(m.Triangles[t].V3, 0.0f);
    EXPECT_EQ(m.TriReserved[t], Reserved12{});
    EXPECT_EQ(m.TriState[0].Selected, 0) << "adding a triangle clears every mark";
    EXPECT_THAT(CheckModel(m), IsEmpty());
}

TEST(MeshEdit, RemovingAVertexTakesItsTrianglesAndRenumbersTheRest)
{
    CarModel m;
    NewFCE(m);
    m.Header.NumParts = 1;
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(AddVertex(m, 0, static_cast<float>(i), 0, 0), MeshEditStatus::Done);
    ASSERT_EQ(AddTriangle(m, 0, 0, 1, 2), MeshEditStatus::Done);
    ASSERT_EQ(AddTriangle(m, 0, 2, 3, 4), MeshEditStatus::Done);
    ASSERT_EQ(AddTriangle(m, 0, 1, 3, 4), MeshEditStatus::Done);
    ASSERT_EQ(AddTriangle(m, 0, 3, 4, 0), MeshEditStatus::Done);
    ASSERT_EQ(RemoveVertex(m, 0, 1), MeshEditStatus::Done);
    ASSERT_EQ(m.Header.NumTriangles, 2);
    EXPECT_EQ((std::array{m.Triangles[0].I1, m.Triangles[0].I2, m.Triangles[0].I3}), (std::array{1, 2, 3}));
    EXPECT_EQ((std::array{m.Triangles[1].I1, m.Triangles[1].I2, m.Triangles[1].I3}), (std::array{2, 3, 0}));
    EXPECT_EQ(m.Vertices[1].X, 2.0f);
    EXPECT_THAT(CheckModel(m), IsEmpty());

    ASSERT_EQ(RemovePartVertices(m, 0), MeshEditStatus::Done);
    EXPECT_EQ(m.Header.NumVertices, 0);
    EXPECT_EQ(m.Header.NumTriangles, 0);
    EXPECT_EQ(RemoveTriangle(m, 0, 0), MeshEditStatus::NoTriangles);
    EXPECT_THAT(CheckModel(m), IsEmpty());
}

TEST(MeshEdit, ModelsThatBreakTheirOwnTablesAreNotEdited)
{
    CarModel m = RandomModel(4, {.vertices = 20, .triangles = 20, .parts = 2, .dummies = 0});
    m.Reserved2.pop_back();
    const CarModel shortTable = m;
    EXPECT_EQ(AddVertex(m, 0, 0, 0, 0), MeshEditStatus::NoSuchPart);
    EXPECT_EQ(RemovePartVertices(m, 1), MeshEditStatus::NoSuchPart);
    EXPECT_EQ(m, shortTable);

    // A triangle whose corners all lie outside its part still belongs to it.
    CarModel stray = RandomModel(6, {.vertices = 20, .triangles = 20, .parts = 3, .dummies = 0});
    stray.Triangles[static_cast<std::size_t>(stray.Header.PartFirstTriangle[1])].I1 = 99;
    stray.Triangles[static_cast<std::size_t>(stray.Header.PartFirstTriangle[1])].I2 = -4;
    stray.Triangles[static_cast<std::size_t>(stray.Header.PartFirstTriangle[1])].I3 = 1000;
    const int strayTriangles = stray.Header.NumTriangles - stray.Header.PartNumTriangles[1];
    ASSERT_EQ(RemovePartVertices(stray, 1), MeshEditStatus::Done);
    EXPECT_EQ(stray.Header.NumTriangles, strayTriangles);
    EXPECT_EQ(stray.Header.PartNumTriangles[1], 0);
    EXPECT_EQ(stray.Header.PartFirstTriangle[2], stray.Header.PartFirstTriangle[1]);

    CarModel far = RandomModel(5, {.vertices = 20, .triangles = 20, .parts = 2, .dummies = 0});
    far.Header.PartNumVertices[1] = 1000; // a part range leaving the table, as a broken file may have
    const CarModel brokenRange = far;
    EXPECT_EQ(RemoveVertex(far, 1, 500), MeshEditStatus::NoSuchPart);
    EXPECT_EQ(AddTriangle(far, 1, 0, 0, 0), MeshEditStatus::NoSuchPart);
    EXPECT_EQ(far, brokenRange);
    EXPECT_EQ(AddVertex(far, 0, 1, 1, 1), MeshEditStatus::Done) << "other parts stay editable";
}
