#pragma once
// Drawing the model into the view canvases. Each view owns an image the
// size of its client area; the procedures below draw into the canvases of
// the visible views and the view widgets only copy them to the screen. The
// views are white; erasing an item is drawing it again in white.
//
// Everything that follows part ranges or triangle corners goes through the
// clamped ranges and skips triangles with a corner outside their part, so a
// damaged file can be looked at without harm.

#include "Raster.h"
#include "ViewGeometry.h"

#include <QImage>
#include <QRegion>

#include <array>
#include <vector>

namespace mobrix::views {

// One member of the view array as drawing sees it.
struct ViewSurface {
    QImage canvas;        // client area, Format_RGB32
    ViewSize size;        // outer size, border included
    bool visible = false; // hidden views are skipped by every procedure
    // The canvas pixels drawn since the window last copied them to the
    // screen: only these need copying again.
    QRegion drawn;

    // Gives the canvas the client size of `outer` (contents are lost when
    // the size changes).
    void Resize(ViewSize outer);
    void MarkDrawn() { drawn = QRegion(canvas.rect()); }
    void MarkDrawn(const QRect& pixels) { drawn += pixels; }
};
using ViewSurfaces = std::array<ViewSurface, kViewCount>;

// Which parts RedrawView draws: those selected in the part list (grey
// outlines) and the current part (black, with vertices and normals).
struct PartSelection {
    std::vector<bool> Shown; // index = part; missing entries are not shown
    bool IsShown(int part) const
    {
        return part >= 0 && static_cast<std::size_t>(part) < Shown.size() && Shown[static_cast<std::size_t>(part)];
    }
};

// The texture image painted under the texture-map view, with a copy
// stretched to the view's canvas that is made again only when the canvas
// size or the image changes.
class TextureMap {
public:
    void SetImage(QImage image);
    bool IsNull() const { return image_.isNull(); }
    const QImage& Image() const { return image_; }
    // The image stretched to `size`, in the canvas format.
    const QImage& FittedTo(QSize size);

private:
    QImage image_;
    QImage fitted_;
};

// What every drawing procedure reads.
struct DrawContext {
    const CarModel& model;
    const ViewState& state;
    const DisplayOptions& options;
    ViewSurfaces& views;
    TextureMap* texture = nullptr; // none: view 4 shows no picture
    // Only this view is drawn, or every visible one (-1): each view has a
    // canvas of its own, so views can be drawn on threads of their own.
    int onlyView = -1;
    bool Draws(int view) const { return onlyView < 0 || onlyView == view; }
};

// The parts that are only shown ("Show Other Parts"): paler than the grey
// of the selected parts and darker than the axes.
inline constexpr Rgb kOtherPartColour = 0xD0D8E8; // RGB(208,216,232)

// How a view's logical coordinates map to its canvas pixels.
PixelMapping MappingOf(const DrawContext& ctx, int view);

// Clears the orthographic views and the texture-map view and draws the axes,
// the other parts pale (while "Show Other Parts" is on), the selected parts
// in grey, the current part in black with its vertices and normals, and the
// dummies, as the display options say. A large model is drawn on two
// threads, a view at a time each; the pictures are the same.
void RedrawView(const DrawContext& ctx, const PartSelection& parts);

// The texture-map view alone: cleared, the texture stretched over it, the
// texture outlines of the selected parts in grey (while "&Polygons" is on)
// and those of the current part in CurrentUvOutlineColour. RedrawView draws
// it too.
void RedrawTextureView(const DrawContext& ctx, const PartSelection& parts);
// The current part's texture outlines: white over a texture, black on the
// plain white view shown without one.
Rgb CurrentUvOutlineColour(const DrawContext& ctx);
// The texture outline (U, V) of every triangle of a part in the texture-map
// view; outside the Triangle Editor each corner is also marked with a dot,
// light red, or cyan when its texture point is selected.
void DrawUV(const DrawContext& ctx, int part, Rgb colour);
// The texture points of a part's triangle corners as 3-pixel points; the
// selected ones in the complement of the colour.
void DrawUVVerts(const DrawContext& ctx, int part, Rgb colour);
// After a vertex (an index into Vertices) changed: the texture outlines of
// the part's triangles that use it in `edgeColour`, and its corners' texture
// points in `selectedColour` when selected, else in `vertexColour`. Only
// while "&Polygons" is on.
void ReDrawUVVert(const DrawContext& ctx, int part, int vertex, Rgb vertexColour, Rgb selectedColour,
                  Rgb edgeColour);

// The triangle outlines of one part, in one batch per view; with the
// Triangle Editor on, as DrawTriOld draws them.
void DrawTri(const DrawContext& ctx, int part, Rgb colour);
// The plain outlines of one part in one colour, whatever the editing mode.
void DrawOutlines(const DrawContext& ctx, int part, Rgb colour);
// The Triangle Editor's picture of a part: each triangle in the colour of
// its remap section (QBColor 7 + section, whatever `colour` says), triangles
// of hidden sections left out, and each triangle's centroid, its pick
// point, as a red dot.
void DrawTriOld(const DrawContext& ctx, int part, Rgb colour);
// The vertices of one part as 3-pixel points; selected ones in the
// complement of the colour.
void DrawVerts(const DrawContext& ctx, int part, Rgb colour);
// The vertex normals of one part, at their stored length.
void DrawNorms(const DrawContext& ctx, int part, Rgb colour);
// The "Reserved 2" option has no visible effect.
void DrawRes2(const DrawContext& ctx, int part, Rgb colour);
// Dummy circles of radius 0.1 in yellow, the current one in red; or all
// of them in white.
void DrawDummies(const DrawContext& ctx);
void WipeDummies(const DrawContext& ctx);
// One vertex (an index into Vertices) and the edges of the part's triangles
// that use it: edges in `edgeColour`, the point in `selectedColour` when it
// is selected, else in `vertexColour`.
void ReDrawVert(const DrawContext& ctx, int part, int vertex, Rgb vertexColour, Rgb selectedColour, Rgb edgeColour);
// The outline of one triangle (an index into Triangles).
void ReDrawTri2(const DrawContext& ctx, int triangle, Rgb colour);
// One triangle of the current part drawn again as the views show it when
// it is not highlighted: with the Triangle Editor on, in its section colour
// with its red centroid dot (nothing when its section is hidden); otherwise
// black while "&Polygons" is on, else white.
void ReDrawTri(const DrawContext& ctx, int triangle);

// What a drag step needs to know of the selection: the marked vertices of
// the model (indices into Vertices), which of the part's vertices they are,
// and the part's triangles that use one of them. Marks and tables do not
// change while the mouse drags, so a drag works this out once, at the press.
struct DragSet {
    int part = -1;
    std::vector<int> selected;
    std::vector<std::uint8_t> movedInPart;  // per vertex of the part: 1 when it moves
    std::vector<std::int64_t> affected;     // indices into Triangles
    IndexRange vertices;                    // the part's ranges and the table
    IndexRange triangles;                   // sizes it was worked out for
    std::size_t vertexCount = 0;
    std::size_t triangleCount = 0;

    // The tables and the part's ranges are still those it was worked out for.
    bool Fits(const CarModel& model, int currentPart) const;
};
DragSet PrepareDrag(const CarModel& model, int part);

// One drag or nudge step of the selected vertices is drawn in two phases
// around the move itself: the current part's triangles that use a moved
// vertex and the moved points are erased (drawn white) at their old place,
// then drawn at the new one (edges black, points in the complement of light
// red) in one pass over those triangles; points are drawn with the position
// of the part. While "V&ertices" is on, the unmoved corners of those
// triangles get their points back. A set that no longer fits the model
// draws nothing.
enum class DragPhase { Erase, Draw };
void DrawDragStep(const DrawContext& ctx, const DragSet& set, DragPhase phase);

// After a drag: the part's outlines (black) and vertices (light red) drawn
// again over the edges the white erasing cut through.
void RepairDraggedPart(const DrawContext& ctx, int part);

// After a nudge, which has no release of its own: the same repair, limited
// to what the View options show.
void RepairNudgedPart(const DrawContext& ctx, int part);

// Inverts the outline of the rubber band from `a` to `b` in one view;
// doing it again removes it.
void InvertBand(const DrawContext& ctx, int view, ViewPoint a, ViewPoint b);

// A line between two points in a view's logical coordinates.
void DrawLogicalLine(const DrawContext& ctx, int view, ViewPoint a, ViewPoint b, Rgb colour);

} // namespace mobrix::views
