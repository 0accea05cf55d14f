#include "ViewGeometry.h"

#include <algorithm>
#include <cmath>

namespace mobrix::views {

namespace {

constexpr float kMargin = 0.1f;

ViewScale Fit(float across, float up)
{
    return {-across - kMargin, up + kMargin, 2 * across + 2 * kMargin, -2 * up - 2 * kMargin};
}

// One scale for the three orthographic views, centred on the model origin,
// with square pixels in view 1's proportions (height / width = ratio) and
// every view's whole extent inside it.
ViewScale SharedAspectScale(const std::array<ViewScale, kViewCount>& scale, float ratio)
{
    float left = 0, top = 0, width = 0;
    for (int v = 0; v < kOrthoViewCount; ++v) {
        left = std::min(left, scale[v].ScaleLeft);
        top = std::max(top, scale[v].ScaleTop);
        width = std::max(width, scale[v].ScaleWidth);
    }
    // The widest view sets the scale; the rows it gives cover -ratio * left
    // above and below the origin. When that is not enough for the tallest
    // view, its height sets the scale instead.
    if (-ratio * left >= top)
        return {left, -ratio * left, width, 2 * ratio * left};
    const float halfWidth = top / ratio;
    return {-halfWidth, top, 2 * halfWidth, -2 * top};
}

} // namespace

Vec3 PartPosition(const CarModel& model, int part)
{
    if (part < 0 || part >= UsablePartCount(model.Header))
        return {};
    return model.Header.PartPos[static_cast<std::size_t>(part)];
}

std::optional<SectionTriangle> SectionTriangleOf(const CarModel& model, const DisplayOptions& options,
                                                 std::size_t triangle, const IndexRange& verts, const Vec3& pos)
{
    const int group = triangle < model.TriState.size() ? model.TriState[triangle].RemapGroup : 0;
    if (!options.RemapSectionVisible(group) || triangle >= model.Triangles.size())
        return std::nullopt;
    const Triangle& tri = model.Triangles[triangle];
    if (!CornersInside(tri, verts.size()))
        return std::nullopt;
    auto corner = [&](std::int32_t c) {
        const Vec3& v = model.Vertices[static_cast<std::size_t>(verts.begin + c)];
        return Vec3{v.X + pos.X, v.Y + pos.Y, v.Z + pos.Z};
    };
    const Vec3 a = corner(tri.I1), b = corner(tri.I2), c = corner(tri.I3);
    return SectionTriangle{a, b, c, {(a.X + b.X + c.X) / 3, (a.Y + b.Y + c.Y) / 3, (a.Z + b.Z + c.Z) / 3}, group};
}

Vec3 ModelExtent(const CarModel& model)
{
    Vec3 m;
    // An infinite coordinate would make every view's scale infinite and
    // blank them all; the fit is taken over the finite ones.
    auto grow = [](float& extent, float coordinate) {
        if (std::isfinite(coordinate))
            extent = std::max(extent, std::fabs(coordinate));
    };
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        const Vec3 pos = model.Header.PartPos[static_cast<std::size_t>(p)];
        const IndexRange range = PartVertexRange(model, p);
        for (std::int64_t i = range.begin; i < range.end; ++i) {
            const Vec3& v = model.Vertices[static_cast<std::size_t>(i)];
            grow(m.X, v.X + pos.X);
            grow(m.Y, v.Y + pos.Y);
            grow(m.Z, v.Z + pos.Z);
        }
    }
    return m;
}

void RescaleView(const CarModel& model, const DisplayOptions& options, ViewSize view1, ViewState& state)
{
    const Vec3 m = ModelExtent(model);
    auto& s = state.Scale;
    s[ViewXY] = Fit(m.X, m.Y);
    s[ViewZX] = Fit(m.Z, m.X);
    s[ViewZY] = Fit(m.Z, m.Y);

    if (options.MaintainAspect && view1.outerWidth > 0 && view1.outerHeight > 0) {
        const float ratio = float(view1.outerHeight) / float(view1.outerWidth);
        const ViewScale shared = SharedAspectScale(s, ratio);
        for (int v = 0; v < kOrthoViewCount; ++v)
            s[v] = shared;
    }

    for (int v = 0; v < kOrthoViewCount; ++v) {
        s[v].ScaleTop *= state.ViewZoom;
        s[v].ScaleLeft *= state.ViewZoom;
        s[v].ScaleHeight *= state.ViewZoom;
        s[v].ScaleWidth *= state.ViewZoom;
    }

    s[ViewUV] = ViewScale{0, 1, 1, -1};

    // The software perspective view shows view 0's extent (zoomed but not
    // panned) times its own factor. Only that view reads it, so it is kept
    // whether or not the view is on.
    s[View3D] = ViewScale{s[ViewXY].ScaleLeft * state.PerspScale, s[ViewXY].ScaleTop * state.PerspScale,
                          s[ViewXY].ScaleWidth * state.PerspScale, s[ViewXY].ScaleHeight * state.PerspScale};

    for (int v = 0; v < kOrthoViewCount; ++v) {
        s[v].ScaleTop += state.ViewPanY * 0.5f;
        s[v].ScaleLeft += state.ViewPanX * 0.5f;
    }
}

PixelMapping::PixelMapping(const ViewScale& scale, int clientWidth, int clientHeight)
    : left_(scale.ScaleLeft), top_(scale.ScaleTop)
{
    kx_ = scale.ScaleWidth != 0 ? double(clientWidth) / scale.ScaleWidth : 0.0;
    ky_ = scale.ScaleHeight != 0 ? double(clientHeight) / scale.ScaleHeight : 0.0;
}

ViewPoint PixelMapping::Logical(double px, double py) const
{
    const double h = kx_ != 0 ? left_ + px / kx_ : left_;
    const double v = ky_ != 0 ? top_ + py / ky_ : top_;
    return {static_cast<float>(h), static_cast<float>(v)};
}

} // namespace mobrix::views
