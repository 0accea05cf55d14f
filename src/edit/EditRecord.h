#pragma once
// What an edit changed, kept so that the edit can be undone and done again
// without a copy of the whole model.
//
// Most edits change one window of the mesh tables (the vertices and
// triangles of one part, or of the parts from one part to the end) plus the
// header. A slice copies the header and every table inside such a window
// before the edit; once the edit is made, the record keeps only what differs
// between the slice and the window as it is now: for every table, the runs
// of rows that were replaced, with the rows of both sides, while the rows in
// between are known to be equal. When vertices were removed or inserted,
// the triangles' corners are compared through the vertices' renumbering, so
// that a triangle whose corners were merely renumbered costs nothing.
// Putting a record back replaces whatever the window holds now, so the
// window may have grown or shrunk in between.
//
// Edits that only move vertices keep a list of the moved vertices with
// their positions before and after instead.

#include "CarModel.h"
#include "MeshTables.h"

#include <array>
#include <cstddef>
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

// The model as it was before an edit, over the window.
struct ModelSlice {
    EditExtent extent = EditExtent::Header;
    TableWindow window;
    ModelHeader header;
    std::int16_t currentPart = 0;
    std::int16_t currentDummy = 0;
    // The window's rows of every table the extent covers, each in the
    // table's own member. A table the model did not hold over the window
    // is left empty and marked absent.
    CarModel rows;
    std::uint32_t held = 0; // bit per table, TableInfo::index
};

// Copies the header and, as far as `extent` says, the tables in `window`.
ModelSlice TakeSlice(const CarModel& model, EditExtent extent, TableWindow window);

// One run of replaced rows: `common` equal rows since the end of the run
// before (or the window's start), then `before` rows that gave way to
// `after` rows.
struct RowRun {
    std::uint32_t common = 0;
    std::uint32_t before = 0;
    std::uint32_t after = 0;
};

// What one table changed. The replaced rows of each side are kept one after
// the other, as raw rows. A table held on one side only keeps that side's
// window whole, as one run.
struct TableChange {
    std::vector<RowRun> runs;
    std::vector<std::byte> beforeRows;
    std::vector<std::byte> afterRows;
    bool heldBefore = false;
    bool heldAfter = false;
    // Equal triangles were compared with their corners renumbered as the
    // vertices' runs say.
    bool renumbered = false;
    // The runs are those of the table with this index, kept once (-1: the
    // table's own).
    int sameRunsAs = -1;
    std::size_t Bytes() const;
};

struct EditRecord {
    EditExtent extent = EditExtent::Header;
    TableWindow before;
    TableWindow after;
    ModelHeader headerBefore;
    ModelHeader headerAfter;
    std::int16_t currentPartBefore = 0;
    std::int16_t currentPartAfter = 0;
    std::int16_t currentDummyBefore = 0;
    std::int16_t currentDummyAfter = 0;
    std::array<TableChange, kModelTableCount> tables;

    // What the record holds, in bytes.
    std::size_t Bytes() const;
    // Whether no table row changed (a header edit, or an edit of names).
    bool HeaderOnly() const;
};

// What changed between the slice and the model, whose window now is `now`
// (the slice's window, grown or shrunk by the edit).
EditRecord RecordEdit(const ModelSlice& before, const CarModel& model, TableWindow now);

// Put the model back as it was before the edit, or as it was after it. A
// table the record did not hold on that side but the model holds now (an
// NFSIV save gave the model its vertex sets in between) gets the working
// positions and normals, or blank rows, so that every table keeps its
// count's length.
void UndoEdit(CarModel& model, const EditRecord& record);
void RedoEdit(CarModel& model, const EditRecord& record);

// Makes `into` end where `next` ends, when both change the header only and
// over the same window; false, changing nothing, otherwise.
bool JoinEdits(EditRecord& into, const EditRecord& next);

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
