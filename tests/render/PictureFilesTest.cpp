// The picture files against another implementation: Pillow writes textures
// in each supported form, which must decode to the pixels it was given, and
// reads the PNG we write, which must give back our pixels.

#include "PictureFiles.h"
#include "Process.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <array>

using namespace mobrix::render;
using namespace testing_support;

namespace {

constexpr int kWidth = 37; // rows of 111 bytes: BMP pads them
constexpr int kHeight = 23;

std::array<std::uint8_t, 3> PatternColour(int x, int y)
{
    const int i = (x * 3 + y * 5) % 16;
    return {std::uint8_t(i * 16), std::uint8_t(255 - i * 9), std::uint8_t((i * 71) % 256)};
}

// The same pattern in Python, saved in every form the readers take.
const char* const kWriteTextures = R"(
import sys
from PIL import Image
w, h, out = 37, 23, sys.argv[1]
im = Image.new('RGB', (w, h))
for y in range(h):
    for x in range(w):
        i = (x * 3 + y * 5) % 16
        im.putpixel((x, y), (i * 16, 255 - i * 9, (i * 71) % 256))
im.save(out + '/rgb.png')
im.convert('RGBA').save(out + '/rgba.png')
im.quantize(16).save(out + '/palette.png')
im.save(out + '/rgb.bmp')
im.quantize(16).save(out + '/palette.bmp')
im.convert('RGBA').save(out + '/raw.tga')
im.convert('RGBA').save(out + '/rle.tga', compression='tga_rle')
ours = Image.open(out + '/ours.png')
assert ours.mode == 'RGBA' and ours.size == (w, h), (ours.mode, ours.size)
open(out + '/ours.rgba', 'wb').write(ours.tobytes())
)";

} // namespace

TEST(PictureFiles, ReadWhatPillowWritesAndPillowReadsWhatWeWrite)
{
    TempDir dir;
    Picture ours(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const auto c = PatternColour(x, y);
            std::uint8_t* p = ours.At(x, y);
            p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = std::uint8_t(x * 7);
        }
    }
    ASSERT_FALSE(WritePng(ours, dir.File("ours.png")));
    const ProcessResult python = RunProcess(MOBRIX_PYTHON, {"-c", kWriteTextures, dir.path()});
    ASSERT_EQ(python.exitCode, 0) << python.err;
    EXPECT_EQ(ReadBytes(dir.File("ours.rgba")), ours.rgba);

    for (const char* name : {"rgb.png", "rgba.png", "palette.png", "rgb.bmp", "palette.bmp", "raw.tga", "rle.tga"}) {
        SCOPED_TRACE(name);
        auto read = ReadPicture(dir.File(name));
        ASSERT_TRUE(std::holds_alternative<Picture>(read)) << std::get<PictureError>(read).message;
        const Picture& p = std::get<Picture>(read);
        ASSERT_EQ(p.width, kWidth);
        ASSERT_EQ(p.height, kHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const auto c = PatternColour(x, y);
                const std::uint8_t* got = p.At(x, y);
                ASSERT_EQ((std::array{got[0], got[1], got[2], got[3]}), (std::array<std::uint8_t, 4>{c[0], c[1], c[2], 255}))
                    << "at " << x << ", " << y;
            }
        }
    }
}
