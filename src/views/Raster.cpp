#include "Raster.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace mobrix::views {

Rgb QBColor(int index)
{
    static constexpr std::array<Rgb, 16> kTable{
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
    };
    return kTable[static_cast<std::size_t>(index & 15)];
}

Raster::Raster(QImage& canvas)
{
    if (canvas.isNull() || canvas.depth() != 32)
        return;
    bits_ = canvas.bits();
    stride_ = canvas.bytesPerLine();
    width_ = canvas.width();
    height_ = canvas.height();
}

void Raster::Fill(Rgb colour)
{
    const std::uint32_t pixel = Argb(colour);
    for (int y = 0; y < height_; ++y)
        std::fill_n(Row(y), width_, pixel);
}

void Raster::ClippedLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, std::uint32_t pixel)
{
    if (Clip(x0, y0, x1, y1))
        LineInside(int(x0), int(y0), int(x1), int(y1), pixel);
}

void Raster::LongLineInside(int x0, int y0, int x1, int y1, int dx, int dy, std::uint32_t pixel)
{
    const int sy = y1 >= y0 ? 1 : -1;
    if (dx >= dy) {
        // One pixel per column.
        int err = dx / 2;
        int y = y0;
        std::uint32_t* row = Row(y);
        for (int x = x0; x <= x1; ++x) {
            row[x] = pixel;
            err -= dy;
            if (err < 0) {
                y += sy;
                row = Row(y);
                err += dx;
            }
        }
    } else {
        // One pixel per row.
        int err = dy / 2;
        int x = x0;
        const std::ptrdiff_t step = sy * stride_;
        std::uint8_t* row = bits_ + std::ptrdiff_t(y0) * stride_;
        for (int i = 0; i <= dy; ++i) {
            reinterpret_cast<std::uint32_t*>(row)[x] = pixel;
            row += step;
            err -= dx;
            if (err < 0) {
                ++x;
                err += dy;
            }
        }
    }
}

// Cohen-Sutherland clipping to the canvas; the clipped ends are rounded to
// pixels. Returns false when nothing of the line is inside.
bool Raster::Clip(std::int64_t& x0, std::int64_t& y0, std::int64_t& x1, std::int64_t& y1) const
{
    enum : int { Left = 1, Right = 2, Top = 4, Bottom = 8 };
    const std::int64_t xmax = width_ - 1, ymax = height_ - 1;
    if (xmax < 0 || ymax < 0)
        return false;
    auto code = [&](std::int64_t x, std::int64_t y) {
        int c = 0;
        if (x < 0) c |= Left;
        else if (x > xmax) c |= Right;
        if (y < 0) c |= Top;
        else if (y > ymax) c |= Bottom;
        return c;
    };
    double fx0 = double(x0), fy0 = double(y0), fx1 = double(x1), fy1 = double(y1);
    int c0 = code(x0, y0), c1 = code(x1, y1);
    for (int guard = 0; guard < 8; ++guard) {
        if ((c0 | c1) == 0) {
            x0 = std::llround(fx0);
            y0 = std::llround(fy0);
            x1 = std::llround(fx1);
            y1 = std::llround(fy1);
            return Inside(x0, y0) && Inside(x1, y1);
        }
        if (c0 & c1)
            return false;
        const int out = c0 ? c0 : c1;
        double x = 0, y = 0;
        if (out & Bottom) {
            x = fx0 + (fx1 - fx0) * (double(ymax) - fy0) / (fy1 - fy0);
            y = double(ymax);
        } else if (out & Top) {
            x = fx0 + (fx1 - fx0) * (0.0 - fy0) / (fy1 - fy0);
            y = 0.0;
        } else if (out & Right) {
            y = fy0 + (fy1 - fy0) * (double(xmax) - fx0) / (fx1 - fx0);
            x = double(xmax);
        } else {
            y = fy0 + (fy1 - fy0) * (0.0 - fx0) / (fx1 - fx0);
            x = 0.0;
        }
        auto fcode = [&](double px, double py) { return code(std::llround(px), std::llround(py)); };
        if (out == c0) {
            fx0 = x;
            fy0 = y;
            c0 = fcode(fx0, fy0);
        } else {
            fx1 = x;
            fy1 = y;
            c1 = fcode(fx1, fy1);
        }
    }
    return false;
}

void Raster::Point(std::int32_t x, std::int32_t y, int width, Rgb colour)
{
    const std::uint32_t pixel = Argb(colour);
    const int before = (width - 1) / 2;
    for (int dy = 0; dy < width; ++dy) {
        const std::int64_t py = std::int64_t(y) - before + dy;
        if (py < 0 || py >= height_)
            continue;
        std::uint32_t* row = Row(int(py));
        for (int dx = 0; dx < width; ++dx) {
            const std::int64_t px = std::int64_t(x) - before + dx;
            if (px >= 0 && px < width_)
                row[px] = pixel;
        }
    }
}

void Raster::InvertRectOutline(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    if (x1 < x0)
        std::swap(x0, x1);
    if (y1 < y0)
        std::swap(y0, y1);
    auto invert = [&](std::int64_t x, std::int64_t y) {
        if (x >= 0 && x < width_ && y >= 0 && y < height_)
            Row(int(y))[x] ^= 0x00FFFFFFu;
    };
    // Only the part of an edge inside the canvas is walked.
    const std::int64_t left = std::max<std::int64_t>(x0, 0), right = std::min<std::int64_t>(x1, width_ - 1);
    const std::int64_t top = std::max<std::int64_t>(std::int64_t(y0) + 1, 0);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t(y1) - 1, height_ - 1);
    for (std::int64_t x = left; x <= right; ++x) {
        invert(x, y0);
        if (y1 != y0)
            invert(x, y1);
    }
    for (std::int64_t y = top; y <= bottom; ++y) {
        invert(x0, y);
        if (x1 != x0)
            invert(x1, y);
    }
}

void Raster::Circle(std::int32_t cx, std::int32_t cy, std::int32_t radius, Rgb colour)
{
    if (radius <= 0) {
        Pixel(cx, cy, colour);
        return;
    }
    // A circle far larger than the canvas would take long to walk; it cannot
    // be seen anyway once the canvas lies entirely inside or outside it.
    if (radius > 1 << 20)
        return;
    auto plot8 = [&](std::int64_t x, std::int64_t y) {
        const std::int64_t xs[8] = {cx + x, cx - x, cx + x, cx - x, cx + y, cx - y, cx + y, cx - y};
        const std::int64_t ys[8] = {cy + y, cy + y, cy - y, cy - y, cy + x, cy + x, cy - x, cy - x};
        for (int i = 0; i < 8; ++i) {
            if (xs[i] >= 0 && xs[i] < width_ && ys[i] >= 0 && ys[i] < height_)
                Row(int(ys[i]))[xs[i]] = Argb(colour);
        }
    };
    std::int64_t x = radius, y = 0, err = 1 - radius;
    while (x >= y) {
        plot8(x, y);
        ++y;
        if (err < 0) {
            err += 2 * y + 1;
        } else {
            --x;
            err += 2 * (y - x) + 1;
        }
    }
}

} // namespace mobrix::views
