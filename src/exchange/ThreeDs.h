#pragma once
// 3DS files: mesh objects read into the model or into part files, and the
// model written as mesh objects.
//
// A 3DS file is a tree of little-endian chunks, each headed by an id
// (uint16) and a length (uint32) that counts the header, the data and every
// sub-chunk. The reader walks the main chunk (0x4D4D), the editor block
// (0x3D3D) and the named objects (0x4000, a NUL-terminated name and then
// sub-chunks); it reads the triangle meshes (0x4100) with their vertex list
// (0x4110), face list (0x4120) and mapping coordinates (0x4140), and skips
// every other chunk as a whole. Coordinates pass through unchanged, and
// counts are signed 16-bit: a mesh of more than 32767 vertices or faces
// cannot be read or written.
//
// Every length is checked against the chunk that holds it and against the
// file, and every face corner against the mesh's vertices, before anything
// is used; a refused file leaves the model as it was. A mesh ends where its
// chunk ends, so the chunks that follow it are never read from inside.
// Mapping coordinates are applied once the whole mesh is read, so they
// arrive whether the list comes before or after the faces. Bytes after the
// main chunk are not part of the 3DS data and are ignored.
//
// What the window does around these calls:
//  - "Convert 3DS" (mnuConv3DS_Click): open dialog with k3dsInitialName and
//    k3dsFilter; empty name: skip the conversion. Clear the file information
//    list, the part list and the dummy list; call Convert3DS(model, path)
//    (on failure show FailureMessage(ExchangeCommand::Convert3DS, ...); a
//    missing file gives "File not found" with the exclamation icon). Then
//    print FileInfoReport(model, path) into the file information list, fill
//    the part list with the trimmed part names and select the first, fill
//    the dummy list (empty after a conversion), refit the views
//    (RescaleView), enable "&View", "&Edit", "&Tools", "Export 3DS",
//    "&Save", "&Parts", "Save &As (create new file)" and the editing and
//    tool windows, set the 3D preview up again when it is on, redraw.
//  - "Convert 3DS to PRT" (mnuConv3DSPRT_Click): the same dialog, then
//    Read3DSToParts(path, folder of the chosen file); on failure show
//    FailureMessage(ExchangeCommand::Convert3DSToPRT, ...); tell the user
//    about every file of ThreeDsToPartsResult::written whose `renamed` is set.
//  - "Export 3DS" (mnuEx3DS_Click): save dialog with k3dsInitialName,
//    k3dsFilter, default extension k3dsDefaultExtension and the title
//    kExport3dsDialogTitle; a non-empty name goes to Write3DS; on failure
//    show FailureMessage(ExchangeCommand::Export3DS, ...) (title "Oops!").

#include "CarModel.h"
#include "ExchangeErrors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

namespace ChunkId {
inline constexpr std::uint16_t Main = 0x4D4D;
inline constexpr std::uint16_t Version = 0x0002;
inline constexpr std::uint16_t Editor = 0x3D3D;
inline constexpr std::uint16_t NamedObject = 0x4000;
inline constexpr std::uint16_t TriangleMesh = 0x4100;
inline constexpr std::uint16_t VertexList = 0x4110;
inline constexpr std::uint16_t FaceList = 0x4120;
inline constexpr std::uint16_t MappingCoordinates = 0x4140;
} // namespace ChunkId

inline constexpr int kChunkHeaderSize = 6;
inline constexpr int kMaxConvertedObjects = 64; // one part per object, as many as the part tables hold
inline constexpr int kMax3dsCount = 32767;      // vertices or faces of one mesh

// One mesh object of a 3DS file: its name (up to the NUL), its vertices and
// one triangle per face (I1..I3 from the face, U and V from the mapping
// coordinates of the corners, every other field 0).
struct ThreeDsMesh {
    std::string name;
    std::vector<Vec3> vertices;
    std::vector<Triangle> triangles;
};

// The mesh objects of a 3DS file in file order, at most `objectLimit` of
// them; meshes with an empty (or no) vertex list are left out and do not
// count. On failure `meshes` is unspecified.
ExchangeStatus Parse3DS(std::span<const std::uint8_t> file, std::size_t objectLimit,
                        std::vector<ThreeDsMesh>& meshes);

// Appends the mesh objects of the file to the model as new parts, one per
// object that has vertices, up to 64 parts in all (objects beyond are
// skipped): vertices part-relative as stored, normals zero, PartPos left
// as it is, PartNames = the object name blank-filled (cut at 64). A refused
// file leaves the model as it was. For a converted model call it on a model
// just reset by NewFCE, then Finish3DSConversion; Convert3DS does all three.
ExchangeStatus Read3DS(CarModel& model, std::span<const std::uint8_t> file);

// The finishing steps of a conversion: half sizes from the largest absolute
// coordinates, FileFormat = converted from 3DS, no file name, first part and
// dummy current, selection cleared.
void Finish3DSConversion(CarModel& model);

// "Convert 3DS" on the model: the file is read first, and only when it is
// sound is the model reset (NewFCE), filled and finished. A refused file
// leaves the model as it was.
ExchangeStatus Convert3DS(CarModel& model, std::span<const std::uint8_t> file);
ExchangeStatus Convert3DS(CarModel& model, const std::string& path);

// "Convert 3DS to PRT": every mesh object with vertices becomes a binary part
// file in `folder` (the name field the object name plus one NUL, cut at 64;
// normals zero). The model is not touched.
//
// Files are named after the object, trimmed, with ".PRT" added; characters
// that could leave the folder or are unsafe in a file name become '_', and
// an empty name becomes "Object". Two objects whose names give the same file
// never overwrite each other: the later one gets " (2)", " (3)", ... before
// the extension and is marked as renamed. Nothing is written unless the
// whole 3DS file is sound.
struct WrittenPartFile {
    std::string objectName;
    std::string path;
    bool renamed = false; // the object's own file name was taken in this conversion
};
struct ThreeDsToPartsResult {
    std::vector<WrittenPartFile> written;
    ExchangeStatus failure;
};
ThreeDsToPartsResult Read3DSToParts(std::span<const std::uint8_t> file, const std::string& folder);
ThreeDsToPartsResult Read3DSToParts(const std::string& path, const std::string& folder);

// The part file name for an object name (without the folder).
std::string PartFileNameForObject(const std::string& objectName);

// The model's parts as mesh objects: main chunk, version 3, editor block,
// then per part a named object with its name up to and including the first
// NUL of the name field (a field without NUL: the name trimmed of blanks
// and one NUL), a mesh, its part-relative vertices and its faces (flags 0).
// No materials, mapping coordinates or smoothing. Fails, writing nothing,
// for a part of more than 32767 vertices or triangles, a part reaching
// outside the tables or a corner outside its part.
ExchangeStatus Encode3DS(const CarModel& model, std::vector<std::uint8_t>& out);
ExchangeStatus Write3DS(const CarModel& model, const std::string& path);

// The object name bytes Export 3DS writes for a part (terminating NUL included).
std::string ExportObjectName(const Name64& name);

} // namespace mobrix
