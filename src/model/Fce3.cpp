// The NFSIII variant: a 7940-byte header followed by six data blocks at
// positions the header gives relative to its end.

#include "FceCodec.h"
#include "FceFiles.h"
#include "FileIO.h"

#include <algorithm>
#include <new>
#include <span>
#include <variant>

namespace mobrix {

using namespace codec;

namespace {

constexpr int kGeometryAt = 0x28;
constexpr int kPriColoursAt = 0x07FC;
constexpr int kNamesAt = 0x0A04;
constexpr int kHeaderTailAt = 0x1E04;
constexpr int kNfs3PartNameSlots = 16; // names the NFSIII writer keeps

struct Fce3Contents {
    ModelHeader header;
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;
    std::vector<Triangle> triangles;
    std::vector<Reserved32> reserved1;
    std::vector<Reserved12> reserved2;
    std::vector<Reserved12> reserved3;
};

void ReadColours(le::ByteReader& in, std::array<Colour, kColourSlots>& colours)
{
    for (Colour& c : colours) {
        c.Hue = in.I32();
        c.Saturation = in.I32();
        c.Brightness = in.I32();
        c.Tolerance = in.I32();
    }
}

void WriteColours(le::ByteWriter& out, const std::array<Colour, kColourSlots>& colours)
{
    for (const Colour& c : colours) {
        out.I32(c.Hue);
        out.I32(c.Saturation);
        out.I32(c.Brightness);
        out.I32(c.Tolerance);
    }
}

ModelHeader ReadHeader(le::ByteReader& in)
{
    ModelHeader h;
    in.Seek(0);
    in.Chars(std::span<char>(h.HeaderTag));
    h.NumTriangles = in.I32();
    h.NumVertices = in.I32();
    h.NumArts = in.I32();
    h.VerticesOffset = in.I32();
    h.NormalsOffset = in.I32();
    h.TrianglesOffset = in.I32();
    h.Reserved1Offset = in.I32();
    h.Reserved2Offset = in.I32();
    h.Reserved3Offset = in.I32();
    in.Seek(kGeometryAt);
    ReadGeometrySection(in, h);
    in.Seek(kPriColoursAt);
    h.NumPriColours = in.I32();
    ReadColours(in, h.PriColours);
    h.NumSecColours = in.I32();
    ReadColours(in, h.SecColours);
    in.Seek(kNamesAt);
    ReadNames(in, h);
    in.Seek(kHeaderTailAt);
    in.Bytes(h.HeaderTail);
    return h;
}

struct Layout {
    std::int32_t vertices, normals, triangles, reserved1, reserved2, reserved3;
    std::int64_t fileSize;
};

// Blocks back to back in file order, no gaps.
Layout BackToBack(std::int64_t n, std::int64_t m)
{
    Layout l{};
    l.vertices = 0;
    l.normals = static_cast<std::int32_t>(12 * n);
    l.triangles = static_cast<std::int32_t>(24 * n);
    l.reserved1 = static_cast<std::int32_t>(24 * n + 56 * m);
    l.reserved2 = static_cast<std::int32_t>(l.reserved1 + 32 * n);
    l.reserved3 = static_cast<std::int32_t>(l.reserved2 + 12 * n);
    l.fileSize = kFce3HeaderSize + 80 * n + 56 * m;
    return l;
}

struct Blocks {
    Block vertices, normals, triangles, reserved1, reserved2, reserved3;
};

Blocks BlocksOf(const ModelHeader& h)
{
    const std::int64_t n = h.NumVertices;
    const std::int64_t m = h.NumTriangles;
    return {{"vertex", h.VerticesOffset, n, kVec3Size},    {"normal", h.NormalsOffset, n, kVec3Size},
            {"triangle", h.TrianglesOffset, m, kTriangleSize}, {"reserved 1", h.Reserved1Offset, n, 32},
            {"reserved 2", h.Reserved2Offset, n, 12},          {"reserved 3", h.Reserved3Offset, n, 12}};
}

LoadFailure ShorterThanHeader(std::uint64_t fileSize)
{
    return Absurd("the file is " + std::to_string(fileSize) + " bytes long, shorter than the " +
                  std::to_string(kFce3HeaderSize) + "-byte header");
}

// The size rules of the variant: sound counts, and every block inside a
// file of `fileSize` bytes.
LoadStatus CheckLayout(const ModelHeader& h, std::uint64_t fileSize)
{
    if (auto failure = CheckHeaderCounts(h))
        return failure;
    const Blocks b = BlocksOf(h);
    return CheckBlocks(static_cast<std::size_t>(fileSize), kFce3HeaderSize,
                       {b.vertices, b.normals, b.triangles, b.reserved1, b.reserved2, b.reserved3});
}

std::variant<Fce3Contents, LoadFailure> Parse(ByteSource& file)
{
    const auto fileSize = static_cast<std::uint64_t>(file.Size());
    if (fileSize < static_cast<std::uint64_t>(kFce3HeaderSize))
        return ShorterThanHeader(fileSize);
    std::array<std::uint8_t, kFce3HeaderSize> head{};
    file.Read(0, head);
    le::ByteReader in(head);
    Fce3Contents c;
    c.header = ReadHeader(in);
    if (auto failure = CheckLayout(c.header, fileSize))
        return *failure;

    const Blocks b = BlocksOf(c.header);
    c.vertices = ReadVec3s(file, b.vertices, kFce3HeaderSize);
    c.normals = ReadVec3s(file, b.normals, kFce3HeaderSize);
    c.triangles = ReadTriangles(file, b.triangles, kFce3HeaderSize, VStorage::AsIs);
    c.reserved1 = ReadOpaque<32>(file, b.reserved1, kFce3HeaderSize);
    c.reserved2 = ReadOpaque<12>(file, b.reserved2, kFce3HeaderSize);
    c.reserved3 = ReadOpaque<12>(file, b.reserved3, kFce3HeaderSize);
    if (file.failed() || in.failed())
        return Absurd("a read went past the end of the file");
    return c;
}


void Commit(Fce3Contents&& c, CarModel& model)
{
    // The NFSIII header has no interior or hair colours; those tables keep
    // what they held, as does the NFSIV header record. Everything that
    // allocates comes before the first change to the model.
    c.header.IntColours = model.Header.IntColours;
    c.header.HairColours = model.Header.HairColours;
    SelectionTables selection = ClearedSelection(c.header);
    model.Header = std::move(c.header);
    model.Vertices = std::move(c.vertices);
    model.Normals = std::move(c.normals);
    model.Triangles = std::move(c.triangles);
    model.Reserved1 = std::move(c.reserved1);
    model.Reserved2 = std::move(c.reserved2);
    model.Reserved3 = std::move(c.reserved3);
    ClearNfs4Tables(model);
    model.FileFormat = ModelOrigin::Nfs3;
    model.CurrentPart = 0;
    model.CurrentDummy = 0;
    AdoptSelection(model, std::move(selection));
}

LoadStatus ReadFrom(ByteSource& file, CarModel& model)
{
    return ParseThenCommit<Fce3Contents>(file, model, Parse, Commit);
}

// The part count an NFSIII save of a model converted from 3DS keeps: no
// more than the name slots the variant writes.
std::int32_t Nfs3PartCount(const CarModel& model)
{
    const std::int32_t parts = model.Header.NumParts;
    return model.FileFormat == ModelOrigin::From3ds && parts >= 17 ? kNfs3PartNameSlots : parts;
}

} // namespace

bool codec::Nfs3SizeRulesHold(std::span<const std::uint8_t> head, std::uint64_t fileSize)
{
    if (head.size() < static_cast<std::size_t>(kFce3HeaderSize) || fileSize < static_cast<std::uint64_t>(kFce3HeaderSize))
        return false;
    le::ByteReader in(head);
    return !CheckLayout(ReadHeader(in), fileSize);
}

LoadStatus ReadFCE3(std::span<const std::uint8_t> file, CarModel& model)
{
    MemorySource source(file);
    return ReadFrom(source, model);
}

LoadStatus LoadFCE(CarModel& model, const std::string& path)
{
    return LoadWith(model, path, ReadFrom);
}

void codec::PrepareNfs3Save(CarModel& model)
{
    if (model.FileFormat != ModelOrigin::From3ds)
        return;
    ModelHeader& h = model.Header;
    if (h.NumParts != Nfs3PartCount(model)) {
        h.PartNames.resize(kNfs3PartNameSlots);
        h.NumParts = kNfs3PartNameSlots;
    }
    BlankReservedBlocks(model);
}

SaveStatus codec::WriteFCE3(const CarModel& model, ByteSink& sink)
{
    const ModelHeader& h = model.Header;
    // A model converted from 3DS has no reserved blocks of its own: they are
    // written as zeros, as PrepareNfs3Save leaves them.
    const bool converted = model.FileFormat == ModelOrigin::From3ds;
    const std::int32_t parts = Nfs3PartCount(model);
    const std::int64_t n = std::max(0, h.NumVertices);
    const std::int64_t m = std::max(0, h.NumTriangles);
    if (!BlocksFitOffsets(80 * n + 56 * m))
        return OffsetOverflow();
    const Layout layout = BackToBack(n, m);
    std::array<std::uint8_t, kFce3HeaderSize> header{};
    le::ByteWriter out(header);

    out.Chars(std::span<const char>(h.HeaderTag));
    out.I32(h.NumTriangles);
    out.I32(h.NumVertices);
    out.I32(h.NumArts);
    for (std::int32_t offset : {layout.vertices, layout.normals, layout.triangles, layout.reserved1,
                                layout.reserved2, layout.reserved3})
        out.I32(offset);
    out.Seek(kGeometryAt);
    WriteGeometrySection(out, h, parts, HalfSizes(model, model.Vertices, std::clamp(parts, 0, kPartSlots)));
    out.Seek(kPriColoursAt);
    out.I32(h.NumPriColours);
    WriteColours(out, h.PriColours);
    out.I32(h.NumSecColours);
    WriteColours(out, h.SecColours);
    out.Seek(kNamesAt);
    WriteDummyNames(out, h);
    WritePartNames(out, h, kNfs3PartNameSlots); // slots 16..63 of the file stay zero
    out.Seek(kHeaderTailAt);
    out.Bytes(h.HeaderTail);
    if (auto failure = CheckFilled(out, kFce3HeaderSize))
        return failure;

    sink.Expect(layout.fileSize);
    BlockWriter blocks(sink);
    blocks.Bytes(header);
    blocks.Vec3s(model.Vertices, n);
    blocks.Vec3s(model.Normals, n);
    blocks.Triangles(model.Triangles, m, VStorage::AsIs);
    blocks.Opaque<32>(converted ? std::span<const Reserved32>{} : model.Reserved1, n);
    blocks.Opaque<12>(converted ? std::span<const Reserved12>{} : model.Reserved2, n);
    blocks.Opaque<12>(converted ? std::span<const Reserved12>{} : model.Reserved3, n);
    return CheckFilled(blocks, layout.fileSize);
}

EncodedFile EncodeFCE3(const CarModel& model)
{
    return EncodeWith(model, codec::WriteFCE3);
}

SaveStatus SaveFCE3(const CarModel& model, const std::string& path)
{
    return SaveWith(model, path, codec::WriteFCE3);
}

} // namespace mobrix
