#include "ViewDrawing.h"

#include "ViewEditing.h"

#include <QPainter>

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

namespace mobrix::views {

namespace {

// Calls f(view, mapping, raster) for every visible orthographic view.
template <class F>
void ForEachVisibleOrtho(const DrawContext& ctx, F&& f)
{
    for (int v = 0; v < kOrthoViewCount; ++v) {
        ViewSurface& s = ctx.views[static_cast<std::size_t>(v)];
        if (!ctx.Draws(v) || !s.visible || s.canvas.isNull())
            continue;
        s.MarkDrawn();
        Raster raster(s.canvas);
        f(v, MappingOf(ctx, v), raster);
    }
}

Vec3 Add(const Vec3& a, const Vec3& b)
{
    return {a.X + b.X, a.Y + b.Y, a.Z + b.Z};
}

struct PixelPoint {
    std::int32_t x;
    std::int32_t y;
};

PixelPoint ToPixel(const PixelMapping& map, int view, const Vec3& p)
{
    const ViewPoint vp = Project(view, p);
    return {map.PixelX(vp.h), map.PixelY(vp.v)};
}

// The part that owns a triangle, or -1.
int OwnerOfTriangle(const CarModel& m, std::int64_t triangle)
{
    const int parts = UsablePartCount(m.Header);
    for (int p = 0; p < parts; ++p) {
        const IndexRange r = PartTriangleRange(m, p);
        if (triangle >= r.begin && triangle < r.end)
            return p;
    }
    return -1;
}

void DrawTriangleEdges(Raster& raster, PixelPoint a, PixelPoint b, PixelPoint c, Rgb colour)
{
    // A triangle within one pixel, common in dense meshes seen whole, is
    // that pixel: the same picture for a third of the work.
    if (a.x == b.x && a.x == c.x && a.y == b.y && a.y == c.y) {
        raster.Pixel(a.x, a.y, colour);
        return;
    }
    raster.Line(a.x, a.y, b.x, b.y, colour);
    raster.Line(b.x, b.y, c.x, c.y, colour);
    raster.Line(c.x, c.y, a.x, a.y, colour);
}

// Pixel radius of a dummy circle: 0.1 model units on the view's horizontal
// scale, drawn round in pixels.
std::int32_t DummyRadius(const PixelMapping& map)
{
    return PixelMapping::Round(std::fabs(0.1 * map.ScaleX()));
}

void DrawDummyCircle(const DrawContext& ctx, int dummy, Rgb colour)
{
    const Vec3 pos = ctx.model.Header.DummyPos[static_cast<std::size_t>(dummy)];
    ForEachVisibleOrtho(ctx, [&](int view, const PixelMapping& map, Raster& raster) {
        const PixelPoint c = ToPixel(map, view, pos);
        raster.Circle(c.x, c.y, DummyRadius(map), colour);
    });
}

} // namespace

PixelMapping MappingOf(const DrawContext& ctx, int view)
{
    const ViewSurface& s = ctx.views[static_cast<std::size_t>(view)];
    return PixelMapping(ctx.state.Scale[static_cast<std::size_t>(view)], s.canvas.width(), s.canvas.height());
}

void ViewSurface::Resize(ViewSize outer)
{
    size = outer;
    const QSize client(outer.ClientWidth(), outer.ClientHeight());
    if (canvas.size() != client || canvas.format() != QImage::Format_RGB32) {
        canvas = QImage(client, QImage::Format_RGB32);
        canvas.fill(Qt::white);
    }
}

void DrawLogicalLine(const DrawContext& ctx, int view, ViewPoint a, ViewPoint b, Rgb colour)
{
    ViewSurface& s = ctx.views[static_cast<std::size_t>(view)];
    if (!ctx.Draws(view) || !s.visible || s.canvas.isNull())
        return;
    const PixelMapping map = MappingOf(ctx, view);
    s.MarkDrawn();
    Raster raster(s.canvas);
    raster.Line(map.PixelX(a.h), map.PixelY(a.v), map.PixelX(b.h), map.PixelY(b.v), colour);
}

namespace {

// From this many triangles on, a full redraw shares the views out to two
// threads; below it, starting a thread costs more than it saves.
constexpr std::size_t kParallelTriangles = 50'000;

bool Shows(const DrawContext& ctx, int view)
{
    const ViewSurface& s = ctx.views[static_cast<std::size_t>(view)];
    return ctx.Draws(view) && s.visible && !s.canvas.isNull();
}

void RedrawOrthoViews(const DrawContext& ctx, const PartSelection& parts)
{
    for (int v = 0; v < kOrthoViewCount; ++v) {
        if (Shows(ctx, v)) {
            ViewSurface& s = ctx.views[static_cast<std::size_t>(v)];
            s.MarkDrawn();
            Raster(s.canvas).Fill(kWhite);
        }
    }
    for (int v = 0; v < kOrthoViewCount; ++v) {
        const ViewScale& sc = ctx.state.Scale[static_cast<std::size_t>(v)];
        DrawLogicalLine(ctx, v, {0, sc.ScaleTop}, {0, sc.ScaleTop + sc.ScaleHeight}, kAxisColour);
        DrawLogicalLine(ctx, v, {sc.ScaleLeft, 0}, {sc.ScaleLeft + sc.ScaleWidth, 0}, kAxisColour);
    }

    const int current = ctx.model.CurrentPart;
    const int partCount = UsablePartCount(ctx.model.Header);
    if (ctx.options.Polygons) {
        // Plain outlines even in the Triangle Editor: section colours on a
        // part that cannot be edited would only mislead.
        if (ctx.options.ShowOtherParts) {
            for (int p = 0; p < partCount; ++p) {
                if (p != current && !parts.IsShown(p))
                    DrawOutlines(ctx, p, kOtherPartColour);
            }
        }
        for (int p = 0; p < partCount; ++p) {
            if (p != current && parts.IsShown(p))
                DrawTri(ctx, p, QBColor(7));
        }
        DrawTri(ctx, current, kBlack);
    }
    if (ctx.options.Vertices)
        DrawVerts(ctx, current, QBColor(12));
    if (ctx.options.Normals)
        DrawNorms(ctx, current, QBColor(10));
    if (ctx.options.Reserved2)
        DrawRes2(ctx, current, QBColor(9));
    if (ctx.options.Dummies)
        DrawDummies(ctx);
}

} // namespace

// ---------------------------------------------------------------------------
// The texture-map view

void TextureMap::SetImage(QImage image)
{
    image_ = std::move(image);
    fitted_ = QImage();
}

const QImage& TextureMap::FittedTo(QSize size)
{
    if (!image_.isNull() && fitted_.size() != size)
        fitted_ = image_.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                      .convertToFormat(QImage::Format_RGB32);
    return fitted_;
}

namespace {

ViewSurface* TextureSurface(const DrawContext& ctx)
{
    ViewSurface& s = ctx.views[ViewUV];
    return s.visible && !s.canvas.isNull() ? &s : nullptr;
}

// The canvas pixel of a texture coordinate pair.
struct UvPixels {
    PixelPoint corner[3];
};

UvPixels CornersOf(const PixelMapping& map, const Triangle& t)
{
    return {{{map.PixelX(t.U1), map.PixelY(t.V1)}, {map.PixelX(t.U2), map.PixelY(t.V2)},
             {map.PixelX(t.U3), map.PixelY(t.V3)}}};
}

bool CornerSelected(const CarModel& m, std::int64_t triangle, int corner)
{
    if (triangle < 0 || static_cast<std::size_t>(triangle) >= m.TriState.size())
        return false;
    const TriStateRecord& s = m.TriState[static_cast<std::size_t>(triangle)];
    const std::int16_t marks[] = {s.Corner1Sel, s.Corner2Sel, s.Corner3Sel};
    return marks[corner] != 0;
}

bool IsPart(const CarModel& m, int part)
{
    return part >= 0 && part < UsablePartCount(m.Header);
}

} // namespace

void RedrawTextureView(const DrawContext& ctx, const PartSelection& parts)
{
    ViewSurface* s = TextureSurface(ctx);
    if (s == nullptr)
        return;
    s->MarkDrawn();
    if (ctx.texture != nullptr && !ctx.texture->IsNull()) {
        QPainter painter(&s->canvas);
        painter.drawImage(0, 0, ctx.texture->FittedTo(s->canvas.size()));
    } else {
        Raster(s->canvas).Fill(kWhite);
    }
    const int current = ctx.model.CurrentPart;
    if (ctx.options.Polygons) {
        const int partCount = UsablePartCount(ctx.model.Header);
        for (int p = 0; p < partCount; ++p) {
            if (p != current && parts.IsShown(p))
                DrawUV(ctx, p, QBColor(7));
        }
    }
    DrawUV(ctx, current, CurrentUvOutlineColour(ctx));
}

Rgb CurrentUvOutlineColour(const DrawContext& ctx)
{
    return ctx.texture != nullptr && !ctx.texture->IsNull() ? kWhite : kBlack;
}

namespace {

// Calls f(raster, t, corners) for every triangle t of the part with its
// corners' pixels in the texture-map view, when that view is shown.
template <class F>
void ForEachUvTriangle(const DrawContext& ctx, int part, F&& f)
{
    ViewSurface* s = TextureSurface(ctx);
    const CarModel& m = ctx.model;
    if (s == nullptr || !IsPart(m, part))
        return;
    s->MarkDrawn();
    Raster raster(s->canvas);
    const PixelMapping map = MappingOf(ctx, ViewUV);
    const IndexRange tris = PartTriangleRange(m, part);
    for (std::int64_t t = tris.begin; t < tris.end; ++t)
        f(raster, t, CornersOf(map, m.Triangles[static_cast<std::size_t>(t)]));
}

} // namespace

void DrawUV(const DrawContext& ctx, int part, Rgb colour)
{
    const bool markCorners = !ctx.options.Modes.Triangle;
    ForEachUvTriangle(ctx, part, [&](Raster& raster, std::int64_t t, const UvPixels& uv) {
        DrawTriangleEdges(raster, uv.corner[0], uv.corner[1], uv.corner[2], colour);
        if (!markCorners)
            return;
        for (int k = 0; k < 3; ++k) {
            const Rgb mark = CornerSelected(ctx.model, t, k) ? Complement(QBColor(12)) : QBColor(12);
            raster.Pixel(uv.corner[k].x, uv.corner[k].y, mark);
        }
    });
}

void DrawUVVerts(const DrawContext& ctx, int part, Rgb colour)
{
    ForEachUvTriangle(ctx, part, [&](Raster& raster, std::int64_t t, const UvPixels& uv) {
        for (int k = 0; k < 3; ++k)
            raster.Point(uv.corner[k].x, uv.corner[k].y, 3,
                         CornerSelected(ctx.model, t, k) ? Complement(colour) : colour);
    });
}

void ReDrawUVVert(const DrawContext& ctx, int part, int vertex, Rgb vertexColour, Rgb selectedColour,
                  Rgb edgeColour)
{
    ViewSurface* s = TextureSurface(ctx);
    const CarModel& m = ctx.model;
    if (s == nullptr || !ctx.options.Polygons || !IsPart(m, part))
        return;
    const IndexRange verts = PartVertexRange(m, part);
    const std::int64_t local = vertex - verts.begin;
    if (local < 0 || local >= verts.size())
        return;
    s->MarkDrawn();
    Raster raster(s->canvas);
    const PixelMapping map = MappingOf(ctx, ViewUV);
    const IndexRange tris = PartTriangleRange(m, part);
    for (std::int64_t t = tris.begin; t < tris.end; ++t) {
        const Triangle& tri = m.Triangles[static_cast<std::size_t>(t)];
        const std::int32_t corners[] = {tri.I1, tri.I2, tri.I3};
        if (corners[0] != local && corners[1] != local && corners[2] != local)
            continue;
        const UvPixels uv = CornersOf(map, tri);
        DrawTriangleEdges(raster, uv.corner[0], uv.corner[1], uv.corner[2], edgeColour);
        for (int k = 0; k < 3; ++k) {
            if (corners[k] == local)
                raster.Point(uv.corner[k].x, uv.corner[k].y, 3,
                             CornerSelected(m, t, k) ? selectedColour : vertexColour);
        }
    }
}

void RedrawView(const DrawContext& ctx, const PartSelection& parts)
{
    if (Shows(ctx, ViewUV))
        RedrawTextureView(ctx, parts);
    std::vector<int> shown;
    for (int v = 0; v < kOrthoViewCount; ++v)
        if (Shows(ctx, v))
            shown.push_back(v);
    if (shown.size() < 2 || ctx.model.Triangles.size() < kParallelTriangles) {
        RedrawOrthoViews(ctx, parts);
        return;
    }
    // Each thread takes the next view still to draw.
    std::atomic<std::size_t> next{0};
    auto drawViews = [&] {
        for (std::size_t i = next++; i < shown.size(); i = next++) {
            DrawContext one = ctx;
            one.onlyView = shown[i];
            RedrawOrthoViews(one, parts);
        }
    };
    std::thread helper(drawViews);
    drawViews();
    helper.join();
}

void DrawTri(const DrawContext& ctx, int part, Rgb colour)
{
    if (ctx.options.Modes.Triangle)
        DrawTriOld(ctx, part, colour);
    else
        DrawOutlines(ctx, part, colour);
}

void DrawOutlines(const DrawContext& ctx, int part, Rgb colour)
{
    const CarModel& m = ctx.model;
    const IndexRange verts = PartVertexRange(m, part);
    const IndexRange tris = PartTriangleRange(m, part);
    if (tris.size() <= 0)
        return;
    const Vec3 pos = PartPosition(m, part);
    const std::int64_t partVertices = verts.size();

    // Each vertex is converted to pixels once per view; the triangles then
    // only look their corners up.
    static thread_local std::vector<PixelPoint> pixels;
    pixels.resize(static_cast<std::size_t>(partVertices));

    ForEachVisibleOrtho(ctx, [&](int view, const PixelMapping& map, Raster& raster) {
        for (std::int64_t i = 0; i < partVertices; ++i) {
            const Vec3& v = m.Vertices[static_cast<std::size_t>(verts.begin + i)];
            pixels[static_cast<std::size_t>(i)] = ToPixel(map, view, Add(v, pos));
        }
        for (std::int64_t t = tris.begin; t < tris.end; ++t) {
            const Triangle& tri = m.Triangles[static_cast<std::size_t>(t)];
            if (!CornersInside(tri, partVertices))
                continue;
            DrawTriangleEdges(raster, pixels[static_cast<std::size_t>(tri.I1)], pixels[static_cast<std::size_t>(tri.I2)],
                              pixels[static_cast<std::size_t>(tri.I3)], colour);
        }
    });
}

void DrawVerts(const DrawContext& ctx, int part, Rgb colour)
{
    const CarModel& m = ctx.model;
    const IndexRange verts = PartVertexRange(m, part);
    const Vec3 pos = PartPosition(m, part);
    ForEachVisibleOrtho(ctx, [&](int view, const PixelMapping& map, Raster& raster) {
        for (std::int64_t i = verts.begin; i < verts.end; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const bool selected = k < m.VertSelected.size() && m.VertSelected[k] != 0;
            const PixelPoint p = ToPixel(map, view, Add(m.Vertices[k], pos));
            raster.Point(p.x, p.y, 3, selected ? Complement(colour) : colour);
        }
    });
}

void DrawNorms(const DrawContext& ctx, int part, Rgb colour)
{
    const CarModel& m = ctx.model;
    const IndexRange verts = PartVertexRange(m, part);
    const Vec3 pos = PartPosition(m, part);
    ForEachVisibleOrtho(ctx, [&](int view, const PixelMapping& map, Raster& raster) {
        for (std::int64_t i = verts.begin; i < verts.end; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (k >= m.Normals.size())
                break;
            // Normals are not part of the fitted extent: a wild one may end
            // billions of pixels away, and its line must still leave the
            // vertex in its own direction.
            const ViewPoint a = Project(view, Add(m.Vertices[k], pos));
            const ViewPoint tip = Project(view, Add(Add(m.Vertices[k], pos), m.Normals[k]));
            raster.FarLine(map.LineEndX(tip.h), map.LineEndY(tip.v), map.LineEndX(a.h), map.LineEndY(a.v), colour);
        }
    });
}

void DrawRes2(const DrawContext&, int, Rgb)
{
}

void DrawDummies(const DrawContext& ctx)
{
    const int dummies = UsableDummyCount(ctx.model.Header);
    for (int d = 0; d < dummies; ++d)
        DrawDummyCircle(ctx, d, QBColor(14));
    const int current = ctx.model.CurrentDummy;
    if (current >= 0 && current < dummies)
        DrawDummyCircle(ctx, current, QBColor(12));
}

void WipeDummies(const DrawContext& ctx)
{
    const int dummies = UsableDummyCount(ctx.model.Header);
    for (int d = 0; d < dummies; ++d)
        DrawDummyCircle(ctx, d, kWhite);
}

void ReDrawVert(const DrawContext& ctx, int part, int vertex, Rgb vertexColour, Rgb selectedColour, Rgb edgeColour)
{
    const CarModel& m = ctx.model;
    if (vertex < 0 || static_cast<std::size_t>(vertex) >= m.Vertices.size())
        return;
    const IndexRange verts = PartVertexRange(m, part);
    const IndexRange tris = PartTriangleRange(m, part);
    const Vec3 pos = PartPosition(m, part);
    const std::int64_t local = vertex - verts.begin;
    const std::int64_t partVertices = verts.size();
    auto corner = [&](std::int32_t c) {
        return Add(m.Vertices[static_cast<std::size_t>(verts.begin + c)], pos);
    };
    const auto k = static_cast<std::size_t>(vertex);
    const bool selected = k < m.VertSelected.size() && m.VertSelected[k] != 0;

    ForEachVisibleOrtho(ctx, [&](int view, const PixelMapping& map, Raster& raster) {
        for (std::int64_t t = tris.begin; t < tris.end; ++t) {
            const Triangle& tri = m.Triangles[static_cast<std::size_t>(t)];
            if (!CornersInside(tri, partVertices) || (tri.I1 != local && tri.I2 != local && tri.I3 != local))
                continue;
            DrawTriangleEdges(raster, ToPixel(map, view, corner(tri.I1)), ToPixel(map, view, corner(tri.I2)),
                              ToPixel(map, view, corner(tri.I3)), edgeColour);
        }
        const PixelPoint p = ToPixel(map, view, Add(m.Vertices[k], pos));
        raster.Point(p.x, p.y, 3, selected ? selectedColour : vertexColour);
    });
}

void ReDrawTri2(const DrawContext& ctx, int triangle, Rgb colour)
{
    const CarModel& m = ctx.model;
    const int part = OwnerOfTriangle(m, triangle);
    if (part < 0)
        return;
    const IndexRange verts = PartVertexRange(m, part);
    const Triangle& tri = m.Triangles[static_cast<std::size_t>(triangle)];
    if (!CornersInside(tri, verts.size()))
        return;
    const Vec3 pos = PartPosition(m, part);
    auto corner = [&](std::int32_t c) {
        return Add(m.Vertices[static_cast<std::size_t>(verts.begin + c)], pos);
    };
    ForEachVisibleOrtho(ctx, [&](int view, const PixelMapping& map, Raster& raster) {
        DrawTriangleEdges(raster, ToPixel(map, view, corner(tri.I1)), ToPixel(map, view, corner(tri.I2)),
                          ToPixel(map, view, corner(tri.I3)), colour);
    });
}

namespace {

// Section colour, then the red centroid dot.
void DrawSection(Raster& raster, const PixelMapping& map, int view, const SectionTriangle& s)
{
    DrawTriangleEdges(raster, ToPixel(map, view, s.a), ToPixel(map, view, s.b), ToPixel(map, view, s.c),
                      QBColor(7 + s.group));
    const PixelPoint dot = ToPixel(map, view, s.centroid);
    raster.Pixel(dot.x, dot.y, QBColor(12));
}

void DrawSectionTriangle(const DrawContext& ctx, std::size_t triangle, const IndexRange& verts, const Vec3& pos)
{
    if (const auto section = SectionTriangleOf(ctx.model, ctx.options, triangle, verts, pos)) {
        ForEachVisibleOrtho(ctx, [&](int view, const PixelMapping& map, Raster& raster) {
            DrawSection(raster, map, view, *section);
        });
    }
}

} // namespace

void DrawTriOld(const DrawContext& ctx, int part, Rgb)
{
    const IndexRange verts = PartVertexRange(ctx.model, part);
    const IndexRange tris = PartTriangleRange(ctx.model, part);
    const Vec3 pos = PartPosition(ctx.model, part);
    // Each view is a canvas of its own, so the views can be walked outside
    // and the triangles inside: one setup per view, not per triangle.
    ForEachVisibleOrtho(ctx, [&](int view, const PixelMapping& map, Raster& raster) {
        for (std::int64_t t = tris.begin; t < tris.end; ++t) {
            if (const auto section = SectionTriangleOf(ctx.model, ctx.options, static_cast<std::size_t>(t), verts, pos))
                DrawSection(raster, map, view, *section);
        }
    });
}

void ReDrawTri(const DrawContext& ctx, int triangle)
{
    const CarModel& m = ctx.model;
    const int part = OwnerOfTriangle(m, triangle);
    if (part < 0)
        return;
    if (ctx.options.Modes.Triangle) {
        DrawSectionTriangle(ctx, static_cast<std::size_t>(triangle), PartVertexRange(m, part),
                            PartPosition(m, part));
        return;
    }
    ReDrawTri2(ctx, triangle, ctx.options.Polygons ? kBlack : kWhite);
}

DragSet PrepareDrag(const CarModel& model, int part)
{
    DragSet set;
    set.part = part;
    set.vertices = PartVertexRange(model, part);
    set.triangles = PartTriangleRange(model, part);
    set.vertexCount = model.Vertices.size();
    set.triangleCount = model.Triangles.size();

    const std::size_t count = std::min(model.VertSelected.size(), model.Vertices.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (model.VertSelected[i] != 0)
            set.selected.push_back(static_cast<int>(i));
    }
    if (set.selected.empty())
        return set;

    // The part's triangles that use a moved vertex, found in one pass.
    const IndexRange verts = set.vertices;
    const std::int64_t n = verts.size();
    set.movedInPart.assign(static_cast<std::size_t>(n), 0);
    for (const int i : set.selected) {
        if (i >= verts.begin && i < verts.end)
            set.movedInPart[static_cast<std::size_t>(i - verts.begin)] = 1;
    }
    for (std::int64_t t = set.triangles.begin; t < set.triangles.end; ++t) {
        const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
        if (!CornersInside(tri, n))
            continue;
        if (set.movedInPart[static_cast<std::size_t>(tri.I1)] || set.movedInPart[static_cast<std::size_t>(tri.I2)] ||
            set.movedInPart[static_cast<std::size_t>(tri.I3)])
            set.affected.push_back(t);
    }
    return set;
}

bool DragSet::Fits(const CarModel& model, int currentPart) const
{
    const IndexRange v = PartVertexRange(model, currentPart);
    const IndexRange t = PartTriangleRange(model, currentPart);
    return part == currentPart && vertexCount == model.Vertices.size() && triangleCount == model.Triangles.size() &&
           v.begin == vertices.begin && v.end == vertices.end && t.begin == triangles.begin && t.end == triangles.end;
}

void DrawDragStep(const DrawContext& ctx, const DragSet& set, DragPhase phase)
{
    const CarModel& model = ctx.model;
    if (set.selected.empty() || !set.Fits(model, set.part))
        return;
    const IndexRange verts = set.vertices;
    const Vec3 pos = PartPosition(model, set.part);
    const bool erase = phase == DragPhase::Erase;
    const Rgb edgeColour = erase ? kWhite : kBlack;
    const Rgb pointColour = erase ? kWhite : Complement(QBColor(12));
    // The corners that stay put lost their centre pixel to the erased
    // edges; their points come back while vertices are shown.
    const bool restoreCorners = !erase && ctx.options.Vertices;
    ForEachVisibleOrtho(ctx, [&](int view, const PixelMapping& map, Raster& raster) {
        auto pixel = [&](std::int32_t c) {
            return ToPixel(map, view, Add(model.Vertices[static_cast<std::size_t>(verts.begin + c)], pos));
        };
        for (const std::int64_t t : set.affected) {
            const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
            DrawTriangleEdges(raster, pixel(tri.I1), pixel(tri.I2), pixel(tri.I3), edgeColour);
        }
        for (const int i : set.selected) {
            const PixelPoint p = ToPixel(map, view, Add(model.Vertices[static_cast<std::size_t>(i)], pos));
            raster.Point(p.x, p.y, 3, pointColour);
        }
        if (!restoreCorners)
            return;
        for (const std::int64_t t : set.affected) {
            const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
            for (const std::int32_t c : {tri.I1, tri.I2, tri.I3}) {
                if (set.movedInPart[static_cast<std::size_t>(c)])
                    continue;
                const PixelPoint p = pixel(c);
                raster.Point(p.x, p.y, 3, QBColor(12));
            }
        }
    });
}

void RepairDraggedPart(const DrawContext& ctx, int part)
{
    DrawTri(ctx, part, kBlack);
    DrawVerts(ctx, part, QBColor(12));
}

void RepairNudgedPart(const DrawContext& ctx, int part)
{
    if (ctx.options.Polygons)
        DrawTri(ctx, part, kBlack);
    if (ctx.options.Vertices)
        DrawVerts(ctx, part, QBColor(12));
}

void InvertBand(const DrawContext& ctx, int view, ViewPoint a, ViewPoint b)
{
    if (view < 0 || view >= kViewCount)
        return;
    ViewSurface& s = ctx.views[static_cast<std::size_t>(view)];
    if (!s.visible || s.canvas.isNull())
        return;
    const PixelMapping map = MappingOf(ctx, view);
    const std::int32_t x0 = map.PixelX(a.h), y0 = map.PixelY(a.v), x1 = map.PixelX(b.h), y1 = map.PixelY(b.v);
    Raster(s.canvas).InvertRectOutline(x0, y0, x1, y1);
    // Only the outline changed: its four edges are all the screen needs.
    const QRect inside = s.canvas.rect();
    auto clamp = [](std::int32_t value, int limit) { return std::clamp<std::int32_t>(value, -1, limit); };
    const int left = clamp(std::min(x0, x1), inside.width()), right = clamp(std::max(x0, x1), inside.width());
    const int top = clamp(std::min(y0, y1), inside.height()), bottom = clamp(std::max(y0, y1), inside.height());
    const QRect edges[] = {
        QRect(QPoint(left, top), QPoint(right, top)),
        QRect(QPoint(left, bottom), QPoint(right, bottom)),
        QRect(QPoint(left, top), QPoint(left, bottom)),
        QRect(QPoint(right, top), QPoint(right, bottom)),
    };
    for (const QRect& edge : edges)
        s.MarkDrawn(edge.intersected(inside));
}

} // namespace mobrix::views
