#pragma once
// Trimlet's FCE store: what it keeps of the opened NFSIV model while the
// parts live in part files, and the two conversions between an FCE file and
// its parts.
//
// Splitting keeps the whole 8248-byte header and every block that does not
// travel with a part (the three reserved blocks, the two per-vertex reserved
// blocks and the per-triangle reserved block) and hands out one part file
// per part. Joining rebuilds the vertex, normal, flag and triangle tables
// from the parts in part order and writes the kept blocks back in the order
// and length they were read.

#include "FileFailure.h"
#include "PartFile.h"
#include "TrimletTypes.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace trimlet {

inline constexpr int kFceHeaderSize = 8248;
inline constexpr int kColourTables = 4; // primary, interior, secondary, driver's hair

// The model data outside the parts, as the temporary project file holds it.
struct ProjectData {
    std::int16_t PartCount = 0;
    std::vector<std::string> PartFileNames; // PartCount names, in part order
    std::int32_t DummyCount = 0;
    std::array<Name64, kDummySlots> DummyNames{};
    std::array<Vec3, kDummySlots> DummyPositions{};
    std::int32_t ColourCount = 0;
    std::array<ColourTable, kColourTables> Colours{}; // primary, interior, secondary, driver's hair
    friend bool operator==(const ProjectData&, const ProjectData&) = default;
};

struct FceStore {
    std::array<std::uint8_t, kFceHeaderSize> Header{};
    std::vector<std::uint8_t> Reserved1;     // 32 bytes per vertex
    std::vector<std::uint8_t> Reserved2;     // 12 bytes per vertex
    std::vector<std::uint8_t> Reserved3;     // 12 bytes per vertex
    std::vector<std::uint8_t> VertReservedA; // 4 bytes per vertex
    std::vector<std::uint8_t> VertReservedB; // 4 bytes per vertex
    std::vector<std::uint8_t> TriReserved;   // 12 bytes per triangle
    ProjectData Project;
    // How far the model reached from its origin at the split (any vertex
    // set): what the camera fits when the model opens.
    double Reach = 0;

    std::int64_t Vertices() const { return static_cast<std::int64_t>(VertReservedA.size() / 4); }
    std::int64_t Triangles() const { return static_cast<std::int64_t>(TriReserved.size() / 12); }
};

struct SplitModel {
    FceStore store;
    std::vector<PartFile> parts; // one per part, in part order
};

// The names of the parts as the file held them at the split, trimmed of
// blanks, in part order.
std::vector<std::string> PartNames(const FceStore& store);

// The name of part n's file, n counted from 1.
std::string PartFileName(int n);

// Splits NFSIV file bytes. Refuses a file without the magic (NotNfs4File)
// and one whose counts or block positions do not fit the file, whose parts
// do not lie inside the tables or do not cover every vertex and triangle
// exactly once, or whose triangles use vertices outside their part
// (Damaged): joining such a file would not give back a sound model.
std::variant<SplitModel, FileFailure> SplitFceBytes(std::span<const std::uint8_t> file);

// Reassembles an NFSIV file from the store and the parts (one per project
// part, in part order). Refuses parts whose totals differ from the model's,
// since the kept per-vertex and per-triangle blocks would no longer match.
std::variant<std::vector<std::uint8_t>, FileFailure> JoinFceBytes(const FceStore& store,
                                                                  std::span<const PartFile> parts);

} // namespace trimlet
