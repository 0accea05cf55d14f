// Undo records: a slice taken before an edit and one taken after it give
// back either model exactly, whichever way the window grew or shrank, and a
// record taken before an NFSIV save still fits the model the save gave its
// vertex sets.

#include "EditRecord.h"
#include "MeshEdit.h"
#include "PartsDummies.h"
#include "RandomModel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using namespace mobrix;
using testing_support::RandomModel;
using ::testing::IsEmpty;

namespace {

struct Edited {
    ModelSlice before;
    ModelSlice after;
    TableWindow now;
};

Edited EditWithin(CarModel& m, EditExtent extent, TableWindow window, const std::function<void(CarModel&)>& edit)
{
    const std::size_t vertices = m.Vertices.size(), triangles = m.Triangles.size();
    Edited e{TakeSlice(m, extent, window), {}, window};
    edit(m);
    e.now.vertices = window.vertices + m.Vertices.size() - vertices;
    e.now.triangles = window.triangles + m.Triangles.size() - triangles;
    e.after = TakeSlice(m, extent, e.now);
    return e;
}

TEST(EditRecord, SlicesUndoAndRedoEditsThatGrowAndShrinkAPart)
{
    for (const ModelOrigin origin : {ModelOrigin::Nfs3, ModelOrigin::Nfs4, ModelOrigin::Fce4m}) {
        const std::vector<std::function<void(CarModel&)>> edits{
            [](CarModel& m) { AddVertex(m, 1, 1, 2, 3); },
            [](CarModel& m) { RemoveVertex(m, 1, 0); },
            [](CarModel& m) { AddTriangle(m, 1, 0, 1, 2); },
            [](CarModel& m) { RemoveTriangle(m, 1, 0); },
            [](CarModel& m) { m.Header.PartNames[1] = MakeName("renamed"); },
        };
        for (std::size_t k = 0; k < edits.size(); ++k) {
            CarModel m = RandomModel(7 + std::uint32_t(k), {.origin = origin});
            const CarModel original = m;
            const Edited e = EditWithin(m, EditExtent::Mesh, PartWindow(m, 1), edits[k]);
            const CarModel edited = m;
            ASSERT_NE(edited, original) << k;
            PutSlice(m, e.before, e.now);
            EXPECT_EQ(m, original) << "undo of edit " << k;
            PutSlice(m, e.after, e.before.window);
            EXPECT_EQ(m, edited) << "redo of edit " << k;
            EXPECT_THAT(CheckModel(m), IsEmpty());
        }
    }
}

TEST(EditRecord, RemovingAPartIsUndoneFromItsWindowAlone)
{
    CarModel m = RandomModel(3, {.vertices = 60, .triangles = 90, .parts = 5});
    const CarModel original = m;
    const Edited e = EditWithin(m, EditExtent::Mesh, PartWindow(m, 2), [](CarModel& c) { RemovePart(c, 2); });
    EXPECT_EQ(e.now.vertices, 0u);
    EXPECT_LT(e.before.Bytes(), sizeof(ModelSlice) + 64 * 64 + 60 * 200) << "one part, not the model";
    PutSlice(m, e.before, e.now);
    EXPECT_EQ(m, original);
}

TEST(EditRecord, ARecordFromBeforeTheVertexSetsExistedStillFits)
{
    CarModel m = RandomModel(5, {.origin = ModelOrigin::Nfs3});
    ASSERT_TRUE(m.DamagedVerts.empty());
    const Edited e = EditWithin(m, EditExtent::Mesh, PartWindow(m, 0), [](CarModel& c) { AddVertex(c, 0, 4, 5, 6); });
    // An NFSIV save gives the model its sets, parallel to the vertices.
    for (auto* set : {&m.NormalVerts, &m.Undamaged2Verts, &m.DamagedVerts})
        *set = m.Vertices;
    for (auto* set : {&m.NormalNorms, &m.Undamaged2Norms, &m.DamagedNorms})
        *set = m.Normals;
    m.VertReservedA.assign(m.Vertices.size(), {});
    m.VertReservedB.assign(m.Vertices.size(), {});
    m.VertFlags.assign(m.Vertices.size(), {});
    m.TriReserved.assign(m.Triangles.size(), {});
    m.FileFormat = ModelOrigin::Nfs4;

    PutSlice(m, e.before, e.now);
    EXPECT_THAT(CheckModel(m), IsEmpty());
    EXPECT_EQ(m.DamagedVerts, m.Vertices) << "the sets take the restored positions";
}

TEST(EditRecord, MovesPutPositionsBackAndSkipIndicesOutsideTheTable)
{
    CarModel m = RandomModel(9);
    const std::vector<std::int32_t> indices{0, 5, -1, 1'000'000};
    const std::vector<Vec3> before = PositionsOf(m, indices);
    PutPositions(m, indices, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
    EXPECT_EQ(m.Vertices[5], (Vec3{2, 2, 2}));
    PutPositions(m, indices, before);
    EXPECT_EQ(m, RandomModel(9));
}

} // namespace
