#pragma once
// Whole-file reads and safe whole-file writes.

#include "FileErrors.h"

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

inline constexpr std::int64_t kNoSizeLimit = std::numeric_limits<std::int64_t>::max();
// Exchange files (3DS, X, part files) above this size are refused as absurd
// before anything is allocated for them.
inline constexpr std::int64_t kMaxModelFileSize = std::int64_t{64} << 20;

// Reads a whole regular file into `out`. Failures are LoadError::Other with
// the error number, except a file above `sizeLimit`, which is an absurd
// size (LoadError::IndexOutOfRange). FCE files have no size limit: their
// readers refuse them by their counts, each of which must fit in the file.
// A FIFO, device or socket is refused without waiting on it.
LoadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                         std::int64_t sizeLimit = kNoSizeLimit);

// Reads up to `count` bytes from the start of a file (fewer if it is
// shorter). Returns an empty vector when the file cannot be read.
std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t count);

// Writes `bytes` to `path` through a temporary file in the same folder that
// is flushed to disk and then renamed over the target, so the existing file
// is either fully replaced or left exactly as it was. A symbolic link is
// followed and its target replaced; an existing file keeps its permissions.
// Special files and files without a write permission bit are refused; see
// SafeFileOps.h for the whole list.
SaveStatus WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// The same with the content in pieces, written one after the other.
SaveStatus WriteFileAtomically(const std::string& path, std::span<const std::span<const std::uint8_t>> pieces);

} // namespace mobrix
