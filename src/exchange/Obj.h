#pragma once
// Wavefront OBJ files: the model written as one object per part, and OBJ
// files converted into a model the way a 3DS file is.
//
// Writing. Every part becomes an object (`o`) named by the part's name up
// to its first NUL, trimmed of blanks (control characters become '_'; an
// empty name becomes "PartN", N counted from 1). Each vertex is written once
// as a position (`v`, absolute: PartPos added) and a normal (`vn`) of the
// same index; every triangle corner gets its own texture coordinate (`vt`,
// U and V as the model holds them, three per triangle), and the triangle a
// face `f v/vt/vn` with the corners in the model's order. Numbers are
// written in the shortest form that reads back as the same float, so
// positions, normals and texture coordinates survive a round trip bit for
// bit. Every texture page used gets a
// material "pageN" in a material library beside the OBJ file (same name,
// extension ".mtl"), and faces switch material with `usemtl` where the page
// changes; when a texture image is named it becomes the materials' `map_Kd`.
// Dummies are written as comment lines "# dummy N NAME at X Y Z", since
// OBJ has no place for them. Both files are replaced atomically.
//
// Reading. Each object (`o`) becomes a part; a file without objects makes a
// part of each group (`g`) instead, and one without either one part named
// after the file. Faces before the first object or group, and vertices
// declared there that no face uses, form a leading part of that name too. At
// most 64 parts are made; later objects are read but not added, and objects
// without vertices are left out and do not count. A part holds one vertex
// for every distinct pair of position and normal its faces use, and one for
// every position declared in its section that no face of the file uses, in
// the order of the position's (then the normal's) index in the file, so an
// exported model reads back vertex for vertex. Texture coordinates go on
// the triangle corners (V as stored; a missing `vt` gives 0), normals on
// the vertices (a missing `vn`, and a position no face uses, give 0). A
// polygon of n corners becomes the fan of n - 2 triangles around its first
// corner. Negative indices count back from the last element read. `mtllib`,
// `usemtl`, `s`, comments and unknown statements are skipped, so TexPage and
// Flags are 0. Part positions are 0.
//
// A refused file names its line: an index of 0, beyond the elements read
// so far or before the first, a number that does not parse, a `v` or `vn`
// with fewer than three numbers, or a face with fewer than three corners.
// The model is then unchanged.
//
// What the window does around these calls:
//  - "Convert OBJ" (File menu, beside "Convert 3DS"): open dialog with
//    kObjInitialName and kObjFilter; an empty name skips the conversion.
//    ConvertObj(model, path); on failure show
//    FailureMessage(ExchangeCommand::ConvertObj, ...) (the line is in the
//    text; a missing file gives "File not found"). Then everything
//    "Convert 3DS" does after a conversion.
//  - "Export OBJ" (Parts menu, beside "Export 3DS"): save dialog with
//    kObjInitialName, kObjFilter, default extension kObjDefaultExtension
//    and the title kExportObjDialogTitle; a non-empty name goes to
//    WriteObj(model, path, texture path of the document or ""); on failure
//    show FailureMessage(ExchangeCommand::ExportObj, ...) (title "Oops!").

#include "CarModel.h"
#include "ExchangeErrors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

inline constexpr const char* kObjInitialName = "*.OBJ";
inline constexpr const char* kObjFilter = "*.OBJ";
inline constexpr const char* kObjDefaultExtension = "OBJ";
inline constexpr const char* kExportObjDialogTitle = "Export";
// OBJ text takes about 180 bytes a triangle: a model of 1,000,000 triangles
// is some 180 MB. Larger files are refused before anything is allocated.
inline constexpr std::int64_t kMaxObjFileSize = std::int64_t{1} << 30;

// --- Writing -----------------------------------------------------------------

// The material library written beside `objPath`: the same path with the
// extension ".mtl" (added when the name has none).
std::string ObjMaterialLibraryPath(const std::string& objPath);

// The object name written for a part (see above).
std::string ObjObjectName(const Name64& name, int part);

struct ObjFiles {
    std::string obj;
    std::string mtl;
};

// The two files' text. `mtlFileName` is what `mtllib` names; `textureImage`,
// when not empty, is written as every material's `map_Kd`. Fails, writing
// nothing, for a part reaching outside the tables or a corner outside its
// part.
ExchangeStatus EncodeObj(const CarModel& model, const std::string& mtlFileName, const std::string& textureImage,
                         ObjFiles& out);

// Writes `objPath` and its material library. `texturePath`, when not empty,
// is named relative to the OBJ file's folder when it lies inside it.
// Reads the model only.
ExchangeStatus WriteObj(const CarModel& model, const std::string& objPath, const std::string& texturePath = {});

// --- Reading -----------------------------------------------------------------

struct ObjPart {
    std::string name;
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals; // as long as vertices
    std::vector<Triangle> triangles;
};

// When reading uses both cores: a file of `halvesFrom` bytes or more is read
// in two halves at once, and a part of `pairedPartFrom` corners or more is
// made while the part before it is. The result is the same either way; tests
// and the fuzz target lower the sizes so that small files take both paths.
struct ObjReadSizes {
    std::size_t halvesFrom = std::size_t{8} << 20;
    std::size_t pairedPartFrom = 3 * 50'000;
};

// The parts of an OBJ file, at most `partLimit` of them. `unnamedPart`
// names the part of a file without objects or groups. On failure `parts`
// is unspecified.
ExchangeStatus ParseObj(std::span<const std::uint8_t> file, const std::string& unnamedPart, std::size_t partLimit,
                        std::vector<ObjPart>& parts, const ObjReadSizes& sizes = {});

// "Convert OBJ": the file is read first, and only when it is sound is the
// model reset (NewFCE), given the parts (names stored as the 3DS conversion
// stores them) and finished as a 3DS conversion is (half sizes,
// FileFormat, no file name, selection cleared). Replaces every table.
ExchangeStatus ConvertObj(CarModel& model, std::span<const std::uint8_t> file, const std::string& unnamedPart);
// The same on a file; a file without objects or groups names its part
// after the file (its name without folder and extension).
ExchangeStatus ConvertObj(CarModel& model, const std::string& path);

} // namespace mobrix
