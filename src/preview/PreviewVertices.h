#pragma once
// The preview's vertex table: three pre-lit corners per triangle of the
// model, triangle t at entries 3t..3t+2 in the order corner 3, corner 2,
// corner 1, so that a part is one run of the table and is drawn with one
// call. Colours are not stored: every corner is white.

#include "CarModel.h"

#include <cstdint>
#include <vector>

namespace mobrix::preview {

// One corner: absolute position and texture coordinates (TU = U, TV = 1 - V,
// with TV 0 at the image's top row).
struct PreviewVertex {
    float x = 0, y = 0, z = 0;
    float tu = 0, tv = 0;
};
static_assert(sizeof(PreviewVertex) == 5 * sizeof(float));

// The table for the whole model. A triangle that belongs to no part, or
// that names a vertex outside its part, gets three corners at the origin
// (drawn as nothing), so a damaged file cannot make the preview read
// outside the vertex table.
std::vector<PreviewVertex> BuildPreviewVertices(const CarModel& model);

// Entries [first, first + count) of the table, in corners.
struct CornerRun {
    std::int64_t first = 0;
    std::int64_t count = 0;
};

// After vertices [first, first + count) of the model moved (counts and
// triangles unchanged), rewrites the corners of every triangle that uses
// one of them and returns the runs of the table that changed, in order.
// Runs closer together than a few triangles are joined, so the upload is a
// few large copies rather than many small ones.
std::vector<CornerRun> RewriteMovedCorners(const CarModel& model, int first, int count,
                                           std::vector<PreviewVertex>& table);

// The corners of one part's triangles: empty for a part whose range lies
// outside the tables.
CornerRun PartCorners(const CarModel& model, int part);

} // namespace mobrix::preview
