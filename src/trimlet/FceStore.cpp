#include "FceStore.h"

#include "Codec.h"
#include "ErrorNumbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace trimlet {

namespace {

constexpr std::array<std::uint8_t, 4> kNfs4Magic{0x14, 0x10, 0x10, 0x00};
constexpr std::array<char, 4> kJoinedTag{'M', 'B', 'R', 'X'};

// Header fields.
constexpr int kTagAt = 0x0004;
constexpr int kNumTrianglesAt = 0x0008;
constexpr int kNumVerticesAt = 0x000C;
constexpr int kOffsetsAt = 0x0014;
constexpr int kHalfSizesAt = 0x004C;
constexpr int kNumDummiesAt = 0x0058;
constexpr int kDummyPosAt = 0x005C;
constexpr int kNumPartsAt = 0x011C;
constexpr int kPartPosAt = 0x0120;
constexpr int kPartFirstVertexAt = 0x0420;
constexpr int kPartNumVerticesAt = 0x0520;
constexpr int kPartFirstTriangleAt = 0x0620;
constexpr int kPartNumTrianglesAt = 0x0720;
constexpr int kColourCountAt = 0x0820;
constexpr std::array<int, kColourTables> kColourTablesAt{0x0824, 0x0864, 0x08A4, 0x08E4};
constexpr int kDummyNamesAt = 0x0A28;
constexpr int kPartNamesAt = 0x0E28;

// The fourteen data blocks in the order of their offset fields, with their
// record size and whether they have one record per vertex or per triangle.
enum Block {
    Vertices0, Normals0, TriangleTable, Reserved1, Reserved2, Reserved3, Vertices1, Normals1,
    Vertices2, Normals2, VertReservedA, VertFlagTable, VertReservedB, TriReservedTable, kBlocks
};
struct BlockShape {
    const char* name;
    int recordSize;
    bool perTriangle;
};
constexpr std::array<BlockShape, kBlocks> kShapes{{
    {"vertex", 12, false},
    {"normal", 12, false},
    {"triangle", 56, true},
    {"reserved 1", 32, false},
    {"reserved 2", 12, false},
    {"reserved 3", 12, false},
    {"second undamaged vertex", 12, false},
    {"second undamaged normal", 12, false},
    {"damaged vertex", 12, false},
    {"damaged normal", 12, false},
    {"vertex reserved A", 4, false},
    {"vertex flags", 4, false},
    {"vertex reserved B", 4, false},
    {"triangle reserved", 12, true},
}};
// The order in which the blocks lie back to back in a joined file.
constexpr std::array<Block, kBlocks> kJoinedOrder{Vertices0, Normals0, TriangleTable, Reserved1, Reserved2,
                                                  Reserved3, Vertices1, Normals1, Vertices2, Normals2,
                                                  VertReservedA, VertFlagTable, VertReservedB, TriReservedTable};
constexpr std::array<Block, kVertexSets> kVertexBlocks{Vertices0, Vertices1, Vertices2};
constexpr std::array<Block, kVertexSets> kNormalBlocks{Normals0, Normals1, Normals2};

struct PartRange {
    std::int64_t firstVertex, vertices, firstTriangle, triangles;
};

FileFailure Refused(std::uint32_t number, const std::string& why)
{
    return {FileFailure::Kind::Damaged, number, "The FCE file is damaged: " + why};
}

std::int64_t BlockBytes(Block b, std::int64_t n, std::int64_t m)
{
    return kShapes[b].recordSize * (kShapes[b].perTriangle ? m : n);
}

std::int32_t HeaderI32(const std::array<std::uint8_t, kFceHeaderSize>& header, int at)
{
    return le::Load<std::int32_t>(header.data() + at);
}

std::vector<std::uint8_t> CopyBytes(std::span<const std::uint8_t> file, std::int64_t at, std::int64_t size)
{
    // An empty block's offset is never checked against the file and may
    // point anywhere; it must not be used to form a position.
    if (size == 0)
        return {};
    const auto first = file.begin() + static_cast<std::ptrdiff_t>(at);
    return {first, first + static_cast<std::ptrdiff_t>(size)};
}

ProjectData ReadProject(le::ByteReader& in, int parts)
{
    ProjectData p;
    p.PartCount = static_cast<std::int16_t>(parts);
    for (int n = 1; n <= parts; ++n)
        p.PartFileNames.push_back(PartFileName(n));
    in.Seek(kNumDummiesAt);
    p.DummyCount = in.I32();
    in.Seek(kDummyPosAt);
    for (Vec3& v : p.DummyPositions)
        v = codec::ReadVec3(in);
    in.Seek(kDummyNamesAt);
    for (Name64& name : p.DummyNames)
        in.Chars(std::span<char>(name));
    in.Seek(kColourCountAt);
    p.ColourCount = in.I32();
    for (int t = 0; t < kColourTables; ++t) {
        in.Seek(kColourTablesAt[static_cast<std::size_t>(t)]);
        for (ColourRecord& c : p.Colours[static_cast<std::size_t>(t)])
            in.Bytes(c);
    }
    return p;
}

PartRange ReadPartRange(le::ByteReader& in, int p)
{
    PartRange r{};
    in.Seek(kPartFirstVertexAt + 4 * p);
    r.firstVertex = in.I32();
    in.Seek(kPartNumVerticesAt + 4 * p);
    r.vertices = in.I32();
    in.Seek(kPartFirstTriangleAt + 4 * p);
    r.firstTriangle = in.I32();
    in.Seek(kPartNumTrianglesAt + 4 * p);
    r.triangles = in.I32();
    return r;
}

// One part's claim on a table: `count` records from `first`.
struct Claim {
    std::int64_t first, count;
    std::size_t part;
};

std::string Records(const std::string& records, std::int64_t first, std::int64_t last)
{
    return records + " " + std::to_string(first) + " to " + std::to_string(last);
}

// The claims must lie inside a table of `total` records and cover every
// record exactly once. Joining writes each part's records back to back, so
// two parts claiming the same records would write those twice and drop the
// ones nobody claims, even when the counts add up.
std::string CheckCover(std::vector<Claim> claims, std::int64_t total, const std::string& records)
{
    for (const Claim& c : claims) {
        if (c.first < 0 || c.count < 0 || c.first + c.count > total)
            return "part " + std::to_string(c.part + 1) + " claims " + Records(records, c.first, c.first + c.count - 1) +
                   " of a model of " + std::to_string(total) + " " + records;
    }
    std::erase_if(claims, [](const Claim& c) { return c.count == 0; });
    std::stable_sort(claims.begin(), claims.end(), [](const Claim& a, const Claim& b) { return a.first < b.first; });
    std::int64_t next = 0;
    std::size_t previous = 0;
    for (const Claim& c : claims) {
        if (c.first < next)
            return "parts " + std::to_string(previous + 1) + " and " + std::to_string(c.part + 1) + " both claim " +
                   Records(records, c.first, std::min(next, c.first + c.count) - 1);
        if (c.first > next)
            return "no part claims " + Records(records, next, c.first - 1);
        next = c.first + c.count;
        previous = c.part;
    }
    if (next < total)
        return "no part claims " + Records(records, next, total - 1);
    return {};
}

std::string CheckPartRanges(const std::vector<PartRange>& ranges, std::int64_t n, std::int64_t m)
{
    std::vector<Claim> vertices;
    std::vector<Claim> triangles;
    for (std::size_t p = 0; p < ranges.size(); ++p) {
        vertices.push_back({ranges[p].firstVertex, ranges[p].vertices, p});
        triangles.push_back({ranges[p].firstTriangle, ranges[p].triangles, p});
    }
    if (std::string why = CheckCover(std::move(vertices), n, "vertices"); !why.empty())
        return why;
    return CheckCover(std::move(triangles), m, "triangles");
}

template <class T>
std::vector<T> Slice(const std::vector<T>& table, std::int64_t first, std::int64_t count)
{
    const auto begin = table.begin() + static_cast<std::ptrdiff_t>(first);
    return {begin, begin + static_cast<std::ptrdiff_t>(count)};
}

void PutI32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value)
{
    le::Store<std::int32_t>(bytes.data() + at, value);
}

void PutF32(std::vector<std::uint8_t>& bytes, std::size_t at, float value)
{
    le::Store<float>(bytes.data() + at, value);
}

void PutVec3(std::vector<std::uint8_t>& bytes, std::size_t at, const Vec3& v)
{
    PutF32(bytes, at, v.X);
    PutF32(bytes, at + 4, v.Y);
    PutF32(bytes, at + 8, v.Z);
}

void PutBytes(std::vector<std::uint8_t>& bytes, std::size_t at, std::span<const std::uint8_t> data)
{
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

void PutProject(std::vector<std::uint8_t>& h, const ProjectData& p)
{
    PutI32(h, kNumPartsAt, p.PartCount);
    PutI32(h, kColourCountAt, p.ColourCount);
    for (int t = 0; t < kColourTables; ++t) {
        std::size_t at = static_cast<std::size_t>(kColourTablesAt[static_cast<std::size_t>(t)]);
        for (const ColourRecord& c : p.Colours[static_cast<std::size_t>(t)]) {
            PutBytes(h, at, c);
            at += c.size();
        }
    }
    PutI32(h, kNumDummiesAt, p.DummyCount);
    for (int d = 0; d < kDummySlots; ++d) {
        PutVec3(h, static_cast<std::size_t>(kDummyPosAt + 12 * d), p.DummyPositions[static_cast<std::size_t>(d)]);
        const Name64& name = p.DummyNames[static_cast<std::size_t>(d)];
        PutBytes(h, static_cast<std::size_t>(kDummyNamesAt + kNameLength * d),
                 std::span(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
    }
}

// The largest absolute coordinate per axis over all undamaged vertices
// placed at their part's position, from 0.
void GrowHalfSizes(std::array<float, 3>& half, const PartFile& part)
{
    for (const Vec3& v : part.VertexSets[0]) {
        const std::array<float, 3> absolute{std::fabs(v.X + part.Position.X), std::fabs(v.Y + part.Position.Y),
                                            std::fabs(v.Z + part.Position.Z)};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            if (absolute[axis] > half[axis])
                half[axis] = absolute[axis];
        }
    }
}

// The kept blocks must all describe the same numbers of vertices and
// triangles, or writing them back would overrun their places.
bool KeptBlocksAgree(const FceStore& store)
{
    const std::int64_t n = store.Vertices();
    const std::int64_t m = store.Triangles();
    return static_cast<std::int64_t>(store.Reserved1.size()) == BlockBytes(Reserved1, n, m) &&
           static_cast<std::int64_t>(store.Reserved2.size()) == BlockBytes(Reserved2, n, m) &&
           static_cast<std::int64_t>(store.Reserved3.size()) == BlockBytes(Reserved3, n, m) &&
           static_cast<std::int64_t>(store.VertReservedA.size()) == BlockBytes(VertReservedA, n, m) &&
           static_cast<std::int64_t>(store.VertReservedB.size()) == BlockBytes(VertReservedB, n, m) &&
           static_cast<std::int64_t>(store.TriReserved.size()) == BlockBytes(TriReservedTable, n, m);
}

} // namespace

std::vector<std::string> PartNames(const FceStore& store)
{
    std::vector<std::string> names;
    const int parts = std::clamp<int>(store.Project.PartCount, 0, kPartSlots);
    for (int p = 0; p < parts; ++p) {
        Name64 name;
        std::copy_n(store.Header.begin() + kPartNamesAt + kNameLength * p, kNameLength, name.begin());
        names.push_back(TrimmedName(name));
    }
    return names;
}

std::string PartFileName(int n)
{
    return "TPART" + std::to_string(n) + ".PRT";
}

std::variant<SplitModel, FileFailure> SplitFceBytes(std::span<const std::uint8_t> file)
{
    if (file.size() < kNfs4Magic.size() || !std::equal(kNfs4Magic.begin(), kNfs4Magic.end(), file.begin()))
        return FileFailure{FileFailure::Kind::NotNfs4File, 0, "Not a NFSIV FCE file!"};
    if (file.size() < kFceHeaderSize)
        return Refused(errors::kInputPastEnd, "it is " + std::to_string(file.size()) +
                                                  " bytes long, shorter than the 8248-byte header");

    le::ByteReader in(file);
    SplitModel split;
    FceStore& store = split.store;
    std::copy_n(file.begin(), kFceHeaderSize, store.Header.begin());

    const std::int64_t n = HeaderI32(store.Header, kNumVerticesAt);
    const std::int64_t m = HeaderI32(store.Header, kNumTrianglesAt);
    const std::int64_t parts = HeaderI32(store.Header, kNumPartsAt);
    if (n < 0 || m < 0)
        return Refused(errors::kSubscriptOutOfRange, "it claims " + std::to_string(n) + " vertices and " +
                                                         std::to_string(m) + " triangles");
    if (parts < 0 || parts > kPartSlots)
        return Refused(errors::kSubscriptOutOfRange,
                       "it claims " + std::to_string(parts) + " parts, outside 0 to 64");

    // Every block must lie inside the file before anything is allocated.
    const auto dataSize = static_cast<std::int64_t>(file.size()) - kFceHeaderSize;
    std::array<std::int64_t, kBlocks> at{};
    for (int b = 0; b < kBlocks; ++b) {
        const std::int64_t offset = HeaderI32(store.Header, kOffsetsAt + 4 * b);
        const std::int64_t size = BlockBytes(static_cast<Block>(b), n, m);
        at[static_cast<std::size_t>(b)] = kFceHeaderSize + offset;
        if (size > 0 && (offset < 0 || size > dataSize || offset > dataSize - size))
            return Refused(errors::kBadRecordNumber, std::string("the ") + kShapes[static_cast<std::size_t>(b)].name +
                                                         " block of " + std::to_string(size) + " bytes at offset " +
                                                         std::to_string(offset) + " lies outside the file");
    }

    std::vector<PartRange> ranges;
    for (int p = 0; p < parts; ++p)
        ranges.push_back(ReadPartRange(in, p));
    if (const std::string why = CheckPartRanges(ranges, n, m); !why.empty())
        return Refused(errors::kSubscriptOutOfRange, why);

    std::array<std::vector<Vec3>, kVertexSets> vertexSets;
    std::array<std::vector<Vec3>, kVertexSets> normalSets;
    for (int s = 0; s < kVertexSets; ++s) {
        in.Seek(at[kVertexBlocks[static_cast<std::size_t>(s)]]);
        vertexSets[static_cast<std::size_t>(s)] = codec::ReadVec3s(in, n);
        in.Seek(at[kNormalBlocks[static_cast<std::size_t>(s)]]);
        normalSets[static_cast<std::size_t>(s)] = codec::ReadVec3s(in, n);
    }
    in.Seek(at[TriangleTable]);
    const std::vector<Triangle> triangles = codec::ReadTriangles(in, m);
    in.Seek(at[VertFlagTable]);
    const std::vector<VertFlag> flags = codec::ReadVertFlags(in, n);
    store.Reserved1 = CopyBytes(file, at[Reserved1], BlockBytes(Reserved1, n, m));
    store.Reserved2 = CopyBytes(file, at[Reserved2], BlockBytes(Reserved2, n, m));
    store.Reserved3 = CopyBytes(file, at[Reserved3], BlockBytes(Reserved3, n, m));
    store.VertReservedA = CopyBytes(file, at[VertReservedA], BlockBytes(VertReservedA, n, m));
    store.VertReservedB = CopyBytes(file, at[VertReservedB], BlockBytes(VertReservedB, n, m));
    store.TriReserved = CopyBytes(file, at[TriReservedTable], BlockBytes(TriReservedTable, n, m));
    store.Project = ReadProject(in, static_cast<int>(parts));
    if (in.failed())
        return Refused(errors::kInputPastEnd, "a read went past the end of the file");

    for (int p = 0; p < parts; ++p) {
        const PartRange& r = ranges[static_cast<std::size_t>(p)];
        PartFile part;
        in.Seek(kPartNamesAt + kNameLength * p);
        in.Chars(std::span<char>(part.Name));
        in.Seek(kPartPosAt + 12 * p);
        part.Position = codec::ReadVec3(in);
        for (std::size_t s = 0; s < kVertexSets; ++s) {
            part.VertexSets[s] = Slice(vertexSets[s], r.firstVertex, r.vertices);
            part.NormalSets[s] = Slice(normalSets[s], r.firstVertex, r.vertices);
        }
        part.Flags = Slice(flags, r.firstVertex, r.vertices);
        part.Triangles = Slice(triangles, r.firstTriangle, r.triangles);
        if (const std::string why = FindCornerOutsidePart(part.Triangles, r.vertices); !why.empty())
            return Refused(errors::kSubscriptOutOfRange, "in part " + std::to_string(p + 1) + " (" +
                                                             TrimmedName(part.Name) + "), " + why);
        split.parts.push_back(std::move(part));
    }
    return split;
}

std::variant<std::vector<std::uint8_t>, FileFailure> JoinFceBytes(const FceStore& store,
                                                                  std::span<const PartFile> parts)
{
    // A store that no split filled has no header to write back; joining it
    // would replace the user's model with an empty one.
    if (!std::equal(kNfs4Magic.begin(), kNfs4Magic.end(), store.Header.begin()))
        return FileFailure{FileFailure::Kind::Damaged, errors::kSubscriptOutOfRange,
                           "No model has been split yet; the FCE file was not written."};
    const ProjectData& project = store.Project;
    if (project.PartCount < 0 || project.PartCount > kPartSlots ||
        parts.size() != static_cast<std::size_t>(project.PartCount))
        return FileFailure{FileFailure::Kind::Damaged, errors::kSubscriptOutOfRange,
                           "The project has " + std::to_string(project.PartCount) + " parts but " +
                               std::to_string(parts.size()) + " part files were given."};

    std::int64_t n = 0;
    std::int64_t m = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!parts[i].TablesAgree())
            return FileFailure{FileFailure::Kind::Damaged, errors::kSubscriptOutOfRange,
                               "Part " + std::to_string(i + 1) + " has tables of different lengths."};
        n += parts[i].VertexCount();
        m += parts[i].TriangleCount();
    }
    if (!KeptBlocksAgree(store) || n != store.Vertices() || m != store.Triangles())
        return FileFailure{FileFailure::Kind::Damaged, errors::kSubscriptOutOfRange,
                           "The part files hold " + std::to_string(n) + " vertices and " + std::to_string(m) +
                               " triangles but the model had " + std::to_string(store.Vertices()) + " and " +
                               std::to_string(store.Triangles()) + "; the FCE file was not written."};
    std::int64_t dataSize = 0;
    for (int b = 0; b < kBlocks; ++b)
        dataSize += BlockBytes(static_cast<Block>(b), n, m);
    if (dataSize > std::numeric_limits<std::int32_t>::max())
        return FileFailure{FileFailure::Kind::Damaged, errors::kOutOfMemory,
                           "The model is too large for an FCE file."};

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kFceHeaderSize + dataSize));
    std::copy(store.Header.begin(), store.Header.end(), bytes.begin());

    // Block positions back to back.
    std::array<std::int64_t, kBlocks> offset{};
    std::int64_t next = 0;
    for (Block b : kJoinedOrder) {
        offset[b] = next;
        next += BlockBytes(b, n, m);
    }

    std::array<float, 3> half{0, 0, 0};
    std::int64_t vertexTotal = 0;
    std::int64_t triangleTotal = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const PartFile& part = parts[i];
        const auto p = static_cast<std::size_t>(i);
        PutBytes(bytes, kPartNamesAt + kNameLength * p,
                 std::span(reinterpret_cast<const std::uint8_t*>(part.Name.data()), part.Name.size()));
        PutVec3(bytes, kPartPosAt + 12 * p, part.Position);
        PutI32(bytes, kPartNumVerticesAt + 4 * p, static_cast<std::int32_t>(part.VertexCount()));
        PutI32(bytes, kPartNumTrianglesAt + 4 * p, static_cast<std::int32_t>(part.TriangleCount()));
        PutI32(bytes, kPartFirstTriangleAt + 4 * p, static_cast<std::int32_t>(triangleTotal));
        PutI32(bytes, kPartFirstVertexAt + 4 * p, static_cast<std::int32_t>(vertexTotal));

        const std::span<std::uint8_t> data(bytes.data() + kFceHeaderSize, static_cast<std::size_t>(dataSize));
        le::ByteWriter out(data);
        for (std::size_t s = 0; s < kVertexSets; ++s) {
            out.Seek(offset[kVertexBlocks[s]] + 12 * vertexTotal);
            codec::WriteVec3s(out, part.VertexSets[s]);
            out.Seek(offset[kNormalBlocks[s]] + 12 * vertexTotal);
            codec::WriteVec3s(out, part.NormalSets[s]);
        }
        out.Seek(offset[VertFlagTable] + 4 * vertexTotal);
        codec::WriteVertFlags(out, part.Flags);
        out.Seek(offset[TriangleTable] + std::int64_t{kTriangleSize} * triangleTotal);
        codec::WriteTriangles(out, part.Triangles);

        GrowHalfSizes(half, part);
        vertexTotal += part.VertexCount();
        triangleTotal += part.TriangleCount();
    }

    for (auto [block, data] : {std::pair{Reserved1, &store.Reserved1}, std::pair{Reserved2, &store.Reserved2},
                               std::pair{Reserved3, &store.Reserved3}, std::pair{VertReservedA, &store.VertReservedA},
                               std::pair{VertReservedB, &store.VertReservedB},
                               std::pair{TriReservedTable, &store.TriReserved}})
        PutBytes(bytes, static_cast<std::size_t>(kFceHeaderSize + offset[block]), *data);

    PutProject(bytes, project);
    PutBytes(bytes, 0, kNfs4Magic);
    PutBytes(bytes, kTagAt, std::span(reinterpret_cast<const std::uint8_t*>(kJoinedTag.data()), kJoinedTag.size()));
    PutI32(bytes, kNumTrianglesAt, static_cast<std::int32_t>(m));
    PutI32(bytes, kNumVerticesAt, static_cast<std::int32_t>(n));
    for (std::size_t axis = 0; axis < 3; ++axis)
        PutF32(bytes, kHalfSizesAt + 4 * axis, half[axis]);
    for (int b = 0; b < kBlocks; ++b)
        PutI32(bytes, static_cast<std::size_t>(kOffsetsAt + 4 * b), static_cast<std::int32_t>(offset[static_cast<std::size_t>(b)]));
    return bytes;
}

} // namespace trimlet
