#pragma once
// A picture in memory: rows top first, four bytes per pixel (red, green,
// blue, alpha), no padding. Pictures made without a display (fcetool render,
// thumbnails) and the textures read for them all use this one form.

#include <cstdint>
#include <vector>

namespace mobrix::render {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // width * height * 4 bytes

    Picture() = default;
    Picture(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4, 0)
    {
    }
    bool empty() const { return width <= 0 || height <= 0; }
    std::uint8_t* At(int x, int y) { return rgba.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4; }
    const std::uint8_t* At(int x, int y) const
    {
        return rgba.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
    }
};

// Pictures and textures larger than this on a side are not made or read:
// a thumbnail or a car texture is far smaller, and the limit keeps a
// malformed header from asking for gigabytes.
inline constexpr int kMaxPictureSide = 16384;

} // namespace mobrix::render
