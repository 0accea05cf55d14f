#pragma once
// The lists of parallel tables the editing code and the undo records walk
// together: every per-vertex and per-triangle table, the vertex sets and the
// normal sets. The NFSIV tables belong to a model only while it came from an NFSIV
// file; otherwise a later NFSIV save builds them from the working set.

#include "CarModel.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace mobrix {

inline bool HoldsNfs4Tables(const CarModel& m)
{
    return m.FileFormat == ModelOrigin::Nfs4;
}

// Whether a table runs along the vertices or along the triangles.
enum class TableRows { Vertices, Triangles };

// Which models hold a table: every model, every model as its selection
// state, or only a model that came from an NFSIV file.
enum class TableGroup { Working, Selection, Nfs4 };

// What an undo record made before the model held a table puts into it:
// blank rows, or a copy of the working positions or normals.
enum class TableFill { Blank, Positions, Normals };

struct TableInfo {
    int index = 0; // place in the list below, from 0
    TableRows rows = TableRows::Vertices;
    TableGroup group = TableGroup::Working;
    TableFill fill = TableFill::Blank;
};

// The one list of the model's parallel tables: calls f(member, info) with a
// pointer to each table's member of CarModel. A new per-vertex or
// per-triangle table is added here and nowhere else.
template <class F>
constexpr void ForEachModelTable(F&& f)
{
    int index = 0;
    const auto table = [&](auto member, TableRows rows, TableGroup group, TableFill fill = TableFill::Blank) {
        f(member, TableInfo{index++, rows, group, fill});
    };
    using enum TableRows;
    using enum TableGroup;
    table(&CarModel::Vertices, Vertices, Working);
    table(&CarModel::Normals, Vertices, Working);
    table(&CarModel::Reserved1, Vertices, Working);
    table(&CarModel::Reserved2, Vertices, Working);
    table(&CarModel::Reserved3, Vertices, Working);
    table(&CarModel::NormalVerts, Vertices, Nfs4, TableFill::Positions);
    table(&CarModel::NormalNorms, Vertices, Nfs4, TableFill::Normals);
    table(&CarModel::Undamaged2Verts, Vertices, Nfs4, TableFill::Positions);
    table(&CarModel::Undamaged2Norms, Vertices, Nfs4, TableFill::Normals);
    table(&CarModel::DamagedVerts, Vertices, Nfs4, TableFill::Positions);
    table(&CarModel::DamagedNorms, Vertices, Nfs4, TableFill::Normals);
    table(&CarModel::VertReservedA, Vertices, Nfs4);
    table(&CarModel::VertReservedB, Vertices, Nfs4);
    table(&CarModel::VertFlags, Vertices, Nfs4);
    table(&CarModel::VertSelected, Vertices, Selection);
    table(&CarModel::Triangles, Triangles, Working);
    table(&CarModel::TriReserved, Triangles, Nfs4);
    table(&CarModel::TriState, Triangles, Selection);
}

inline constexpr int kModelTableCount = [] {
    int count = 0;
    ForEachModelTable([&](auto, TableInfo) { ++count; });
    return count;
}();

// Calls f on every table of `rows` the model holds. The selection marks are
// visited only when asked: adding a vertex re-creates them instead of
// shifting them.
template <class Model, class F>
void ForEachHeldTable(Model& m, TableRows rows, bool withSelection, F&& f)
{
    const bool nfs4 = HoldsNfs4Tables(m);
    ForEachModelTable([&](auto member, TableInfo info) {
        if (info.rows == rows && (info.group != TableGroup::Selection || withSelection) &&
            (info.group != TableGroup::Nfs4 || nfs4))
            f(m.*member);
    });
}

// Calls f on every per-vertex table that moves with the vertices.
template <class Model, class F>
void ForEachVertexTable(Model& m, bool withSelection, F&& f)
{
    ForEachHeldTable(m, TableRows::Vertices, withSelection, std::forward<F>(f));
}

template <class Model, class F>
void ForEachTriangleTable(Model& m, F&& f)
{
    ForEachHeldTable(m, TableRows::Triangles, true, std::forward<F>(f));
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
