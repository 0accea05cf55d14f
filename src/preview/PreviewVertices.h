#pragma once
// The preview's geometry: corners shared between the triangles that use the
// same vertex with the same texture coordinates, and three indices per
// triangle of the model. Triangle t takes indices 3t..3t+2 in the order
// corner 3, corner 2, corner 1, so that a part is one run of indices and is
// drawn with one call; the corners of a part follow one another too.
// Colours are not stored: every corner is white. Each corner carries its
// vertex's normal for the lighting; the corners of a part without normals
// (all zero, not finite, or beyond the normal table) carry zero, and the
// preview lights those parts by their triangles' own planes.

#include "CarModel.h"

#include <cstdint>
#include <vector>

namespace mobrix::preview {

// One corner: absolute position, texture coordinates (TU = U, TV = 1 - V,
// with TV 0 at the image's top row) and normal.
struct PreviewVertex {
    float x = 0, y = 0, z = 0;
    float tu = 0, tv = 0;
    float nx = 0, ny = 0, nz = 0;
};
static_assert(sizeof(PreviewVertex) == 8 * sizeof(float));

// Entries [first, first + count) of a table.
struct TableRun {
    std::int64_t first = 0;
    std::int64_t count = 0;
};

struct PreviewMesh {
    // Entry 0 is a corner at the origin that every triangle without a part,
    // or naming a vertex outside its part, uses three times: it draws as
    // nothing, and a damaged file cannot make the preview read outside the
    // vertex table.
    std::vector<PreviewVertex> corners;
    std::vector<std::uint32_t> indices; // 3 per triangle of the model
    // The wireframe: each edge of a part's triangles once, as pairs of
    // corners; part p's pairs are edges[partEdges[p].first ...] (counted in
    // indices, two per edge).
    std::vector<std::uint32_t> edges;
    // What a vertex move needs: each model vertex's corners as a chain
    // (first corner per vertex, next corner of the same vertex, -1 ends it)
    // and the part each corner was placed with.
    std::vector<std::int32_t> firstCorner;
    std::vector<std::int32_t> nextCorner;
    std::vector<std::uint8_t> cornerPart;
    std::vector<TableRun> partEdges;
    std::size_t triangleCount = 0; // the model's table sizes it was built for
    std::size_t vertexCount = 0;

    bool Fits(const CarModel& model) const
    {
        return triangleCount == model.Triangles.size() && vertexCount == model.Vertices.size();
    }
};

PreviewMesh BuildPreviewMesh(const CarModel& model);

// After vertices [first, first + count) of the model moved (tables and
// triangles unchanged), rewrites the corners placed from them and returns
// the runs of `mesh.corners` that changed, in order. Runs closer together
// than a few corners are joined, so the upload is a few large copies rather
// than many small ones.
std::vector<TableRun> RewriteMovedCorners(const CarModel& model, int first, int count, PreviewMesh& mesh);

// The indices of one part's triangles: empty for a part whose range lies
// outside the tables.
TableRun PartIndices(const CarModel& model, int part);
// The indices of one part's edges in `mesh.edges`.
TableRun PartEdges(const PreviewMesh& mesh, int part);

} // namespace mobrix::preview
