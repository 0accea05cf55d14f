#pragma once
// What an edit changed, kept so that the edit can be undone and done again
// without a copy of the whole model.
//
// Most edits change one window of the mesh tables (the vertices and
// triangles of one part, or of the parts from one part to the end) plus the
// header. A slice keeps the header and every table inside such a window;
// putting it back replaces whatever the window holds now, so the window may
// have grown or shrunk in between (vertices and triangles added or
// removed). Edits that only move vertices keep a list of the moved vertices
// with their positions before and after instead.

#include "CarModel.h"

#include <cstdint>
#include <vector>

namespace mobrix {

// Vertices [firstVertex, firstVertex + vertices) and triangles
// [firstTriangle, firstTriangle + triangles) of the tables.
struct TableWindow {
    std::size_t firstVertex = 0;
    std::size_t vertices = 0;
    std::size_t firstTriangle = 0;
    std::size_t triangles = 0;
    friend bool operator==(const TableWindow&, const TableWindow&) = default;
};

// How much of the model an edit may change besides the header.
enum class EditExtent {
    Header,   // header fields only: names, positions, colours, counts
    Vertices, // and every per-vertex table inside the window
    Mesh,     // and every per-triangle table inside the window
};

// The window of part `part`, or of the parts from `part` to the last; empty
// at the end of the tables for a part the model does not have.
TableWindow PartWindow(const CarModel& model, int part);
TableWindow PartsFromWindow(const CarModel& model, int firstPart);
TableWindow WholeWindow(const CarModel& model);

struct ModelSlice {
    EditExtent extent = EditExtent::Header;
    TableWindow window;
    ModelHeader header;
    std::int16_t currentPart = 0;
    std::int16_t currentDummy = 0;

    // Per-vertex tables; a table the model did not hold over the window is
    // left empty and marked absent.
    std::vector<Vec3> Vertices, Normals;
    std::vector<Reserved32> Reserved1;
    std::vector<Reserved12> Reserved2, Reserved3;
    std::vector<Vec3> NormalVerts, NormalNorms, Undamaged2Verts, Undamaged2Norms, DamagedVerts, DamagedNorms;
    std::vector<Reserved4> VertReservedA, VertReservedB, VertFlags;
    std::vector<ReservedByte> VertReservedC;
    std::vector<std::int16_t> VertSelected;
    // Per-triangle tables.
    std::vector<Triangle> Triangles;
    std::vector<Reserved12> TriReserved;
    std::vector<TriStateRecord> TriState;
    // Which tables were held (bit per table, in the order above).
    std::uint32_t held = 0;

    std::size_t Bytes() const;
};

// Copies the header and, as far as `extent` says, the tables in `window`.
ModelSlice TakeSlice(const CarModel& model, EditExtent extent, TableWindow window);

// Puts the slice back: the header, the current part and dummy, and in place
// of `current` (the window as the model holds it now, starting where the
// slice's window started) the slice's tables. A table the slice did not hold
// but the model does now (an NFSIV save gave the model its vertex sets in
// between) gets the slice's working positions and normals, or blank
// entries, so that every table keeps its count's length.
void PutSlice(CarModel& model, const ModelSlice& slice, TableWindow current);

// Vertices (indices into Vertices) moved by a drag, a nudge or the vertex
// editor, with their positions before and after.
struct VertexMoves {
    std::vector<std::int32_t> indices;
    std::vector<Vec3> before;
    std::vector<Vec3> after;
    std::size_t Bytes() const;
};

// Writes `positions[k]` to the working vertex `indices[k]`; indices outside
// the table are skipped.
void PutPositions(CarModel& model, const std::vector<std::int32_t>& indices, const std::vector<Vec3>& positions);

// The working positions of the vertices, for a VertexMoves record.
std::vector<Vec3> PositionsOf(const CarModel& model, const std::vector<std::int32_t>& indices);

} // namespace mobrix
