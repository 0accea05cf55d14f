#pragma once
// The preview's camera arithmetic. Matrices are row-major and points are row
// vectors (p' = p × M), so a product A × B applies A first. The camera is
// left-handed: x to the right, y up, z into the screen, which shows the model
// as view 0 shows it (X across, Y up) instead of mirrored.

#include <array>

namespace mobrix::preview {

struct Vec3f {
    float x = 0;
    float y = 0;
    float z = 0;
};

struct Mat4 {
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float operator()(int row, int column) const { return m[static_cast<std::size_t>(row * 4 + column)]; }
    float& operator()(int row, int column) { return m[static_cast<std::size_t>(row * 4 + column)]; }
};

Mat4 operator*(const Mat4& a, const Mat4& b);

// (x, y, z, 1) × M, as four homogeneous components.
std::array<float, 4> Transform(const Vec3f& p, const Mat4& m);

// The look-at from `eye` towards `at` with `up`. When eye and target are
// closer than 1e-6 there is no direction to look in and `view` is left as
// it was.
void LookAtLH(Mat4& view, const Vec3f& eye, const Vec3f& at, const Vec3f& up);

// A perspective with a vertical field of view of `fov` radians; `aspect`
// is the view's height over its width, so pixels stay square. Depth runs
// from 0 at `nearPlane` to 1 at `farPlane`.
Mat4 PerspectiveLH(float fov, float aspect, float nearPlane, float farPlane);

// Turns about the Y and X axes, by `angle` radians.
Mat4 RotationY(float angle);
Mat4 RotationX(float angle);

// Takes a clip position whose depth runs 0..w to one whose depth runs -w..w,
// as OpenGL clips; x and y are unchanged, so the picture is not mirrored.
Mat4 DepthToGl();

// The fixed camera of the preview.
inline constexpr float kFieldOfView = 3.14159265358979f / 3; // 60 degrees
inline constexpr float kNearPlane = 1.0f;
inline constexpr float kFarPlane = 100000.0f;
// Pixels of drag to one radian of turn.
inline constexpr float kPixelsPerRadian = 50.0f;

// The view matrix of a model: the eye at (0, 0, -2 × zHalfSize) looking at
// (0, 0, 1) with up (0, 1, 0).
Mat4 PreviewView(float zHalfSize);

// The projection for a view of width × height pixels.
Mat4 PreviewProjection(int width, int height);

// The world matrix after a drag of (dx, dy) pixels: the new turns follow the
// old ones, so the model turns about the screen's fixed axes.
Mat4 TurnWorld(const Mat4& world, float dx, float dy);

} // namespace mobrix::preview
