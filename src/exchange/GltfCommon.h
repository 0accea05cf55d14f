#pragma once
// Pieces the glTF writer and reader share: the extras' key names, base64,
// and name text between the model's Latin-1 fields and glTF's UTF-8.
// Internal to the exchange library.

#include "CarModel.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mobrix::gltf {

// glTF numbers of the component types, element types and modes used.
inline constexpr int kByte = 5120;
inline constexpr int kUnsignedByte = 5121;
inline constexpr int kShort = 5122;
inline constexpr int kUnsignedShort = 5123;
inline constexpr int kUnsignedInt = 5125;
inline constexpr int kFloat = 5126;
inline constexpr int kArrayBuffer = 34962;
inline constexpr int kElementArrayBuffer = 34963;

// Attribute and target names beyond glTF's own.
inline constexpr const char* kVertexIndexAttribute = "_FCE_VIDX";
inline constexpr const char* kRawNormalAttribute = "_FCE_NORMAL";
inline constexpr const char* kTriangleOrderKey = "_FCE_TRI";
inline constexpr const char* kDamageTarget = "damage";
inline constexpr const char* kUndamaged2Target = "undamaged2";
inline constexpr const char* kDummiesNode = "dummies";
inline constexpr const char* kSceneKey = "fce";

// The per-part blocks of the mesh extras, in the order they are written,
// with their size per vertex or per triangle.
enum class PartBlock {
    Reserved1,
    Reserved2,
    Reserved3,
    VertReservedA,
    VertFlags,
    VertReservedB,
    TriFill,
    TriReserved,
    ExactV,
    DamagedVerts,
    DamagedNorms,
    Undamaged2Verts,
    Undamaged2Norms,
};
struct PartBlockInfo {
    PartBlock block;
    const char* key;
    bool perTriangle;
    std::size_t bytes; // per element
};
std::span<const PartBlockInfo> PartBlocks();

std::string Base64(std::span<const std::uint8_t> bytes);
// Empty optional for text that is not base64.
std::optional<std::vector<std::uint8_t>> FromBase64(std::string_view text);

// A part or dummy name field as glTF shows it: up to the first NUL, blanks
// trimmed, control characters as '_', Latin-1 as UTF-8.
std::string DisplayName(const Name64& name);
// UTF-8 text back to Latin-1 (characters beyond it become '?').
std::string Latin1Text(std::string_view utf8);

// What an NFSIV file stores for a corner's V: the value read from the file
// while the model's V is still 1 minus it, 1 - V otherwise.
float StoredVOf(float v, float storedBefore);

} // namespace mobrix::gltf
