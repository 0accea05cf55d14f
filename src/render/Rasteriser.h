#pragma once
// A picture of a car model drawn in software, for places without a display
// or OpenGL (fcetool render, file-manager thumbnails).
//
// The model is seen without perspective, fitted to the picture with a small
// margin: the picture's longest side is `size` pixels, the other follows the
// model's outline. Triangles are flat shaded by a light at the eye plus a
// small ambient term, both of their sides alike, depth-buffered, on a
// transparent background. The front, side and top views are laid out as the
// editor's views 0, 2 and 1 (X across and Y up; Z across and Y up; Z across
// and X up), seen from the car's front, right side and top; the
// three-quarter view looks from the front left and above.

#include "CarModel.h"
#include "Picture.h"

#include <optional>
#include <vector>

namespace mobrix::render {

enum class RenderView { Front, Side, Top, ThreeQuarter };

enum class RenderParts {
    All,   // every part
    Shown, // the high-detail parts (names starting ":H"), or all when none is named so
};

struct RenderOptions {
    int size = 256;
    RenderView view = RenderView::ThreeQuarter;
    RenderParts parts = RenderParts::All;
    bool wireframe = false; // only the triangles' edges, still depth-tested against each other
};

inline constexpr int kMaxRenderSize = 4096;

// The parts drawn for a choice, in part order.
std::vector<int> PartsToDraw(const CarModel& model, RenderParts parts);

// The picture, or nothing when the chosen parts hold no triangle that can be
// drawn (corners outside their part and non-finite positions are skipped).
// `texture` is laid on by each corner's U and V, V = 1 at its top row;
// without one the model is white. `options.size` is clamped to
// 1..kMaxRenderSize.
std::optional<Picture> RenderModel(const CarModel& model, const RenderOptions& options, const Picture* texture);

} // namespace mobrix::render
