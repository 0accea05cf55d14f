#pragma once
// How the orthographic views are fitted to the model and how their logical
// model coordinates map to pixels. Drawing and (later) the mouse handlers
// share the one mapping defined here, so a point is drawn exactly where a
// click on it lands.

#include "CarModel.h"

#include <array>
#include <optional>
#include <cmath>
#include <cstdint>

namespace mobrix::views {

// The members of the view array.
enum ViewIndex : int {
    ViewXY = 0,   // X across, Y up
    ViewZX = 1,   // Z across, X up
    ViewZY = 2,   // Z across, Y up
    View3D = 3,   // the perspective preview
    ViewUV = 4,   // the texture-map view, U and V from 0 to 1
};
inline constexpr int kViewCount = 5;
inline constexpr int kOrthoViewCount = 3;

// Every view has a 2-pixel border on each side; drawing happens inside it.
inline constexpr int kViewBorder = 2;

// The logical coordinate system of one view: the model coordinate at the
// left and top edges and the extent across (positive) and down (negative,
// so that the vertical axis grows upwards).
struct ViewScale {
    float ScaleLeft = 0;
    float ScaleTop = 0;
    float ScaleWidth = 1;
    float ScaleHeight = -1;
    friend bool operator==(const ViewScale&, const ViewScale&) = default;
};

// Zoom, pan and the fitted scales of the main window's views.
struct ViewState {
    float ViewZoom = 1.0f;   // larger shows more of the model
    float ViewPanX = 0.0f;   // half of it is added to ScaleLeft of views 0-2
    float ViewPanY = 0.0f;   // half of it is added to ScaleTop of views 0-2
    float PerspScale = 1.0f; // extent factor of the software perspective view
    std::array<ViewScale, kViewCount> Scale{};
};

// The check marks of the Edit menu. The menu keeps one of them on at a time
// (or none before the user picks one); mouse, keys and drawing test them.
struct EditModes {
    bool Part = false;     // "&Part Editor"
    bool Vertex = false;   // "&Vertex Editor"
    bool Dummy = false;    // "&Dummy Editor"
    bool Triangle = false; // "&Triangle Editor"
    friend bool operator==(const EditModes&, const EditModes&) = default;
};

// The UV remap sections a triangle can belong to (its RemapGroup).
inline constexpr int kRemapSections = 7;

// The display options of the View menu, read at every redraw.
struct DisplayOptions {
    bool Polygons = true;     // "&Polygons"
    bool Vertices = false;    // "V&ertices"
    bool Normals = false;     // "&Normals"
    bool Reserved2 = false;   // "Reserved 2" (draws nothing)
    bool Dummies = true;      // "&Dummies"
    bool MaintainAspect = true; // "Maintain Aspect Ratio"
    // "Show Other Parts": the parts neither current nor selected are drawn
    // too, pale and behind the others. Drawing only: picking and the scope
    // of every command stay with the current and selected parts.
    bool ShowOtherParts = true;
    EditModes Modes;            // the Triangle Editor draws by remap section
    // Remap sections shown while the Triangle Editor is on; a triangle of a
    // hidden section is neither drawn nor picked.
    std::array<bool, kRemapSections> RemapVisible{true, true, true, true, true, true, true};
    bool RemapSectionVisible(int group) const
    {
        // A section number outside the table hides nothing.
        return group < 0 || group >= kRemapSections || RemapVisible[static_cast<std::size_t>(group)];
    }
};

// Pixel sizes of a view: outer (with the border) and the client inside.
struct ViewSize {
    int outerWidth = 0;
    int outerHeight = 0;
    int ClientWidth() const { return std::max(1, outerWidth - 2 * kViewBorder); }
    int ClientHeight() const { return std::max(1, outerHeight - 2 * kViewBorder); }
};

// The position of a part; (0, 0, 0) for an index that is not a part.
Vec3 PartPosition(const CarModel& model, int part);

// True when all three corners of a triangle name vertices of a part of
// `partVertices` vertices.
inline bool CornersInside(const Triangle& t, std::int64_t partVertices)
{
    return t.I1 >= 0 && t.I1 < partVertices && t.I2 >= 0 && t.I2 < partVertices && t.I3 >= 0 &&
           t.I3 < partVertices;
}

// A triangle of a part as the Triangle Editor draws and picks it: its
// absolute corners, its centroid (the pick point, drawn as a dot) and its
// remap section.
struct SectionTriangle {
    Vec3 a, b, c, centroid;
    int group = 0;
};
// Nothing for a triangle of a hidden section or with a corner outside the
// part whose vertices are `verts`.
std::optional<SectionTriangle> SectionTriangleOf(const CarModel& model, const DisplayOptions& options,
                                                 std::size_t triangle, const IndexRange& verts, const Vec3& pos);

// Largest absolute coordinate of any vertex of any part on each axis, with
// vertices taken at their absolute positions (vertex plus part position).
Vec3 ModelExtent(const CarModel& model);

// Refits the views to the model, the zoom and the pan (no drawing). The
// aspect-ratio fit uses the proportions of view 1.
void RescaleView(const CarModel& model, const DisplayOptions& options, ViewSize view1, ViewState& state);

// The horizontal and vertical model coordinates a view shows of a point.
struct ViewPoint {
    float h = 0;
    float v = 0;
};
inline ViewPoint Project(int view, const Vec3& p)
{
    switch (view) {
    case ViewZX: return {p.Z, p.X};
    case ViewZY: return {p.Z, p.Y};
    default: return {p.X, p.Y};
    }
}

// Logical model coordinates to client pixels and back:
// px = (h - ScaleLeft) * W / ScaleWidth, py = (v - ScaleTop) * H / ScaleHeight,
// rounded to the nearest pixel with halves going to the even neighbour.
class PixelMapping {
public:
    PixelMapping() = default;
    PixelMapping(const ViewScale& scale, int clientWidth, int clientHeight);

    double ScaleX() const { return kx_; } // pixels per model unit across
    double ScaleY() const { return ky_; } // pixels per model unit down (negative)

    // Exact (unrounded) pixel position.
    double ExactX(float h) const { return (double(h) - left_) * kx_; }
    double ExactY(float v) const { return (double(v) - top_) * ky_; }
    std::int32_t PixelX(float h) const { return Round(ExactX(h)); }
    std::int32_t PixelY(float v) const { return Round(ExactY(v)); }
    // Line ends keep far-off positions, so that the part of an edge inside
    // the canvas runs in the edge's true direction at any zoom.
    std::int64_t LineEndX(float h) const { return RoundFar(ExactX(h)); }
    std::int64_t LineEndY(float v) const { return RoundFar(ExactY(v)); }

    // The logical coordinates of a client pixel position (for the mouse).
    ViewPoint Logical(double px, double py) const;

    // Rounds to the nearest integer, halves to even, and keeps far-off points
    // within a range that pixel arithmetic cannot overflow.
    static constexpr std::int32_t kNearLimit = 1 << 28;
    static std::int32_t Round(double pixel)
    {
        constexpr double kLimit = kNearLimit;
        if (!(pixel > -kLimit))
            return -static_cast<std::int32_t>(kLimit);
        if (!(pixel < kLimit))
            return static_cast<std::int32_t>(kLimit);
        return static_cast<std::int32_t>(std::nearbyint(pixel));
    }
    // As Round, within the range doubles hold every integer of.
    static std::int64_t RoundFar(double pixel)
    {
        constexpr double kLimit = double(std::int64_t{1} << 50);
        if (!(pixel > -kLimit))
            return -static_cast<std::int64_t>(kLimit);
        if (!(pixel < kLimit))
            return static_cast<std::int64_t>(kLimit);
        return static_cast<std::int64_t>(std::nearbyint(pixel));
    }

private:
    double left_ = 0;
    double top_ = 0;
    double kx_ = 1;
    double ky_ = 1;
};

} // namespace mobrix::views
