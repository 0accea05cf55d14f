// The NFSIV variant: a magic number, an 8248-byte header, three vertex and
// normal sets, per-vertex flags, extra reserved blocks, one-byte colour
// components in four tables, and texture V stored as 1 - V.

#include "FceCodec.h"
#include "FceFiles.h"
#include "FileIO.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>
#include <variant>

namespace mobrix {

using namespace codec;

namespace {

constexpr int kTagAt = 0x0004;
constexpr int kCountsAt = 0x0008;
constexpr int kGeometryAt = 0x004C;
constexpr int kColourCountAt = 0x0820;
constexpr int kPriColoursAt = 0x0824;
constexpr int kIntColoursAt = 0x0864;
constexpr int kSecColoursAt = 0x08A4;
constexpr int kHairColoursAt = 0x08E4;
constexpr int kNamesAt = 0x0A28;

// The fourteen block offsets of the header, in header order.
struct Offsets {
    std::int32_t vertices, normals, triangles, reserved1, reserved2, reserved3;
    std::int32_t undamaged2Verts, undamaged2Norms, damagedVerts, damagedNorms;
    std::int32_t vertReservedA, vertFlags, vertReservedB, triReserved;
};

Offsets ReadOffsets(le::ByteReader& in)
{
    Offsets o{};
    for (std::int32_t* field : {&o.vertices, &o.normals, &o.triangles, &o.reserved1, &o.reserved2, &o.reserved3,
                                &o.undamaged2Verts, &o.undamaged2Norms, &o.damagedVerts, &o.damagedNorms,
                                &o.vertReservedA, &o.vertFlags, &o.vertReservedB, &o.triReserved})
        *field = in.I32();
    return o;
}

void WriteOffsets(le::ByteWriter& out, const Offsets& o)
{
    for (std::int32_t field : {o.vertices, o.normals, o.triangles, o.reserved1, o.reserved2, o.reserved3,
                               o.undamaged2Verts, o.undamaged2Norms, o.damagedVerts, o.damagedNorms,
                               o.vertReservedA, o.vertFlags, o.vertReservedB, o.triReserved})
        out.I32(field);
}

// Blocks back to back in the order of their offsets.
Offsets BackToBack(std::int64_t n, std::int64_t m)
{
    Offsets o{};
    std::int64_t at = 0;
    auto next = [&at](std::int64_t size) {
        const auto here = static_cast<std::int32_t>(at);
        at += size;
        return here;
    };
    o.vertices = next(12 * n);
    o.normals = next(12 * n);
    o.triangles = next(56 * m);
    o.reserved1 = next(32 * n);
    o.reserved2 = next(12 * n);
    o.reserved3 = next(12 * n);
    o.undamaged2Verts = next(12 * n);
    o.undamaged2Norms = next(12 * n);
    o.damagedVerts = next(12 * n);
    o.damagedNorms = next(12 * n);
    o.vertReservedA = next(4 * n);
    o.vertFlags = next(4 * n);
    o.vertReservedB = next(4 * n);
    o.triReserved = next(12 * m);
    return o;
}

std::int64_t DataBytes(std::int64_t n, std::int64_t m)
{
    return 140 * n + 68 * m;
}

void ReadByteColours(le::ByteReader& in, int at, std::array<Colour, kColourSlots>& colours)
{
    in.Seek(at);
    for (Colour& c : colours) {
        c.Hue = in.U8();
        c.Saturation = in.U8();
        c.Brightness = in.U8();
        c.Tolerance = in.U8();
    }
}

bool ComponentsFitBytes(const std::array<Colour, kColourSlots>& colours)
{
    for (const Colour& c : colours) {
        for (std::int32_t component : {c.Hue, c.Saturation, c.Brightness, c.Tolerance}) {
            if (component < 0 || component > 255)
                return false;
        }
    }
    return true;
}

void WriteByteColours(le::ByteWriter& out, int at, const std::array<Colour, kColourSlots>& colours)
{
    out.Seek(at);
    for (const Colour& c : colours) {
        for (std::int32_t component : {c.Hue, c.Saturation, c.Brightness, c.Tolerance})
            out.U8(static_cast<std::uint8_t>(component));
    }
}

struct Fce4Contents {
    ModelHeader header;
    std::array<std::uint8_t, kFce4HeaderSize> rawHeader{};
    std::vector<Vec3> normalVerts, normalNorms, undamaged2Verts, undamaged2Norms, damagedVerts, damagedNorms;
    std::vector<Triangle> triangles;
    std::vector<Reserved32> reserved1;
    std::vector<Reserved12> reserved2, reserved3, triReserved;
    std::vector<Reserved4> vertReservedA, vertReservedB, vertFlags;
};

ModelHeader ReadHeader(le::ByteReader& in, Offsets& offsets)
{
    ModelHeader h;
    in.Seek(kTagAt);
    in.Chars(std::span<char>(h.HeaderTag));
    in.Seek(kCountsAt);
    h.NumTriangles = in.I32();
    h.NumVertices = in.I32();
    h.NumArts = in.I32();
    offsets = ReadOffsets(in);
    h.VerticesOffset = offsets.vertices;
    h.NormalsOffset = offsets.normals;
    h.TrianglesOffset = offsets.triangles;
    h.Reserved1Offset = offsets.reserved1;
    h.Reserved2Offset = offsets.reserved2;
    h.Reserved3Offset = offsets.reserved3;
    in.Seek(kGeometryAt);
    ReadGeometrySection(in, h);
    in.Seek(kColourCountAt);
    h.NumPriColours = h.NumSecColours = in.I32();
    ReadByteColours(in, kPriColoursAt, h.PriColours);
    ReadByteColours(in, kIntColoursAt, h.IntColours);
    ReadByteColours(in, kSecColoursAt, h.SecColours);
    ReadByteColours(in, kHairColoursAt, h.HairColours);
    in.Seek(kNamesAt);
    ReadNames(in, h);
    return h;
}

LoadFailure NotNfs4()
{
    return {LoadError::NotNfs4File, ErrorCode::NotNfs4File, "the file does not start with 14 10 10 00"};
}

std::variant<Fce4Contents, LoadFailure> Parse(std::span<const std::uint8_t> file)
{
    if (!HasNfs4Magic(file))
        return NotNfs4();
    le::ByteReader in(file);
    if (!in.Fits(0, kFce4HeaderSize))
        return Absurd("the file is " + std::to_string(file.size()) + " bytes long, shorter than the " +
                      std::to_string(kFce4HeaderSize) + "-byte header");

    Fce4Contents c;
    in.Seek(0);
    in.Bytes(c.rawHeader);
    Offsets o{};
    c.header = ReadHeader(in, o);
    const ModelHeader& h = c.header;
    if (auto failure = CheckHeaderCounts(h))
        return *failure;

    const std::int64_t n = h.NumVertices;
    const std::int64_t m = h.NumTriangles;
    const Block normalVerts{"vertex", o.vertices, n, kVec3Size};
    const Block undamaged2Verts{"second undamaged vertex", o.undamaged2Verts, n, kVec3Size};
    const Block damagedVerts{"damaged vertex", o.damagedVerts, n, kVec3Size};
    const Block normalNorms{"normal", o.normals, n, kVec3Size};
    const Block undamaged2Norms{"second undamaged normal", o.undamaged2Norms, n, kVec3Size};
    const Block damagedNorms{"damaged normal", o.damagedNorms, n, kVec3Size};
    const Block triangles{"triangle", o.triangles, m, kTriangleSize};
    const Block reserved1{"reserved 1", o.reserved1, n, 32};
    const Block reserved2{"reserved 2", o.reserved2, n, 12};
    const Block reserved3{"reserved 3", o.reserved3, n, 12};
    const Block vertReservedA{"vertex reserved A", o.vertReservedA, n, 4};
    const Block vertReservedB{"vertex reserved B", o.vertReservedB, n, 4};
    const Block triReserved{"triangle reserved", o.triReserved, m, 12};
    const Block vertFlags{"vertex flags", o.vertFlags, n, 4};
    if (auto failure = CheckBlocks(file.size(), kFce4HeaderSize,
                                   {normalVerts, undamaged2Verts, damagedVerts, normalNorms, undamaged2Norms,
                                    damagedNorms, triangles, reserved1, reserved2, reserved3, vertReservedA,
                                    vertReservedB, triReserved, vertFlags}))
        return *failure;

    c.normalVerts = ReadVec3s(in, normalVerts, kFce4HeaderSize);
    c.undamaged2Verts = ReadVec3s(in, undamaged2Verts, kFce4HeaderSize);
    c.damagedVerts = ReadVec3s(in, damagedVerts, kFce4HeaderSize);
    c.normalNorms = ReadVec3s(in, normalNorms, kFce4HeaderSize);
    c.undamaged2Norms = ReadVec3s(in, undamaged2Norms, kFce4HeaderSize);
    c.damagedNorms = ReadVec3s(in, damagedNorms, kFce4HeaderSize);
    c.triangles = ReadTriangles(in, triangles, kFce4HeaderSize, VStorage::Flipped);
    c.reserved1 = ReadOpaque<32>(in, reserved1, kFce4HeaderSize);
    c.reserved2 = ReadOpaque<12>(in, reserved2, kFce4HeaderSize);
    c.reserved3 = ReadOpaque<12>(in, reserved3, kFce4HeaderSize);
    c.vertReservedA = ReadOpaque<4>(in, vertReservedA, kFce4HeaderSize);
    c.vertReservedB = ReadOpaque<4>(in, vertReservedB, kFce4HeaderSize);
    c.triReserved = ReadOpaque<12>(in, triReserved, kFce4HeaderSize);
    c.vertFlags = ReadOpaque<4>(in, vertFlags, kFce4HeaderSize);
    if (in.failed())
        return Absurd("a read went past the end of the file");
    return c;
}

void Commit(Fce4Contents&& c, CarModel& model)
{
    // The NFSIV header has no place for the NFSIII header tail; it keeps
    // what it held. Everything that allocates comes before the first change
    // to the model.
    c.header.HeaderTail = model.Header.HeaderTail;
    std::vector<Vec3> working = c.normalVerts, workingNormals = c.normalNorms;
    SelectionTables selection = ClearedSelection(c.header);
    model.Header = std::move(c.header);
    model.Fce4Header = c.rawHeader;
    model.Vertices = std::move(working);
    model.Normals = std::move(workingNormals);
    model.NormalVerts = std::move(c.normalVerts);
    model.NormalNorms = std::move(c.normalNorms);
    model.Undamaged2Verts = std::move(c.undamaged2Verts);
    model.Undamaged2Norms = std::move(c.undamaged2Norms);
    model.DamagedVerts = std::move(c.damagedVerts);
    model.DamagedNorms = std::move(c.damagedNorms);
    model.Triangles = std::move(c.triangles);
    model.Reserved1 = std::move(c.reserved1);
    model.Reserved2 = std::move(c.reserved2);
    model.Reserved3 = std::move(c.reserved3);
    model.VertReservedA = std::move(c.vertReservedA);
    model.VertReservedB = std::move(c.vertReservedB);
    model.VertFlags = std::move(c.vertFlags);
    model.TriReserved = std::move(c.triReserved);
    model.ActiveVertexSet = VertexSet::Normal;
    model.FileFormat = ModelOrigin::Nfs4;
    model.CurrentPart = 0;
    model.CurrentDummy = 0;
    AdoptSelection(model, std::move(selection));
}

// The tables an NFSIV save writes, taken from the model as PrepareNfs4Save
// leaves it, so that encoding never has to change the model: a model that
// did not come from an NFSIV file writes its working set as all three sets,
// flags byte 4 and zeroed NFSIV reserved blocks; the working set stands in
// for the active set.
struct Nfs4Tables {
    std::array<std::span<const Vec3>, 3> vertices; // by VertexSet
    std::array<std::span<const Vec3>, 3> normals;
    std::span<const Reserved32> reserved1;
    std::span<const Reserved12> reserved2, reserved3, triReserved;
    std::span<const Reserved4> vertReservedA, vertReservedB, vertFlags;
    bool defaultFlags = false; // every vertex's flags byte is written as 4
};

constexpr std::array kVertexSets{VertexSet::Normal, VertexSet::Undamaged2, VertexSet::Damaged};
constexpr std::uint8_t kDefaultVertexFlags = 4;

Nfs4Tables TablesToWrite(const CarModel& model)
{
    const bool ownTables = model.FileFormat == ModelOrigin::Nfs4;
    const std::int64_t n = std::max(0, model.Header.NumVertices);
    Nfs4Tables t;
    for (VertexSet set : kVertexSets) {
        const auto i = static_cast<std::size_t>(set);
        if (set == model.ActiveVertexSet) {
            t.vertices[i] = model.Vertices;
            t.normals[i] = model.Normals;
        } else if (ownTables) {
            t.vertices[i] = SetVertices(model, set);
            t.normals[i] = SetNormals(model, set);
        } else {
            t.vertices[i] = FirstEntries(model.Vertices, n);
            t.normals[i] = FirstEntries(model.Normals, n);
        }
    }
    if (model.FileFormat != ModelOrigin::From3ds) {
        t.reserved1 = model.Reserved1;
        t.reserved2 = model.Reserved2;
        t.reserved3 = model.Reserved3;
    }
    t.vertFlags = model.VertFlags;
    t.defaultFlags = !ownTables;
    if (ownTables) {
        t.vertReservedA = model.VertReservedA;
        t.vertReservedB = model.VertReservedB;
        t.triReserved = model.TriReserved;
    }
    return t;
}

void WriteDefaultFlags(le::ByteWriter& out, std::span<const Reserved4> flags, std::int64_t count)
{
    const auto bytes = out.Take(count * 4);
    if (bytes.empty())
        return;
    const auto present = static_cast<std::size_t>(std::min<std::int64_t>(count, static_cast<std::int64_t>(flags.size())));
    if (present > 0)
        std::memcpy(bytes.data(), flags.data(), present * 4);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(present * 4), bytes.end(), std::uint8_t{0});
    for (std::size_t i = 0; i < bytes.size(); i += 4)
        bytes[i] = kDefaultVertexFlags;
}

// The header record: its two fill areas come from the last NFSIV file read,
// everything else is rebuilt from the model.
std::variant<std::array<std::uint8_t, kFce4HeaderSize>, SaveFailure> BuildHeader(const CarModel& model,
                                                                                 const Nfs4Tables& tables)
{
    const ModelHeader& h = model.Header;
    const std::int64_t n = std::max(0, h.NumVertices);
    const std::int64_t m = std::max(0, h.NumTriangles);
    if (!BlocksFitOffsets(DataBytes(n, m)))
        return OffsetOverflow();
    for (const auto* table : {&h.PriColours, &h.IntColours, &h.SecColours, &h.HairColours}) {
        if (!ComponentsFitBytes(*table))
            return SaveFailure{ErrorCode::Overflow, "a colour component lies outside 0..255"};
    }
    std::array<std::uint8_t, kFce4HeaderSize> header = model.Fce4Header;
    le::ByteWriter head(header);
    head.Bytes(kFce4Magic);
    head.Chars(std::span<const char>(h.HeaderTag));
    head.I32(h.NumTriangles);
    head.I32(h.NumVertices);
    head.I32(h.NumArts);
    WriteOffsets(head, BackToBack(n, m));
    head.Seek(kGeometryAt);
    const auto normalSet = static_cast<std::size_t>(VertexSet::Normal);
    WriteGeometrySection(head, h, h.NumParts, HalfSizes(model, tables.vertices[normalSet], UsablePartCount(h)));
    head.Seek(kColourCountAt);
    head.I32(h.NumPriColours);
    WriteByteColours(head, kPriColoursAt, h.PriColours);
    WriteByteColours(head, kIntColoursAt, h.IntColours);
    WriteByteColours(head, kSecColoursAt, h.SecColours);
    WriteByteColours(head, kHairColoursAt, h.HairColours);
    head.Seek(kNamesAt);
    WriteDummyNames(head, h);
    WritePartNames(head, h, kPartSlots);
    if (auto failure = CheckFilled(head, kNamesAt + (kDummySlots + kPartSlots) * kNameLength))
        return *failure;
    return header;
}

} // namespace

bool HasNfs4Magic(std::span<const std::uint8_t> head)
{
    return head.size() >= kFce4Magic.size() && std::equal(kFce4Magic.begin(), kFce4Magic.end(), head.begin());
}

LoadStatus ReadFCE4(std::span<const std::uint8_t> file, CarModel& model)
{
    return ParseThenCommit<Fce4Contents>(file, model, Parse, Commit);
}

LoadStatus LoadFCE4(CarModel& model, const std::string& path)
{
    LoadStatus status = LoadWith(model, path, ReadFCE4);
    // A file too large to be read whole is still told apart by its first
    // bytes, so a big file of another kind gets the message of its kind.
    if (status && status->code == ErrorCode::OutOfMemory && !HasNfs4Magic(ReadFileHead(path, kFce4Magic.size())))
        return NotNfs4();
    return status;
}

void codec::PrepareNfs4Save(CarModel& model)
{
    if (model.FileFormat == ModelOrigin::From3ds) {
        BlankReservedBlocks(model);
        model.FileFormat = ModelOrigin::Nfs3;
    }
    const auto n = static_cast<std::size_t>(std::max(0, model.Header.NumVertices));
    const auto m = static_cast<std::size_t>(std::max(0, model.Header.NumTriangles));
    if (model.FileFormat == ModelOrigin::Nfs3) {
        for (VertexSet set : kVertexSets) {
            SetVertices(model, set) = model.Vertices;
            SetNormals(model, set) = model.Normals;
            SetVertices(model, set).resize(n);
            SetNormals(model, set).resize(n);
        }
        model.VertFlags.resize(n);
        for (Reserved4& flags : model.VertFlags)
            flags[0] = kDefaultVertexFlags;
        EnsurePartNameSlots(model.Header, kPartSlots);
        model.VertReservedA.assign(n, Reserved4{});
        model.VertReservedB.assign(n, Reserved4{});
        model.TriReserved.assign(m, Reserved12{});
    }
    SetVertices(model, model.ActiveVertexSet) = model.Vertices;
    SetNormals(model, model.ActiveVertexSet) = model.Normals;
    auto header = BuildHeader(model, TablesToWrite(model));
    if (auto* built = std::get_if<std::array<std::uint8_t, kFce4HeaderSize>>(&header))
        model.Fce4Header = *built;
}

EncodedFile EncodeFCE4(const CarModel& model)
{
    const Nfs4Tables t = TablesToWrite(model);
    auto header = BuildHeader(model, t);
    if (auto* failure = std::get_if<SaveFailure>(&header))
        return {{}, *failure};
    const std::int64_t n = std::max(0, model.Header.NumVertices);
    const std::int64_t m = std::max(0, model.Header.NumTriangles);
    auto set = [](VertexSet s) { return static_cast<std::size_t>(s); };

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kFce4HeaderSize + DataBytes(n, m)));
    le::ByteWriter out(bytes);
    out.Bytes(std::get<0>(header));
    WriteVec3s(out, t.vertices[set(VertexSet::Normal)], n);
    WriteVec3s(out, t.normals[set(VertexSet::Normal)], n);
    WriteTriangles(out, model.Triangles, m, VStorage::Flipped);
    WriteOpaque(out, t.reserved1, n);
    WriteOpaque(out, t.reserved2, n);
    WriteOpaque(out, t.reserved3, n);
    WriteVec3s(out, t.vertices[set(VertexSet::Undamaged2)], n);
    WriteVec3s(out, t.normals[set(VertexSet::Undamaged2)], n);
    WriteVec3s(out, t.vertices[set(VertexSet::Damaged)], n);
    WriteVec3s(out, t.normals[set(VertexSet::Damaged)], n);
    WriteOpaque(out, t.vertReservedA, n);
    if (t.defaultFlags)
        WriteDefaultFlags(out, t.vertFlags, n);
    else
        WriteOpaque(out, t.vertFlags, n);
    WriteOpaque(out, t.vertReservedB, n);
    WriteOpaque(out, t.triReserved, m);
    if (auto failure = CheckFilled(out, static_cast<std::int64_t>(bytes.size())))
        return {{}, failure};
    return {std::move(bytes), std::nullopt};
}

SaveStatus SaveFCE4(const CarModel& model, const std::string& path)
{
    return SaveWith(model, path, EncodeFCE4);
}

} // namespace mobrix
