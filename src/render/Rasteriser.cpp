#include "Rasteriser.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace mobrix::render {

namespace {

constexpr float kAmbient = 0.22f;
constexpr float kMarginShare = 0.04f; // of the longest side, on every side
constexpr float kWireHalfWidth = 0.6f; // pixels on either side of an edge
constexpr float kSurface = 235.0f;     // the untextured model's grey
constexpr float kWireSurface = 150.0f; // its edges': mid grey shows on light and dark backgrounds

struct Axes {
    Vec3 right, up, forward; // forward points away from the eye
};

float Dot(const Vec3& a, const Vec3& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

Vec3 Normalised(const Vec3& v)
{
    const float length = std::sqrt(Dot(v, v));
    return {v.X / length, v.Y / length, v.Z / length};
}

Axes ViewAxes(RenderView view)
{
    switch (view) {
    case RenderView::Front: return {{1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
    case RenderView::Side: return {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}};
    case RenderView::Top: return {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}};
    case RenderView::ThreeQuarter: break;
    }
    // From the front left (-X, +Z), 30 degrees above: a right-handed turn
    // of the camera, so the car is not mirrored.
    const Vec3 forward = Normalised({0.6124f, -0.5f, -0.6124f});
    const Vec3 right = Normalised(Cross({0, 1, 0}, forward));
    return {right, Cross(forward, right), forward};
}

bool StartsHighDetail(const Name64& name)
{
    const std::string trimmed = TrimmedName(name);
    return trimmed.size() >= 2 && trimmed[0] == ':' && (trimmed[1] == 'H' || trimmed[1] == 'h');
}

// A corner in view space: across, up, and depth (larger is farther).
struct ViewPoint {
    float x = 0, y = 0, depth = 0;
};

struct Corner {
    ViewPoint p;
    float u = 0, v = 0;
};

struct Face {
    Corner c[3];
};

bool Finite(const ViewPoint& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.depth);
}

// Calls `use` with every drawable triangle of the parts, seen along `axes`.
template <class Use>
void ForEachFace(const CarModel& model, const std::vector<int>& parts, const Axes& axes, Use&& use)
{
    for (const int part : parts) {
        const IndexRange verts = PartVertexRange(model, part);
        const IndexRange tris = PartTriangleRange(model, part);
        if (verts.end > static_cast<std::int64_t>(model.Vertices.size()) ||
            tris.end > static_cast<std::int64_t>(model.Triangles.size()))
            continue;
        const Vec3 pos = model.Header.PartPos[static_cast<std::size_t>(part)];
        auto project = [&](std::int32_t index) {
            const Vec3& v = model.Vertices[static_cast<std::size_t>(verts.begin + index)];
            const Vec3 p{v.X + pos.X, v.Y + pos.Y, v.Z + pos.Z};
            return ViewPoint{Dot(p, axes.right), Dot(p, axes.up), Dot(p, axes.forward)};
        };
        for (std::int64_t t = tris.begin; t < tris.end; ++t) {
            const Triangle& tri = model.Triangles[static_cast<std::size_t>(t)];
            const std::int32_t idx[3] = {tri.I1, tri.I2, tri.I3};
            if (std::any_of(idx, idx + 3, [&](std::int32_t i) { return i < 0 || i >= verts.size(); }))
                continue;
            Face f{{{project(idx[0]), tri.U1, tri.V1}, {project(idx[1]), tri.U2, tri.V2}, {project(idx[2]), tri.U3, tri.V3}}};
            if (Finite(f.c[0].p) && Finite(f.c[1].p) && Finite(f.c[2].p))
                use(f);
        }
    }
}

// Where view space lands in the picture.
struct Fit {
    int width = 1, height = 1;
    float scale = 1, left = 0, top = 0, margin = 0;
    float X(float x) const { return margin + (x - left) * scale; }
    float Y(float y) const { return margin + (top - y) * scale; }
};

struct Bounds {
    float minX = std::numeric_limits<float>::max(), maxX = -std::numeric_limits<float>::max();
    float minY = std::numeric_limits<float>::max(), maxY = -std::numeric_limits<float>::max();
    bool empty = true;
    void Add(const Face& f)
    {
        for (const Corner& c : f.c) {
            minX = std::min(minX, c.p.x);
            maxX = std::max(maxX, c.p.x);
            minY = std::min(minY, c.p.y);
            maxY = std::max(maxY, c.p.y);
        }
        empty = false;
    }
};

Fit FitBounds(const Bounds& b, int size)
{
    const float minX = b.minX, maxX = b.maxX, minY = b.minY, maxY = b.maxY;
    Fit fit;
    fit.margin = std::floor(float(size) * kMarginShare);
    const float inner = float(size) - 2 * fit.margin;
    const double extentX = double(maxX) - minX, extentY = double(maxY) - minY;
    const double longest = std::max(extentX, extentY);
    fit.scale = longest > 0 && std::isfinite(longest) ? float(inner / longest) : 1.0f;
    fit.left = minX;
    fit.top = maxY;
    auto side = [&](double extent) {
        return std::clamp(int(std::lround(extent * fit.scale + 2 * fit.margin)), 1, size);
    };
    fit.width = longest > 0 && extentX >= extentY ? size : side(extentX);
    fit.height = longest > 0 && extentY > extentX ? size : side(extentY);
    if (longest <= 0 || !std::isfinite(longest)) {
        // A point or a line seen end-on: centred in a square picture.
        fit.width = fit.height = size;
        fit.left = minX - float(size) / 2;
        fit.top = maxY + float(size) / 2;
        fit.margin = 0;
    } else {
        // The shorter side is centred.
        fit.left -= (float(fit.width) - 2 * fit.margin - float(extentX) * fit.scale) / 2 / fit.scale;
        fit.top += (float(fit.height) - 2 * fit.margin - float(extentY) * fit.scale) / 2 / fit.scale;
    }
    return fit;
}

class Canvas {
public:
    Canvas(int width, int height, const Picture* texture, bool wireframe)
        : picture_(width, height),
          depth_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), std::numeric_limits<float>::infinity()),
          texture_(texture && !texture->empty() ? texture : nullptr), wireframe_(wireframe)
    {
    }

    void Draw(const Face& face, const Fit& fit)
    {
        float x[3], y[3];
        for (int i = 0; i < 3; ++i) {
            x[i] = fit.X(face.c[i].p.x);
            y[i] = fit.Y(face.c[i].p.y);
        }
        const float area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        if (area == 0 || !std::isfinite(area))
            return;
        const float shade = Shade(face);
        // Clamped while still floats: a corner far outside the picture must
        // not overflow the conversion to int.
        auto column = [&](float v) { return int(std::clamp(v, 0.0f, float(picture_.width - 1))); };
        auto row = [&](float v) { return int(std::clamp(v, 0.0f, float(picture_.height - 1))); };
        const int x0 = column(std::floor(std::min({x[0], x[1], x[2]})));
        const int x1 = column(std::ceil(std::max({x[0], x[1], x[2]})));
        const int y0 = row(std::floor(std::min({y[0], y[1], y[2]})));
        const int y1 = row(std::ceil(std::max({y[0], y[1], y[2]})));
        // The distance from each edge, in pixels, for the wireframe.
        float edgeLength[3];
        for (int i = 0; i < 3; ++i) {
            const int a = (i + 1) % 3, b = (i + 2) % 3;
            edgeLength[i] = std::hypot(x[b] - x[a], y[b] - y[a]);
        }
        for (int py = y0; py <= y1; ++py) {
            for (int px = x0; px <= x1; ++px) {
                const float cx = float(px) + 0.5f, cy = float(py) + 0.5f;
                float w[3];
                for (int i = 0; i < 3; ++i) {
                    const int a = (i + 1) % 3, b = (i + 2) % 3;
                    w[i] = ((x[b] - x[a]) * (cy - y[a]) - (y[b] - y[a]) * (cx - x[a])) / area;
                }
                if (w[0] < 0 || w[1] < 0 || w[2] < 0)
                    continue;
                if (wireframe_ && !NearEdge(w, edgeLength, area))
                    continue;
                const float depth = w[0] * face.c[0].p.depth + w[1] * face.c[1].p.depth + w[2] * face.c[2].p.depth;
                float& stored = depth_[static_cast<std::size_t>(py) * static_cast<std::size_t>(picture_.width) +
                                       static_cast<std::size_t>(px)];
                if (!(depth < stored))
                    continue;
                stored = depth;
                Put(picture_.At(px, py), face, w, shade);
            }
        }
    }

    Picture Take() { return std::move(picture_); }

private:
    static float Shade(const Face& f)
    {
        const Vec3 a{f.c[1].p.x - f.c[0].p.x, f.c[1].p.y - f.c[0].p.y, f.c[1].p.depth - f.c[0].p.depth};
        const Vec3 b{f.c[2].p.x - f.c[0].p.x, f.c[2].p.y - f.c[0].p.y, f.c[2].p.depth - f.c[0].p.depth};
        const Vec3 n = Cross(a, b);
        const float length = std::sqrt(Dot(n, n));
        const float facing = length > 0 && std::isfinite(length) ? std::fabs(n.Z) / length : 1.0f;
        return kAmbient + (1 - kAmbient) * facing;
    }

    static bool NearEdge(const float w[3], const float edgeLength[3], float area)
    {
        for (int i = 0; i < 3; ++i) {
            // w[i] is the distance from edge i over the triangle's height there.
            if (edgeLength[i] > 0 && w[i] * std::fabs(area) / edgeLength[i] <= kWireHalfWidth)
                return true;
        }
        return false;
    }

    void Put(std::uint8_t* out, const Face& f, const float w[3], float shade) const
    {
        const float grey = wireframe_ ? kWireSurface : kSurface;
        float rgb[3] = {grey, grey, grey};
        if (texture_) {
            const float u = w[0] * f.c[0].u + w[1] * f.c[1].u + w[2] * f.c[2].u;
            const float v = w[0] * f.c[0].v + w[1] * f.c[1].v + w[2] * f.c[2].v;
            const std::uint8_t* t = Texel(u, v);
            rgb[0] = t[0];
            rgb[1] = t[1];
            rgb[2] = t[2];
        }
        for (int i = 0; i < 3; ++i)
            out[i] = static_cast<std::uint8_t>(std::clamp(std::lround(rgb[i] * shade), 0L, 255L));
        out[3] = 255;
    }

    // The texture repeats beyond 0..1; V = 1 is its top row.
    const std::uint8_t* Texel(float u, float v) const
    {
        auto wrap = [](float t, int n) {
            if (!std::isfinite(t))
                return 0;
            const double f = double(t) - std::floor(double(t));
            return std::clamp(int(f * n), 0, n - 1);
        };
        const int tx = wrap(u, texture_->width);
        const int ty = wrap(1.0f - v, texture_->height);
        return texture_->At(tx, ty);
    }

    Picture picture_;
    std::vector<float> depth_;
    const Picture* texture_;
    bool wireframe_;
};

} // namespace

std::vector<int> PartsToDraw(const CarModel& model, RenderParts parts)
{
    const int count = UsablePartCount(model.Header);
    std::vector<int> all, high;
    for (int p = 0; p < count; ++p) {
        all.push_back(p);
        if (static_cast<std::size_t>(p) < model.Header.PartNames.size() &&
            StartsHighDetail(model.Header.PartNames[static_cast<std::size_t>(p)]))
            high.push_back(p);
    }
    return parts == RenderParts::Shown && !high.empty() ? high : all;
}

std::optional<Picture> RenderModel(const CarModel& model, const RenderOptions& options, const Picture* texture)
{
    const std::vector<int> parts = PartsToDraw(model, options.parts);
    const Axes axes = ViewAxes(options.view);
    Bounds bounds;
    ForEachFace(model, parts, axes, [&](const Face& face) { bounds.Add(face); });
    if (bounds.empty)
        return std::nullopt;
    const Fit fit = FitBounds(bounds, std::clamp(options.size, 1, kMaxRenderSize));
    Canvas canvas(fit.width, fit.height, texture, options.wireframe);
    ForEachFace(model, parts, axes, [&](const Face& face) { canvas.Draw(face, fit); });
    return canvas.Take();
}

} // namespace mobrix::render
