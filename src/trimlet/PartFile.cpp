#include "PartFile.h"

#include "Codec.h"
#include "ErrorNumbers.h"

#include <algorithm>
#include <cmath>

namespace trimlet {

namespace {

constexpr std::array<char, 4> kMagic{'M', 'B', 'R', 'X'};

void WriteSet(le::ByteWriter& out, const std::vector<Vec3>& set, std::int64_t count)
{
    for (std::int64_t i = 0; i < count; ++i)
        codec::WriteVec3(out, i < static_cast<std::int64_t>(set.size()) ? set[static_cast<std::size_t>(i)] : Vec3{});
}

void WriteSets(le::ByteWriter& out, const std::array<std::vector<Vec3>, kVertexSets>& sets, std::int64_t count)
{
    for (const auto& set : sets)
        WriteSet(out, set, count);
    WriteSet(out, {}, count); // the unused fourth set stays zero
}

std::array<std::vector<Vec3>, kVertexSets> ReadSets(le::ByteReader& in, std::int64_t count)
{
    std::array<std::vector<Vec3>, kVertexSets> sets;
    for (auto& set : sets)
        set = codec::ReadVec3s(in, count);
    in.Seek(in.Tell() + 12 * count); // readers ignore the fourth set
    return sets;
}

bool CornerInside(std::int32_t corner, std::int64_t vertices)
{
    return corner >= 0 && corner < vertices;
}

FileFailure Damaged(std::uint32_t number, const std::string& fileName, const std::string& why)
{
    return {FileFailure::Kind::Damaged, number, "PRT file " + fileName + " is damaged: " + why};
}

} // namespace

bool PartFile::TablesAgree() const
{
    const auto n = VertexSets[0].size();
    for (std::size_t s = 0; s < kVertexSets; ++s) {
        if (VertexSets[s].size() != n || NormalSets[s].size() != n)
            return false;
    }
    return Flags.size() == n;
}

std::int64_t PartFileSize(std::int64_t vertices, std::int64_t triangles)
{
    return kPartHeaderSize + 100 * vertices + std::int64_t{kTriangleSize} * triangles;
}

std::vector<std::uint8_t> EncodePartFile(const PartFile& part)
{
    const std::int64_t n = part.VertexCount();
    const std::int64_t m = part.TriangleCount();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(PartFileSize(n, m)));
    le::ByteWriter out(bytes);
    out.Chars(std::span<const char>(kMagic));
    out.U16(static_cast<std::uint16_t>(kPartFileVersion));
    out.Chars(std::span<const char>(part.Name));
    codec::WriteVec3(out, part.Position);
    out.I32(static_cast<std::int32_t>(n));
    out.I32(static_cast<std::int32_t>(m));
    WriteSets(out, part.VertexSets, n);
    WriteSets(out, part.NormalSets, n);
    for (std::int64_t i = 0; i < n; ++i)
        out.Bytes(i < static_cast<std::int64_t>(part.Flags.size()) ? part.Flags[static_cast<std::size_t>(i)]
                                                                   : VertFlag{});
    codec::WriteTriangles(out, part.Triangles);
    return bytes;
}

std::string NotPartFileMessage(const std::string& fileName)
{
    return "PRT file " + fileName + " is not a valid Mobrix Part file.";
}

std::string IncompatiblePartMessage(const std::string& fileName)
{
    return "PRT file " + fileName +
           " is not compatible with this version of Mobrix. You need to download the latest version (probably).";
}

bool CornersInside(const Triangle& t, std::int64_t vertices)
{
    return CornerInside(t.I1, vertices) && CornerInside(t.I2, vertices) && CornerInside(t.I3, vertices);
}

std::string FindCornerOutsidePart(std::span<const Triangle> triangles, std::int64_t vertices)
{
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        for (std::int32_t corner : {triangles[t].I1, triangles[t].I2, triangles[t].I3}) {
            if (!CornerInside(corner, vertices))
                return "triangle " + std::to_string(t) + " uses vertex " + std::to_string(corner) +
                       " but the part has " + std::to_string(vertices) + " vertices";
        }
    }
    return {};
}

std::vector<Vec3> PlacedVertices(const PartFile& part, int set)
{
    const std::vector<Vec3>& local = part.VertexSets[static_cast<std::size_t>(set)];
    const Vec3& at = part.Position;
    std::vector<Vec3> placed;
    placed.reserve(local.size());
    for (const Vec3& v : local)
        placed.push_back({v.X + at.X, v.Y + at.Y, v.Z + at.Z});
    return placed;
}

double FarthestFromOrigin(std::span<const Vec3> points)
{
    double squared = 0;
    for (const Vec3& p : points) {
        const double x = p.X;
        const double y = p.Y;
        const double z = p.Z;
        squared = std::max(squared, x * x + y * y + z * z);
    }
    return std::sqrt(squared);
}

double PartReach(const PartFile& part)
{
    double reach = 0;
    for (int set = 0; set < kVertexSets; ++set)
        reach = std::max(reach, FarthestFromOrigin(PlacedVertices(part, set)));
    return reach;
}

std::variant<PartFile, FileFailure> DecodePartFile(std::span<const std::uint8_t> bytes,
                                                       const std::string& fileName, IdentityCheck identity)
{
    le::ByteReader in(bytes);
    if (identity == IdentityCheck::Check) {
        std::array<char, 4> magic{};
        in.Chars(std::span<char>(magic));
        if (in.failed() || magic != kMagic)
            return FileFailure{FileFailure::Kind::NotPartFile, 0, NotPartFileMessage(fileName)};
        // The version is a signed 16-bit number; only newer versions are refused.
        const auto version = static_cast<std::int16_t>(in.U16());
        if (version > kPartFileVersion)
            return FileFailure{FileFailure::Kind::Incompatible, 0, IncompatiblePartMessage(fileName)};
    }
    if (!in.Fits(0, kPartHeaderSize))
        return Damaged(errors::kInputPastEnd, fileName,
                       "it is " + std::to_string(bytes.size()) + " bytes long, shorter than the " +
                           std::to_string(kPartHeaderSize) + "-byte header");

    PartFile part;
    in.Seek(6);
    in.Chars(std::span<char>(part.Name));
    part.Position = codec::ReadVec3(in);
    const std::int64_t n = in.I32();
    const std::int64_t m = in.I32();
    if (n < 0 || m < 0)
        return Damaged(errors::kSubscriptOutOfRange, fileName,
                       "negative counts (" + std::to_string(n) + " vertices, " + std::to_string(m) + " triangles)");
    const std::int64_t needed = PartFileSize(n, m);
    if (needed > static_cast<std::int64_t>(bytes.size()))
        return Damaged(errors::kInputPastEnd, fileName,
                       std::to_string(n) + " vertices and " + std::to_string(m) + " triangles need " +
                           std::to_string(needed) + " bytes but the file has " + std::to_string(bytes.size()));

    part.VertexSets = ReadSets(in, n);
    part.NormalSets = ReadSets(in, n);
    part.Flags = codec::ReadVertFlags(in, n);
    part.Triangles = codec::ReadTriangles(in, m);
    if (in.failed())
        return Damaged(errors::kInputPastEnd, fileName, "a read went past the end of the file");
    if (const std::string why = FindCornerOutsidePart(part.Triangles, n); !why.empty())
        return Damaged(errors::kSubscriptOutOfRange, fileName, why);
    return part;
}

} // namespace trimlet
