#include "TgaImages.h"

namespace testing_support {

namespace {

void Put16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Pixels in the order the file stores them.
std::vector<Bgra> StoredOrder(const TestImage& image, bool topLeft)
{
    std::vector<Bgra> out;
    for (int r = 0; r < image.height; ++r) {
        const int row = topLeft ? r : image.height - 1 - r;
        for (int c = 0; c < image.width; ++c)
            out.push_back(image.pixels[static_cast<std::size_t>(row * image.width + c)]);
    }
    return out;
}

// Runs of equal pixels become run packets, everything else literal packets
// of up to 128 pixels; packets ignore row ends.
void PutRunLength(std::vector<std::uint8_t>& out, const std::vector<Bgra>& pixels)
{
    std::size_t i = 0;
    while (i < pixels.size()) {
        std::size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        if (run > 1) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            out.insert(out.end(), pixels[i].begin(), pixels[i].end());
            i += run;
            continue;
        }
        std::size_t literal = 1;
        while (i + literal < pixels.size() && literal < 128 &&
               (i + literal + 1 >= pixels.size() || pixels[i + literal + 1] != pixels[i + literal]))
            ++literal;
        out.push_back(static_cast<std::uint8_t>(literal - 1));
        for (std::size_t k = 0; k < literal; ++k)
            out.insert(out.end(), pixels[i + k].begin(), pixels[i + k].end());
        i += literal;
    }
}

} // namespace

TestImage PatternImage(int width, int height)
{
    TestImage image{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 37 + 11);
        image.pixels.push_back({v, static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v ^ 0x5A),
                                static_cast<std::uint8_t>(i)});
    }
    // The last two pixels of the top row and the first of the next are equal.
    for (int i = width - 2; i <= width && i < width * height; ++i)
        if (i >= 0)
            image.pixels[static_cast<std::size_t>(i)] = {1, 2, 3, 4};
    return image;
}

std::vector<std::uint8_t> MakeTga(const TestImage& image, const TgaOptions& options)
{
    std::vector<std::uint8_t> out;
    out.push_back(static_cast<std::uint8_t>(options.idLength));
    out.push_back(options.colourMapEntries > 0 ? 1 : 0);
    out.push_back(options.runLength ? 10 : 2);
    Put16(out, 0);
    Put16(out, options.colourMapEntries);
    out.push_back(options.colourMapEntries > 0 ? 24 : 0);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, image.width);
    Put16(out, image.height);
    out.push_back(options.depth);
    out.push_back(static_cast<std::uint8_t>(8 | (options.topLeft ? 0x20 : 0)));
    for (int i = 0; i < options.idLength; ++i)
        out.push_back(static_cast<std::uint8_t>('a' + i % 26));
    for (int i = 0; i < options.colourMapEntries * 3; ++i)
        out.push_back(0xEE);
    const std::vector<Bgra> pixels = StoredOrder(image, options.topLeft);
    if (options.runLength) {
        PutRunLength(out, pixels);
    } else {
        for (const Bgra& p : pixels)
            out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

std::vector<std::uint8_t> ExpectedBitmap(const TestImage& image)
{
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(image.width) * 3 + 3) / 4 * 4;
    const std::uint32_t imageSize = rowBytes * static_cast<std::uint32_t>(image.height);
    std::vector<std::uint8_t> out{'B', 'M'};
    Put32(out, 54 + imageSize);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(image.width));
    Put32(out, static_cast<std::uint32_t>(image.height));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, imageSize);
    Put32(out, 1);
    Put32(out, 1);
    Put32(out, 0);
    Put32(out, 0);
    for (int r = image.height - 1; r >= 0; --r) {
        for (int c = 0; c < image.width; ++c) {
            const Bgra& p = image.pixels[static_cast<std::size_t>(r * image.width + c)];
            out.insert(out.end(), p.begin(), p.begin() + 3);
        }
        out.resize(out.size() + (rowBytes - static_cast<std::uint32_t>(image.width) * 3), 0);
    }
    return out;
}

} // namespace testing_support
