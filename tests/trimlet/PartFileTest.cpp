// Trimlet's part files: the layout, and the checks a part file read back
// must pass before it is used.

#include "PartFile.h"

#include "RawFce.h"
#include "TestCars.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using trimlet::FileFailure;
using trimlet::PartFile;
using namespace trimlet_testing;

namespace {

PartFile SamplePart(int vertices, int triangles)
{
    PartFile part;
    part.Name.fill(' ');
    std::copy_n("Body", 4, part.Name.begin());
    part.Name[4] = '\0';
    part.Position = {1.5f, -2.0f, 0.25f};
    for (int v = 0; v < vertices; ++v) {
        for (std::size_t s = 0; s < 3; ++s) {
            const float f = static_cast<float>(s * 100 + v);
            part.VertexSets[s].push_back({f, f + 0.5f, -f});
            part.NormalSets[s].push_back({0, 1, f});
        }
        part.Flags.push_back({static_cast<std::uint8_t>(v), 4, 0, 0xFF});
    }
    for (int t = 0; t < triangles; ++t) {
        trimlet::Triangle tri;
        tri.TexPage = t;
        tri.I1 = t % vertices;
        tri.I2 = (t + 1) % vertices;
        tri.I3 = (t + 2) % vertices;
        tri.TriFill = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        tri.Flags = 0x0C << t;
        tri.U = {0.1f, 0.2f, 0.3f};
        tri.V = {0.9f, 0.8f, 0.7f};
        part.Triangles.push_back(tri);
    }
    return part;
}

std::variant<PartFile, FileFailure> Decode(const std::vector<std::uint8_t>& bytes,
                                           trimlet::IdentityCheck identity = trimlet::IdentityCheck::Check)
{
    return trimlet::DecodePartFile(bytes, "TPART2.PRT", identity);
}

FileFailure FailureOf(const std::vector<std::uint8_t>& bytes)
{
    auto result = Decode(bytes);
    EXPECT_TRUE(std::holds_alternative<FileFailure>(result));
    return std::holds_alternative<FileFailure>(result) ? std::get<FileFailure>(result) : FileFailure{};
}

TEST(PartFile, LayoutFollowsTheFormatAndReadsBack)
{
    const PartFile part = SamplePart(4, 3);
    const std::vector<std::uint8_t> bytes = trimlet::EncodePartFile(part);
    const RawPart raw = ReadRawPart(bytes);
    EXPECT_EQ(raw.fileSize, 90u + 100 * 4 + 56 * 3);
    EXPECT_EQ(raw.magic, "MBRX");
    EXPECT_EQ(raw.version, 1);
    EXPECT_EQ(raw.name.substr(0, 5), std::string("Body\0", 5));
    EXPECT_FLOAT_EQ(raw.position.x, 1.5f);
    EXPECT_FLOAT_EQ(raw.position.z, 0.25f);
    EXPECT_EQ(raw.vertices, 4);
    EXPECT_EQ(raw.triangles, 3);
    EXPECT_FLOAT_EQ(raw.sets[2][3].x, 203.0f);
    EXPECT_FLOAT_EQ(raw.normals[1][2].z, 102.0f);
    for (int v = 0; v < 4; ++v) {
        // The fourth set is always written as zeros.
        EXPECT_EQ(raw.sets[3][static_cast<std::size_t>(v)].x, 0.0f);
        EXPECT_EQ(raw.normals[3][static_cast<std::size_t>(v)].y, 0.0f);
    }
    EXPECT_EQ(raw.vertFlags[3], (std::array<std::uint8_t, 4>{3, 4, 0, 0xFF}));
    EXPECT_EQ(raw.corners[2], (std::array<std::int32_t, 3>{2, 3, 0}));
    EXPECT_EQ(raw.triangleFlags[1], 0x18);

    auto back = Decode(bytes);
    ASSERT_TRUE(std::holds_alternative<PartFile>(back));
    EXPECT_EQ(std::get<PartFile>(back), part);
}

TEST(PartFile, APartWithoutTrianglesReadsBackWithAnEmptyList)
{
    const std::vector<std::uint8_t> bytes = trimlet::EncodePartFile(SamplePart(5, 0));
    EXPECT_EQ(bytes.size(), 90u + 100 * 5);
    auto back = Decode(bytes);
    ASSERT_TRUE(std::holds_alternative<PartFile>(back));
    EXPECT_TRUE(std::get<PartFile>(back).Triangles.empty());
    EXPECT_EQ(std::get<PartFile>(back).VertexCount(), 5);
}

TEST(PartFile, MagicAndVersionAreCheckedWithTheirMessages)
{
    const std::vector<std::uint8_t> good = trimlet::EncodePartFile(SamplePart(3, 1));

    std::vector<std::uint8_t> bytes = good;
    bytes[3] = 'Y';
    FileFailure failure = FailureOf(bytes);
    EXPECT_EQ(failure.kind, FileFailure::Kind::NotPartFile);
    EXPECT_EQ(failure.message, "PRT file TPART2.PRT is not a valid Mobrix Part file.");
    // Reassembly reads its own part files without the identity checks.
    EXPECT_TRUE(std::holds_alternative<PartFile>(Decode(bytes, trimlet::IdentityCheck::Skip)));

    bytes = good;
    bytes[4] = 2;
    failure = FailureOf(bytes);
    EXPECT_EQ(failure.kind, FileFailure::Kind::Incompatible);
    EXPECT_EQ(failure.message, "PRT file TPART2.PRT is not compatible with this version of Mobrix. You need to "
                               "download the latest version (probably).");

    bytes = good;
    bytes[4] = 0;
    EXPECT_TRUE(std::holds_alternative<PartFile>(Decode(bytes))) << "version 0 is accepted";
    EXPECT_EQ(FailureOf({'M', 'B'}).kind, FileFailure::Kind::NotPartFile);
}

TEST(PartFile, CountsAndCornersAreCheckedBeforeUse)
{
    const std::vector<std::uint8_t> good = trimlet::EncodePartFile(SamplePart(3, 2));
    using testing_support::PutI32;

    std::vector<std::uint8_t> bytes(good.begin(), good.end() - 1);
    EXPECT_EQ(FailureOf(bytes).kind, FileFailure::Kind::Damaged) << "one byte short";

    bytes = good;
    PutI32(bytes, 82, 0x7FFFFFFF);
    EXPECT_EQ(FailureOf(bytes).kind, FileFailure::Kind::Damaged) << "absurd vertex count";
    bytes = good;
    PutI32(bytes, 86, -1);
    EXPECT_EQ(FailureOf(bytes).kind, FileFailure::Kind::Damaged) << "negative triangle count";
    EXPECT_EQ(FailureOf({'M', 'B', 'R', 'X', 1, 0, 'x'}).kind, FileFailure::Kind::Damaged) << "no header";

    bytes = good;
    PutI32(bytes, 90 + 100 * 3 + 56 + 12, 3); // second triangle's third corner
    const FileFailure corner = FailureOf(bytes);
    EXPECT_EQ(corner.kind, FileFailure::Kind::Damaged);
    EXPECT_THAT(corner.message, ::testing::HasSubstr("triangle 1 uses vertex 3"));

    bytes = good;
    bytes.push_back(0);
    EXPECT_TRUE(std::holds_alternative<PartFile>(Decode(bytes))) << "bytes after the blocks are ignored";
}

} // namespace
