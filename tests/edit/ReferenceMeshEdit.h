#pragma once
// A slow, literal form of the structural routines: every loop one step at a
// time, exactly as the editor's rules describe them. The real routines must
// leave the same model in one pass.

#include "CarModel.h"

#include <string>
#include <vector>

namespace reference {

void AddVertex(mobrix::CarModel& m, int part, float x, float y, float z);
void RemoveVertex(mobrix::CarModel& m, int part, int v);
void AddTriangle(mobrix::CarModel& m, int part, int i1, int i2, int i3);
void RemoveTriangle(mobrix::CarModel& m, int part, int t);

// "Remove Vert": rescan from the first vertex after every removal.
void RemoveMarkedVertices(mobrix::CarModel& m, int part);
// Removing a part's mesh: every vertex from the last down to the first.
void RemovePartVertices(mobrix::CarModel& m, int part);
// "Remove Poly": the selected entries from the highest down.
void RemoveTriangles(mobrix::CarModel& m, int part, std::vector<int> triangles);

// "Remove Duplicate Polys": restart the scan after every removal. Returns
// the status line it leaves (empty when it shows nothing).
std::string RemoveDuplicatePolys(mobrix::CarModel& m, int part);
// "Remove Unnecessary Verts": every ordered pair of vertices, then one
// RemoveVertex per unused vertex. Returns the final status line.
std::string RemoveUnnecessaryVerts(mobrix::CarModel& m, int part);

} // namespace reference
