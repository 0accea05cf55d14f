#include "ThreeDs.h"

#include "ExchangeCommon.h"
#include "FileErrors.h"
#include "LittleEndian.h"
#include "PartFiles.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <map>
#include <set>

namespace mobrix {

using namespace exchange;

namespace {

std::string Hex(std::uint16_t id)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(id));
    return text;
}

// --- Reading ----------------------------------------------------------------

struct Chunk {
    std::uint16_t id = 0;
    std::int64_t start = 0; // position of the header
    std::int64_t end = 0;   // first byte after the chunk
    std::int64_t data() const { return start + kChunkHeaderSize; }
    std::int64_t dataSize() const { return end - data(); }
};

class ChunkReader {
public:
    explicit ChunkReader(std::span<const std::uint8_t> file) : in_(file) {}

    std::int64_t size() const { return static_cast<std::int64_t>(in_.size()); }

    // The chunk whose header starts at `pos`; it must lie wholly inside its
    // parent, which ends at `parentEnd`.
    ExchangeStatus Header(std::int64_t pos, std::int64_t parentEnd, Chunk& out)
    {
        if (parentEnd - pos < kChunkHeaderSize)
            return Truncated("a chunk header at byte " + std::to_string(pos) + " is cut short by " +
                             Enclosing(parentEnd));
        in_.Seek(pos);
        out.id = in_.U16();
        const std::int64_t length = in_.U32();
        out.start = pos;
        out.end = pos + length;
        if (length < kChunkHeaderSize)
            return Failed(ExchangeErrorCode::InvalidFileFormat, "chunk " + Hex(out.id) + " at byte " +
                                                                    std::to_string(pos) + " has the length " +
                                                                    std::to_string(length) + ", less than its header");
        if (length > parentEnd - pos)
            return Truncated("chunk " + Hex(out.id) + " at byte " + std::to_string(pos) + " of " +
                             std::to_string(length) + " bytes leaves " + Enclosing(parentEnd));
        return std::nullopt;
    }

    // The count (int16) at the start of a list chunk, checked against the
    // chunk: `entryBytes` per entry must fit in it.
    ExchangeStatus Count(const Chunk& chunk, int entryBytes, const char* what, std::int64_t& count)
    {
        if (chunk.dataSize() < 2)
            return Truncated(std::string(what) + " chunk at byte " + std::to_string(chunk.start) + " has no count");
        in_.Seek(chunk.data());
        count = static_cast<std::int16_t>(in_.U16());
        if (count < 0)
            return Overflow(std::string(what) + " chunk at byte " + std::to_string(chunk.start) + " counts " +
                            std::to_string(count + 65536) + " entries; at most " + std::to_string(kMax3dsCount) +
                            " can be read");
        if (2 + count * entryBytes > chunk.dataSize())
            return Truncated(std::string(what) + " chunk at byte " + std::to_string(chunk.start) + " of " +
                             std::to_string(chunk.end - chunk.start) + " bytes is too short for its " +
                             std::to_string(count) + " entries");
        return std::nullopt;
    }

    le::ByteReader& in() { return in_; }

private:
    std::string Enclosing(std::int64_t parentEnd) const
    {
        return parentEnd == size() ? "the file" : "its parent chunk (which ends at byte " +
                                                      std::to_string(parentEnd) + ")";
    }

    le::ByteReader in_;
};

struct MeshReading {
    std::vector<Vec3> vertices;
    std::vector<Triangle> triangles;
    std::vector<std::array<float, 2>> mapping;
    bool hasMapping = false;
};

ExchangeStatus ReadVertexList(ChunkReader& r, const Chunk& c, MeshReading& mesh, bool& empty)
{
    std::int64_t count = 0;
    if (auto failure = r.Count(c, 12, "vertex list", count))
        return failure;
    empty = count == 0;
    // Count() checked that the entries lie inside the chunk.
    const auto bytes = r.in().Span(c.data() + 2, 12 * count);
    mesh.vertices.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        const std::uint8_t* p = bytes.data() + 12 * i;
        mesh.vertices[i] = {le::Load<float>(p), le::Load<float>(p + 4), le::Load<float>(p + 8)};
    }
    return std::nullopt;
}

// Sub-chunks after the faces (materials, smoothing groups) are not read.
ExchangeStatus ReadFaceList(ChunkReader& r, const Chunk& c, MeshReading& mesh)
{
    std::int64_t count = 0;
    if (auto failure = r.Count(c, 8, "face list", count))
        return failure;
    const auto bytes = r.in().Span(c.data() + 2, 8 * count);
    mesh.triangles.assign(static_cast<std::size_t>(count), Triangle{});
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        const std::uint8_t* p = bytes.data() + 8 * i;
        Triangle& t = mesh.triangles[i];
        t.I1 = le::Load<std::int16_t>(p);
        t.I2 = le::Load<std::int16_t>(p + 2);
        t.I3 = le::Load<std::int16_t>(p + 4);
        // the face flags at p + 6 are not kept
    }
    return std::nullopt;
}

ExchangeStatus ReadMapping(ChunkReader& r, const Chunk& c, MeshReading& mesh)
{
    std::int64_t count = 0;
    if (auto failure = r.Count(c, 8, "mapping coordinate", count))
        return failure;
    const auto bytes = r.in().Span(c.data() + 2, 8 * count);
    mesh.mapping.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < mesh.mapping.size(); ++i)
        mesh.mapping[i] = {le::Load<float>(bytes.data() + 8 * i), le::Load<float>(bytes.data() + 8 * i + 4)};
    mesh.hasMapping = true;
    return std::nullopt;
}

// Corners must name vertices of the mesh, and mapping pairs when the mesh
// has them; then every corner gets the U, V pair of its vertex (V as stored).
ExchangeStatus FinishMesh(const std::string& name, MeshReading& mesh)
{
    if (auto failure = CheckCorners(mesh.triangles, static_cast<std::int64_t>(mesh.vertices.size()),
                                    "object '" + name + "'"))
        return failure;
    const auto pairs = static_cast<std::int64_t>(mesh.mapping.size());
    for (std::size_t f = 0; f < mesh.triangles.size(); ++f) {
        Triangle& t = mesh.triangles[f];
        for (std::int32_t corner : {t.I1, t.I2, t.I3}) {
            if (mesh.hasMapping && corner >= pairs)
                return OutOfRange("object '" + name + "': face " + std::to_string(f + 1) + " has corner " +
                                  std::to_string(corner) + " beyond its " + std::to_string(pairs) +
                                  " mapping coordinates");
        }
        if (mesh.hasMapping) {
            const auto& a = mesh.mapping[static_cast<std::size_t>(t.I1)];
            const auto& b = mesh.mapping[static_cast<std::size_t>(t.I2)];
            const auto& c = mesh.mapping[static_cast<std::size_t>(t.I3)];
            t.U1 = a[0];
            t.V1 = a[1];
            t.U2 = b[0];
            t.V2 = b[1];
            t.U3 = c[0];
            t.V3 = c[1];
        }
    }
    return std::nullopt;
}

// One triangle mesh chunk. Adds a mesh to `meshes` unless its vertex list
// is missing or empty.
ExchangeStatus ReadMesh(ChunkReader& r, const Chunk& meshChunk, const std::string& name,
                        std::vector<ThreeDsMesh>& meshes)
{
    MeshReading mesh;
    bool empty = true;
    for (std::int64_t pos = meshChunk.data(); pos < meshChunk.end;) {
        Chunk c;
        if (auto failure = r.Header(pos, meshChunk.end, c))
            return failure;
        ExchangeStatus failure;
        switch (c.id) {
        case ChunkId::VertexList: failure = ReadVertexList(r, c, mesh, empty); break;
        case ChunkId::FaceList: failure = ReadFaceList(r, c, mesh); break;
        case ChunkId::MappingCoordinates: failure = ReadMapping(r, c, mesh); break;
        default: break;
        }
        if (failure)
            return failure;
        if (c.id == ChunkId::VertexList && empty)
            return std::nullopt; // an empty vertex list ends the mesh: no part
        pos = c.end;
    }
    if (empty)
        return std::nullopt;
    if (auto failure = FinishMesh(name, mesh))
        return failure;
    meshes.push_back({name, std::move(mesh.vertices), std::move(mesh.triangles)});
    return std::nullopt;
}

// The object name: the bytes up to the first NUL, which must lie in the chunk.
ExchangeStatus ReadObjectName(ChunkReader& r, const Chunk& c, std::string& name, std::int64_t& after)
{
    const auto data = r.in().Span(c.data(), c.dataSize());
    const auto nul = std::find(data.begin(), data.end(), std::uint8_t{0});
    if (nul == data.end())
        return Truncated("the name of the object at byte " + std::to_string(c.start) + " has no end within its chunk");
    name.assign(data.begin(), nul);
    after = c.data() + (nul - data.begin()) + 1;
    return std::nullopt;
}

} // namespace

ExchangeStatus Parse3DS(std::span<const std::uint8_t> file, std::size_t objectLimit, std::vector<ThreeDsMesh>& meshes)
{
    ChunkReader r(file);
    Chunk main;
    if (r.size() < kChunkHeaderSize)
        return Failed(ExchangeErrorCode::InvalidFileFormat, "the file is too short to be a 3DS file");
    if (le::Load<std::uint16_t>(file.data()) != ChunkId::Main)
        return Failed(ExchangeErrorCode::InvalidFileFormat,
                      "not a 3DS file: it starts with chunk " + Hex(le::Load<std::uint16_t>(file.data())) +
                          " instead of the main chunk " + Hex(ChunkId::Main));
    if (auto failure = r.Header(0, r.size(), main))
        return failure;

    // Ends of the chunks that are open around the read position.
    std::vector<std::int64_t> open{main.end};
    std::int64_t pos = main.data();
    std::string objectName;
    while (!open.empty()) {
        if (pos == open.back()) {
            open.pop_back();
            continue;
        }
        Chunk c;
        if (auto failure = r.Header(pos, open.back(), c))
            return failure;
        pos = c.end;
        switch (c.id) {
        case ChunkId::Main:
        case ChunkId::Editor:
            open.push_back(c.end);
            pos = c.data();
            break;
        case ChunkId::NamedObject:
            if (auto failure = ReadObjectName(r, c, objectName, pos))
                return failure;
            open.push_back(c.end);
            break;
        case ChunkId::TriangleMesh:
            if (meshes.size() < objectLimit) {
                if (auto failure = ReadMesh(r, c, objectName, meshes))
                    return failure;
            }
            break;
        default: break; // version, materials, keyframer, ...: skipped whole
        }
    }
    return std::nullopt;
}

namespace {


void AppendMeshes(CarModel& model, std::vector<ThreeDsMesh>&& meshes)
{
    std::size_t vertices = 0;
    std::size_t triangles = 0;
    for (const ThreeDsMesh& mesh : meshes) {
        vertices += mesh.vertices.size();
        triangles += mesh.triangles.size();
    }
    ReserveForParts(model, vertices, triangles, meshes.size());
    for (ThreeDsMesh& mesh : meshes) {
        PartTables tables{std::move(mesh.vertices), {}, std::move(mesh.triangles)};
        AppendPart(model, MakeName(mesh.name), std::move(tables), ReservedOnAppend::Keep, SelectionOnAppend::Keep);
    }
}

// At most 64 parts in all; 32767 vertices a mesh keeps the totals in range.
std::size_t ObjectRoom(const CarModel& model)
{
    return static_cast<std::size_t>(std::clamp(kMaxConvertedObjects - model.Header.NumParts, 0, kMaxConvertedObjects));
}

ExchangeStatus CheckTotals(const CarModel& model, const std::vector<ThreeDsMesh>& meshes)
{
    std::int64_t vertices = 0;
    std::int64_t triangles = 0;
    for (const ThreeDsMesh& mesh : meshes) {
        vertices += static_cast<std::int64_t>(mesh.vertices.size());
        triangles += static_cast<std::int64_t>(mesh.triangles.size());
    }
    return meshes.empty() ? std::nullopt : CheckRoomForPart(model, vertices, triangles);
}

} // namespace

ExchangeStatus Read3DS(CarModel& model, std::span<const std::uint8_t> file)
{
    try {
        std::vector<ThreeDsMesh> meshes;
        if (auto failure = Parse3DS(file, ObjectRoom(model), meshes))
            return failure;
        if (auto failure = CheckTotals(model, meshes))
            return failure;
        AppendMeshes(model, std::move(meshes));
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

void Finish3DSConversion(CarModel& model)
{
    ModelHeader& h = model.Header;
    const auto count = std::min(static_cast<std::size_t>(std::max(0, h.NumVertices)), model.Vertices.size());
    float half[3] = {0, 0, 0};
    for (std::size_t i = 0; i < count; ++i) {
        const Vec3& v = model.Vertices[i];
        half[0] = std::max(half[0], std::fabs(v.X));
        half[1] = std::max(half[1], std::fabs(v.Y));
        half[2] = std::max(half[2], std::fabs(v.Z));
    }
    h.XHalfSize = half[0];
    h.YHalfSize = half[1];
    h.ZHalfSize = half[2];
    model.FileFormat = ModelOrigin::From3ds;
    // The model no longer is the file that was open before; a later save
    // must ask where to write.
    model.FileName.clear();
    model.CurrentPart = 0;
    model.CurrentDummy = 0;
    ResetSelection(model);
}

ExchangeStatus Convert3DS(CarModel& model, std::span<const std::uint8_t> file)
{
    // The converted model is built apart and replaces the model only when
    // the whole file was read, so a refused file (or no memory) changes
    // nothing. It keeps what a new model keeps of the old one.
    try {
        CarModel converted;
        converted.Header = model.Header;
        converted.Fce4Header = model.Fce4Header;
        converted.TextureFileName = model.TextureFileName;
        NewFCE(converted);
        if (auto failure = Read3DS(converted, file))
            return failure;
        Finish3DSConversion(converted);
        model = std::move(converted);
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

ExchangeStatus Convert3DS(CarModel& model, const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (auto failure = ReadInputFile(path, bytes))
        return failure;
    return Convert3DS(model, bytes);
}

// --- Part files ----------------------------------------------------------------

std::string PartFileNameForObject(const std::string& objectName)
{
    const std::string trimmed = TrimmedName(objectName);
    std::string stem;
    for (char c : trimmed) {
        const auto u = static_cast<unsigned char>(c);
        const bool safe = std::isalnum(u) || c == ' ' || c == '_' || c == '-' || c == '.' || c == '(' || c == ')' ||
                          c == '+';
        stem.push_back(u < 128 && safe ? c : '_');
    }
    // No hidden files and no "." or ".." names; names stay as short as a name field.
    stem.erase(0, std::min(stem.find_first_not_of(". "), stem.size()));
    stem.resize(std::min<std::size_t>(stem.size(), kNameLength));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    if (stem.empty())
        stem = "Object";
    return stem + ".PRT";
}

namespace {

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The file names one conversion has given out, compared without letter case
// (as on the file systems modellers share files with), and for each stem the
// number to try next, so that many objects of one name stay linear.
struct FileNamesInUse {
    std::set<std::string> used;
    std::map<std::string, int> nextNumber;
};

// The object's file name, or the first free "NAME (k).PRT" when an earlier
// object of this conversion has it.
std::string UniqueFileName(const std::string& objectName, FileNamesInUse& names, bool& renamed)
{
    const std::string wanted = PartFileNameForObject(objectName);
    renamed = false;
    std::string name = wanted;
    const std::string stem = wanted.substr(0, wanted.size() - 4);
    int& next = names.nextNumber.try_emplace(Upper(stem), 2).first->second;
    while (names.used.count(Upper(name))) {
        name = stem + " (" + std::to_string(next++) + ").PRT";
        renamed = true;
    }
    names.used.insert(Upper(name));
    return name;
}

} // namespace

ThreeDsToPartsResult Read3DSToParts(std::span<const std::uint8_t> file, const std::string& folder)
{
    ThreeDsToPartsResult result;
    try {
        std::vector<ThreeDsMesh> meshes;
        if ((result.failure = Parse3DS(file, std::numeric_limits<std::size_t>::max(), meshes)))
            return result;
        FileNamesInUse used;
        const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
        for (const ThreeDsMesh& mesh : meshes) {
            WrittenPartFile written;
            written.objectName = mesh.name;
            written.path = prefix + UniqueFileName(mesh.name, used, written.renamed);
            const std::vector<Vec3> normals(mesh.vertices.size());
            const std::vector<std::uint8_t> bytes =
                EncodeBinaryPartFile(TerminatedName(mesh.name), mesh.vertices, normals, mesh.triangles);
            if ((result.failure = WriteOutputFile(written.path, bytes)))
                return result;
            result.written.push_back(std::move(written));
        }
    } catch (const std::bad_alloc&) {
        result.failure = NoMemory();
    }
    return result;
}

ThreeDsToPartsResult Read3DSToParts(const std::string& path, const std::string& folder)
{
    std::vector<std::uint8_t> bytes;
    if (auto failure = ReadInputFile(path, bytes))
        return {{}, failure};
    return Read3DSToParts(bytes, folder);
}

// --- Writing ---------------------------------------------------------------------

std::string ExportObjectName(const Name64& name)
{
    const auto nul = std::find(name.begin(), name.end(), '\0');
    if (nul != name.end())
        return std::string(name.begin(), nul + 1);
    // Without a NUL the object would have no name end and the file could not
    // be read back.
    return TrimmedName(name) + '\0';
}

ExchangeStatus Encode3DS(const CarModel& model, std::vector<std::uint8_t>& out)
{
    struct Object {
        std::string name;
        PartSpan span;
    };
    std::vector<Object> objects;
    std::int64_t total = 22;
    const int parts = UsablePartCount(model.Header);
    for (int p = 0; p < parts; ++p) {
        Object object;
        if (auto failure = LocatePart(model, p, object.span))
            return failure;
        const PartSpan& s = object.span;
        if (s.vertices > kMax3dsCount || s.triangles > kMax3dsCount)
            return Overflow("part " + std::to_string(p + 1) + " has " + std::to_string(s.vertices) + " vertices and " +
                            std::to_string(s.triangles) + " triangles; a 3DS mesh holds at most " +
                            std::to_string(kMax3dsCount) + " of each");
        std::vector<Triangle> copy;
        if (auto failure = CheckCorners(ContiguousRows(model.Triangles, s.firstTriangle, s.triangles, copy),
                                        static_cast<std::int64_t>(s.vertices), "part " + std::to_string(p + 1)))
            return failure;
        object.name = ExportObjectName(PartName(model, p));
        total += 28 + static_cast<std::int64_t>(object.name.size()) + 12 * static_cast<std::int64_t>(s.vertices) +
                 8 * static_cast<std::int64_t>(s.triangles);
        objects.push_back(std::move(object));
    }
    if (total > std::numeric_limits<std::uint32_t>::max())
        return Overflow("the model is too large for the 32-bit chunk lengths of a 3DS file");

    out.assign(static_cast<std::size_t>(total), 0);
    le::ByteWriter w(out);
    const auto header = [&w](std::uint16_t id, std::int64_t length) {
        w.U16(id);
        w.U32(static_cast<std::uint32_t>(length));
    };
    header(ChunkId::Main, total);
    header(ChunkId::Version, 10);
    w.I32(3);
    header(ChunkId::Editor, total - 16);
    for (const Object& object : objects) {
        const auto n = static_cast<std::int64_t>(object.span.vertices);
        const auto m = static_cast<std::int64_t>(object.span.triangles);
        header(ChunkId::NamedObject, static_cast<std::int64_t>(object.name.size()) + 28 + 12 * n + 8 * m);
        w.Chars(std::span<const char>(object.name));
        header(ChunkId::TriangleMesh, 12 * n + 8 * m + 22);
        header(ChunkId::VertexList, 12 * n + 8);
        w.U16(static_cast<std::uint16_t>(n));
        for (std::size_t i = object.span.firstVertex; i < object.span.firstVertex + object.span.vertices; ++i) {
            const Vec3& v = model.Vertices[i];
            w.F32(v.X);
            w.F32(v.Y);
            w.F32(v.Z);
        }
        header(ChunkId::FaceList, 8 * m + 8);
        w.U16(static_cast<std::uint16_t>(m));
        for (std::size_t t = object.span.firstTriangle; t < object.span.firstTriangle + object.span.triangles; ++t) {
            const Triangle& tri = model.Triangles[t];
            w.U16(static_cast<std::uint16_t>(tri.I1));
            w.U16(static_cast<std::uint16_t>(tri.I2));
            w.U16(static_cast<std::uint16_t>(tri.I3));
            w.U16(0);
        }
    }
    // The chunk lengths must add up to exactly the bytes written.
    if (w.failed() || w.Tell() != total)
        return Failed(ErrorCode::InternalError, "the 3DS chunks do not add up to the file's length");
    return std::nullopt;
}

ExchangeStatus Write3DS(const CarModel& model, const std::string& path)
{
    try {
        std::vector<std::uint8_t> bytes;
        if (auto failure = Encode3DS(model, bytes))
            return failure;
        return WriteOutputFile(path, bytes);
    } catch (const std::bad_alloc&) {
        return NoMemory();
    }
}

} // namespace mobrix
