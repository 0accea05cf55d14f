#pragma once
// Whole-mesh and whole-part transforms of the "Edit" menu: the axis swaps,
// "Rotate Mesh", the mirrors, rescaling and centring. None of them changes a
// vertex or triangle count.
//
// A transform that moves vertices moves every vertex set the model holds in
// the same way: the working set and, for an NFSIV model, the undamaged, the
// second undamaged and the damaged sets (otherwise a saved file would keep a
// damaged car turned another way than the car). Swaps and mirrors turn the
// normals of every normal set with the vertices; rescaling and centring leave
// normals alone.
//
// Each function changes the model in place and returns what it did; the
// caller shows boxes and redraws. The header comment of each says which
// tables it touches, for the undo history.

#include "CarModel.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

enum class Axis { X, Y, Z };
enum class AxisPair { XY, XZ, YZ };

enum class MeshToolStatus {
    Done,
    EmptyScope,   // nothing to work on: a part without vertices, a model without vertices
    NoSuchPart,   // not a part of the model, or the part's ranges or the tables do not fit the counts
    SizeMismatch, // Copy Part between parts of different sizes
};

struct TransformResult {
    MeshToolStatus status = MeshToolStatus::Done;
    std::int64_t vertices = 0;  // working-set vertices moved
    std::int64_t triangles = 0; // triangles whose corner order changed
};

// "Swap X Y", "Swap X Z", "Swap Y Z": exchanges the two coordinates of every
// vertex of every vertex set, the same two components of every normal of
// every normal set, of every part position of the parts in use and of every
// dummy position in use, and the first and third corner of every triangle
// (see ExchangeFirstAndThirdCorners).
// Touches: all vertex and normal tables, all triangles, TriState, PartPos,
// DummyPos.
TransformResult SwapAxes(CarModel& model, AxisPair pair);

// "Rotate Mesh": exactly what SwapAxes(model, AxisPair::YZ) does.
TransformResult RotateMesh(CarModel& model);

// "Mirror X/Y/Z": negates the coordinate for the part's vertices in every
// vertex set and the same component of the part's normals in every normal
// set, and exchanges the first and third corner of the part's triangles (as
// ExchangeFirstAndThirdCorners does), so the mirrored part still faces out.
// Touches: the part's range of the vertex and normal tables, the part's
// triangles and their TriState.
TransformResult MirrorPart(CarModel& model, int part, Axis axis);

// The three bars of the rescale dialog, in percent (0 to 200).
struct RescalePercent {
    int x = 100;
    int y = 100;
    int z = 100;
};

// "Rescale Model": every coordinate of the vertices of each listed part (in
// every vertex set) and of its part position is multiplied by the bar's
// value divided by 100; the factor and the product are kept in extended
// precision and the product is stored as a 32-bit float. The list may hold
// a part more than once; a list with a part the model does not have changes
// nothing (NoSuchPart).
// Touches: the listed parts' ranges of the vertex sets, their PartPos.
TransformResult RescaleParts(CarModel& model, std::span<const int> parts, const RescalePercent& percent);

inline constexpr const char* kNothingToCentreMessage = "There are no vertices to centre.";

struct CentreResult {
    MeshToolStatus status = MeshToolStatus::Done;
    Vec3 high{}; // HiX, HiY, HiZ of the bounding box
    Vec3 low{};  // LoX, LoY, LoZ
    Vec3 centre{}; // cx, cy, cz, subtracted from every vertex in scope
    // The lines of the message box (joined with carriage returns when
    // shown: see MessageBoxText). Empty unless the status is Done.
    std::vector<std::string> messageLines{};
    std::int64_t vertices = 0;
};

// "Centre Part": the bounding box of the part's working vertices, shown, then
// its centre subtracted from the part's vertices in every vertex set. The
// part position stays, so the part's mesh is centred on its own origin. A
// part without vertices changes nothing (EmptyScope).
// Touches: the part's range of the vertex sets.
CentreResult CentrePart(CarModel& model, int part);

// "Centre All Parts": the same over every vertex of the model, on the stored
// part-relative coordinates; the part positions are not looked at. A model
// without vertices changes nothing (EmptyScope).
// Touches: all vertex sets.
CentreResult CentreAllParts(CarModel& model);

// Lines of a multi-line message box as one text: joined with a carriage
// return (character 13) and no line feed.
std::string MessageBoxText(const std::vector<std::string>& lines);

// Exchanges the first and third corner of every triangle of the model: I1
// with I3, U1 with U3, V1 with V3 (with the stored NFSIV V values that go
// with them) and the texture-point marks of the two corners. Corner 2 stays.
// Returns the number of triangles changed.
std::int64_t ExchangeFirstAndThirdCorners(CarModel& model);

} // namespace mobrix
