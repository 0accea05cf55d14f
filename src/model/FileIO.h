#pragma once
// Whole-file reads and safe whole-file writes.

#include "FileErrors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mobrix {

// Reads a whole regular file into `out`. Failures are LoadError::Other with
// the error number, and LoadError::IndexOutOfRange when there is no memory
// for the file. There is no size limit of its own: the readers refuse files
// by their counts, each of which must fit in the file.
LoadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out);

// Reads up to `count` bytes from the start of a file (fewer if it is
// shorter). Returns an empty vector when the file cannot be read.
std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t count);

// Writes `bytes` to `path` through a temporary file in the same folder that
// is flushed to disk and then renamed over the target, so the existing file
// is either fully replaced or left exactly as it was. A symbolic link is
// followed and its target replaced; an existing file keeps its permissions.
SaveStatus WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace mobrix
