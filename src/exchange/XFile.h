#pragma once
// The first mesh of a DirectX X file in text form.
//
// The reader looks for the first `Mesh` data object of the file, wherever
// frames nest it, skipping template declarations (whose names such as
// "MeshFace" and whose own "template Mesh" are not meshes). It reads the
// vertex count, the vertices (X;Y;Z), the face count and the faces (corner
// count; corner indices) as the sequence of numbers they are, with ";" and
// "," as separators, so both the layout X exporters write and one entry per
// line are accepted. Only triangles are accepted. Binary and compressed X
// files are refused.
//
// What the window does around ConvertX ("Convert X", mnuConvX_Click): open
// dialog with the filter kXFilter; empty name: stop. Call
// ConvertX(model, path). On ExchangeError::NotTriangle show
// FailureMessage(ExchangeCommand::ConvertX, ...) (title "Load error"); on
// any other failure the same call gives the general loading message; the
// model is unchanged in both cases. On success show kXFinishedMessage, then
// refill the part list (one part named after the file), the vertex and
// triangle lists, and refit and redraw the views.

#include "CarModel.h"
#include "ExchangeErrors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

struct XMesh {
    std::vector<Vec3> vertices;
    std::vector<Triangle> triangles; // I1..I3 set, every other field 0
};

// Reads the first mesh. Fails with ExchangeError::NotTriangle (and the
// 0-based face number) for a face of other than three corners, and with a
// general failure for a file without a readable mesh, an absurd count or a
// corner outside the vertices.
ExchangeStatus ReadXMesh(std::span<const std::uint8_t> file, XMesh& mesh);

// "Convert X" on the model: the mesh replaces the model's vertices, normals
// (which receive the vertex positions) and triangles (fill words 0xFF00,
// TexPage, Flags, U and V 0), and becomes one part `partName` (stored with
// one NUL, cut at 64) at position 0; the other part slots are emptied. The
// reserved blocks are zeroed; the NFSIV tables are dropped (FileFormat
// becomes NFSIII when it was NFSIV); the selection is cleared and part 1 is
// current. Header tag, dummies, colours, names of other slots and the file
// name are kept. A refused file leaves the model as it was.
ExchangeStatus ConvertX(CarModel& model, std::span<const std::uint8_t> file, const std::string& partName);

// The same on a file; the part is named after the file (its name without
// folder and extension).
ExchangeStatus ConvertX(CarModel& model, const std::string& path);

// The part name ConvertX gives the mesh of `path`.
std::string XPartName(const std::string& path);

} // namespace mobrix
