#pragma once
// glTF 2.0 exchange: the whole car to a 3D program and back, every field kept.
//
// Writing. Each part becomes a node named as the part (its name up to the
// first NUL, trimmed, Latin-1 shown as UTF-8), translated by its part
// position, with a mesh of its own. A mesh shares one set of vertex
// attributes between its primitives, one primitive per (texture page,
// triangle flags) group in the order the groups first appear; the raw page
// and flags are in the primitive's extras, and the extras' "_FCE_TRI" names
// an accessor with each triangle's place in its part, so the triangle order
// (and with it the drawing order of transparent triangles) comes back. A
// vertex is written once per distinct texture coordinate pair of its
// corners; the `_FCE_VIDX` attribute keeps the vertex it came from. Normals
// of unit length are `NORMAL`; a part with other normals carries them in a
// `_FCE_NORMAL` attribute instead, which asks nothing of their length. An
// NFSIV model's damaged set is the morph target "damage" (weight 0), its
// second undamaged set, where it differs from the first, the target
// "undamaged2". Dummies are empty nodes named as the dummies under a node
// "dummies". Each texture page used has a material "page N" (extras
// "texPage"), showing the texture when one is given.
//
// Axes: FCE models are x right, y up, z forward, a left-handed frame;
// glTF is right-handed with +Y up and the front along +Z, so x is negated
// (the car's right is glTF's -X, as glTF's conventions have it) and the
// corners of each triangle are written first, third, second so the faces
// that FCE winds clockwise seen from outside stay front faces. V is
// flipped (glTF's V runs down the image, FCE's up): glTF V is the value an
// NFSIV file stores for the corner, 1 - V.
//
// Everything else a model holds goes into extras so that saving the model
// read back gives the same bytes: the variant, the header tag and counts,
// the colour tables, the half sizes and read offsets, every part and dummy
// slot's raw name and position, the NFSIII header tail and the NFSIV header
// record (scene extras "fce"), and per part the opaque reserved blocks,
// corners' V where 1 - (1 - V) is not V again, and the exact NFSIV sets
// where adding a morph target to the base does not give them back bit for
// bit (mesh extras, as buffer views of the file's buffer).
//
// Reading takes files from any program. Every node with a mesh becomes a
// part, its world transform applied (the translation becomes the part
// position), named by the node, else its mesh, else "PartN", names made
// unique; more than 64 parts are refused. Nodes without mesh, camera and
// children become dummies (more than 16 are refused). Triangle strips and
// fans become triangles; points and lines are refused. Missing texture
// coordinates give 0, missing normals 0; a morph target "damage" becomes the
// damaged set (the model is then an NFSIV model). The extras above are used
// where present; the buffer views they name only in files this program
// wrote (asset generator) whose sizes fit, since another program that keeps
// extras renumbers buffer views.
//
// Every index, count, stride, range and component type is checked before
// use; buffers and images are read only from data URIs or from files inside
// the glTF file's folder (no absolute paths, no "..", no schemes).

#include "CarModel.h"
#include "ExchangeErrors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

inline constexpr const char* kGltfGenerator = "Mobrix glTF exchange";
// A glTF file and each buffer it names may be this large at most.
inline constexpr std::int64_t kMaxGltfFileSize = std::int64_t{2} << 30;

enum class GltfContainer {
    Binary, // .glb: JSON and buffer in one file, the texture in the buffer
    Text,   // .gltf: JSON with the buffer embedded, the texture beside it
};

// .glb for a path ending in ".glb" (any case), .gltf otherwise.
GltfContainer GltfContainerOf(const std::string& path);

// The file bytes of the model. `png`, when not empty, is the texture; for a
// .gltf file it is named by `imageUri` (written beside by the caller). Fails,
// writing nothing, for a model whose parts do not follow one another
// through its tables or whose corners leave their part.
ExchangeStatus EncodeGltf(const CarModel& model, GltfContainer container, std::span<const std::uint8_t> png,
                          const std::string& imageUri, std::vector<std::uint8_t>& out);

// Writes `path` (and, for .gltf with a texture, the PNG beside it, same
// name with extension ".png"). Files are replaced atomically.
ExchangeStatus WriteGltf(const CarModel& model, const std::string& path, std::span<const std::uint8_t> png = {});

// Builds the model from glTF bytes. `folder` is where the files a .gltf
// names are looked up; empty refuses every file (only data URIs are read).
// The model is replaced only on success; a foreign file is converted the way
// "Convert OBJ" converts (what a new model keeps of the old one stays).
ExchangeStatus ReadGltf(CarModel& model, std::span<const std::uint8_t> file, const std::string& folder);

// The same on a file.
ExchangeStatus ConvertGltf(CarModel& model, const std::string& path);

} // namespace mobrix
