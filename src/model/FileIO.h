#pragma once
// Whole-file reads and safe whole-file writes.

#include "FileErrors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

// Model files larger than this are refused as absurd before anything is
// allocated for them. The largest real car is a few hundred kilobytes and a
// model of 100,000 vertices about 28 MB; the blocks of a file may overlap,
// so the tables read from one can be several times its size.
inline constexpr std::int64_t kMaxModelFileSize = std::int64_t{64} << 20;

// Reads a whole regular file into `out`. Failures are LoadError::Other with
// the error number, except a file above `maxSize`, which is an absurd size
// (LoadError::IndexOutOfRange).
LoadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out,
                         std::int64_t maxSize = kMaxModelFileSize);

// Reads up to `count` bytes from the start of a file (fewer if it is
// shorter). Returns an empty vector when the file cannot be read.
std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t count);

// Writes `bytes` to `path` through a temporary file in the same folder that
// is flushed to disk and then renamed over the target, so the existing file
// is either fully replaced or left exactly as it was. A symbolic link is
// followed and its target replaced; an existing file keeps its permissions.
SaveStatus WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace mobrix
