#pragma once
// The records Trimlet keeps of an NFSIV model: its own small set, so the
// viewer stays independent of the editor's model code.

#include <array>
#include <cstdint>
#include <string>

namespace trimlet {

inline constexpr int kNameLength = 64;
inline constexpr int kPartSlots = 64;
inline constexpr int kDummySlots = 16;
inline constexpr int kColourSlots = 16;
inline constexpr int kTriangleSize = 56;
inline constexpr int kVertexSets = 3; // undamaged, second undamaged, damaged

using Name64 = std::array<char, kNameLength>;
using VertFlag = std::array<std::uint8_t, 4>;
using ColourRecord = std::array<std::uint8_t, 4>; // hue, saturation, brightness, tolerance
using ColourTable = std::array<ColourRecord, kColourSlots>;

struct Vec3 {
    float X = 0;
    float Y = 0;
    float Z = 0;
    friend bool operator==(const Vec3&, const Vec3&) = default;
};

// The 56-byte FCE triangle record. V is kept exactly as the file stores it:
// Trimlet never converts texture coordinates.
struct Triangle {
    std::int32_t TexPage = 0;
    std::int32_t I1 = 0;
    std::int32_t I2 = 0;
    std::int32_t I3 = 0;
    std::array<std::uint8_t, 12> TriFill{};
    std::int32_t Flags = 0;
    std::array<float, 3> U{};
    std::array<float, 3> V{};
    friend bool operator==(const Triangle&, const Triangle&) = default;
};

// The part of a fixed 64-character name field before its first NUL, with
// leading and trailing blanks removed: what the part list shows.
std::string TrimmedName(const Name64& name);

} // namespace trimlet
