#include "MeshEdit.h"

#include "MeshTables.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace mobrix {

namespace {

// Moves the counts of the part and the first indices of the parts after it.
void ShiftVertexCounts(ModelHeader& h, int part, std::int32_t delta)
{
    h.NumVertices += delta;
    h.PartNumVertices[static_cast<std::size_t>(part)] += delta;
    for (int q = part + 1; q < UsablePartCount(h); ++q)
        h.PartFirstVertex[static_cast<std::size_t>(q)] += delta;
}

void ShiftTriangleCounts(ModelHeader& h, int part, std::int32_t delta)
{
    h.NumTriangles += delta;
    h.PartNumTriangles[static_cast<std::size_t>(part)] += delta;
    for (int q = part + 1; q < UsablePartCount(h); ++q)
        h.PartFirstTriangle[static_cast<std::size_t>(q)] += delta;
}

// Drops the entries of [begin, begin + remove.size()) whose flag is set,
// keeping the order of the rest, in one pass.
template <class Table>
void EraseFlagged(Table& table, std::size_t begin, const std::vector<bool>& remove)
{
    std::size_t out = begin;
    for (std::size_t i = begin; i < table.size(); ++i) {
        const std::size_t k = i - begin;
        if (k < remove.size() && remove[k])
            continue;
        if (out != i)
            table[out] = std::move(table[i]);
        ++out;
    }
    table.resize(out);
}

// Inserts at n a copy of what entry n held (the entry that moves up), or a
// zero entry when n is the new end: what growing a table by one and moving
// the tail up leaves behind at n.
template <class Table>
void InsertCopyOfNext(Table& table, std::size_t n)
{
    using Entry = typename Table::value_type;
    const Entry entry = n < table.size() ? table[n] : Entry{};
    table.insert(table.begin() + static_cast<std::ptrdiff_t>(n), entry);
}

// Removes the flagged part-relative vertices of a part, every triangle of
// the part that uses one of them, and renumbers the corners of the rest.
void RemoveFlaggedVertices(CarModel& m, int part, const PartSpan& span, const std::vector<bool>& remove)
{
    // removedBelow[k]: how many flagged vertices have an index below k.
    std::vector<std::int32_t> removedBelow(span.vertices + 1, 0);
    for (std::size_t k = 0; k < span.vertices; ++k)
        removedBelow[k + 1] = removedBelow[k] + (remove[k] ? 1 : 0);
    const std::int32_t removedVertices = removedBelow[span.vertices];
    if (removedVertices == 0)
        return;

    auto usesRemoved = [&](std::int32_t corner) {
        return corner >= 0 && static_cast<std::size_t>(corner) < span.vertices &&
               remove[static_cast<std::size_t>(corner)];
    };
    auto renumbered = [&](std::int32_t corner) {
        const auto clamped = static_cast<std::size_t>(std::clamp<std::int64_t>(corner, 0, static_cast<std::int64_t>(span.vertices)));
        return corner - removedBelow[clamped];
    };

    std::vector<bool> dropTriangle(span.triangles, false);
    std::int32_t removedTriangles = 0;
    for (std::size_t k = 0; k < span.triangles; ++k) {
        Triangle& t = m.Triangles[span.firstTriangle + k];
        if (usesRemoved(t.I1) || usesRemoved(t.I2) || usesRemoved(t.I3)) {
            dropTriangle[k] = true;
            ++removedTriangles;
        } else {
            t.I1 = renumbered(t.I1);
            t.I2 = renumbered(t.I2);
            t.I3 = renumbered(t.I3);
        }
    }
    if (removedTriangles > 0) {
        ForEachTriangleTable(m, [&](auto& table) { EraseFlagged(table, span.firstTriangle, dropTriangle); });
        ShiftTriangleCounts(m.Header, part, -removedTriangles);
    }
    ForEachVertexTable(m, true, [&](auto& table) { EraseFlagged(table, span.firstVertex, remove); });
    ShiftVertexCounts(m.Header, part, -removedVertices);
}

} // namespace

MeshEditStatus AddVertex(CarModel& model, int part, float x, float y, float z)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return MeshEditStatus::NoSuchPart;
    const std::size_t n = span->firstVertex + span->vertices;
    const Vec3 position{x, y, z};

    // The new entry starts as a copy of the one it pushes up; the fields the
    // new vertex owns are then set. The NFSIV normal sets and the flag bytes
    // after the first keep that copy.
    ForEachVertexTable(model, false, [n](auto& table) { InsertCopyOfNext(table, n); });
    model.Vertices[n] = position;
    model.Normals[n] = Vec3{};
    model.Reserved1[n] = Reserved32{};
    model.Reserved2[n] = Reserved12{};
    model.Reserved3[n] = Reserved12{};
    if (HoldsNfs4Tables(model)) {
        model.NormalVerts[n] = position;
        model.Undamaged2Verts[n] = position;
        model.DamagedVerts[n] = position;
        model.VertReservedA[n] = Reserved4{};
        model.VertReservedB[n] = Reserved4{};
        model.VertFlags[n][0] = 4;
    }
    if (HoldsFce4mTables(model))
        model.VertReservedC[n] = ReservedByte{};
    ShiftVertexCounts(model.Header, part, 1);
    model.VertSelected.assign(static_cast<std::size_t>(model.Header.NumVertices), 0);
    model.VertSelected[n] = -1;
    return MeshEditStatus::Done;
}

MeshEditStatus RemoveVertex(CarModel& model, int part, int vertex)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return MeshEditStatus::NoSuchPart;
    if (vertex < 0 || static_cast<std::size_t>(vertex) >= span->vertices)
        return MeshEditStatus::IndexOutOfRange;
    std::vector<bool> remove(span->vertices, false);
    remove[static_cast<std::size_t>(vertex)] = true;
    RemoveFlaggedVertices(model, part, *span, remove);
    return MeshEditStatus::Done;
}

MeshEditStatus AddTriangle(CarModel& model, int part, int i1, int i2, int i3)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return MeshEditStatus::NoSuchPart;
    for (int corner : {i1, i2, i3}) {
        if (corner < 0 || static_cast<std::size_t>(corner) >= span->vertices)
            return MeshEditStatus::IndexOutOfRange;
    }
    const std::size_t n = span->firstTriangle + span->triangles;

    // The fill words are the only field the new triangle takes over from
    // the triangle it pushes up.
    Triangle added;
    added.I1 = i1;
    added.I2 = i2;
    added.I3 = i3;
    if (n < model.Triangles.size())
        added.TriFill = model.Triangles[n].TriFill;
    model.Triangles.insert(model.Triangles.begin() + static_cast<std::ptrdiff_t>(n), added);
    if (HoldsNfs4Tables(model))
        model.TriReserved.insert(model.TriReserved.begin() + static_cast<std::ptrdiff_t>(n), Reserved12{});
    ShiftTriangleCounts(model.Header, part, 1);
    model.TriState.assign(static_cast<std::size_t>(model.Header.NumTriangles), TriStateRecord{});
    return MeshEditStatus::Done;
}

MeshEditStatus RemoveTriangle(CarModel& model, int part, int triangle)
{
    return RemoveTriangles(model, part, std::span<const int>(&triangle, 1));
}

MeshEditStatus RemoveMarkedVertices(CarModel& model, int part)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return MeshEditStatus::NoSuchPart;
    std::vector<bool> remove(span->vertices);
    for (std::size_t k = 0; k < span->vertices; ++k)
        remove[k] = model.VertSelected[span->firstVertex + k] != 0;
    RemoveFlaggedVertices(model, part, *span, remove);
    return MeshEditStatus::Done;
}

MeshEditStatus RemoveVertices(CarModel& model, int part, const std::vector<bool>& remove)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return MeshEditStatus::NoSuchPart;
    if (remove.size() != span->vertices)
        return MeshEditStatus::IndexOutOfRange;
    RemoveFlaggedVertices(model, part, *span, remove);
    return MeshEditStatus::Done;
}

MeshEditStatus RemovePartVertices(CarModel& model, int part)
{
    const auto span = EditablePart(model, part);
    if (!span)
        return MeshEditStatus::NoSuchPart;
    // Every triangle of the part goes, also one whose corners all lie outside
    // the part (as a broken file may have): otherwise it would be left
    // without a part once the part's slot is dropped.
    ForEachTriangleTable(model, [&](auto& table) {
        EraseFlagged(table, span->firstTriangle, std::vector<bool>(span->triangles, true));
    });
    ShiftTriangleCounts(model.Header, part, -static_cast<std::int32_t>(span->triangles));
    ForEachVertexTable(model, true, [&](auto& table) {
        EraseFlagged(table, span->firstVertex, std::vector<bool>(span->vertices, true));
    });
    ShiftVertexCounts(model.Header, part, -static_cast<std::int32_t>(span->vertices));
    return MeshEditStatus::Done;
}

MeshEditStatus RemoveTriangles(CarModel& model, int part, std::span<const int> triangles)
{
    if (model.Header.NumTriangles <= 0 && !triangles.empty())
        return MeshEditStatus::NoTriangles;
    const auto span = EditablePart(model, part);
    if (!span)
        return MeshEditStatus::NoSuchPart;
    std::vector<bool> remove(span->triangles, false);
    for (int t : triangles) {
        if (t < 0 || static_cast<std::size_t>(t) >= span->triangles)
            return MeshEditStatus::IndexOutOfRange;
        remove[static_cast<std::size_t>(t)] = true;
    }
    const auto removed = static_cast<std::int32_t>(std::count(remove.begin(), remove.end(), true));
    if (removed == 0)
        return MeshEditStatus::Done;
    ForEachTriangleTable(model, [&](auto& table) { EraseFlagged(table, span->firstTriangle, remove); });
    ShiftTriangleCounts(model.Header, part, -removed);
    return MeshEditStatus::Done;
}

} // namespace mobrix
