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

std::variant<Fce3Contents, LoadFailure> Parse(std::span<const std::uint8_t> file)
{
    le::ByteReader in(file);
    if (!in.Fits(0, kFce3HeaderSize))
        return Absurd("the file is " + std::to_string(file.size()) + " bytes long, shorter than the " +
                      std::to_string(kFce3HeaderSize) + "-byte header");
    Fce3Contents c;
    c.header = ReadHeader(in);
    const ModelHeader& h = c.header;
    if (auto failure = CheckHeaderCounts(h))
        return *failure;

    const std::int64_t n = h.NumVertices;
    const std::int64_t m = h.NumTriangles;
    const Block vertices{"vertex", h.VerticesOffset, n, kVec3Size};
    const Block normals{"normal", h.NormalsOffset, n, kVec3Size};
    const Block triangles{"triangle", h.TrianglesOffset, m, kTriangleSize};
    const Block reserved1{"reserved 1", h.Reserved1Offset, n, 32};
    const Block reserved2{"reserved 2", h.Reserved2Offset, n, 12};
    const Block reserved3{"reserved 3", h.Reserved3Offset, n, 12};
    if (auto failure =
            CheckBlocks(file.size(), kFce3HeaderSize, {vertices, normals, triangles, reserved1, reserved2, reserved3}))
        return *failure;

    c.vertices = ReadVec3s(in, vertices, kFce3HeaderSize);
    c.normals = ReadVec3s(in, normals, kFce3HeaderSize);
    c.triangles = ReadTriangles(in, triangles, kFce3HeaderSize, VStorage::AsIs);
    c.reserved1 = ReadOpaque<32>(in, reserved1, kFce3HeaderSize);
    c.reserved2 = ReadOpaque<12>(in, reserved2, kFce3HeaderSize);
    c.reserved3 = ReadOpaque<12>(in, reserved3, kFce3HeaderSize);
    if (in.failed())
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

// The part count an NFSIII save of a model converted from 3DS keeps: no
// more than the name slots the variant writes.
std::int32_t Nfs3PartCount(const CarModel& model)
{
    const std::int32_t parts = model.Header.NumParts;
    return model.FileFormat == ModelOrigin::From3ds && parts >= 17 ? kNfs3PartNameSlots : parts;
}

} // namespace

LoadStatus ReadFCE3(std::span<const std::uint8_t> file, CarModel& model)
{
    return ParseThenCommit<Fce3Contents>(file, model, Parse, Commit);
}

LoadStatus LoadFCE(CarModel& model, const std::string& path)
{
    return LoadWith(model, path, ReadFCE3);
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

EncodedFile EncodeFCE3(const CarModel& model)
{
    const ModelHeader& h = model.Header;
    // A model converted from 3DS has no reserved blocks of its own: they are
    // written as zeros, as PrepareNfs3Save leaves them.
    const bool converted = model.FileFormat == ModelOrigin::From3ds;
    const std::int32_t parts = Nfs3PartCount(model);
    const std::int64_t n = std::max(0, h.NumVertices);
    const std::int64_t m = std::max(0, h.NumTriangles);
    if (!BlocksFitOffsets(80 * n + 56 * m))
        return {{}, OffsetOverflow()};
    const Layout layout = BackToBack(n, m);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(layout.fileSize));
    le::ByteWriter out(bytes);

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

    out.Seek(kFce3HeaderSize);
    WriteVec3s(out, model.Vertices, n);
    WriteVec3s(out, model.Normals, n);
    WriteTriangles(out, model.Triangles, m, VStorage::AsIs);
    WriteOpaque<32>(out, converted ? std::span<const Reserved32>{} : model.Reserved1, n);
    WriteOpaque<12>(out, converted ? std::span<const Reserved12>{} : model.Reserved2, n);
    WriteOpaque<12>(out, converted ? std::span<const Reserved12>{} : model.Reserved3, n);
    if (auto failure = CheckFilled(out, layout.fileSize))
        return {{}, failure};
    return {std::move(bytes), std::nullopt};
}

SaveStatus SaveFCE3(const CarModel& model, const std::string& path)
{
    return SaveWith(model, path, EncodeFCE3);
}

} // namespace mobrix
