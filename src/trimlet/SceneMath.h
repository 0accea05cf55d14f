#pragma once
// The little linear algebra the scene needs. Matrices are column-major and
// act on column vectors. The camera looks along +Z with X to the right and
// Y up (a left-handed space, as the car files assume); the projection turns
// that into OpenGL's clip space.

#include <array>

namespace trimlet {

struct Vec3d {
    double x = 0, y = 0, z = 0;
};

struct Mat3 {
    std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1}; // column-major
    double operator()(int row, int column) const { return m[static_cast<std::size_t>(column * 3 + row)]; }
    double& operator()(int row, int column) { return m[static_cast<std::size_t>(column * 3 + row)]; }
    Vec3d operator*(const Vec3d& v) const;
    Mat3 operator*(const Mat3& other) const;
    Mat3 Transposed() const;
    static Mat3 RotationX(double radians);
    static Mat3 RotationY(double radians);
    // Repairs the rounding drift of many small turns.
    Mat3 Orthonormalised() const;
};

struct Mat4 {
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; // column-major
    float operator()(int row, int column) const { return m[static_cast<std::size_t>(column * 4 + row)]; }
    float& operator()(int row, int column) { return m[static_cast<std::size_t>(column * 4 + row)]; }
    Mat4 operator*(const Mat4& other) const;
    static Mat4 FromRotationAndTranslation(const Mat3& rotation, const Vec3d& translation);
};

// The camera's lens: `field` is the half size of the view at distance 1 on
// the window's shorter side; `front` and `back` are the clipping distances.
struct Lens {
    double field = 0.5;
    double front = 1.0;
    double back = 1000.0;
};

Mat4 Projection(const Lens& lens, int width, int height);

// The direction, in camera space, of the ray through a window position
// (pixels from the top-left corner).
Vec3d RayThroughPixel(const Lens& lens, int width, int height, double px, double py);

// Where the ray from `origin` along `direction` meets the triangle (a, b, c)
// from either side, as the distance in units of `direction`; negative when
// it does not.
double RayHitsTriangle(const Vec3d& origin, const Vec3d& direction, const Vec3d& a, const Vec3d& b,
                       const Vec3d& c);

} // namespace trimlet
