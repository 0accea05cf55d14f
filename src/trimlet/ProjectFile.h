#pragma once
// The temporary project file TPROJECT.PRJ, written once per opened model
// beside the part files. Texts of variable length are a 16-bit length and
// that many single-byte characters.
//
//   description   "Mobrix Temporary project file"
//   part count    int16
//   file names    64 texts, "TPART<n>.PRT" for each part, empty for the rest
//   dummy count   int32
//   dummy names   16 x 64 characters
//   dummies       16 x (X, Y, Z) floats
//   colour count  int32
//   colours       primary, interior, secondary, driver's hair: 16 x 4 bytes each

#include "FceStore.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace trimlet {

inline constexpr std::string_view kProjectFileName = "TPROJECT.PRJ";
inline constexpr std::string_view kProjectDescription = "Mobrix Temporary project file";

std::vector<std::uint8_t> EncodeProjectFile(const ProjectData& project);

} // namespace trimlet
