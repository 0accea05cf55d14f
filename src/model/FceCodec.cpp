#include "FceCodec.h"

#include "FileIO.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>
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

void WriteGeometrySection(le::ByteWriter& out, const ModelHeader& h, std::int32_t numParts,
                          const std::array<float, 3>& halfSizes)
{
    for (float f : halfSizes)
        out.F32(f);
    out.I32(h.NumDummies);
    for (const Vec3& v : h.DummyPos)
        WriteVec3(out, v);
    out.I32(numParts);
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

// Tables of Vec3 are copied as a whole: Vec3 is exactly three floats, and
// the file's little-endian floats are the host's on little-endian hosts.
static_assert(sizeof(Vec3) == kVec3Size && std::is_trivially_copyable_v<Vec3> && std::is_standard_layout_v<Vec3>);
constexpr bool kHostIsLittleEndian = std::endian::native == std::endian::little;

std::vector<Vec3> ReadVec3s(le::ByteReader& in, std::int64_t pos, std::int64_t count)
{
    std::vector<Vec3> table(static_cast<std::size_t>(count));
    if (count == 0)
        return table; // empty blocks are not read, wherever they claim to be
    const auto bytes = in.Span(pos, count * kVec3Size);
    if (bytes.empty())
        return table;
    if constexpr (kHostIsLittleEndian) {
        std::memcpy(table.data(), bytes.data(), bytes.size());
    } else {
        for (std::size_t i = 0; i < table.size(); ++i) {
            const std::uint8_t* p = bytes.data() + i * kVec3Size;
            table[i] = {le::Load<float>(p), le::Load<float>(p + 4), le::Load<float>(p + 8)};
        }
    }
    return table;
}

// Records of a block read a slice at a time into `slice`, each handed to
// `decode(record, index)`.
template <class Decode>
void ReadRecords(ByteSource& in, const Block& block, int headerSize, Decode decode)
{
    constexpr std::int64_t kSliceBytes = std::int64_t{256} << 10;
    const std::int64_t perSlice = std::max<std::int64_t>(1, kSliceBytes / block.elementSize);
    std::vector<std::uint8_t> slice;
    for (std::int64_t first = 0; first < block.count && !in.failed(); first += perSlice) {
        const std::int64_t n = std::min(perSlice, block.count - first);
        slice.resize(static_cast<std::size_t>(n * block.elementSize));
        in.Read(block.position(headerSize) + first * block.elementSize, slice);
        for (std::int64_t i = 0; i < n; ++i)
            decode(slice.data() + i * block.elementSize, first + i);
    }
}

std::vector<Vec3> ReadVec3s(ByteSource& in, const Block& block, int headerSize)
{
    std::vector<Vec3> table(static_cast<std::size_t>(block.count));
    if (block.count == 0)
        return table; // empty blocks are not read, wherever they claim to be
    if constexpr (kHostIsLittleEndian) {
        in.Read(block.position(headerSize), StorageBytes(table));
    } else {
        ReadRecords(in, block, headerSize, [&table](const std::uint8_t* p, std::int64_t i) {
            table[static_cast<std::size_t>(i)] = {le::Load<float>(p), le::Load<float>(p + 4), le::Load<float>(p + 8)};
        });
    }
    return table;
}

void WriteVec3s(le::ByteWriter& out, std::span<const Vec3> table, std::int64_t count)
{
    const auto bytes = out.Take(count * kVec3Size);
    if (bytes.empty())
        return;
    const auto present = static_cast<std::size_t>(std::min<std::int64_t>(count, static_cast<std::int64_t>(table.size())));
    if constexpr (kHostIsLittleEndian) {
        // An empty table may have no storage at all; memcpy must not see it.
        if (present > 0)
            std::memcpy(bytes.data(), table.data(), present * kVec3Size);
    } else {
        for (std::size_t i = 0; i < present; ++i) {
            std::uint8_t* p = bytes.data() + i * kVec3Size;
            le::Store(p, table[i].X);
            le::Store(p + 4, table[i].Y);
            le::Store(p + 8, table[i].Z);
        }
    }
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(present * kVec3Size), bytes.end(), std::uint8_t{0});
}

float StoredV(float v, float storedBefore)
{
    const float fromFile = 1.0f - storedBefore;
    if (std::bit_cast<std::uint32_t>(fromFile) == std::bit_cast<std::uint32_t>(v))
        return storedBefore;
    return 1.0f - v;
}

Triangle DecodeTriangle(const std::uint8_t* p, VStorage v)
{
    Triangle t;
    t.TexPage = le::Load<std::int32_t>(p);
    t.I1 = le::Load<std::int32_t>(p + 4);
    t.I2 = le::Load<std::int32_t>(p + 8);
    t.I3 = le::Load<std::int32_t>(p + 12);
    for (std::size_t w = 0; w < t.TriFill.size(); ++w)
        t.TriFill[w] = le::Load<std::uint16_t>(p + 16 + 2 * w);
    t.Flags = le::Load<std::int32_t>(p + 28);
    t.U1 = le::Load<float>(p + 32);
    t.U2 = le::Load<float>(p + 36);
    t.U3 = le::Load<float>(p + 40);
    const float v1 = le::Load<float>(p + 44);
    const float v2 = le::Load<float>(p + 48);
    const float v3 = le::Load<float>(p + 52);
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
    return t;
}

void EncodeTriangle(std::uint8_t* p, const Triangle& t, VStorage v)
{
    le::Store(p, t.TexPage);
    le::Store(p + 4, t.I1);
    le::Store(p + 8, t.I2);
    le::Store(p + 12, t.I3);
    for (std::size_t w = 0; w < t.TriFill.size(); ++w)
        le::Store(p + 16 + 2 * w, t.TriFill[w]);
    le::Store(p + 28, t.Flags);
    le::Store(p + 32, t.U1);
    le::Store(p + 36, t.U2);
    le::Store(p + 40, t.U3);
    if (v == VStorage::Flipped) {
        le::Store(p + 44, StoredV(t.V1, t.StoredV[0]));
        le::Store(p + 48, StoredV(t.V2, t.StoredV[1]));
        le::Store(p + 52, StoredV(t.V3, t.StoredV[2]));
    } else {
        le::Store(p + 44, t.V1);
        le::Store(p + 48, t.V2);
        le::Store(p + 52, t.V3);
    }
}

std::vector<Triangle> ReadTriangles(le::ByteReader& in, std::int64_t pos, std::int64_t count, VStorage v)
{
    std::vector<Triangle> table(static_cast<std::size_t>(count));
    if (count == 0)
        return table;
    const auto bytes = in.Span(pos, count * kTriangleSize);
    if (bytes.empty())
        return table;
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = DecodeTriangle(bytes.data() + i * kTriangleSize, v);
    return table;
}

std::vector<Triangle> ReadTriangles(ByteSource& in, const Block& block, int headerSize, VStorage v)
{
    // Filled as decoded rather than zeroed first: the largest table of all
    // is then written once.
    std::vector<Triangle> table;
    table.reserve(static_cast<std::size_t>(block.count));
    ReadRecords(in, block, headerSize,
                [&table, v](const std::uint8_t* p, std::int64_t) { table.push_back(DecodeTriangle(p, v)); });
    table.resize(static_cast<std::size_t>(block.count)); // zeros after a failed read
    return table;
}

void BlockWriter::Bytes(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return;
    sink_.Write(bytes);
    written_ += static_cast<std::int64_t>(bytes.size());
}

void BlockWriter::Zeros(std::int64_t count)
{
    static constexpr std::array<std::uint8_t, 4096> kZeros{};
    for (std::int64_t left = count; left > 0; left -= static_cast<std::int64_t>(kZeros.size()))
        Bytes(std::span(kZeros).first(static_cast<std::size_t>(std::min<std::int64_t>(left, kZeros.size()))));
}

void BlockWriter::Vec3s(std::span<const Vec3> table, std::int64_t count)
{
    const std::size_t present = Present(table.size(), count);
    if constexpr (kHostIsLittleEndian) {
        Bytes(StorageBytes(table.first(present)));
    } else {
        Records(static_cast<std::int64_t>(present), kVec3Size, [table](std::uint8_t* p, std::int64_t i) {
            const Vec3& v = table[static_cast<std::size_t>(i)];
            le::Store(p, v.X);
            le::Store(p + 4, v.Y);
            le::Store(p + 8, v.Z);
        });
    }
    Zeros((count - static_cast<std::int64_t>(present)) * kVec3Size);
}

void BlockWriter::Triangles(const RowTable<Triangle>& table, std::int64_t count, VStorage v)
{
    static const Triangle zero{};
    Records(count, kTriangleSize, [&table, v](std::uint8_t* p, std::int64_t i) {
        EncodeTriangle(p, i < static_cast<std::int64_t>(table.size()) ? table[static_cast<std::size_t>(i)] : zero, v);
    });
}

void WriteTriangles(le::ByteWriter& out, std::span<const Triangle> table, std::int64_t count, VStorage v)
{
    const auto bytes = out.Take(count * kTriangleSize);
    if (bytes.empty())
        return;
    static const Triangle zero{};
    for (std::int64_t i = 0; i < count; ++i) {
        const Triangle& t = i < static_cast<std::int64_t>(table.size()) ? table[static_cast<std::size_t>(i)] : zero;
        EncodeTriangle(bytes.data() + i * kTriangleSize, t, v);
    }
}

std::array<float, 3> HalfSizes(const CarModel& model, std::span<const Vec3> vertices, int parts)
{
    std::array<float, 3> half{0, 0, 0};
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

SaveStatus CheckFilled(const le::ByteWriter& out, std::int64_t size)
{
    if (!out.failed() && out.Tell() == size)
        return std::nullopt;
    return SaveFailure{ErrorCode::InternalError, "the file's blocks do not add up to its size"};
}

SaveStatus CheckFilled(const BlockWriter& out, std::int64_t size)
{
    if (out.Written() == size)
        return std::nullopt;
    return SaveFailure{ErrorCode::InternalError, "the file's blocks do not add up to its size"};
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

LoadStatus LoadWith(CarModel& model, const std::string& path,
                    const std::function<LoadStatus(ByteSource&, CarModel&)>& read)
{
    FileSource file;
    if (auto failure = file.Open(path))
        return failure;
    return read(file, model);
}

SaveStatus SaveWith(const CarModel& model, const std::string& path, Writer write)
{
    try {
        return WriteFileAtomicallyFrom(path, [&](ByteSink& sink) { return write(model, sink); });
    } catch (const std::bad_alloc&) {
        return SaveFailure{ErrorCode::OutOfMemory, ErrorCodeDescription(ErrorCode::OutOfMemory)};
    }
}

EncodedFile EncodeWith(const CarModel& model, Writer write)
{
    EncodedFile file;
    MemorySink sink(file.bytes);
    file.failure = write(model, sink);
    if (file.failure)
        file.bytes.clear();
    return file;
}

void BlankReservedBlocks(CarModel& model)
{
    const auto n = static_cast<std::size_t>(std::max(0, model.Header.NumVertices));
    model.Reserved1.assign(n, Reserved32{});
    model.Reserved2.assign(n, Reserved12{});
    model.Reserved3.assign(n, Reserved12{});
}

} // namespace mobrix::codec
