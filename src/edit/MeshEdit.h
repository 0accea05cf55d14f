#pragma once
// The four routines that change the size of the mesh, and one-pass forms of
// the loops that call them. Every other editing command grows and shrinks
// the model through these, so they keep the part tables (first indices and
// counts) and every per-vertex and per-triangle table consistent, the NFSIV
// tables included while the model came from an NFSIV file.
//
// Indices are 0-based; vertex and triangle indices are relative to the part.
// A routine that is given a part or an index the model does not have changes
// nothing and says so; none of them ever stores a triangle corner outside
// its part.

#include "CarModel.h"

#include <span>
#include <vector>

namespace mobrix {

enum class MeshEditStatus {
    Done,
    NoSuchPart,      // the part index is not a part of the model, or its ranges leave the tables
    IndexOutOfRange, // a vertex, triangle or corner index outside the part
    NoTriangles,     // removing a triangle from a model without triangles ("No triangles to delete!")
};

// Inserts a vertex at the end of the part's vertex range and marks it as
// the only selected vertex (every other mark is cleared).
MeshEditStatus AddVertex(CarModel& model, int part, float x, float y, float z);

// Removes the vertex and every triangle of the part that uses it; corners of
// the remaining triangles above it move down by one.
MeshEditStatus RemoveVertex(CarModel& model, int part, int vertex);

// Inserts a triangle at the end of the part's triangle range. Every
// triangle's selection and remap marks are cleared.
MeshEditStatus AddTriangle(CarModel& model, int part, int i1, int i2, int i3);

// Removes one triangle of the part.
MeshEditStatus RemoveTriangle(CarModel& model, int part, int triangle);

// "Remove Vert": every vertex of the part whose mark is set, with the same
// final model as removing them one at a time, in one pass.
MeshEditStatus RemoveMarkedVertices(CarModel& model, int part);

// The part's vertices whose flag is set (flag k for part-relative vertex k;
// exactly one flag per vertex of the part), with the same final model as
// removing them one at a time with RemoveVertex.
MeshEditStatus RemoveVertices(CarModel& model, int part, const std::vector<bool>& remove);

// Every vertex and every triangle of the part, as removing a part does
// before it drops the part's slot.
MeshEditStatus RemovePartVertices(CarModel& model, int part);

// The given triangles of the part (part-relative, any order, duplicates
// allowed), with the same final model as removing them one at a time from
// the highest down.
MeshEditStatus RemoveTriangles(CarModel& model, int part, std::span<const int> triangles);

} // namespace mobrix
