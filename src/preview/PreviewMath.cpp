#include "PreviewMath.h"

#include <cmath>

namespace mobrix::preview {

namespace {

Vec3f Minus(const Vec3f& a, const Vec3f& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float Dot(const Vec3f& a, const Vec3f& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3f Cross(const Vec3f& a, const Vec3f& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3f Normalised(const Vec3f& v)
{
    const float length = std::sqrt(Dot(v, v));
    return length > 0 ? Vec3f{v.x / length, v.y / length, v.z / length} : v;
}

} // namespace

Mat4 operator*(const Mat4& a, const Mat4& b)
{
    Mat4 r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a(i, k) * b(k, j);
            r(i, j) = sum;
        }
    }
    return r;
}

std::array<float, 4> Transform(const Vec3f& p, const Mat4& m)
{
    std::array<float, 4> out{};
    for (int c = 0; c < 4; ++c)
        out[static_cast<std::size_t>(c)] = p.x * m(0, c) + p.y * m(1, c) + p.z * m(2, c) + m(3, c);
    return out;
}

void LookAtLH(Mat4& view, const Vec3f& eye, const Vec3f& at, const Vec3f& up)
{
    const Vec3f direction = Minus(at, eye);
    if (std::sqrt(Dot(direction, direction)) < 1e-6f)
        return;
    const Vec3f z = Normalised(direction);
    const Vec3f x = Normalised(Cross(up, z));
    const Vec3f y = Cross(z, x);
    Mat4 m;
    const Vec3f axes[3] = {x, y, z};
    for (int c = 0; c < 3; ++c) {
        m(0, c) = axes[c].x;
        m(1, c) = axes[c].y;
        m(2, c) = axes[c].z;
        m(3, c) = -Dot(axes[c], eye);
    }
    view = m;
}

Mat4 PerspectiveLH(float fov, float aspect, float nearPlane, float farPlane)
{
    const float cot = std::cos(fov / 2) / std::sin(fov / 2);
    const float q = farPlane / (farPlane - nearPlane);
    Mat4 m;
    m(0, 0) = aspect * cot;
    m(1, 1) = cot;
    m(2, 2) = q;
    m(2, 3) = 1;
    m(3, 2) = -q * nearPlane;
    m(3, 3) = 0;
    return m;
}

Mat4 RotationY(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    Mat4 m;
    m(0, 0) = c;
    m(0, 2) = s;
    m(2, 0) = -s;
    m(2, 2) = c;
    return m;
}

Mat4 RotationX(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    Mat4 m;
    m(1, 1) = c;
    m(1, 2) = -s;
    m(2, 1) = s;
    m(2, 2) = c;
    return m;
}

Mat4 DepthToGl()
{
    Mat4 m;
    m(2, 2) = 2;
    m(3, 2) = -1;
    return m;
}

Mat4 PreviewView(float zHalfSize)
{
    Mat4 view;
    LookAtLH(view, {0, 0, -2 * zHalfSize}, {0, 0, 1}, {0, 1, 0});
    return view;
}

Mat4 PreviewProjection(int width, int height)
{
    const float aspect = width > 0 && height > 0 ? float(height) / float(width) : 1.0f;
    return PerspectiveLH(kFieldOfView, aspect, kNearPlane, kFarPlane);
}

Mat4 TurnWorld(const Mat4& world, float dx, float dy)
{
    return world * RotationY(dx / kPixelsPerRadian) * RotationX(dy / kPixelsPerRadian);
}

} // namespace mobrix::preview
