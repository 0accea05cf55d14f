#include "FileIO.h"

#include "SafeFileOps.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <unistd.h>

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

SaveStatus Replace(const std::string& path, std::span<const std::uint8_t> bytes, fileops::Durability durability)
{
    if (path.empty())
        return SaveFailure{ErrorCode::BadFileName, "no file name"};
    if (auto problem = fileops::ReplaceFile(path, bytes, durability))
        return WriteFailure(path, *problem);
    return std::nullopt;
}

// Gathers small writes into large ones; large ones go to the file at once.
class DescriptorSink : public ByteSink {
public:
    explicit DescriptorSink(int fd) : fd_(fd) { buffer_.reserve(kCapacity); }

    void Write(std::span<const std::uint8_t> bytes) override
    {
        if (err_ != 0)
            return;
        // Large pieces go straight to the file rather than through the buffer.
        if (bytes.size() >= kDirect) {
            Flush();
            Put(bytes);
            return;
        }
        if (buffer_.size() + bytes.size() > kCapacity)
            Flush();
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    }

    // 0, or the errno value of the first failed write.
    int Finish()
    {
        Flush();
        return err_;
    }

private:
    static constexpr std::size_t kCapacity = std::size_t{256} << 10;
    static constexpr std::size_t kDirect = std::size_t{64} << 10;

    void Put(std::span<const std::uint8_t> bytes)
    {
        if (err_ == 0 && !fileops::WriteFully(fd_, bytes))
            err_ = errno != 0 ? errno : EIO;
    }
    void Flush()
    {
        Put(buffer_);
        buffer_.clear();
    }

    int fd_;
    std::vector<std::uint8_t> buffer_;
    int err_ = 0;
};

} // namespace

bool ByteSource::Read(std::int64_t pos, std::span<std::uint8_t> out)
{
    if (!failed_ && pos >= 0 && static_cast<std::int64_t>(out.size()) <= Size() - pos && ReadAt(pos, out))
        return true;
    failed_ = true;
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    return false;
}

bool MemorySource::ReadAt(std::int64_t pos, std::span<std::uint8_t> out)
{
    if (!out.empty())
        std::memcpy(out.data(), bytes_.data() + pos, out.size());
    return true;
}

FileSource::~FileSource()
{
    if (fd_ >= 0)
        ::close(fd_);
}

LoadStatus FileSource::Open(const std::string& path)
{
    fileops::Descriptor fd;
    struct stat st {};
    if (auto problem = fileops::OpenRegular(path, fd, st))
        return ReadFailure(path, *problem);
    if (fd_ >= 0)
        ::close(fd_);
    size_ = static_cast<std::int64_t>(st.st_size);
    fd_ = fd.release();
    return std::nullopt;
}

bool FileSource::ReadAt(std::int64_t pos, std::span<std::uint8_t> out)
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(pos) +
                                                                                static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

SaveStatus WriteFileAtomicallyFrom(const std::string& path, const std::function<SaveStatus(ByteSink&)>& produce)
{
    if (path.empty())
        return SaveFailure{ErrorCode::BadFileName, "no file name"};
    SaveStatus refused;
    const auto problem = fileops::ReplaceFileWith(
        path,
        [&](int fd) {
            DescriptorSink sink(fd);
            refused = produce(sink);
            const int err = sink.Finish();
            return refused ? ECANCELED : err;
        },
        fileops::Durability::Flushed);
    if (refused)
        return refused;
    if (problem)
        return WriteFailure(path, *problem);
    return std::nullopt;
}

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

SaveStatus WriteFileAtomicallyUnflushed(const std::string& path, std::span<const std::uint8_t> bytes)
{
    return Replace(path, bytes, fileops::Durability::Cached);
}

} // namespace mobrix
