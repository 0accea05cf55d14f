#pragma once
// The one car model of the editor. It mirrors the FCE file closely: the
// header counts, offsets and fixed tables are held field for field, the
// variable-length tables as vectors indexed from 0 (the per-triangle ones as
// row tables, which read as vectors; see RowTable.h).
//
// Conventions every command keeps:
//  - part p owns PartNumVertices[p] consecutive vertices from
//    PartFirstVertex[p] and PartNumTriangles[p] consecutive triangles from
//    PartFirstTriangle[p]; parts follow one another in index order;
//  - triangle corners are vertex indices relative to their part's first vertex;
//  - a vertex's absolute position is its Vertices entry plus PartPos of its part;
//  - every per-vertex table is exactly NumVertices long and every per-triangle
//    table exactly NumTriangles long (the NFSIV tables only while FileFormat
//    says the model came from an NFSIV or FCE4M file, VertReservedC only
//    while it says FCE4M).
//
// A model read from a file may break the part and corner rules; the readers
// accept such files because the file itself is still faithfully held.
// CheckModel() says what is wrong, and code that follows part ranges or
// triangle corners goes through the clamped helpers below.

#include "RowTable.h"

#include <array>
#include <optional>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

inline constexpr int kPartSlots = 64;   // fixed part tables of the header
inline constexpr int kDummySlots = 16;  // fixed dummy tables of the header
inline constexpr int kColourSlots = 16; // fixed colour tables of the header
inline constexpr int kNameLength = 64;  // every part and dummy name field
inline constexpr int kNfs4HeaderSize = 0x2038;
// Parts the part commands let a model grow to (the tables hold 64).
inline constexpr int kPartLimit = 15;

struct Vec3 {
    float X = 0;
    float Y = 0;
    float Z = 0;
    friend bool operator==(const Vec3&, const Vec3&) = default;
};

// The 56-byte FCE triangle record, plus what is needed to give back the V
// values of an NFSIV file bit for bit.
struct Triangle {
    std::int32_t TexPage = 0;
    std::int32_t I1 = 0;
    std::int32_t I2 = 0;
    std::int32_t I3 = 0;
    std::array<std::uint16_t, 6> TriFill{};
    std::int32_t Flags = 0;
    float U1 = 0, U2 = 0, U3 = 0;
    float V1 = 0, V2 = 0, V3 = 0;

    // NFSIV files store 1 - V. For some stored values a 32-bit 1 - (1 - V')
    // is not V' again, so the stored values travel with the triangle: while
    // V still equals 1 - StoredV it is written back as StoredV, unchanged.
    // An edited V no longer matches and is written as 1 - V.
    std::array<float, 3> StoredV{};

    friend bool operator==(const Triangle&, const Triangle&) = default;
};

struct Colour {
    std::int32_t Hue = 0;
    std::int32_t Saturation = 0;
    std::int32_t Brightness = 0;
    std::int32_t Tolerance = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

using Name64 = std::array<char, kNameLength>;
using Reserved32 = std::array<std::uint8_t, 32>;
using Reserved12 = std::array<std::uint8_t, 12>;
using Reserved4 = std::array<std::uint8_t, 4>;
using ReservedByte = std::array<std::uint8_t, 1>;

// Where the model came from; decides whether the NFSIV tables (and the
// FCE4M bytes) are kept up to date.
enum class ModelOrigin : std::int16_t {
    Nfs3 = 0,    // an NFSIII file or a new model
    Nfs4 = 1,    // an NFSIV file
    From3ds = 2, // converted from a 3DS file
    Fce4m = 3,   // an FCE4M file: the NFSIV tables and one more byte per vertex
};

// The three NFSIV vertex sets; the working Vertices/Normals hold a copy of one.
enum class VertexSet : std::int16_t {
    Normal = 0,
    Undamaged2 = 1,
    Damaged = 2,
};

struct TriStateRecord {
    std::int16_t Selected = 0;   // 0 or -1
    std::int16_t Corner1Sel = 0; // texture point selected in the texture view
    std::int16_t Corner2Sel = 0;
    std::int16_t Corner3Sel = 0;
    std::int16_t RemapGroup = 0; // UV remap section of the triangle
    friend bool operator==(const TriStateRecord&, const TriStateRecord&) = default;
};

// The header part of the model, held as the file holds it. Offsets and half
// sizes are what was read; the writers compute their own.
struct ModelHeader {
    std::array<char, 4> HeaderTag{};
    std::int32_t NumTriangles = 0;
    std::int32_t NumVertices = 0;
    std::int32_t NumArts = 0;
    std::int32_t VerticesOffset = 0;
    std::int32_t NormalsOffset = 0;
    std::int32_t TrianglesOffset = 0;
    std::int32_t Reserved1Offset = 0;
    std::int32_t Reserved2Offset = 0;
    std::int32_t Reserved3Offset = 0;
    float XHalfSize = 0;
    float YHalfSize = 0;
    float ZHalfSize = 0;
    std::int32_t NumDummies = 0;
    std::array<Vec3, kDummySlots> DummyPos{};
    std::int32_t NumParts = 0;
    std::array<Vec3, kPartSlots> PartPos{};
    std::array<std::int32_t, kPartSlots> PartFirstVertex{};
    std::array<std::int32_t, kPartSlots> PartNumVertices{};
    std::array<std::int32_t, kPartSlots> PartFirstTriangle{};
    std::array<std::int32_t, kPartSlots> PartNumTriangles{};
    std::int32_t NumPriColours = 0;
    std::array<Colour, kColourSlots> PriColours{};
    std::int32_t NumSecColours = 0;
    std::array<Colour, kColourSlots> SecColours{};
    std::array<Colour, kColourSlots> IntColours{};  // NFSIV only
    std::array<Colour, kColourSlots> HairColours{}; // NFSIV only
    std::array<Name64, kDummySlots> DummyNames{};
    std::vector<Name64> PartNames = std::vector<Name64>(kPartSlots); // index = part number
    std::array<std::uint8_t, 256> HeaderTail{}; // last 256 bytes of an NFSIII header

    friend bool operator==(const ModelHeader&, const ModelHeader&) = default;
};

struct CarModel {
    ModelHeader Header;

    // Working set: what the views draw and the commands edit.
    std::vector<Vec3> Vertices;
    std::vector<Vec3> Normals;
    RowTable<Triangle> Triangles;
    std::vector<Reserved32> Reserved1;
    std::vector<Reserved12> Reserved2;
    std::vector<Reserved12> Reserved3;

    // NFSIV extension.
    std::vector<Vec3> NormalVerts;
    std::vector<Vec3> NormalNorms;
    std::vector<Vec3> Undamaged2Verts;
    std::vector<Vec3> Undamaged2Norms;
    std::vector<Vec3> DamagedVerts;
    std::vector<Vec3> DamagedNorms;
    std::vector<Reserved4> VertReservedA;
    std::vector<Reserved4> VertReservedB;
    std::vector<Reserved4> VertFlags; // first byte is the flags byte
    RowTable<Reserved12> TriReserved;
    VertexSet ActiveVertexSet = VertexSet::Normal;

    // FCE4M extension: the byte per vertex that follows TriReserved in the
    // file, kept as read.
    std::vector<ReservedByte> VertReservedC;

    // The whole NFSIV header as last read or written. Only an NFSIV or FCE4M
    // read replaces it and only such a save rewrites it, so its two fill
    // areas come from the last such file read (zero if none).
    std::array<std::uint8_t, kNfs4HeaderSize> Fce4Header{};

    // Document and selection state.
    ModelOrigin FileFormat = ModelOrigin::Nfs3;
    std::string FileName;
    std::string TextureFileName;
    std::int16_t CurrentPart = 0;
    std::int16_t CurrentDummy = 0;
    std::vector<std::int16_t> VertSelected;
    RowTable<TriStateRecord> TriState;

    friend bool operator==(const CarModel&, const CarModel&) = default;
};

// Resets the model to the blank new model: tag "MBRX", no vertices, no
// triangles, no parts, no dummies, no colours, NumArts 1. Dummy positions,
// dummy names, part names and colour tables keep what they held. The tables
// are empty (their length is their count, zero).
void NewFCE(CarModel& model);

// Whether the model holds the NFSIV vertex sets and tables (it came from an
// NFSIV or FCE4M file, or was saved as one), and the FCE4M bytes.
inline bool HoldsNfs4Tables(const CarModel& model)
{
    return model.FileFormat == ModelOrigin::Nfs4 || model.FileFormat == ModelOrigin::Fce4m;
}
inline bool HoldsFce4mTables(const CarModel& model)
{
    return model.FileFormat == ModelOrigin::Fce4m;
}

// Empties the NFSIV (and FCE4M) per-vertex and per-triangle tables; used when the model
// is replaced by one that did not come from an NFSIV file, so that a later
// NFSIV save starts from clean tables instead of another car's leftovers.
void ClearNfs4Tables(CarModel& model);

// Whether the model holds data only an NFSIV file keeps: the NFSIV vertex
// sets (second undamaged and damaged), or interior and hair colours.
bool HoldsNfs4OnlyData(const CarModel& model);

// Sizes VertSelected and TriState to the counts, all entries zero.
void ResetSelection(CarModel& model);

// Selection tables sized to the header's counts, all entries zero. Readers
// build them before they touch the model, so that running out of memory
// half way cannot leave a model with tables of the wrong length.
struct SelectionTables {
    std::vector<std::int16_t> VertSelected;
    std::vector<TriStateRecord> TriState;
};
SelectionTables ClearedSelection(const ModelHeader& header);
void AdoptSelection(CarModel& model, SelectionTables&& tables) noexcept;

// The model's vertex or normal set `set` of the NFSIV extension.
std::vector<Vec3>& SetVertices(CarModel& model, VertexSet set);
std::vector<Vec3>& SetNormals(CarModel& model, VertexSet set);
const std::vector<Vec3>& SetVertices(const CarModel& model, VertexSet set);
const std::vector<Vec3>& SetNormals(const CarModel& model, VertexSet set);

// Half-open index range [begin, end) of a part in a table; empty when the
// part's range reaches outside the table, so that a broken part is never
// walked.
struct IndexRange {
    std::int64_t begin = 0;
    std::int64_t end = 0;
    std::int64_t size() const { return end - begin; }
};
IndexRange PartVertexRange(const CarModel& model, int part);
IndexRange PartTriangleRange(const CarModel& model, int part);

// Where a part lies in the tables.
struct PartSpan {
    std::size_t firstVertex = 0;
    std::size_t vertices = 0;
    std::size_t firstTriangle = 0;
    std::size_t triangles = 0;
};

// The part's span when it is a part of the model and both of its ranges lie
// inside the counts and the vertex, normal and triangle tables; code that
// edits or copies a part whole starts here.
std::optional<PartSpan> PartSpanOf(const CarModel& model, int part);

// Number of parts that the fixed tables can describe: NumParts clamped to
// 0..64.
int UsablePartCount(const ModelHeader& header);

// Number of dummies that the fixed tables can describe: NumDummies clamped
// to 0..16.
int UsableDummyCount(const ModelHeader& header);

// Lists every way the model breaks the conventions above; empty when sound.
std::vector<std::string> CheckModel(const CarModel& model);

// Name helpers. A name field holds exactly 64 single-byte characters.
Name64 MakeName(std::string_view text); // text, then blank fill (cut at 64)
std::string NameText(const Name64& name); // the raw 64 characters
// The name with leading and trailing blanks removed; NUL and other bytes stay.
std::string TrimmedName(std::span<const char> name);

} // namespace mobrix
