#include "SoftwarePreview.h"

#include <cmath>
#include <vector>

namespace mobrix::preview {

using views::PixelMapping;
using views::Raster;
using views::Rgb;

views::ViewPoint PerspProject(const PerspAngles& angles, const Vec3& p)
{
    const double sa = std::sin(angles.A), ca = std::cos(angles.A);
    const double sb = std::sin(angles.B), cb = std::cos(angles.B);
    const double sc = std::sin(angles.C), cc = std::cos(angles.C);
    const double x = p.X, y = p.Y, z = p.Z;
    const double h = (sc * sb * sa + ca * cb) * x + sa * cc * y + (sa * sc * cb - sb * ca) * z;
    const double v = (ca * sb * sc - sa * cb) * x + ca * cc * y + (sc * ca * cb + sb * sa) * z;
    return {static_cast<float>(h), static_cast<float>(v)};
}

void DrawPartSoftware(const CarModel& model, int part, Raster& raster, const PixelMapping& map,
                      const PerspAngles& angles, Rgb colour)
{
    const IndexRange verts = PartVertexRange(model, part);
    const IndexRange tris = PartTriangleRange(model, part);
    if (tris.size() <= 0)
        return;
    const Vec3 pos = views::PartPosition(model, part);
    // Each vertex is turned and mapped once; the triangles look them up.
    struct Pixel {
        std::int32_t x, y;
    };
    std::vector<Pixel> pixels(static_cast<std::size_t>(verts.size()));
    for (std::int64_t i = 0; i < verts.size(); ++i) {
        const Vec3& v = model.Vertices[static_cast<std::size_t>(verts.begin + i)];
        const views::ViewPoint s = PerspProject(angles, {v.X + pos.X, v.Y + pos.Y, v.Z + pos.Z});
        pixels[static_cast<std::size_t>(i)] = {map.PixelX(s.h), map.PixelY(s.v)};
    }
    for (std::int64_t t = tris.begin; t < tris.end; ++t) {
        const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
        if (!views::CornersInside(tri, verts.size()))
            continue;
        const Pixel a = pixels[static_cast<std::size_t>(tri.I1)];
        const Pixel b = pixels[static_cast<std::size_t>(tri.I2)];
        const Pixel c = pixels[static_cast<std::size_t>(tri.I3)];
        raster.Line(a.x, a.y, b.x, b.y, colour);
        raster.Line(b.x, b.y, c.x, c.y, colour);
        raster.Line(c.x, c.y, a.x, a.y, colour);
    }
}

QImage DrawSoftwarePreview(const CarModel& model, const views::PartSelection& parts, int current,
                           const PerspAngles& angles, const views::ViewScale& scale, views::ViewSize outer)
{
    QImage canvas(outer.ClientWidth(), outer.ClientHeight(), QImage::Format_RGB32);
    Raster raster(canvas);
    raster.Fill(views::kWhite);
    const PixelMapping map(scale, canvas.width(), canvas.height());
    const int partCount = UsablePartCount(model.Header);
    for (int p = 0; p < partCount; ++p) {
        if (p != current && parts.IsShown(p))
            DrawPartSoftware(model, p, raster, map, angles, views::QBColor(7));
    }
    DrawPartSoftware(model, current, raster, map, angles, views::kBlack);
    return canvas;
}

PerspAngles TurnSoftwarePreview(PerspAngles angles, double dx, double dy, int width, int height)
{
    // The drag measured in the view's own coordinates, whose vertical axis
    // grows upwards: moving right or down turns B and C back.
    constexpr double kTurn = 2 * 3.14;
    if (width > 0)
        angles.B += static_cast<float>(-dx / width * kTurn);
    if (height > 0)
        angles.C -= static_cast<float>(dy / height * kTurn);
    return angles;
}

} // namespace mobrix::preview
