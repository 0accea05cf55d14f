#pragma once
// The software perspective wireframe of the fourth view, for machines
// without OpenGL: a parallel projection of the model turned by three angles,
// drawn with the views' own outline drawing into a white canvas.

#include "ViewDrawing.h"

#include <QImage>
#include <QSize>

namespace mobrix::preview {

// PerspAngleA, PerspAngleB and PerspAngleC, in radians. The mouse turns B
// and C; A stays as it was set.
struct PerspAngles {
    float A = 0;
    float B = 0;
    float C = 0;
};

// The two screen components of a model point turned by the angles.
views::ViewPoint PerspProject(const PerspAngles& angles, const Vec3& p);

// One part's triangles as outlines in `colour`, mapped to the canvas by
// `map` (the view's scale rectangle).
void DrawPartSoftware(const CarModel& model, int part, views::Raster& raster, const views::PixelMapping& map,
                      const PerspAngles& angles, views::Rgb colour);

// The whole view: white, then the selected parts other than `current` in
// light grey, then `current` in black. `scale` is view 3's scale rectangle
// (view 0's multiplied by PerspScale); `outer` is the view's size with its
// 2-pixel border, the canvas is the client inside it.
QImage DrawSoftwarePreview(const CarModel& model, const views::PartSelection& parts, int current,
                           const PerspAngles& angles, const views::ViewScale& scale, views::ViewSize outer);

// A drag by (dx, dy) client pixels over a client area of width × height:
// dragging across the whole width turns B by -2 × 3.14, dragging down the
// whole height turns C by -2 × 3.14.
PerspAngles TurnSoftwarePreview(PerspAngles angles, double dx, double dy, int width, int height);

} // namespace mobrix::preview
