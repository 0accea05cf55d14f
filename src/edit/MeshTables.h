#pragma once
// The lists of parallel tables the editing code walks together: every
// per-vertex table, every per-triangle table, the vertex sets and the normal
// sets. The NFSIV tables belong to a model only while it came from an NFSIV
// or FCE4M file (see HoldsNfs4Tables); otherwise a later NFSIV save builds
// them from the working set.

#include "CarModel.h"

#include <algorithm>
#include <optional>

namespace mobrix {

// Calls f on every per-vertex table that moves with the vertices. The
// selection marks are visited only when asked: adding a vertex re-creates
// them instead of shifting them.
template <class Model, class F>
void ForEachVertexTable(Model& m, bool withSelection, F&& f)
{
    f(m.Vertices);
    f(m.Normals);
    f(m.Reserved1);
    f(m.Reserved2);
    f(m.Reserved3);
    if (withSelection)
        f(m.VertSelected);
    if (HoldsNfs4Tables(m)) {
        f(m.NormalVerts);
        f(m.NormalNorms);
        f(m.Undamaged2Verts);
        f(m.Undamaged2Norms);
        f(m.DamagedVerts);
        f(m.DamagedNorms);
        f(m.VertReservedA);
        f(m.VertReservedB);
        f(m.VertFlags);
    }
    if (HoldsFce4mTables(m))
        f(m.VertReservedC);
}

template <class Model, class F>
void ForEachTriangleTable(Model& m, F&& f)
{
    f(m.Triangles);
    f(m.TriState);
    if (HoldsNfs4Tables(m))
        f(m.TriReserved);
}

// Every set of vertex positions the model holds: the working set and, for an
// NFSIV model, the three sets it was taken from. A change of shape is made
// to all of them, so that a saved NFSIV file keeps its sets in step.
template <class F>
void ForEachVertexSet(CarModel& m, F&& f)
{
    f(m.Vertices);
    if (HoldsNfs4Tables(m)) {
        f(m.NormalVerts);
        f(m.Undamaged2Verts);
        f(m.DamagedVerts);
    }
}

// The normal sets that go with the vertex sets above.
template <class F>
void ForEachNormalSet(CarModel& m, F&& f)
{
    f(m.Normals);
    if (HoldsNfs4Tables(m)) {
        f(m.NormalNorms);
        f(m.Undamaged2Norms);
        f(m.DamagedNorms);
    }
}

// Whether every table has its count's length. The editing routines rely on
// it; a model that breaks it is not edited at all.
inline bool TablesMatchCounts(const CarModel& m)
{
    const auto n = static_cast<std::size_t>(std::max(0, m.Header.NumVertices));
    const auto t = static_cast<std::size_t>(std::max(0, m.Header.NumTriangles));
    bool ok = m.Header.NumVertices >= 0 && m.Header.NumTriangles >= 0;
    ForEachVertexTable(m, true, [&](const auto& table) { ok = ok && table.size() == n; });
    ForEachTriangleTable(m, [&](const auto& table) { ok = ok && table.size() == t; });
    return ok;
}

// The part's span, when the model's tables keep their counts and the part
// lies inside them.
inline std::optional<PartSpan> EditablePart(const CarModel& m, int part)
{
    if (!TablesMatchCounts(m))
        return std::nullopt;
    return PartSpanOf(m, part);
}

} // namespace mobrix
