#include "FileIO.h"

#include "SafeFileOps.h"

#include <cerrno>
#include <cstring>

namespace mobrix {

namespace {

std::string Described(int code, const std::string& path, const fileops::Problem& problem)
{
    const std::string why = problem.notRegular.empty() ? std::strerror(problem.err) : fileops::NotRegularText(problem);
    return ErrorCodeDescription(code) + " (" + path + ": " + why + ")";
}

LoadFailure ReadFailure(const std::string& path, const fileops::Problem& problem)
{
    const int code = ErrorCodeFromErrno(problem.err);
    return {LoadError::Other, code, Described(code, path, problem)};
}

SaveFailure WriteFailure(const std::string& path, const fileops::Problem& problem)
{
    // A file being created is only "not found" when its folder is missing.
    const int code = problem.err == ENOENT ? ErrorCode::PathNotFound : ErrorCodeFromErrno(problem.err);
    return {code, Described(code, path, problem)};
}

} // namespace

LoadStatus ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::int64_t sizeLimit)
{
    const auto problem = fileops::ReadRegularFile(path, sizeLimit, out);
    if (!problem)
        return std::nullopt;
    if (problem->tooLarge >= 0)
        return LoadFailure{LoadError::IndexOutOfRange, ErrorCode::OutOfMemory,
                           "the file is " + std::to_string(problem->tooLarge) + " bytes long, too large to read"};
    if (problem->err == ENOMEM)
        return LoadFailure{LoadError::IndexOutOfRange, ErrorCode::OutOfMemory, "out of memory"};
    return ReadFailure(path, *problem);
}

std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t count)
{
    return fileops::ReadRegularFileHead(path, count);
}

SaveStatus WriteFileAtomically(const std::string& path, std::span<const std::span<const std::uint8_t>> pieces)
{
    if (path.empty())
        return SaveFailure{ErrorCode::BadFileName, "no file name"};
    if (auto problem = fileops::ReplaceFile(path, pieces, fileops::Durability::Flushed))
        return WriteFailure(path, *problem);
    return std::nullopt;
}

SaveStatus WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    const std::span<const std::uint8_t> whole[] = {bytes};
    return WriteFileAtomically(path, std::span<const std::span<const std::uint8_t>>(whole));
}

} // namespace mobrix
