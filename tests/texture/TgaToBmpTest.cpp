// The TGA to bitmap conversion: the bitmap layout, every stored form of the
// same image, and the files it refuses.

#include "TestFiles.h"
#include "TgaImages.h"
#include "TgaToBmp.h"

#include <gtest/gtest.h>

using namespace mobrix;
using namespace testing_support;

namespace {

std::vector<std::uint8_t> Converted(const std::vector<std::uint8_t>& tga)
{
    auto result = TgaToBmpBytes(tga);
    if (const auto* failure = std::get_if<TgaFailure>(&result)) {
        ADD_FAILURE() << TgaFailureMessage(*failure);
        return {};
    }
    return std::get<std::vector<std::uint8_t>>(result);
}

TgaError RefusalOf(const std::vector<std::uint8_t>& tga)
{
    auto result = TgaToBmpBytes(tga);
    const auto* failure = std::get_if<TgaFailure>(&result);
    EXPECT_NE(failure, nullptr) << "accepted";
    return failure ? failure->kind : TgaError::WriteFailed;
}

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

} // namespace

TEST(TgaToBmp, ThreeByTwoImageGivesPaddedRowsBottomFirst)
{
    const TestImage image = PatternImage(3, 2);
    const std::vector<std::uint8_t> bmp = Converted(MakeTga(image));
    ASSERT_EQ(bmp.size(), 78u);
    EXPECT_EQ(U32At(bmp, 2), 78u);   // file size
    EXPECT_EQ(U32At(bmp, 34), 24u);  // image size: two rows of 9 + 3 bytes
    // The bottom row comes first; alpha is dropped; three zero bytes pad it.
    const Bgra& bottomLeft = image.pixels[3];
    EXPECT_EQ(bmp[54], bottomLeft[0]);
    EXPECT_EQ(bmp[55], bottomLeft[1]);
    EXPECT_EQ(bmp[56], bottomLeft[2]);
    EXPECT_EQ(bmp[63] | bmp[64] | bmp[65], 0);
    EXPECT_EQ(bmp, ExpectedBitmap(image));
}

TEST(TgaToBmp, EveryStoredFormOfAnImageGivesTheSameUprightBitmap)
{
    for (const TestImage& image : {PatternImage(3, 2), PatternImage(5, 4), PatternImage(300, 3)}) {
        const std::vector<std::uint8_t> expected = ExpectedBitmap(image);
        for (const bool runLength : {false, true}) {
            for (const bool topLeft : {false, true}) {
                const auto tga = MakeTga(image, {.runLength = runLength, .topLeft = topLeft, .idLength = 5,
                                                 .colourMapEntries = 2});
                EXPECT_EQ(Converted(tga), expected)
                    << image.width << "x" << image.height << " runLength " << runLength << " topLeft " << topLeft;
            }
        }
    }
}

TEST(TgaToBmp, RefusesOtherDepthsTypesAndShortFiles)
{
    const TestImage image = PatternImage(4, 3);
    auto result = TgaToBmpBytes(MakeTga(image, {.depth = 24}));
    ASSERT_TRUE(std::holds_alternative<TgaFailure>(result));
    EXPECT_EQ(TgaFailureMessage(std::get<TgaFailure>(result)), "TGA file format must be 32 bits per pixel (RGBA format)");

    std::vector<std::uint8_t> colourMapped = MakeTga(image);
    colourMapped[2] = 1;
    EXPECT_EQ(RefusalOf(colourMapped), TgaError::UnsupportedImageType);

    for (const bool runLength : {false, true}) {
        const std::vector<std::uint8_t> whole = MakeTga(image, {.runLength = runLength});
        for (std::size_t cut : {std::size_t{1}, std::size_t{4}, whole.size() - 18, whole.size() - 5})
            EXPECT_EQ(RefusalOf({whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut)}), TgaError::Truncated)
                << "cut " << cut << " runLength " << runLength;
    }
    // A header promising more id and colour-map bytes than the file has.
    std::vector<std::uint8_t> header = MakeTga(TestImage{}, {.idLength = 40});
    header.resize(30);
    EXPECT_EQ(RefusalOf(header), TgaError::Truncated);
    EXPECT_EQ(RefusalOf({0, 0, 2}), TgaError::Truncated);
}

TEST(TgaToBmp, ConvertWritesTheBitmapAndARefusalLeavesItAlone)
{
    TempDir dir;
    const TestImage image = PatternImage(6, 5);
    const std::string tga = dir.File("in.tga");
    const std::string bmp = dir.File("TEMP.BMP");
    WriteBytes(tga, MakeTga(image, {.runLength = true}));
    ASSERT_FALSE(ConvertTgaToBmp(tga, bmp));
    EXPECT_EQ(ReadBytes(bmp), ExpectedBitmap(image));

    WriteBytes(tga, MakeTga(PatternImage(2, 2), {.depth = 24}));
    const TgaStatus refused = ConvertTgaToBmp(tga, bmp);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, TgaError::NotThirtyTwoBits);
    EXPECT_EQ(ReadBytes(bmp), ExpectedBitmap(image));

    const TgaStatus missing = ConvertTgaToBmp(dir.File("none.tga"), bmp);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->kind, TgaError::Unreadable);
    EXPECT_EQ(ReadBytes(bmp), ExpectedBitmap(image));
}
