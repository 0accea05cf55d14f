#pragma once
// Whole-file reads and safe whole-file writes for Trimlet's files.

#include "FileFailure.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace trimlet {

// Files larger than this are refused before anything is allocated.
inline constexpr std::int64_t kMaxFileSize = std::int64_t{1} << 30;

// Reads a whole regular file. Failures are Unreadable (or Damaged for a
// file too large to be a model) with a description naming the file.
std::optional<FileFailure> ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out);

// Whether a write waits until the bytes are on the disk. The user's model
// does; the working files in the temp folder, which a start re-creates, need
// not.
enum class Flush { ToDisk, Later };

// Writes through a temporary file in the same folder that is renamed over
// `path`, so an existing file is either fully replaced or left as it was. A
// symbolic link is followed; an existing file keeps its permissions; special
// files and files without a write permission bit are refused (the rules are
// those of SafeFileOps.h).
// Failures are WriteFailed.
std::optional<FileFailure> WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                               Flush flush = Flush::ToDisk);

} // namespace trimlet
