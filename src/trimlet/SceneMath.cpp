#include "SceneMath.h"

#include <algorithm>
#include <cmath>

namespace trimlet {

namespace {

Vec3d Sub(const Vec3d& a, const Vec3d& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3d Cross(const Vec3d& a, const Vec3d& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double Dot(const Vec3d& a, const Vec3d& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3d Scaled(const Vec3d& v, double s)
{
    return {v.x * s, v.y * s, v.z * s};
}

Vec3d Normalised(const Vec3d& v)
{
    const double length = std::sqrt(Dot(v, v));
    return length > 0 ? Scaled(v, 1 / length) : v;
}

// The camera-space scale of X and Y: the shorter side sees `field` either
// way of the centre at distance 1.
std::array<double, 2> Scales(const Lens& lens, int width, int height)
{
    const double w = std::max(width, 1);
    const double h = std::max(height, 1);
    const double shorter = std::min(w, h);
    return {shorter / w / lens.field, shorter / h / lens.field};
}

} // namespace

Vec3d Mat3::operator*(const Vec3d& v) const
{
    const Mat3& a = *this;
    return {a(0, 0) * v.x + a(0, 1) * v.y + a(0, 2) * v.z, a(1, 0) * v.x + a(1, 1) * v.y + a(1, 2) * v.z,
            a(2, 0) * v.x + a(2, 1) * v.y + a(2, 2) * v.z};
}

Mat3 Mat3::operator*(const Mat3& other) const
{
    Mat3 out;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            double sum = 0;
            for (int k = 0; k < 3; ++k)
                sum += (*this)(r, k) * other(k, c);
            out(r, c) = sum;
        }
    }
    return out;
}

Mat3 Mat3::Transposed() const
{
    Mat3 out;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            out(r, c) = (*this)(c, r);
    }
    return out;
}

Mat3 Mat3::RotationX(double radians)
{
    Mat3 r;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    r(1, 1) = c;
    r(1, 2) = -s;
    r(2, 1) = s;
    r(2, 2) = c;
    return r;
}

Mat3 Mat3::RotationY(double radians)
{
    Mat3 r;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    r(0, 0) = c;
    r(0, 2) = s;
    r(2, 0) = -s;
    r(2, 2) = c;
    return r;
}

Mat3 Mat3::Orthonormalised() const
{
    const Mat3& a = *this;
    Vec3d x{a(0, 0), a(1, 0), a(2, 0)};
    Vec3d y{a(0, 1), a(1, 1), a(2, 1)};
    x = Normalised(x);
    y = Normalised(Sub(y, Scaled(x, Dot(x, y))));
    const Vec3d z = Cross(x, y);
    Mat3 out;
    const std::array<Vec3d, 3> columns{x, y, z};
    for (int c = 0; c < 3; ++c) {
        out(0, c) = columns[static_cast<std::size_t>(c)].x;
        out(1, c) = columns[static_cast<std::size_t>(c)].y;
        out(2, c) = columns[static_cast<std::size_t>(c)].z;
    }
    return out;
}

Mat4 Mat4::operator*(const Mat4& other) const
{
    Mat4 out;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += (*this)(r, k) * other(k, c);
            out(r, c) = sum;
        }
    }
    return out;
}

Mat4 Mat4::FromRotationAndTranslation(const Mat3& rotation, const Vec3d& translation)
{
    Mat4 out;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            out(r, c) = static_cast<float>(rotation(r, c));
    }
    out(0, 3) = static_cast<float>(translation.x);
    out(1, 3) = static_cast<float>(translation.y);
    out(2, 3) = static_cast<float>(translation.z);
    return out;
}

Mat4 Projection(const Lens& lens, int width, int height)
{
    const auto [sx, sy] = Scales(lens, width, height);
    const double f = lens.front;
    const double b = lens.back;
    Mat4 p;
    p.m.fill(0);
    p(0, 0) = static_cast<float>(sx);
    p(1, 1) = static_cast<float>(sy);
    // Depth -1 at the front plane and +1 at the back plane, with w = +z
    // because the camera looks along +Z.
    p(2, 2) = static_cast<float>((b + f) / (b - f));
    p(2, 3) = static_cast<float>(-2 * b * f / (b - f));
    p(3, 2) = 1;
    return p;
}

Vec3d RayThroughPixel(const Lens& lens, int width, int height, double px, double py)
{
    const auto [sx, sy] = Scales(lens, width, height);
    const double ndcX = 2 * px / std::max(width, 1) - 1;
    const double ndcY = 1 - 2 * py / std::max(height, 1);
    return {ndcX / sx, ndcY / sy, 1};
}

double RayHitsTriangle(const Vec3d& origin, const Vec3d& direction, const Vec3d& a, const Vec3d& b,
                       const Vec3d& c)
{
    const Vec3d e1 = Sub(b, a);
    const Vec3d e2 = Sub(c, a);
    const Vec3d p = Cross(direction, e2);
    const double det = Dot(e1, p);
    if (std::fabs(det) < 1e-12)
        return -1;
    const double inverse = 1 / det;
    const Vec3d s = Sub(origin, a);
    const double u = Dot(s, p) * inverse;
    if (u < 0 || u > 1)
        return -1;
    const Vec3d q = Cross(s, e1);
    const double v = Dot(direction, q) * inverse;
    if (v < 0 || u + v > 1)
        return -1;
    return Dot(e2, q) * inverse;
}

} // namespace trimlet
