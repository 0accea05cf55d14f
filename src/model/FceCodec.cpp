#include "FceCodec.h"

#include <bit>
#include <cmath>
#include <limits>

namespace mobrix::codec {

LoadFailure Absurd(std::string detail)
{
    return {LoadError::IndexOutOfRange, ErrorCode::SubscriptOutOfRange, std::move(detail)};
}

LoadFailure Corrupted(std::string detail)
{
    return {LoadError::CorruptedData, ErrorCode::BadRecordNumber, std::move(detail)};
}

LoadStatus CheckHeaderCounts(const ModelHeader& h)
{
    if (h.NumVertices < 0)
        return Absurd("negative number of vertices (" + std::to_string(h.NumVertices) + ")");
    if (h.NumTriangles < 0)
        return Absurd("negative number of triangles (" + std::to_string(h.NumTriangles) + ")");
    if (h.NumParts < 0 || h.NumParts > kPartSlots)
        return Absurd("number of parts " + std::to_string(h.NumParts) + " is outside 0..64");
    if (h.NumDummies < 0 || h.NumDummies > kDummySlots)
        return Absurd("number of dummies " + std::to_string(h.NumDummies) + " is outside 0..16");
    return std::nullopt;
}

LoadStatus CheckBlocks(std::size_t fileSize, int headerSize, std::initializer_list<Block> blocks)
{
    const auto size = static_cast<std::int64_t>(fileSize);
    for (const Block& b : blocks) {
        if (b.bytes() > size)
            return Absurd(std::string(b.name) + " block of " + std::to_string(b.count) + " entries needs " +
                          std::to_string(b.bytes()) + " bytes; the file has " + std::to_string(size));
    }
    for (const Block& b : blocks) {
        if (b.count == 0)
            continue;
        const std::int64_t pos = b.position(headerSize);
        if (pos < 0 || pos > size)
            return Corrupted(std::string(b.name) + " block at file position " + std::to_string(pos) +
                             " lies outside the file of " + std::to_string(size) + " bytes");
        if (b.bytes() > size - pos)
            return Absurd(std::string(b.name) + " block at file position " + std::to_string(pos) + " needs " +
                          std::to_string(b.bytes()) + " bytes; the file ends after " + std::to_string(size - pos));
    }
    return std::nullopt;
}

namespace {

Vec3 ReadVec3(le::ByteReader& in)
{
    Vec3 v;
    v.X = in.F32();
    v.Y = in.F32();
    v.Z = in.F32();
    return v;
}

void WriteVec3(le::ByteWriter& out, const Vec3& v)
{
    out.F32(v.X);
    out.F32(v.Y);
    out.F32(v.Z);
}

void WriteInts(le::ByteWriter& out, const std::array<std::int32_t, kPartSlots>& values)
{
    for (std::int32_t v : values)
        out.I32(v);
}

void ReadInts(le::ByteReader& in, std::array<std::int32_t, kPartSlots>& values)
{
    for (std::int32_t& v : values)
        v = in.I32();
}

} // namespace

void ReadGeometrySection(le::ByteReader& in, ModelHeader& h)
{
    h.XHalfSize = in.F32();
    h.YHalfSize = in.F32();
    h.ZHalfSize = in.F32();
    h.NumDummies = in.I32();
    for (Vec3& v : h.DummyPos)
        v = ReadVec3(in);
    h.NumParts = in.I32();
    for (Vec3& v : h.PartPos)
        v = ReadVec3(in);
    ReadInts(in, h.PartFirstVertex);
    ReadInts(in, h.PartNumVertices);
    ReadInts(in, h.PartFirstTriangle);
    ReadInts(in, h.PartNumTriangles);
}

void WriteGeometrySection(le::ByteWriter& out, const ModelHeader& h, const std::array<float, 3>& halfSizes)
{
    for (float f : halfSizes)
        out.F32(f);
    out.I32(h.NumDummies);
    for (const Vec3& v : h.DummyPos)
        WriteVec3(out, v);
    out.I32(h.NumParts);
    for (const Vec3& v : h.PartPos)
        WriteVec3(out, v);
    WriteInts(out, h.PartFirstVertex);
    WriteInts(out, h.PartNumVertices);
    WriteInts(out, h.PartFirstTriangle);
    WriteInts(out, h.PartNumTriangles);
}

void ReadNames(le::ByteReader& in, ModelHeader& h)
{
    for (Name64& name : h.DummyNames)
        in.Chars(std::span<char>(name));
    h.PartNames.assign(kPartSlots, Name64{});
    for (Name64& name : h.PartNames)
        in.Chars(std::span<char>(name));
}

void WriteDummyNames(le::ByteWriter& out, const ModelHeader& h)
{
    for (const Name64& name : h.DummyNames)
        out.Chars(std::span<const char>(name));
}

void WritePartNames(le::ByteWriter& out, const ModelHeader& h, int slots)
{
    static constexpr Name64 empty{};
    for (int i = 0; i < slots; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        out.Chars(std::span<const char>(slot < h.PartNames.size() ? h.PartNames[slot] : empty));
    }
}

std::vector<Vec3> ReadVec3s(le::ByteReader& in, const Block& block, int headerSize)
{
    std::vector<Vec3> table(static_cast<std::size_t>(block.count));
    in.Seek(block.position(headerSize));
    for (Vec3& v : table)
        v = ReadVec3(in);
    return table;
}

void WriteVec3s(le::ByteWriter& out, const std::vector<Vec3>& table, std::int64_t count)
{
    for (std::int64_t i = 0; i < count; ++i)
        WriteVec3(out, i < static_cast<std::int64_t>(table.size()) ? table[static_cast<std::size_t>(i)] : Vec3{});
}

float StoredV(float v, float storedBefore)
{
    const float fromFile = 1.0f - storedBefore;
    if (std::bit_cast<std::uint32_t>(fromFile) == std::bit_cast<std::uint32_t>(v))
        return storedBefore;
    return 1.0f - v;
}

std::vector<Triangle> ReadTriangles(le::ByteReader& in, const Block& block, int headerSize, VStorage v)
{
    std::vector<Triangle> table(static_cast<std::size_t>(block.count));
    in.Seek(block.position(headerSize));
    for (Triangle& t : table) {
        t.TexPage = in.I32();
        t.I1 = in.I32();
        t.I2 = in.I32();
        t.I3 = in.I32();
        for (std::uint16_t& w : t.TriFill)
            w = in.U16();
        t.Flags = in.I32();
        t.U1 = in.F32();
        t.U2 = in.F32();
        t.U3 = in.F32();
        const float v1 = in.F32();
        const float v2 = in.F32();
        const float v3 = in.F32();
        if (v == VStorage::Flipped) {
            t.StoredV = {v1, v2, v3};
            t.V1 = 1.0f - v1;
            t.V2 = 1.0f - v2;
            t.V3 = 1.0f - v3;
        } else {
            t.V1 = v1;
            t.V2 = v2;
            t.V3 = v3;
        }
    }
    return table;
}

void WriteTriangles(le::ByteWriter& out, const std::vector<Triangle>& table, std::int64_t count, VStorage v)
{
    static const Triangle zero{};
    for (std::int64_t i = 0; i < count; ++i) {
        const Triangle& t = i < static_cast<std::int64_t>(table.size()) ? table[static_cast<std::size_t>(i)] : zero;
        out.I32(t.TexPage);
        out.I32(t.I1);
        out.I32(t.I2);
        out.I32(t.I3);
        for (std::uint16_t w : t.TriFill)
            out.U16(w);
        out.I32(t.Flags);
        out.F32(t.U1);
        out.F32(t.U2);
        out.F32(t.U3);
        if (v == VStorage::Flipped) {
            out.F32(StoredV(t.V1, t.StoredV[0]));
            out.F32(StoredV(t.V2, t.StoredV[1]));
            out.F32(StoredV(t.V3, t.StoredV[2]));
        } else {
            out.F32(t.V1);
            out.F32(t.V2);
            out.F32(t.V3);
        }
    }
}

std::array<float, 3> HalfSizes(const CarModel& model, const std::vector<Vec3>& vertices)
{
    std::array<float, 3> half{0, 0, 0};
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        const Vec3& pos = model.Header.PartPos[static_cast<std::size_t>(p)];
        const IndexRange range = PartVertexRange(model, p);
        const auto end = std::min<std::int64_t>(range.end, static_cast<std::int64_t>(vertices.size()));
        for (std::int64_t i = range.begin; i < end; ++i) {
            const Vec3& v = vertices[static_cast<std::size_t>(i)];
            const float extent[3] = {std::fabs(v.X + pos.X), std::fabs(v.Y + pos.Y), std::fabs(v.Z + pos.Z)};
            for (int axis = 0; axis < 3; ++axis) {
                if (extent[axis] > half[static_cast<std::size_t>(axis)])
                    half[static_cast<std::size_t>(axis)] = extent[axis];
            }
        }
    }
    return half;
}

bool BlocksFitOffsets(std::int64_t dataBytes)
{
    return dataBytes <= std::numeric_limits<std::int32_t>::max();
}

SaveFailure OffsetOverflow()
{
    return {ErrorCode::Overflow, "the model is too large for the 32-bit offsets of an FCE file"};
}

void EnsurePartNameSlots(ModelHeader& header, int slots)
{
    if (header.PartNames.size() < static_cast<std::size_t>(slots))
        header.PartNames.resize(static_cast<std::size_t>(slots), Name64{});
}

void BlankReservedBlocks(CarModel& model)
{
    const auto n = static_cast<std::size_t>(std::max(0, model.Header.NumVertices));
    model.Reserved1.assign(n, Reserved32{});
    model.Reserved2.assign(n, Reserved12{});
    model.Reserved3.assign(n, Reserved12{});
}

} // namespace mobrix::codec
