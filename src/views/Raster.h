#pragma once
// A small rasteriser for the views: 1-pixel lines, square points and
// circles written straight into the scan lines of a 32-bit canvas. Every
// item in the views is drawn through it, so drawing an item again in white
// erases exactly the pixels it set, and a whole part's outlines go through
// one tight loop instead of a general-purpose painter.

#include <QImage>

#include <cstdint>
#include <utility>

namespace mobrix::views {

// 24-bit colours as 0xRRGGBB.
using Rgb = std::uint32_t;

inline constexpr Rgb kWhite = 0xFFFFFF;
inline constexpr Rgb kBlack = 0x000000;
inline constexpr Rgb kAxisColour = 0xF0F0F0; // RGB(240,240,240)

// The classic 16-colour table.
Rgb QBColor(int index);

// The bitwise complement in the low 24 bits: red becomes cyan.
inline constexpr Rgb Complement(Rgb colour) { return ~colour & 0xFFFFFF; }

class Raster {
public:
    // The canvas must be Format_RGB32 (or ARGB32) and outlive the raster.
    explicit Raster(QImage& canvas);

    int Width() const { return width_; }
    int Height() const { return height_; }

    void Fill(Rgb colour);
    void Pixel(int x, int y, Rgb colour)
    {
        if (unsigned(x) < unsigned(width_) && unsigned(y) < unsigned(height_))
            Row(y)[x] = Argb(colour);
    }
    // A line from one pixel to another, both ends included. The same two end
    // points give the same pixels in either order.
    void Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Rgb colour)
    {
        // One direction for both orders, so that erasing an edge drawn the
        // other way round takes exactly its pixels.
        if (x1 < x0 || (x1 == x0 && y1 < y0)) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        if (Inside(x0, y0) && Inside(x1, y1))
            LineInside(x0, y0, x1, y1, Argb(colour));
        else
            ClippedLine(x0, y0, x1, y1, Argb(colour));
    }
    // The same for ends that may lie billions of pixels away, as a deep zoom
    // puts them: the part on the canvas keeps the line's true direction.
    void FarLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, Rgb colour)
    {
        if (x1 < x0 || (x1 == x0 && y1 < y0)) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        if (Inside(x0, y0) && Inside(x1, y1))
            LineInside(int(x0), int(y0), int(x1), int(y1), Argb(colour));
        else
            ClippedLine(x0, y0, x1, y1, Argb(colour));
    }
    // A point of the given width: a width × width square around the pixel.
    void Point(std::int32_t x, std::int32_t y, int width, Rgb colour);
    // A circle outline of the given radius in pixels.
    void Circle(std::int32_t cx, std::int32_t cy, std::int32_t radius, Rgb colour);
    // Inverts every pixel of a rectangle's outline exactly once (corners
    // included), so that doing it again restores what was there: the
    // rubber band comes and goes without a redraw.
    void InvertRectOutline(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);

private:
    static std::uint32_t Argb(Rgb colour) { return 0xFF000000u | colour; }
    std::uint32_t* Row(int y) const { return reinterpret_cast<std::uint32_t*>(bits_ + std::ptrdiff_t(y) * stride_); }
    bool Inside(std::int32_t x, std::int32_t y) const
    {
        return unsigned(x) < unsigned(width_) && unsigned(y) < unsigned(height_);
    }
    bool Inside(std::int64_t x, std::int64_t y) const
    {
        return std::uint64_t(x) < std::uint64_t(width_) && std::uint64_t(y) < std::uint64_t(height_);
    }
    void LineInside(int x0, int y0, int x1, int y1, std::uint32_t pixel)
    {
        const int dx = x1 - x0; // never negative
        const int dy = y1 >= y0 ? y1 - y0 : y0 - y1;
        if (dx <= 1 && dy <= 1) {
            // Short edges of dense meshes: the two end pixels are the line.
            Row(y0)[x0] = pixel;
            Row(y1)[x1] = pixel;
            return;
        }
        LongLineInside(x0, y0, x1, y1, dx, dy, pixel);
    }
    void LongLineInside(int x0, int y0, int x1, int y1, int dx, int dy, std::uint32_t pixel);
    void ClippedLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, std::uint32_t pixel);
    bool Clip(std::int64_t& x0, std::int64_t& y0, std::int64_t& x1, std::int64_t& y1) const;

    std::uint8_t* bits_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    int width_ = 0;
    int height_ = 0;
};

} // namespace mobrix::views
