#pragma once
// Error numbers Trimlet's own procedures report. Failures of the program's
// own work carry the classic run-time error numbers; failures of the 3D
// services carry the DirectDraw/Direct3D result codes that the error-text
// table knows.

#include <cstdint>

namespace trimlet::errors {

inline constexpr std::uint32_t kOutOfMemory = 7;
inline constexpr std::uint32_t kSubscriptOutOfRange = 9;
inline constexpr std::uint32_t kFileNotFound = 53;
inline constexpr std::uint32_t kInputPastEnd = 62;
inline constexpr std::uint32_t kBadRecordNumber = 63;
inline constexpr std::uint32_t kPathFileAccess = 75;

// "No 3D hardware or emulation is present."
inline constexpr std::uint32_t kNo3D = 0x887600AA;

} // namespace trimlet::errors
