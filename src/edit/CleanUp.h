#pragma once
// The clean-up commands of the "Tools" menu, "Copy Part" and "Fuse Selected
// Parts". Each changes the model in place and returns what it did, with the
// status-line text or message the window shows.
//
// The clean-up of one part gives exactly the model that removing triangles
// and vertices one at a time with the structural routines would give, but
// in O(n log n): on a real car the one-at-a-time loops take minutes.

#include "CarModel.h"
#include "Transforms.h"

#include <cstdint>
#include <span>
#include <string>

namespace mobrix {

// "Reverse Winding Order": the first and third corner of every triangle of
// the model exchanged (ExchangeFirstAndThirdCorners); corner 2 stays.
// Touches: all triangles, TriState.
TransformResult ReverseWindingOrder(CarModel& model);

struct CleanUpResult {
    MeshToolStatus status = MeshToolStatus::Done;
    std::int64_t removedTriangles = 0;
    std::int64_t removedVertices = 0;
    // The status line after the command; empty when the command leaves it
    // as it was.
    std::string statusText{};
};

// "Remove Duplicate Polys": of each group of triangles of the part with the
// same I1, I2 and I3 (same corners in the same order) the first is kept and
// the rest are removed; the kept triangles keep their order. The status line
// ends on the model-wide index of the part's last triangle (nothing is shown
// for a part without triangles).
// Touches: the triangle tables from the part's first triangle on, the
// triangle counts of the part tables.
CleanUpResult RemoveDuplicatePolys(CarModel& model, int part);

inline constexpr const char* kRemovingDuplicateVerticesStatus = "Removing duplicate vertices: ";
inline constexpr const char* kRemovingUnusedVerticesStatus = "Removing unused vertices: ";

// "Done. Removed a total of N unnecessary vertices."
std::string RemovedVerticesStatus(std::int64_t removed);

// "Remove Unnecessary Verts": every corner of the part's triangles that
// names one of several coincident vertices (X, Y and Z exactly equal, +0
// equal to -0, a NaN coordinate equal to nothing) is moved to the member
// with the highest index; then every vertex of the part that no triangle of
// the part uses is removed as RemoveVertex would remove it, and the later
// parts move down. Triangles whose corners became equal are kept.
// Touches: the vertex tables from the part's first vertex on, the part's
// triangles, the vertex counts of the part tables.
CleanUpResult RemoveUnnecessaryVerts(CarModel& model, int part);

inline constexpr const char* kCopyPartSizeMessage =
    "The selected parts do not contain the same number of vertices or triangles!";
inline constexpr const char* kCopyPartSizeTitle = "Error";

struct CopyPartResult {
    MeshToolStatus status = MeshToolStatus::Done;
    std::string message{}; // the warning text when the sizes differ
};

// "Copy Part": the vertices of every vertex set, the normals of every normal
// set and the whole triangle records of part `from` over those of part `to`,
// which must have as many vertices and triangles (otherwise SizeMismatch
// with kCopyPartSizeMessage and nothing copied). Reserved blocks, part
// positions and names are not copied; the copied shape lands at the
// target's position. Copying a part over itself changes nothing.
// Touches: the target part's range of the vertex and normal sets and of
// Triangles.
CopyPartResult CopyPart(CarModel& model, int from, int to);

struct FuseResult {
    MeshToolStatus status = MeshToolStatus::Done;
    int fusedParts = 0;
    int target = -1; // the index of the fused part afterwards
};

// "Fuse Selected Parts": appends the vertices and triangles of each listed
// part (in part order; the target and repeats are skipped) to the target
// part, moving their vertices in every vertex set by the difference of the
// part positions so that nothing moves on screen, then removes the emptied
// parts as RemovePart does. Every per-vertex and per-triangle table comes
// along. CurrentPart becomes the fused part. Refused (NoSuchPart, nothing
// changed) when a listed part is not a part of the model or the parts do
// not tile the tables.
// Touches: every vertex and triangle table, the part tables and names,
// NumParts, CurrentPart.
FuseResult FuseParts(CarModel& model, int target, std::span<const int> parts);

} // namespace mobrix
