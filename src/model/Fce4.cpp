// The NFSIV variant: a magic number, an 8248-byte header, three vertex and
// normal sets, per-vertex flags, extra reserved blocks, one-byte colour
// components in four tables, and texture V stored as 1 - V.
//
// FCE4M, the variant of the later game, has the same header and tables; its
// version word differs (and may be 0) and the triangles' reserved table,
// the last block, is followed by one more byte per vertex.

#include "FceCodec.h"
#include "FceFiles.h"
#include "FileIO.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
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

bool IsFce4m(FceVariant variant)
{
    return variant == FceVariant::Fce4m;
}

std::int64_t DataBytes(std::int64_t n, std::int64_t m, FceVariant variant)
{
    return (IsFce4m(variant) ? 141 : 140) * n + 68 * m;
}

// The word at 0x0000; none in a file shorter than a word.
std::optional<std::uint32_t> VersionWord(std::span<const std::uint8_t> file)
{
    if (file.size() < 4)
        return std::nullopt;
    return le::Load<std::uint32_t>(file.data());
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
    std::vector<ReservedByte> vertReservedC;
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

LoadFailure NotFce4m(std::string detail)
{
    return {LoadError::NotFce4mFile, ErrorCode::NotFce4mFile, std::move(detail)};
}

LoadFailure NotFce4mWord()
{
    return NotFce4m("the file starts with neither 15 10 10 00 nor 00 00 00 00");
}

LoadStatus CheckVersionWord(std::span<const std::uint8_t> file, FceVariant variant)
{
    if (!IsFce4m(variant))
        return HasNfs4Magic(file) ? std::nullopt : LoadStatus(NotNfs4());
    const std::optional<std::uint32_t> word = VersionWord(file);
    return word == kFce4mVersion || word == 0 ? std::nullopt : LoadStatus(NotFce4mWord());
}

// A file whose version word is 0 is known as FCE4M only by its size.
LoadStatus CheckUnversionedSize(std::span<const std::uint8_t> head, std::int64_t fileSize, FceVariant variant,
                                const ModelHeader& h)
{
    if (!IsFce4m(variant) || VersionWord(head) != 0)
        return std::nullopt;
    const std::int64_t expected = Fce4mFileSize(h.NumVertices, h.NumTriangles);
    if (fileSize == expected)
        return std::nullopt;
    return NotFce4m("the version word is 0 and the file is " + std::to_string(fileSize) + " bytes long, not the " +
                    std::to_string(expected) + " bytes of an FCE4M file of " + std::to_string(h.NumVertices) +
                    " vertices and " + std::to_string(h.NumTriangles) + " triangles");
}

std::variant<Fce4Contents, LoadFailure> Parse(ByteSource& file, FceVariant variant, KeptTables kept)
{
    const std::int64_t fileSize = file.Size();
    Fce4Contents c;
    const std::span<std::uint8_t> head =
        std::span(c.rawHeader).first(static_cast<std::size_t>(std::min<std::int64_t>(fileSize, kFce4HeaderSize)));
    file.Read(0, head);
    if (auto failure = CheckVersionWord(head, variant))
        return *failure;
    if (fileSize < kFce4HeaderSize)
        return Absurd("the file is " + std::to_string(fileSize) + " bytes long, shorter than the " +
                      std::to_string(kFce4HeaderSize) + "-byte header");

    le::ByteReader in(c.rawHeader);
    Offsets o{};
    c.header = ReadHeader(in, o);
    const ModelHeader& h = c.header;
    if (auto failure = CheckHeaderCounts(h))
        return *failure;
    if (auto failure = CheckUnversionedSize(head, fileSize, variant, h))
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
    const Block vertReservedC{"triangle reserved tail", std::int64_t{o.triReserved} + 12 * m, IsFce4m(variant) ? n : 0,
                              1};
    if (auto failure = CheckBlocks(static_cast<std::size_t>(fileSize), kFce4HeaderSize,
                                   {normalVerts, undamaged2Verts, damagedVerts, normalNorms, undamaged2Norms,
                                    damagedNorms, triangles, reserved1, reserved2, reserved3, vertReservedA,
                                    vertReservedB, triReserved, vertFlags, vertReservedC}))
        return *failure;

    c.normalVerts = ReadVec3s(file, normalVerts, kFce4HeaderSize);
    c.normalNorms = ReadVec3s(file, normalNorms, kFce4HeaderSize);
    c.triangles = ReadTriangles(file, triangles, kFce4HeaderSize, VStorage::Flipped);
    c.reserved1 = ReadOpaque<32>(file, reserved1, kFce4HeaderSize);
    c.reserved2 = ReadOpaque<12>(file, reserved2, kFce4HeaderSize);
    c.reserved3 = ReadOpaque<12>(file, reserved3, kFce4HeaderSize);
    if (kept == KeptTables::All) {
        c.undamaged2Verts = ReadVec3s(file, undamaged2Verts, kFce4HeaderSize);
        c.damagedVerts = ReadVec3s(file, damagedVerts, kFce4HeaderSize);
        c.undamaged2Norms = ReadVec3s(file, undamaged2Norms, kFce4HeaderSize);
        c.damagedNorms = ReadVec3s(file, damagedNorms, kFce4HeaderSize);
        c.vertReservedA = ReadOpaque<4>(file, vertReservedA, kFce4HeaderSize);
        c.vertReservedB = ReadOpaque<4>(file, vertReservedB, kFce4HeaderSize);
        c.triReserved = ReadOpaque<12>(file, triReserved, kFce4HeaderSize);
        c.vertFlags = ReadOpaque<4>(file, vertFlags, kFce4HeaderSize);
        c.vertReservedC = ReadOpaque<1>(file, vertReservedC, kFce4HeaderSize);
    }
    if (file.failed() || in.failed())
        return Absurd("a read went past the end of the file");
    return c;
}

void Commit(Fce4Contents&& c, CarModel& model, FceVariant variant, KeptTables kept)
{
    // The NFSIV header has no place for the NFSIII header tail; it keeps
    // what it held. Everything that allocates comes before the first change
    // to the model.
    c.header.HeaderTail = model.Header.HeaderTail;
    const bool all = kept == KeptTables::All;
    // Without the NFSIV tables the first set is the working set itself,
    // not a copy of it.
    std::vector<Vec3> working, workingNormals;
    if (all) {
        working = c.normalVerts;
        workingNormals = c.normalNorms;
    } else {
        working = std::move(c.normalVerts);
        workingNormals = std::move(c.normalNorms);
    }
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
    model.VertReservedC = std::move(c.vertReservedC);
    model.ActiveVertexSet = VertexSet::Normal;
    model.FileFormat = IsFce4m(variant) ? ModelOrigin::Fce4m : ModelOrigin::Nfs4;
    if (!all) {
        ClearNfs4Tables(model);
        model.FileFormat = ModelOrigin::Nfs3;
    }
    model.CurrentPart = 0;
    model.CurrentDummy = 0;
    AdoptSelection(model, std::move(selection));
}

// The tables an NFSIV or FCE4M save writes, taken from the model as
// PrepareNfs4Save leaves it, so that encoding never has to change the model:
// a model without the NFSIV tables writes its working set as all three sets,
// flags byte 4 and zeroed NFSIV reserved blocks, a model without the FCE4M
// bytes zeros for them; the working set stands in for the active set.
struct Nfs4Tables {
    std::array<std::span<const Vec3>, 3> vertices; // by VertexSet
    std::array<std::span<const Vec3>, 3> normals;
    std::span<const Reserved32> reserved1;
    std::span<const Reserved12> reserved2, reserved3;
    std::array<std::span<const Reserved12>, 2> triReserved; // the row table's pieces
    std::span<const Reserved4> vertReservedA, vertReservedB, vertFlags;
    std::span<const ReservedByte> vertReservedC; // FCE4M only
    bool defaultFlags = false; // every vertex's flags byte is written as 4
};

constexpr std::array kVertexSets{VertexSet::Normal, VertexSet::Undamaged2, VertexSet::Damaged};
constexpr std::uint8_t kDefaultVertexFlags = 4;

Nfs4Tables TablesToWrite(const CarModel& model)
{
    const bool ownTables = HoldsNfs4Tables(model);
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
        t.triReserved = model.TriReserved.Segments();
    }
    if (model.FileFormat == ModelOrigin::Fce4m)
        t.vertReservedC = model.VertReservedC;
    return t;
}

// The flags block of a model without its own NFSIV tables: each vertex's
// four bytes as held (zeros where missing), the flags byte 4.
void WriteDefaultFlags(BlockWriter& out, std::span<const Reserved4> flags, std::int64_t count)
{
    out.Records(count, 4, [flags](std::uint8_t* p, std::int64_t i) {
        const auto at = static_cast<std::size_t>(i);
        if (at < flags.size())
            std::memcpy(p, flags[at].data(), 4);
        else
            std::memset(p, 0, 4);
        p[0] = kDefaultVertexFlags;
    });
}

using HeaderRecord = std::array<std::uint8_t, kFce4HeaderSize>;

// The word an FCE4M save starts with: 0 stays 0 in a model read from such a
// file, anything else is written as the version.
std::uint32_t WrittenFce4mWord(const CarModel& model)
{
    const bool unversioned = model.FileFormat == ModelOrigin::Fce4m && VersionWord(model.Fce4Header) == 0;
    return unversioned ? 0 : kFce4mVersion;
}

// The header record: its two fill areas come from the last NFSIV or FCE4M
// file read, everything else is rebuilt from the model.
std::variant<HeaderRecord, SaveFailure> BuildHeader(const CarModel& model, const Nfs4Tables& tables,
                                                    FceVariant variant)
{
    const ModelHeader& h = model.Header;
    const std::int64_t n = std::max(0, h.NumVertices);
    const std::int64_t m = std::max(0, h.NumTriangles);
    if (!BlocksFitOffsets(DataBytes(n, m, variant)))
        return OffsetOverflow();
    for (const auto* table : {&h.PriColours, &h.IntColours, &h.SecColours, &h.HairColours}) {
        if (!ComponentsFitBytes(*table))
            return SaveFailure{ErrorCode::Overflow, "a colour component lies outside 0..255"};
    }
    HeaderRecord header = model.Fce4Header;
    le::ByteWriter head(header);
    if (IsFce4m(variant))
        head.U32(WrittenFce4mWord(model));
    else
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

LoadStatus ReadNfs4Family(ByteSource& file, CarModel& model, FceVariant variant, KeptTables kept)
{
    return ParseThenCommit<Fce4Contents>(
        file, model, [variant, kept](ByteSource& bytes) { return Parse(bytes, variant, kept); },
        [variant, kept](Fce4Contents&& c, CarModel& m) { Commit(std::move(c), m, variant, kept); });
}

SaveStatus WriteNfs4Family(const CarModel& model, FceVariant variant, ByteSink& sink)
{
    const Nfs4Tables t = TablesToWrite(model);
    auto header = BuildHeader(model, t, variant);
    if (auto* failure = std::get_if<SaveFailure>(&header))
        return *failure;
    const std::int64_t n = std::max(0, model.Header.NumVertices);
    const std::int64_t m = std::max(0, model.Header.NumTriangles);
    auto set = [](VertexSet s) { return static_cast<std::size_t>(s); };

    const std::int64_t size = kFce4HeaderSize + DataBytes(n, m, variant);
    sink.Expect(size);
    BlockWriter out(sink);
    out.Bytes(std::get<HeaderRecord>(header));
    out.Vec3s(t.vertices[set(VertexSet::Normal)], n);
    out.Vec3s(t.normals[set(VertexSet::Normal)], n);
    out.Triangles(model.Triangles, m, VStorage::Flipped);
    out.Opaque(t.reserved1, n);
    out.Opaque(t.reserved2, n);
    out.Opaque(t.reserved3, n);
    out.Vec3s(t.vertices[set(VertexSet::Undamaged2)], n);
    out.Vec3s(t.normals[set(VertexSet::Undamaged2)], n);
    out.Vec3s(t.vertices[set(VertexSet::Damaged)], n);
    out.Vec3s(t.normals[set(VertexSet::Damaged)], n);
    out.Opaque(t.vertReservedA, n);
    if (t.defaultFlags)
        WriteDefaultFlags(out, t.vertFlags, n);
    else
        out.Opaque(t.vertFlags, n);
    out.Opaque(t.vertReservedB, n);
    out.Opaque(t.triReserved, m);
    if (IsFce4m(variant))
        out.Opaque(t.vertReservedC, n);
    return CheckFilled(out, size);
}

// The reader of one variant keeping the given tables.
auto ReaderOf(FceVariant variant, KeptTables kept)
{
    return [variant, kept](ByteSource& file, CarModel& model) {
        return ReadNfs4Family(file, model, variant, kept);
    };
}

} // namespace

bool HasNfs4Magic(std::span<const std::uint8_t> head)
{
    return head.size() >= kFce4Magic.size() && std::equal(kFce4Magic.begin(), kFce4Magic.end(), head.begin());
}

LoadStatus ReadFCE4(std::span<const std::uint8_t> file, CarModel& model)
{
    return ReadFCE4(file, model, KeptTables::All);
}

LoadStatus ReadFCE4(std::span<const std::uint8_t> file, CarModel& model, KeptTables kept)
{
    MemorySource source(file);
    return ReadNfs4Family(source, model, FceVariant::Nfs4, kept);
}

LoadStatus ReadFCE4M(std::span<const std::uint8_t> file, CarModel& model)
{
    return ReadFCE4M(file, model, KeptTables::All);
}

LoadStatus ReadFCE4M(std::span<const std::uint8_t> file, CarModel& model, KeptTables kept)
{
    MemorySource source(file);
    return ReadNfs4Family(source, model, FceVariant::Fce4m, kept);
}

LoadStatus LoadFCE4(CarModel& model, const std::string& path)
{
    return LoadFCE4(model, path, KeptTables::All);
}

LoadStatus LoadFCE4(CarModel& model, const std::string& path, KeptTables kept)
{
    LoadStatus status = LoadWith(model, path, ReaderOf(FceVariant::Nfs4, kept));
    // A file too large to be read whole is still told apart by its first
    // bytes, so a big file of another kind gets the message of its kind.
    if (status && status->code == ErrorCode::OutOfMemory && !HasNfs4Magic(ReadFileHead(path, kFce4Magic.size())))
        return NotNfs4();
    return status;
}

LoadStatus LoadFCE4M(CarModel& model, const std::string& path)
{
    return LoadFCE4M(model, path, KeptTables::All);
}

LoadStatus LoadFCE4M(CarModel& model, const std::string& path, KeptTables kept)
{
    LoadStatus status = LoadWith(model, path, ReaderOf(FceVariant::Fce4m, kept));
    if (status && status->code == ErrorCode::OutOfMemory &&
        CheckVersionWord(ReadFileHead(path, 4), FceVariant::Fce4m))
        return NotFce4mWord();
    return status;
}

void codec::PrepareNfs4Save(CarModel& model, FceVariant variant)
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
    // An FCE4M save of a model without the extra bytes writes zeros for them.
    if (IsFce4m(variant) && model.FileFormat != ModelOrigin::Fce4m)
        model.VertReservedC.assign(n, ReservedByte{});
    SetVertices(model, model.ActiveVertexSet) = model.Vertices;
    SetNormals(model, model.ActiveVertexSet) = model.Normals;
    auto header = BuildHeader(model, TablesToWrite(model), variant);
    if (auto* built = std::get_if<HeaderRecord>(&header))
        model.Fce4Header = *built;
}

SaveStatus codec::WriteFCE4(const CarModel& model, ByteSink& sink)
{
    return WriteNfs4Family(model, FceVariant::Nfs4, sink);
}

SaveStatus codec::WriteFCE4M(const CarModel& model, ByteSink& sink)
{
    return WriteNfs4Family(model, FceVariant::Fce4m, sink);
}

EncodedFile EncodeFCE4(const CarModel& model)
{
    return EncodeWith(model, codec::WriteFCE4);
}

EncodedFile EncodeFCE4M(const CarModel& model)
{
    return EncodeWith(model, codec::WriteFCE4M);
}

SaveStatus SaveFCE4(const CarModel& model, const std::string& path)
{
    return SaveWith(model, path, codec::WriteFCE4);
}

SaveStatus SaveFCE4M(const CarModel& model, const std::string& path)
{
    return SaveWith(model, path, codec::WriteFCE4M);
}

std::int64_t Fce4mFileSize(std::int64_t vertices, std::int64_t triangles)
{
    return kFce4HeaderSize + DataBytes(vertices, triangles, FceVariant::Fce4m);
}

} // namespace mobrix
