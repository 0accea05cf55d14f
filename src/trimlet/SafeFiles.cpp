#include "SafeFiles.h"

#include "ErrorNumbers.h"
#include "SafeFileOps.h"

#include <cerrno>
#include <cstring>

namespace trimlet {

namespace {

namespace fileops = mobrix::fileops;

std::string Why(const fileops::Problem& problem)
{
    return problem.notRegular.empty() ? std::strerror(problem.err) : fileops::NotRegularText(problem);
}

FileFailure ReadFailure(const std::filesystem::path& path, const fileops::Problem& problem)
{
    return {FileFailure::Kind::Unreadable, problem.err == ENOENT ? errors::kFileNotFound : errors::kPathFileAccess,
            "Cannot read " + path.string() + ": " + Why(problem)};
}

FileFailure WriteFailure(const std::filesystem::path& path, const fileops::Problem& problem)
{
    return {FileFailure::Kind::WriteFailed, errors::kPathFileAccess, "Cannot write " + path.string() + ": " + Why(problem)};
}

} // namespace

std::optional<FileFailure> ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out)
{
    const auto problem = fileops::ReadRegularFile(path.string(), kMaxFileSize, out);
    if (!problem)
        return std::nullopt;
    if (problem->tooLarge >= 0)
        return FileFailure{FileFailure::Kind::Damaged, errors::kOutOfMemory,
                           path.string() + " is " + std::to_string(problem->tooLarge) +
                               " bytes long, too large for a model"};
    return ReadFailure(path, *problem);
}

std::optional<FileFailure> WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                               Flush flush)
{
    const auto durability = flush == Flush::ToDisk ? fileops::Durability::Flushed : fileops::Durability::Cached;
    if (auto problem = fileops::ReplaceFile(path.string(), bytes, durability))
        return WriteFailure(path, *problem);
    return std::nullopt;
}

} // namespace trimlet
