#pragma once
// Texture-point picking in the texture-map view: a press selects (or, with
// Shift, deselects) every corner texture point of the current part's
// triangles that lies within a small square around the pointer.

#include "CarModel.h"

namespace mobrix {

// Half the side of the pick square, in texture units.
inline constexpr float kTexturePickHalfSize = 0.005f;

// Sets Corner1Sel..Corner3Sel of every corner of the part's triangles whose
// (U, V) lies strictly within kTexturePickHalfSize of (u, v) along both axes
// to -1, or to 0 when `deselect`. Every hit point is affected, not only the
// nearest. Returns the number of corners hit. Touches: TriState of the
// part's triangles.
int PickTexturePoints(CarModel& model, int part, float u, float v, bool deselect);

} // namespace mobrix
