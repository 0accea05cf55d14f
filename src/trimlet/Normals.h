#pragma once
// The two normal generators. Both work on vertex set `set` of a part placed
// at its position (what the scene shows) and give back the part's normal set
// `set` with the normal of every vertex that a triangle uses replaced;
// vertices no triangle uses keep theirs.

#include "PartFile.h"

#include <vector>

namespace trimlet {

// Radial normals: each used vertex's normal is its placed position scaled
// to length 1, as if the part were a ball around the model's centre. A
// vertex at the centre itself has no direction and keeps its normal.
std::vector<Vec3> RadialNormals(const PartFile& part, int set);

// Normals from the faces: each used vertex's normal is the average of the
// unit normals of the triangles that use it, scaled to length 1. A
// triangle's normal is (P2 - P1) x (P3 - P1), which points towards a viewer
// who sees the corners in clockwise order. Triangles without area add
// nothing; a vertex whose triangles all lack area keeps its normal.
std::vector<Vec3> FaceAveragedNormals(const PartFile& part, int set);

} // namespace trimlet
