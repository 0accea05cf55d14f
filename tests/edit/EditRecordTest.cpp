// Undo records: a record of what an edit changed gives back either model
// exactly, whichever way the window grew or shrank, holds little more than
// the rows the edit changed, and a record taken before an NFSIV save still
// fits the model the save gave its vertex sets.

#include "CleanUp.h"
#include "EditRecord.h"
#include "FceFiles.h"
#include "MeshEdit.h"
#include "PartsDummies.h"
#include "RandomModel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

using namespace mobrix;
using testing_support::RandomModel;
using ::testing::IsEmpty;

namespace {

EditRecord EditWithin(CarModel& m, EditExtent extent, TableWindow window, const std::function<void(CarModel&)>& edit)
{
    const std::size_t vertices = m.Vertices.size(), triangles = m.Triangles.size();
    const ModelSlice before = TakeSlice(m, extent, window);
    edit(m);
    TableWindow now = window;
    now.vertices = window.vertices + m.Vertices.size() - vertices;
    now.triangles = window.triangles + m.Triangles.size() - triangles;
    return RecordEdit(before, m, now);
}

EditRecord EditPart(CarModel& m, int part, const std::function<void(CarModel&)>& edit)
{
    return EditWithin(m, EditExtent::Mesh, PartWindow(m, part), edit);
}

// One random structural edit of the kinds the editor makes.
EditRecord RandomEdit(CarModel& m, std::mt19937& random)
{
    const auto pick = [&](std::size_t n) { return static_cast<int>(random() % std::max<std::size_t>(n, 1)); };
    const int part = pick(static_cast<std::size_t>(UsablePartCount(m.Header)));
    const auto vertices = static_cast<std::size_t>(m.Header.PartNumVertices[static_cast<std::size_t>(part)]);
    const auto triangles = static_cast<std::size_t>(m.Header.PartNumTriangles[static_cast<std::size_t>(part)]);
    switch (random() % 8) {
    case 0: // it clears the selection marks of every part
        return EditWithin(m, EditExtent::Mesh, WholeWindow(m), [&](CarModel& c) { AddVertex(c, part, 1, 2, 3); });
    case 1:
        return EditPart(m, part, [&](CarModel& c) { RemoveVertex(c, part, pick(vertices)); });
    case 2:
        return EditPart(m, part, [&](CarModel& c) { AddTriangle(c, part, 0, pick(vertices), pick(vertices)); });
    case 3: {
        std::vector<int> rows;
        for (int t = pick(3); t < static_cast<int>(triangles); t += 2 + pick(4))
            rows.push_back(t);
        return EditPart(m, part, [&](CarModel& c) { RemoveTriangles(c, part, rows); });
    }
    case 4:
        return EditPart(m, part, [&](CarModel& c) { RemoveDuplicatePolys(c, part); });
    case 5: // texture points nudged in place, a -0 among them
        return EditPart(m, part, [&](CarModel& c) {
            const auto first = static_cast<std::size_t>(c.Header.PartFirstTriangle[static_cast<std::size_t>(part)]);
            for (std::size_t t = first; t < first + triangles; t += 3)
                c.Triangles[t].U1 = c.Triangles[t].U1 == 0.0f ? -0.0f : 0.0f;
        });
    case 6: {
        const int next = (part + 1) % std::max(1, UsablePartCount(m.Header));
        const std::vector<int> parts{std::min(part, next), std::max(part, next)};
        return EditWithin(m, EditExtent::Mesh, PartsFromWindow(m, parts.front()),
                          [&](CarModel& c) { FuseParts(c, part, parts); });
    }
    default:
        return EditPart(m, part, [&](CarModel& c) { RemovePart(c, part); });
    }
}

// Byte for byte, so that a -0 put back as 0 is caught.
bool SameBits(const CarModel& a, const CarModel& b)
{
    bool same = a == b;
    ForEachModelTable([&](auto member, TableInfo) {
        const auto& x = a.*member;
        const auto& y = b.*member;
        const auto sameBits = [](const auto& r, const auto& s) { return std::memcmp(&r, &s, sizeof(r)) == 0; };
        same = same && x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), sameBits);
    });
    return same;
}

TEST(EditRecord, RandomStructuralEditsUndoAndRedoToTheExactModels)
{
    for (const ModelOrigin origin : {ModelOrigin::Nfs3, ModelOrigin::Nfs4, ModelOrigin::Fce4m}) {
        for (std::uint32_t seed = 1; seed <= 4; ++seed) {
            CarModel m = RandomModel(seed, {.vertices = 120, .triangles = 200, .parts = 6, .origin = origin});
            std::mt19937 random(seed);
            std::vector<CarModel> states{m};
            std::vector<EditRecord> records;
            for (int k = 0; k < 30 && UsablePartCount(m.Header) > 0; ++k) {
                records.push_back(RandomEdit(m, random));
                states.push_back(m);
            }
            for (std::size_t k = records.size(); k-- > 0;) {
                UndoEdit(m, records[k]);
                ASSERT_TRUE(SameBits(m, states[k])) << "undo of edit " << k << ", seed " << seed;
            }
            for (std::size_t k = 0; k < records.size(); ++k) {
                RedoEdit(m, records[k]);
                ASSERT_TRUE(SameBits(m, states[k + 1])) << "redo of edit " << k << ", seed " << seed;
            }
            EXPECT_THAT(CheckModel(m), IsEmpty());
        }
    }
}

// Undo and redo leave the triangle tables with free rows at the end of the
// part they changed; the model then compares, saves and takes further edits
// exactly as a copy without them.
TEST(EditRecord, AModelWithTheFreeRowsUndoLeavesSavesAndEditsAsAPlainOne)
{
    for (const ModelOrigin origin : {ModelOrigin::Nfs3, ModelOrigin::Fce4m}) {
        CarModel m = RandomModel(9, {.vertices = 300, .triangles = 600, .parts = 5, .origin = origin});
        const std::vector<int> rows{1, 4, 5, 20};
        const EditRecord removal = EditPart(m, 2, [&](CarModel& c) { RemoveTriangles(c, 2, rows); });
        UndoEdit(m, removal);
        RedoEdit(m, removal);
        ASSERT_GT(m.Triangles.GapRows(), 0u);
        CarModel plain = m;
        ASSERT_EQ(plain.Triangles.GapRows(), 0u);
        ASSERT_TRUE(SameBits(m, plain));
        const FceVariant variant = origin == ModelOrigin::Fce4m ? FceVariant::Fce4m : FceVariant::Nfs3;
        EXPECT_EQ(EncodeFCEAs(m, variant).bytes, EncodeFCEAs(plain, variant).bytes);

        std::mt19937 random(5), same(5);
        for (int k = 0; k < 20; ++k) {
            const EditRecord edit = RandomEdit(m, random);
            const EditRecord plainEdit = RandomEdit(plain, same);
            ASSERT_TRUE(SameBits(m, plain)) << "edit " << k;
            UndoEdit(m, edit);
            UndoEdit(plain, plainEdit);
            ASSERT_TRUE(SameBits(m, plain)) << "undo of edit " << k;
            RedoEdit(m, edit);
            RedoEdit(plain, plainEdit);
        }
    }
}

// The bytes of one row of every table the model holds along `rows`.
std::size_t RowBytes(const CarModel& m, TableRows rows)
{
    std::size_t bytes = 0;
    ForEachHeldTable(m, rows, true, [&](const auto& table) { bytes += sizeof(table[0]); });
    return bytes;
}

TEST(EditRecord, TypicalEditsHoldAtMostTwiceTheRowsTheyChange)
{
    CarModel m = RandomModel(11, {.vertices = 20'000, .triangles = 40'000, .parts = 4});
    ResetSelection(m); // adding a vertex clears every mark
    const std::size_t vertexRow = RowBytes(m, TableRows::Vertices);
    const std::size_t triangleRow = RowBytes(m, TableRows::Triangles);
    // What a record holds whatever the edit: the headers.
    const std::size_t fixed =
        EditPart(m, 1, [](CarModel& c) { c.Header.PartNames[1] = MakeName("renamed"); }).Bytes();
    const auto expectWithinGoal = [&](const char* what, const EditRecord& record, std::size_t changed) {
        EXPECT_LE(record.Bytes(), 2 * changed + fixed) << what;
    };

    std::vector<int> scattered;
    for (int t = 5; t < 10'000; t += 50)
        scattered.push_back(t);
    expectWithinGoal("Remove Poly", EditPart(m, 1, [&](CarModel& c) { RemoveTriangles(c, 1, scattered); }),
                     scattered.size() * triangleRow);

    std::size_t triangles = m.Triangles.size();
    const EditRecord removeVert = EditPart(m, 1, [](CarModel& c) { RemoveVertex(c, 1, 7); });
    expectWithinGoal("Remove Vert (the corners after it renumbered)", removeVert,
                     vertexRow + (triangles - m.Triangles.size()) * triangleRow);

    expectWithinGoal("Add Vertice", EditPart(m, 2, [](CarModel& c) { AddVertex(c, 2, 1, 2, 3); }), vertexRow);
    expectWithinGoal("Add Poly", EditPart(m, 2, [](CarModel& c) { AddTriangle(c, 2, 0, 1, 2); }), triangleRow);

    const auto partVertices = static_cast<std::size_t>(m.Header.PartNumVertices[0]);
    triangles = m.Triangles.size();
    const EditRecord removePart = EditPart(m, 0, [](CarModel& c) { RemovePart(c, 0); });
    expectWithinGoal("Remove Part", removePart,
                     partVertices * vertexRow + (triangles - m.Triangles.size()) * triangleRow);
}

TEST(EditRecord, ARecordFromBeforeTheVertexSetsExistedStillFits)
{
    CarModel m = RandomModel(5, {.origin = ModelOrigin::Nfs3});
    ASSERT_TRUE(m.DamagedVerts.empty());
    const EditRecord record = EditPart(m, 0, [](CarModel& c) { AddVertex(c, 0, 4, 5, 6); });
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

    UndoEdit(m, record);
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
