#pragma once
// TGA files built in memory for the texture tests, and the bitmap a correct
// conversion makes of the same image.

#include <array>
#include <cstdint>
#include <vector>

namespace testing_support {

using Bgra = std::array<std::uint8_t, 4>;

// An image as seen: rows from the top, pixels from the left.
struct TestImage {
    int width = 0;
    int height = 0;
    std::vector<Bgra> pixels;
};

// A small image with distinct pixels and, in its first row, a run of equal
// ones that a run-length encoder packs into one packet across a row end.
TestImage PatternImage(int width, int height);

struct TgaOptions {
    bool runLength = false;        // image type 10 instead of 2
    bool topLeft = false;          // rows stored from the top, descriptor bit 5
    std::uint8_t depth = 32;       // pixel depth written into the header
    int idLength = 0;              // bytes of image id after the header
    int colourMapEntries = 0;      // 24-bit colour-map entries before the pixels
};

std::vector<std::uint8_t> MakeTga(const TestImage& image, const TgaOptions& options = {});

// "BM", 54-byte headers, rows bottom first, blue green red, padded to 4.
std::vector<std::uint8_t> ExpectedBitmap(const TestImage& image);

} // namespace testing_support
